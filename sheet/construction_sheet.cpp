#include "construction_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "loop_bends.h"
#include "model_error.h"
#include "model_texts.h"
#include "numeric.h"
#include "numeric_error.h"
#include "sheet_error.h"

namespace zandrel {

namespace {

// A displayed dimension as a whole number of hundredths of a mm, so that depths added from
// displayed figures carry no binary remainder.
double Hundredths(float value) { return DisplayedHundredths(value); }

double Normalised(double degrees) {
    const double turned = std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0);
    return turned == 360.0 ? 0.0 : turned;
}

std::string WholeNumberText(double whole) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.0f", whole);
    return buffer;
}

// A figure with no decimal when it rounds to a whole number, else with one.
std::string WholeOrTenthsText(double value) {
    const double tenths = std::round(value * 10.0);
    if (std::fmod(tenths, 10.0) == 0.0) {
        return WholeNumberText(tenths / 10.0);
    }
    return FormatTenths(tenths / 10.0);
}

std::string TurnsInWords(double turns) {
    const auto quarters = static_cast<long long>(std::llround(turns * 4.0));
    const long long whole = quarters / 4;
    static constexpr const char* Fractions[] = {"", "1/4", "1/2", "3/4"};
    const char* fraction = Fractions[quarters % 4];
    std::string text;
    if (whole > 0) {
        text = std::to_string(whole);
    }
    if (*fraction != '\0') {
        text += (text.empty() ? "" : " ") + std::string(fraction);
    }
    return text + (quarters > 4 ? " turns" : " turn");
}

std::string TwistInWords(const StyleEntry& style, Polarisation sense) {
    const bool rhcp = sense == Polarisation::Rhcp;
    const std::string way = rhcp ? "counter-clockwise" : "clockwise";
    const double degrees = style.Constants.TurnFactor * 360.0;
    return std::string(rhcp ? "Right-hand circular polarisation (RHCP)"
                            : "Left-hand circular polarisation (LHCP)") +
           ": seen from above, each element runs " + way +
           " as it goes down from its top arm to its bottom arm (a " + (rhcp ? "left" : "right") +
           "-hand helix). Each element makes " + TurnsInWords(style.Constants.TurnFactor) +
           ", so each bottom arm lies " + FormatDegrees(degrees) + " degrees " + way +
           " from its loop's top arm. Seen from the side, the elements in front slope down to "
           "the " +
           (rhcp ? "right" : "left") + ".";
}

void CheckMastDiameter(double millimetres) {
    const MastDiameterRange allowed = AllowedMastDiameters();
    if (!allowed.Holds(millimetres)) {
        throw SheetError(SheetErrorKind::MastDiameterNotValid,
                         "the mast diameter must be from " + WholeNumberText(allowed.LeastMm) +
                             " to " + WholeNumberText(allowed.MostMm) + " mm");
    }
}

// A whole number of hundredths, rounded half away from zero, written with two decimals.
std::string HundredthsText(double value) {
    const double hundredths = std::round(value * 100.0);
    const double magnitude = std::fabs(hundredths);
    const double fraction = std::fmod(magnitude, 100.0);
    char text[400];
    std::snprintf(text, sizeof text, "%s%.0f.%02.0f", hundredths < 0.0 ? "-" : "",
                  (magnitude - fraction) / 100.0, fraction);
    return text;
}

