// What a construction sheet says about one antenna: the cut list, where the arms pass through
// the mast, which arms join the coax, the match to the line and which way the elements twist.
// Pure computation from the calculator's dimensions (or the tuned ones) and the model's figures.
#pragma once

#include <complex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "helix_dimensions.h"
#include "helix_feed.h"
#include "helix_geometry.h"
#include "helix_style.h"
#include "line_match.h"
#include "model_figures.h"

namespace zandrel {

// The masts a sheet is drawn for: outside diameters in mm, the range the sheet window offers.
inline constexpr double DefaultMastDiameterMm = 32.0;
inline constexpr double SmallestMastDiameterMm = 1.0;
inline constexpr double LargestMastDiameterMm = 500.0;
inline constexpr double DefaultZ0Ohm = 50.0;
inline constexpr double MmPerInch = 25.4;

// The mast outside diameters a sheet is made for, in mm, both ends included.
struct MastDiameterRange {
    double LeastMm = 0.0;
    double MostMm = 0.0;
    std::string Why;  // what sets the ends, when the antenna does

    bool Holds(double diameterMm) const { return diameterMm >= LeastMm && diameterMm <= MostMm; }
    bool Empty() const { return !(LeastMm <= MostMm); }
};

// The outside diameters any sheet is made for, that reading a mast's diameter checks.
MastDiameterRange AllowedMastDiameters();

// Reads a mast's outside diameter in mm with the calculator's number reader. Raises SheetError
// MastDiameterNotValid for a text that is not a number or outside the range above.
double ReadMastDiameter(std::string_view text);

enum class Loop { Small, Large };
enum class ArmPosition { Top, Bottom };

// The unit of the cut list's and the hole table's lengths. The template is 1:1 in either.
enum class LengthUnit { Millimetre, Inch };

// "mm" or "in".
std::string_view LengthUnitName(LengthUnit unit);

// The loops as tuned in NEC-2: each loop's scale factor, and the calculator's dimensions with
// each loop following its factor as the tuning computed them.
struct TunedLoops {
    double SmallScale = 1.0;
    double LargeScale = 1.0;
    HelixDimensions Dimensions;
};

// What a sheet is asked for: the antenna, the mast and the builder's parts.
struct SheetRequest {
    HelixStyle Style = HelixStyle::QuarterTurn;
    std::string FrequencyText;
    Polarisation Sense = Polarisation::Rhcp;
    double MastDiameterMm = DefaultMastDiameterMm;
    std::optional<double> ConductorDiameterMm;  // empty: the calculator's tube diameter
    double BendRadiusMm = 0.0;                  // each loop corner's centre line; 0: sharp
    LengthUnit Units = LengthUnit::Millimetre;
    std::optional<TunedLoops> Tuned;  // empty: the calculator's design
    // What the loops were tuned for, to follow "Tuned in NEC-2": " for a satellite's pass at
    // 850 km"; empty for the zenith's axial ratio.
    std::string TunedFor;
    double Z0Ohm = DefaultZ0Ohm;  // the line the match is made to
    Installation Install;         // the ground, mast and coax the match is modelled with
};

// One line of the cut list: a part, how many of it per antenna and its length as the result
// box shows it (mm) or converted to inches.
struct CutListLine {
    std::string Group;  // "Small loop", "Large loop" or "Tube"
    std::string Part;
    int Count = 0;                   // 0 for a measure that is not a piece to cut
    std::string_view DimensionName;  // the displayed dimension the length is, if it is one
    std::string LengthText;
    bool Tuned = false;  // the length is the tuned loop's
};

// One side of a through hole for an arm in the mast.
struct MastHole {
    Loop OfLoop = Loop::Small;
    ArmPosition Arm = ArmPosition::Top;
    std::string ArmName;          // "Small loop top arm"
    double DistanceMm = 0.0;      // below the centre of the top hole
    std::string DistanceText;     // in the sheet's unit: mm with one decimal, inches with two
    double AzimuthDegrees = 0.0;  // 0 <= azimuth < 360, counter-clockwise seen from above
    std::string AzimuthText;
    // Where the helical element that leaves the arm at this side has its other end: the bottom
    // arm's side it runs down to from a top arm, or the top arm's side it comes from.
    double ElementEndDegrees = 0.0;
    std::string ElementText;  // "to 90°" or "from 0°"
    // For a top arm's side: the coax conductor its end at the feed joins.
    std::optional<FeedSide> Feed;
    bool Tuned = false;  // the distance follows a tuned loop's height
};

// The mast outside diameters that fit the loops, in mm, both limits excluded: wider than the
// holes for the conductor, narrower than the smaller loop's bottom arm less one conductor
// diameter, so that the helical elements clear it.
struct MastFit {
    double AboveMm = 0.0;
    double BelowMm = 0.0;
    Loop Smaller = Loop::Small;  // the loop whose bottom arm sets BelowMm

