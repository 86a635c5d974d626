// The six antenna styles and the multipliers that turn a wavelength into their dimensions.
#pragma once

#include <array>
#include <string_view>

namespace zandrel {

enum class HelixStyle {
    QuarterTurn,
    HalfTurnRca,
    HalfTurnShort,
    HalfTurnTall,
    OneTurn,
    OneAndHalfTurn,
};

// One style's multipliers, per unit of wavelength. They must stay doubles: rounded to singles
// they change the dimensions.
struct StyleConstants {
    double TubeFactor;
    double SmallPerimeterFactor;
    double LargePerimeterFactor;
    double SmallTopSpanFactor;
    double SmallBottomArmFactor;  // also the diameter of the small loop's helix
    double LargeTopSpanFactor;
    double LargeBottomArmFactor;  // also the diameter of the large loop's helix
    double SmallHeightFactor;
    double LargeHeightFactor;
    double TurnFactor;  // turns of each helical element around its loop
};

// Constants every style shares.
inline constexpr double WavelengthNumerator = 300000.0;  // mm per MHz of wavelength
inline constexpr double PiApprox = 3.14;
inline constexpr float TopArmGapMm = 4.0f;
inline constexpr double TopArmDivisor = 2.0;

struct StyleEntry {
    HelixStyle Style;
    std::string_view Name;
    std::string_view Caption;
    StyleConstants Constants;
};

// The styles in on-screen order, top to bottom.
inline constexpr std::array<StyleEntry, 6> Styles{{
    {HelixStyle::QuarterTurn,
     "QuarterTurn",
     "1/4 TURN .3 HIGH",
     {0.004, 1.104635, 1.112419, 0.124327, 0.1265, 0.124327, 0.1265, 0.418215, 0.422215, 0.25}},
    {HelixStyle::HalfTurnRca,
     "HalfTurnRca",
     "1/2 TURN RCA",
     {0.0088, 1.016, 1.12, 0.156, 0.156, 0.173, 0.173, 0.238, 0.26, 0.5}},
    {HelixStyle::HalfTurnShort,
     "HalfTurnShort",
     "1/2 TURN .3 TALL",
     {0.004, 1.06171, 1.10846, 0.101823, 0.101027, 0.101823, 0.101027, 0.40222, 0.427245, 0.5}},
    {HelixStyle::HalfTurnTall,
     "HalfTurnTall",
     "1/2 TURN .44 TALL",
     {0.004, 1.08346, 1.09189, 0.145771, 0.145743, 0.145771, 0.145743, 0.326729, 0.331861, 0.5}},
    {HelixStyle::OneTurn,
     "OneTurn",
     "1 TURN .37 TALL",
     {0.004, 1.05083, 1.05752, 0.10392, 0.103365, 0.10392, 0.103365, 0.273911, 0.279042, 1.0}},
    {HelixStyle::OneAndHalfTurn,
     "OneAndHalfTurn",
     "1 1/2 TURN",
     {0.004, 3.00469, 3.15557, 0.109092, 0.108165, 0.109092, 0.108165, 1.300399, 1.381108, 1.5}},
}};

const StyleEntry& StyleEntryOf(HelixStyle style);

inline const StyleConstants& StyleConstantsOf(HelixStyle style) {
    return StyleEntryOf(style).Constants;
}

}  // namespace zandrel