// A size as the calculator writes one: hundredths, without trailing zeros ("19.2", "32").
std::string SizeText(double millimetres) {
    std::string text = HundredthsText(millimetres);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

std::string LoopName(Loop loop) { return loop == Loop::Small ? "small loop" : "large loop"; }

void CheckMastFits(const MastFit& fit, double mastMm, double conductorMm,
                   const HelixDimensions& dimensions) {
    if (!(mastMm > fit.AboveMm)) {
        throw SheetError(SheetErrorKind::MastDoesNotFit,
                         "a " + SizeText(mastMm) + " mm mast is not wider than the " +
                             SizeText(conductorMm) +
                             " mm holes for the tube: the holes would cut it through");
    }
    if (!(mastMm < fit.BelowMm)) {
        const float bottom =
            fit.Smaller == Loop::Small ? dimensions.SmallBottomArm : dimensions.LargeBottomArm;
        throw SheetError(SheetErrorKind::MastDoesNotFit,
                         "a " + SizeText(mastMm) + " mm mast is not narrower than the " +
                             LoopName(fit.Smaller) + "'s bottom arm of " + FormatDimension(bottom) +
                             " mm less one tube diameter of " + SizeText(conductorMm) + " mm (" +
                             SizeText(fit.BelowMm) +
                             " mm): its helical elements would run into the mast");
    }
}

}  // namespace

MastDiameterRange AllowedMastDiameters() {
    return {SmallestMastDiameterMm, LargestMastDiameterMm, {}};
}

double ReadMastDiameter(std::string_view text) {
    float diameter = 0.0f;
    try {
        diameter = TextToSingle(text);
    } catch (const NumericError&) {
        throw SheetError(SheetErrorKind::MastDiameterNotValid,
                         "the mast diameter \"" + std::string(text) + "\" is not a number");
    }
    CheckMastDiameter(static_cast<double>(diameter));
    return static_cast<double>(diameter);
}

std::string_view LengthUnitName(LengthUnit unit) {
    return unit == LengthUnit::Millimetre ? "mm" : "in";
}

std::string FormatTenths(double millimetres) {
    const double hundredths = std::round(millimetres * 100.0);
    const double tenths = std::floor((std::fabs(hundredths) + 5.0) / 10.0);
    const double digit = std::fmod(tenths, 10.0);
    const double whole = (tenths - digit) / 10.0;
    return (hundredths < 0.0 && tenths > 0.0 ? "-" : "") + WholeNumberText(whole) + "." +
           WholeNumberText(digit);
}

std::string FormatHundredths(double value) { return HundredthsText(value); }

std::string FormatInches(double millimetres) { return HundredthsText(millimetres / MmPerInch); }

std::string FormatDegrees(double degrees) {
    return WholeOrTenthsText(degrees + 0.0);  // no "-0" for a negative zero
}

std::string FormatMillimetres(double millimetres) { return WholeOrTenthsText(millimetres); }

double ConstructionSheet::Shown(float HelixDimensions::*field) const {
    return Hundredths(Dimensions.*field) / 100.0;
}

double ConstructionSheet::TwistDegrees() const {
    return TwistSign() * Style->Constants.TurnFactor * 360.0;
}

double ConstructionSheet::TopDepth(Loop loop) const {
    return loop == Loop::Small ? 0.0 : 2.0 * Hundredths(Dimensions.TubeDiameter) / 100.0;
}

double ConstructionSheet::LoopHeight(Loop loop) const {
    return Shown(loop == Loop::Small ? &HelixDimensions::SmallLoopHeight
                                     : &HelixDimensions::LargeLoopHeight);
}

double ConstructionSheet::LoopRadius(Loop loop) const {
    return Shown(loop == Loop::Small ? &HelixDimensions::SmallBottomArm
                                     : &HelixDimensions::LargeBottomArm) /
           2.0;
}

double ConstructionSheet::LowestHoleMm() const {
    double lowest = 0.0;
    for (const MastHole& hole : Holes) {
        lowest = std::max(lowest, hole.DistanceMm);
    }
    return lowest;
}

bool ConstructionSheet::ConductorDiffers() const {
    return std::round(ConductorDiameterMm * 100.0) != Hundredths(Dimensions.TubeDiameter);
}

std::string ConstructionSheet::LengthText(double millimetres) const {
    return Units == LengthUnit::Inch ? FormatInches(millimetres) : FormatHundredths(millimetres);
}

