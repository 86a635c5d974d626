#include "construction_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "numeric.h"
#include "numeric_error.h"
#include "sheet_error.h"

namespace zandrel {

namespace {

// A displayed dimension as a whole number of hundredths of a mm, so that depths added from
// displayed figures carry no binary remainder.
double Hundredths(float value) { return std::round(static_cast<double>(Round(value, 2)) * 100.0); }

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

}  // namespace

MastDiameterRange AllowedMastDiameters() { return {SmallestMastDiameterMm, LargestMastDiameterMm}; }

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

std::string FormatTenths(double millimetres) {
    const double hundredths = std::round(millimetres * 100.0);
    const double tenths = std::floor((std::fabs(hundredths) + 5.0) / 10.0);
    const double digit = std::fmod(tenths, 10.0);
    const double whole = (tenths - digit) / 10.0;
    return (hundredths < 0.0 && tenths > 0.0 ? "-" : "") + WholeNumberText(whole) + "." +
           WholeNumberText(digit);
}

std::string FormatDegrees(double degrees) { return WholeOrTenthsText(degrees); }

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

ConstructionSheet ComputeConstructionSheet(HelixStyle style, std::string_view frequencyText,
                                           Polarisation sense, double mastDiameterMm) {
    CheckMastDiameter(mastDiameterMm);
    ConstructionSheet sheet;
    sheet.Style = &StyleEntryOf(style);
    sheet.FrequencyText = std::string(frequencyText);
    sheet.Sense = sense;
    sheet.MastDiameterMm = mastDiameterMm;
    ComputeHelixDimensions(frequencyText, sheet.Style->Constants, sheet.Dimensions);
    for (const DisplayedDimension& shown : DisplayOrder) {
        if (!(Hundredths(sheet.Dimensions.*shown.Field) > 0.0)) {
            throw SheetError(SheetErrorKind::CannotBeDrawn,
                             "at " + sheet.FrequencyText + " MHz the " + std::string(shown.Name) +
                                 " is " + FormatDimension(sheet.Dimensions.*shown.Field) +
                                 " mm: nothing can be built from it");
        }
    }

    auto text = [&sheet](float HelixDimensions::*field) {
        return FormatDimension(sheet.Dimensions.*field);
    };
    using D = HelixDimensions;
    const std::pair<const char*, const char*> loops[] = {{"Small loop", "Small"},
                                                         {"Large loop", "Large"}};
    for (const auto& [group, prefix] : loops) {
        const bool small = std::string_view(prefix) == "Small";
        sheet.CutList.push_back({group, "Helical element", 2,
                                 small ? "SmallHelixLength" : "LargeHelixLength",
                                 text(small ? &D::SmallHelixLength : &D::LargeHelixLength)});
        sheet.CutList.push_back({group, "Top arm", 2, small ? "SmallTopArm" : "LargeTopArm",
                                 text(small ? &D::SmallTopArm : &D::LargeTopArm)});
        sheet.CutList.push_back({group, "Bottom arm", 1,
                                 small ? "SmallBottomArm" : "LargeBottomArm",
                                 text(small ? &D::SmallBottomArm : &D::LargeBottomArm)});
        sheet.CutList.push_back({group, "Total conductor (loop perimeter)", 1,
                                 small ? "SmallLoopPerimeter" : "LargeLoopPerimeter",
                                 text(small ? &D::SmallLoopPerimeter : &D::LargeLoopPerimeter)});
    }
    sheet.CutList.push_back(
        {"Tube", "Tube outside diameter", 1, "TubeDiameter", text(&D::TubeDiameter)});

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
                hole.DistanceText = FormatTenths(depth);
                hole.AzimuthDegrees = Normalised(start + side);
                hole.AzimuthText = FormatDegrees(hole.AzimuthDegrees);
                hole.ElementEndDegrees = Normalised(
                    hole.AzimuthDegrees + (top ? sheet.TwistDegrees() : -sheet.TwistDegrees()));
                hole.ElementText = std::string(top ? "to " : "from ") +
                                   FormatDegrees(hole.ElementEndDegrees) + "\u00B0";
                sheet.Holes.push_back(std::move(hole));
            }
        }
    }
    std::stable_sort(sheet.Holes.begin(), sheet.Holes.end(),
                     [](const MastHole& a, const MastHole& b) {
                         return a.DistanceMm != b.DistanceMm ? a.DistanceMm < b.DistanceMm
                                                             : a.AzimuthDegrees < b.AzimuthDegrees;
                     });
    sheet.TwistInWords = TwistInWords(*sheet.Style, sense);
    return sheet;
}

}  // namespace zandrel
