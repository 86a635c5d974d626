// The choices the model and sheet windows remember between openings and runs, declared once:
// each one's key, range and default. The ones both windows show are shared: a change in one
// window is shown at once in the other.
#pragma once

#include <QString>

#include "construction_sheet.h"
#include "line_match.h"
#include "loop_tuning.h"

class QDoubleSpinBox;
class QWidget;

namespace zandrel {

// A number a window remembers, with the range and decimals of its field.
struct NumberChoice {
    const char* Key;
    double Least;
    double Most;
    double Default;
    int Decimals;
};

// A word a window remembers: one of the names it writes; none stands for the default.
struct WordChoice {
    const char* Key;
};

namespace choices {

// Shown by both windows.
inline constexpr WordChoice Style{"style"};                // a style's name
inline constexpr WordChoice Polarisation{"polarisation"};  // "RHCP" or "LHCP"
inline constexpr NumberChoice LineZ0{"z0Ohm", 1.0, 1000.0, LineRequest{}.Z0Ohm, 1};
// The least stands for the calculator's own tube.
inline constexpr NumberChoice ConductorDiameter{"conductorDiameterMm", 0.0, 200.0, 0.0, 2};

// The model window's.
inline constexpr NumberChoice Altitude{"altitudeKm", 150.0, 36000.0, 850.0, 0};

// The sheet window's. The mast's range narrows to what fits the antenna.
inline constexpr WordChoice Paper{"paper"};
inline constexpr NumberChoice MastDiameter{"mastDiameterMm", SmallestMastDiameterMm,
                                           LargestMastDiameterMm, DefaultMastDiameterMm, 1};
inline constexpr NumberChoice BendRadius{"bendRadiusMm", 0.0, 1000.0, 0.0, 1};
inline constexpr WordChoice Units{"units"};
inline constexpr WordChoice Tuned{"tuned"};  // "true" or "false"

}  // namespace choices

// "0.80 to 1.20": the loop sizes tuning searches, as the windows name them.
QString TunedScaleRangeText();

// The number remembered for `choice`; its default when none is, or one outside its range.
double Remembered(const NumberChoice& choice);
// The word remembered for `choice`; empty when none is.
QString Remembered(const WordChoice& choice);

void Remember(const NumberChoice& choice, double value);
void Remember(const WordChoice& choice, const QString& word);

// Gives `field` the choice's range and decimals and the value remembered for it.
void SetUpField(QDoubleSpinBox& field, const NumberChoice& choice);

// Tells every other open window that shows shared choices that `from` has remembered a change
// to one, so that it shows it too: each such window has a slot FollowSharedChoices().
void AnnounceSharedChoices(const QWidget& from);

}  // namespace zandrel