MastFit FittingMastDiameters(const HelixDimensions& dimensions, double conductorDiameterMm) {
    const double small = Hundredths(dimensions.SmallBottomArm) / 100.0;
    const double large = Hundredths(dimensions.LargeBottomArm) / 100.0;
    MastFit fit;
    fit.AboveMm = conductorDiameterMm;
    fit.Smaller = large < small ? Loop::Large : Loop::Small;
    fit.BelowMm = std::min(small, large) - conductorDiameterMm;
    return fit;
}

MastDiameterRange AllowedMastDiameters(const SheetRequest& request) {
    HelixDimensions dimensions;
    ComputeHelixDimensions(request.FrequencyText, StyleConstantsOf(request.Style), dimensions);
    if (request.Tuned) {
        dimensions = request.Tuned->Dimensions;
    }
    const double conductor =
        request.ConductorDiameterMm.value_or(Hundredths(dimensions.TubeDiameter) / 100.0);
    const MastFit fit = FittingMastDiameters(dimensions, conductor);
    const MastDiameterRange allowed = AllowedMastDiameters();
    MastDiameterRange range = allowed;
    std::vector<std::string> why;
    // The tenths just inside the fit: strictly wider than the holes, strictly narrower than
    // the loop allows.
    const double above = (std::floor(std::round(fit.AboveMm * 100.0) / 10.0) + 1.0) / 10.0;
    const double below = (std::ceil(std::round(fit.BelowMm * 100.0) / 10.0) - 1.0) / 10.0;
    if (above > range.LeastMm) {
        range.LeastMm = above;
        why.push_back("wider than the " + SizeText(conductor) + " mm holes for the tube");
    }
    if (below < range.MostMm) {
        range.MostMm = below;
        why.push_back("narrower than the " + LoopName(fit.Smaller) +
                      "'s bottom arm less one tube diameter");
    }
    for (std::size_t i = 0; i < why.size(); ++i) {
        range.Why += (i == 0 ? "" : " and ") + why[i];
    }
    return range;
}

ConstructionSheet ComputeConstructionSheet(HelixStyle style, std::string_view frequencyText,
                                           Polarisation sense, double mastDiameterMm) {
    SheetRequest request;
    request.Style = style;
    request.FrequencyText = std::string(frequencyText);
    request.Sense = sense;
    request.MastDiameterMm = mastDiameterMm;
    return ComputeConstructionSheet(request);
}