    bool Holds(double diameterMm) const { return diameterMm > AboveMm && diameterMm < BelowMm; }
};

// The "Match to 50 ohm" section: an L-network of two parts between the feed and the coax,
// from the model's impedance at the design frequency, or why there is none.
struct MatchSection {
    double Z0Ohm = DefaultZ0Ohm;
    bool Modelled = false;
    std::complex<double> Impedance;  // modelled at the design frequency, ohm
    double SwrUnmatched = 0.0;       // on Z0 with nothing fitted
    LNetwork Network;                // matches the impedance to Z0 at the design frequency
    std::vector<PartAdvice> Parts;   // the network's parts left out or too small to buy
    std::string Installed;           // how the match was modelled installed; empty: alone
    std::string ChokeRecipe;         // with a choked coax
    std::string Unavailable;         // why there is no model, when there is none
};

struct ConstructionSheet {
    const StyleEntry* Style = nullptr;
    std::string FrequencyText;
    Polarisation Sense = Polarisation::Rhcp;
    double MastDiameterMm = DefaultMastDiameterMm;
    double ConductorDiameterMm = 0.0;  // the builder's tube or wire: the holes' size
    double BendRadiusMm = 0.0;
    LengthUnit Units = LengthUnit::Millimetre;
    std::optional<TunedLoops> Tuned;
    std::string TunedFor;              // as the request's
    HelixDimensions Dimensions;        // as computed (or tuned), for the drawings
    HelixGeometry Geometry;            // the model of what is built: the feed comes from it
    std::vector<CutListLine> CutList;  // small loop, large loop, then the tube
    std::vector<MastHole> Holes;       // from the top down; at one depth by azimuth
    std::vector<FeedArm> Feed;         // the four top arms at the feed
    MatchSection Match;
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
    // Whether the builder's conductor is not the calculator's tube, as the box shows it.
    bool ConductorDiffers() const;
    // A length in the sheet's unit, without the unit: mm as given to hundredths, or inches
    // to hundredths.
    std::string LengthText(double millimetres) const;
};

// The masts that fit the loops of `dimensions` built of a conductor `conductorDiameterMm` thick.
MastFit FittingMastDiameters(const HelixDimensions& dimensions, double conductorDiameterMm);

// The one rule for the mast of a request's antenna (its mast diameter aside), in tenths of a
// millimetre as the sheet window's field offers them: AllowedMastDiameters() narrowed to the
// tenths strictly inside FittingMastDiameters, and why its ends lie where they do. Empty when
// no mast fits. Raises the calculator's error for a bad frequency.
MastDiameterRange AllowedMastDiameters(const SheetRequest& request);

// Computes the dimensions of the request's style at its frequency into a private set (or takes
// the tuned ones) and derives the sheet; its match section says that the antenna was not
// modelled until AddModelledMatch or AddMissingModel says otherwise. Raises the calculator's
// error for a bad frequency; SheetError MastDiameterNotValid for a mast that is not a positive
// size, MastDoesNotFit for one outside FittingMastDiameters, CannotBeDrawn when a dimension is
// not above zero; ModelError NotModellable for a conductor the loops cannot be built of and
// BendDoesNotFit for a bend radius the arms cannot hold.
ConstructionSheet ComputeConstructionSheet(const SheetRequest& request);

// The calculator's design, sharp corners, the calculator's tube, in mm.
ConstructionSheet ComputeConstructionSheet(HelixStyle style, std::string_view frequencyText,
                                           Polarisation sense,
                                           double mastDiameterMm = DefaultMastDiameterMm);

// Fills the match section from the model of the sheet's geometry (its impedance at the design
// frequency), matching to the sheet's Z0. Raises ModelError NotMatchable as DesignLNetwork does.
void AddModelledMatch(ConstructionSheet& sheet, const ModelFigures& figures);

// Says in the match section why there is no model (nec2c missing or failed).
void AddMissingModel(ConstructionSheet& sheet, std::string why);

// "Match to 50 ohm", with the sheet's Z0.
std::string MatchTitle(const MatchSection& match);

// A component's value with three significant figures in the unit that keeps them, as the model
// window gives it: "45.2 nH", "5.60 pF".
std::string ComponentValueText(const Matching& part);

// A length or depth with one decimal, rounded half away from zero: 938.66 gives "938.7".
std::string FormatTenths(double millimetres);

// A length with two decimals, rounded half away from zero: 2325.254 gives "2325.25".
std::string FormatHundredths(double value);

// A length in mm given in inches to hundredths: 870.29 gives "34.26".
std::string FormatInches(double millimetres);

// An angle in whole degrees when it is whole, else with one decimal: "90", "22.5".
std::string FormatDegrees(double degrees);

// A size in whole mm when it is whole, else with one decimal: "32", "40.5".
std::string FormatMillimetres(double millimetres);

}  // namespace zandrel
