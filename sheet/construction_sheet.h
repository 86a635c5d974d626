// What a construction sheet says about one antenna: the cut list, where the arms pass through
// the mast and which way the elements twist. Pure computation from the calculator's dimensions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "helix_dimensions.h"
#include "helix_geometry.h"
#include "helix_style.h"

namespace zandrel {

// The masts a sheet is drawn for: outside diameters in mm, the range the sheet window offers.
inline constexpr double DefaultMastDiameterMm = 32.0;
inline constexpr double SmallestMastDiameterMm = 1.0;
inline constexpr double LargestMastDiameterMm = 500.0;

// The mast outside diameters a sheet is made for, in mm, both ends included.
struct MastDiameterRange {
    double LeastMm = 0.0;
    double MostMm = 0.0;

    bool Holds(double diameterMm) const { return diameterMm >= LeastMm && diameterMm <= MostMm; }
};

// The one rule for a mast's outside diameter, that the sheet window's field shows and that
// reading and computing a sheet check: a rule that follows the style and the frequency takes
// its place here.
MastDiameterRange AllowedMastDiameters();

// Reads a mast's outside diameter in mm with the calculator's number reader. Raises SheetError
// MastDiameterNotValid for a text that is not a number or outside the range above.
double ReadMastDiameter(std::string_view text);

enum class Loop { Small, Large };
enum class ArmPosition { Top, Bottom };

// One line of the cut list: a part, how many of it per antenna and its length as the result
// box shows it (mm).
struct CutListLine {
    std::string Group;  // "Small loop", "Large loop" or "Tube"
    std::string Part;
    int Count = 0;
    std::string_view DimensionName;  // the displayed dimension the length is
    std::string LengthText;
};

// One side of a through hole for an arm in the mast.
struct MastHole {
    Loop OfLoop = Loop::Small;
    ArmPosition Arm = ArmPosition::Top;
    std::string ArmName;          // "Small loop top arm"
    double DistanceMm = 0.0;      // below the centre of the top hole
    std::string DistanceText;     // the same, with one decimal
    double AzimuthDegrees = 0.0;  // 0 <= azimuth < 360, counter-clockwise seen from above
    std::string AzimuthText;
    // Where the helical element that leaves the arm at this side has its other end: the bottom
    // arm's side it runs down to from a top arm, or the top arm's side it comes from.
    double ElementEndDegrees = 0.0;
    std::string ElementText;  // "to 90°" or "from 0°"
};

struct ConstructionSheet {
    const StyleEntry* Style = nullptr;
    std::string FrequencyText;
    Polarisation Sense = Polarisation::Rhcp;
    double MastDiameterMm = DefaultMastDiameterMm;
    HelixDimensions Dimensions;        // as computed, for the drawings
    std::vector<CutListLine> CutList;  // small loop, large loop, then the tube
    std::vector<MastHole> Holes;       // from the top down; at one depth by azimuth
    std::string TwistInWords;

    // The displayed value of one dimension, in mm (the result box's text read back).
    double Shown(float HelixDimensions::*field) const;
    // +1 when an element's azimuth grows (counter-clockwise from above) as it goes down, -1
    // when it falls.
    int TwistSign() const { return Sense == Polarisation::Rhcp ? 1 : -1; }
    // The azimuth a loop's elements start from at the top arm.
    static double TopAzimuth(Loop loop) { return loop == Loop::Small ? 0.0 : 90.0; }
    // How far an element turns from its top arm to its bottom arm, in degrees, signed as
    // TwistSign.
    double TwistDegrees() const;
    // Depth of a loop's top arm below the small loop's top arm (the top hole), mm.
    double TopDepth(Loop loop) const;
    double LoopHeight(Loop loop) const;
    double LoopRadius(Loop loop) const;  // half its bottom arm
    double LowestHoleMm() const;
};

// Computes the dimensions of `style` at `frequencyText` into a private set and derives the sheet.
// Raises the calculator's error for a bad frequency, SheetError MastDiameterNotValid for a mast
// outside the range above and SheetError CannotBeDrawn when a dimension is not above zero.
ConstructionSheet ComputeConstructionSheet(HelixStyle style, std::string_view frequencyText,
                                           Polarisation sense,
                                           double mastDiameterMm = DefaultMastDiameterMm);

// A length or depth with one decimal, rounded half away from zero: 938.66 gives "938.7".
std::string FormatTenths(double millimetres);

// An angle in whole degrees when it is whole, else with one decimal: "90", "22.5".
std::string FormatDegrees(double degrees);

// A size in whole mm when it is whole, else with one decimal: "32", "40.5".
std::string FormatMillimetres(double millimetres);

}  // namespace zandrel