ConstructionSheet ComputeConstructionSheet(const SheetRequest& request) {
    const double mastDiameterMm = request.MastDiameterMm;
    CheckMastDiameter(mastDiameterMm);
    ConstructionSheet sheet;
    sheet.Style = &StyleEntryOf(request.Style);
    sheet.FrequencyText = request.FrequencyText;
    sheet.Sense = request.Sense;
    sheet.MastDiameterMm = mastDiameterMm;
    sheet.BendRadiusMm = request.BendRadiusMm;
    sheet.Units = request.Units;
    sheet.Tuned = request.Tuned;
    sheet.TunedFor = request.TunedFor;
    sheet.Match.Z0Ohm = request.Z0Ohm;
    sheet.Match.Unavailable = "the antenna was not modelled";
    ComputeHelixDimensions(sheet.FrequencyText, sheet.Style->Constants, sheet.Dimensions);
    if (request.Tuned) {
        sheet.Dimensions = request.Tuned->Dimensions;
    }
    for (const DisplayedDimension& shown : DisplayOrder) {
        if (!(Hundredths(sheet.Dimensions.*shown.Field) > 0.0)) {
            throw SheetError(SheetErrorKind::CannotBeDrawn,
                             "at " + sheet.FrequencyText + " MHz the " + std::string(shown.Name) +
                                 " is " + FormatDimension(sheet.Dimensions.*shown.Field) +
                                 " mm: nothing can be built from it");
        }
    }
    sheet.ConductorDiameterMm =
        request.ConductorDiameterMm.value_or(sheet.Shown(&HelixDimensions::TubeDiameter));
    if (!(sheet.ConductorDiameterMm > 0.0) || !std::isfinite(sheet.ConductorDiameterMm)) {
        throw ModelError(ModelErrorKind::NotModellable,
                         "the conductor diameter must be a positive number");
    }
    CheckMastFits(FittingMastDiameters(sheet.Dimensions, sheet.ConductorDiameterMm), mastDiameterMm,
                  sheet.ConductorDiameterMm, sheet.Dimensions);

    GeometryOptions options;
    options.ConductorDiameterMm = request.ConductorDiameterMm;
    options.Install = request.Install;
    if (request.Tuned) {
        options.SmallLoopScale = request.Tuned->SmallScale;
        options.LargeLoopScale = request.Tuned->LargeScale;
    }
    sheet.Geometry = BuildHelixGeometry(*sheet.Style, sheet.FrequencyText, sheet.Sense, options);
    sheet.Feed = FeedConnections(sheet.Geometry);

    const bool inches = sheet.Units == LengthUnit::Inch;
    auto text = [&sheet, inches](float HelixDimensions::*field) {
        return inches ? FormatInches(sheet.Shown(field)) : FormatDimension(sheet.Dimensions.*field);
    };
    const bool tuned = request.Tuned.has_value();
    using D = HelixDimensions;
    for (const Loop loop : {Loop::Small, Loop::Large}) {
        const bool small = loop == Loop::Small;
        const std::string group = small ? "Small loop" : "Large loop";
        const auto perimeter = small ? &D::SmallLoopPerimeter : &D::LargeLoopPerimeter;
        const auto topArm = small ? &D::SmallTopArm : &D::LargeTopArm;
        const auto bottomArm = small ? &D::SmallBottomArm : &D::LargeBottomArm;
        const auto height = small ? &D::SmallLoopHeight : &D::LargeLoopHeight;
        sheet.CutList.push_back({group, "Helical element", 2,
                                 small ? "SmallHelixLength" : "LargeHelixLength",
                                 text(small ? &D::SmallHelixLength : &D::LargeHelixLength), tuned});
        sheet.CutList.push_back(
            {group, "Top arm", 2, small ? "SmallTopArm" : "LargeTopArm", text(topArm), tuned});
        sheet.CutList.push_back({group, "Bottom arm", 1,
                                 small ? "SmallBottomArm" : "LargeBottomArm", text(bottomArm),
                                 tuned});
        sheet.CutList.push_back({group, "Total conductor (loop perimeter)", 1,
                                 small ? "SmallLoopPerimeter" : "LargeLoopPerimeter",
                                 text(perimeter), tuned});
        const double bent =
            BentCutLengthMm({sheet.Shown(perimeter), sheet.Shown(topArm), sheet.Shown(bottomArm)},
                            sheet.BendRadiusMm);
        if (sheet.BendRadiusMm > 0.0) {
            sheet.CutList.push_back(
                {group,
                 "Tube to cut, corners at r = " +
                     SizeText(inches ? sheet.BendRadiusMm / MmPerInch : sheet.BendRadiusMm) + " " +
                     std::string(LengthUnitName(sheet.Units)),
                 1,
                 {},
                 sheet.LengthText(bent),
                 tuned});
        }
        sheet.CutList.push_back({group, "Height (top arm to bottom arm)", 0,
                                 small ? "SmallLoopHeight" : "LargeLoopHeight", text(height),
                                 tuned});
    }
    sheet.CutList.push_back(
        {"Tube", "Tube outside diameter", 1, "TubeDiameter", text(&D::TubeDiameter), false});
    if (sheet.ConductorDiffers()) {
        sheet.CutList.push_back({"Tube",
                                 "Your tube or wire (holes, model)",
                                 1,
                                 {},
                                 sheet.LengthText(sheet.ConductorDiameterMm),
                                 false});
    }

    for (const Loop loop : {Loop::Small, Loop::Large}) {
        for (const ArmPosition arm : {ArmPosition::Top, ArmPosition::Bottom}) {
            const bool top = arm == ArmPosition::Top;
            const double depth = sheet.TopDepth(loop) + (top ? 0.0 : sheet.LoopHeight(loop));
            const double start =
                ConstructionSheet::TopAzimuth(loop) + (top ? 0.0 : sheet.TwistDegrees());
            for (const double side : {0.0, 180.0}) {
                MastHole hole;
                hole.OfLoop = loop;
                hole.Arm = arm;
                hole.ArmName = std::string(loop == Loop::Small ? "Small" : "Large") + " loop " +
                               (top ? "top" : "bottom") + " arm";
                hole.DistanceMm = depth;
                hole.DistanceText = inches ? FormatInches(depth) : FormatTenths(depth);
                hole.Tuned = tuned && !top;
                hole.AzimuthDegrees = Normalised(start + side);
                hole.AzimuthText = FormatDegrees(hole.AzimuthDegrees);
                hole.ElementEndDegrees = Normalised(
                    hole.AzimuthDegrees + (top ? sheet.TwistDegrees() : -sheet.TwistDegrees()));
                hole.ElementText = std::string(top ? "to " : "from ") +
                                   FormatDegrees(hole.ElementEndDegrees) + "\u00B0";
                if (top) {
                    const WirePart part =
                        loop == Loop::Small ? WirePart::SmallTop : WirePart::LargeTop;
                    for (const FeedArm& feed : sheet.Feed) {
                        if (feed.Part == part &&
                            std::fabs(Normalised(feed.AzimuthDeg - hole.AzimuthDegrees + 180.0) -
                                      180.0) < 1e-3) {
                            hole.Feed = feed.Side;
                        }
                    }
                    if (!hole.Feed) {
                        throw SheetError(SheetErrorKind::CannotBeDrawn,
                                         "the model has no feed at the " + hole.ArmName + "'s " +
                                             hole.AzimuthText + "\u00B0 side");
                    }
                }
                sheet.Holes.push_back(std::move(hole));
            }
        }
    }
    std::stable_sort(sheet.Holes.begin(), sheet.Holes.end(),
                     [](const MastHole& a, const MastHole& b) {
                         return a.DistanceMm != b.DistanceMm ? a.DistanceMm < b.DistanceMm
                                                             : a.AzimuthDegrees < b.AzimuthDegrees;
                     });
    sheet.TwistInWords = TwistInWords(*sheet.Style, sheet.Sense);
    return sheet;
}

void AddModelledMatch(ConstructionSheet& sheet, const ModelFigures& figures) {
    MatchSection& match = sheet.Match;
    match.Network = DesignLNetwork(figures.Impedance, match.Z0Ohm, sheet.Geometry.FrequencyMHz);
    match.Parts = AdviseParts(match.Network, figures.Impedance, LineRequest{match.Z0Ohm},
                              sheet.Geometry.FrequencyMHz);
    const Installation& install = sheet.Geometry.Install;
    if (!install.IsBare() || install.Mast != MastKind::None) {
        match.Installed = InstallationText(install);
    }
    if (install.Feedline == FeedlineKind::Choked) {
        match.ChokeRecipe = ChokeRecipe(install.ChokeOhm, sheet.Geometry.FrequencyMHz);
    }
    match.Impedance = figures.Impedance;
    match.SwrUnmatched = SwrOn(figures.Impedance, match.Z0Ohm);
    match.Modelled = true;
    match.Unavailable.clear();
}

void AddMissingModel(ConstructionSheet& sheet, std::string why) {
    sheet.Match.Modelled = false;
    sheet.Match.Unavailable = std::move(why);
}

std::string MatchTitle(const MatchSection& match) {
    char text[400];
    std::snprintf(text, sizeof text, "Match to %g ohm", match.Z0Ohm);
    return text;
}

std::string ComponentValueText(const Matching& part) {
    if (part.Kind == MatchingKind::None) {
        return "none";
    }
    return ComponentValue(part.Value, part.Kind == MatchingKind::Inductor ? "H" : "F");
}

}  // namespace zandrel
