#include "installation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model_error.h"
#include "model_texts.h"

namespace zandrel {

namespace {

[[noreturn]] void NotBuildable(const std::string& why) {
    throw ModelError(ModelErrorKind::NotModellable, why);
}

// A number as short as it reads: "3", "0.005", "2.5".
std::string Short(double value) {
    std::string text = Fixed(value, 4);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

bool PositiveAndFinite(double value) { return std::isfinite(value) && value > 0.0; }

// A mix-43 snap-on sleeve on RG-58 gives roughly this much, mostly resistive, at 100-200 MHz.
constexpr double SleeveOhm = 200.0;
// The coil: RG-58 close-wound on a 40 mm form, so 45 mm between the coax's centres, 5 mm pitch.
constexpr double CoilFormMm = 40.0;
constexpr int MostCoilTurns = 12;

// A single-layer air coil's inductance by Wheeler's formula, in henries.
double CoilInductance(int turns) {
    constexpr double MmPerInch = 25.4;
    const double radius = (CoilFormMm + BraidDiameterMm) / 2.0 / MmPerInch;
    const double length = turns * BraidDiameterMm / MmPerInch;
    return radius * radius * turns * turns / (9.0 * radius + 10.0 * length) * 1e-6;
}

}  // namespace

std::string ChokeRecipe(double ohm, double frequencyMHz) {
    const int sleeves = std::max(1, static_cast<int>(std::ceil(ohm / SleeveOhm)));
    std::string text = "Choke: about " + Short(ohm) + " ohm of common-mode impedance at " +
                       Fixed(frequencyMHz, 2) +
                       " MHz, on the coax right below the antenna: " + std::to_string(sleeves) +
                       " snap-on ferrite sleeve" + (sleeves == 1 ? "" : "s") +
                       " of mix 43 for RG-58 in one pass (roughly " + Short(SleeveOhm) +
                       " ohm each at 100-200 MHz)";
    const double omega = 2.0 * std::numbers::pi * frequencyMHz * 1e6;
    int turns = 1;
    while (turns < MostCoilTurns && omega * CoilInductance(turns) < ohm) {
        ++turns;
    }
    if (omega * CoilInductance(turns) >= ohm) {
        text += ", or " + std::to_string(turns) + " close-wound turns of the coax on a " +
                Short(CoilFormMm) + " mm form (an air coil of " +
                Fixed(CoilInductance(turns) * 1e6, 2) + " \u00B5H)";
    }
    return text +
           ". Check it on a VNA before you rely on it: a choke's impedance depends on how "
           "it is built, and a coil resonates.";
}

std::string_view MastName(MastKind mast) {
    switch (mast) {
        case MastKind::Insulating:
            return "insulating";
        case MastKind::Metal:
            return "metal";
        case MastKind::None:
            break;
    }
    return "none";
}

std::string_view FeedlineName(FeedlineKind feedline) {
    switch (feedline) {
        case FeedlineKind::Bare:
            return "bare";
        case FeedlineKind::Choked:
            return "choked";
        case FeedlineKind::None:
            break;
    }
    return "none";
}

std::optional<GroundPreset> FindGroundPreset(std::string_view name) {
    const auto* found = std::find_if(std::begin(GroundPresets), std::end(GroundPresets),
                                     [name](const GroundPreset& p) { return p.Name == name; });
    return found == std::end(GroundPresets) ? std::nullopt : std::optional(*found);
}

void RequireBuildable(const Installation& i) {
    if (i.HasGround() && !PositiveAndFinite(i.HeightM)) {
        NotBuildable("the antenna's lowest point must be above the ground: a height above 0 m");
    }
    if (i.Ground == GroundKind::Real) {
        if (!std::isfinite(i.Permittivity) || i.Permittivity < 1.0) {
            NotBuildable("the ground's relative permittivity must be a number of at least 1");
        }
        if (!std::isfinite(i.ConductivitySPerM) || i.ConductivitySPerM < 0.0) {
            NotBuildable("the ground's conductivity must be a number of S/m of at least 0");
        }
    }
    if (!PositiveAndFinite(i.MastDiameterMm)) {
        NotBuildable("the mast's diameter must be a positive number of millimetres");
    }
    if (!PositiveAndFinite(i.MastLengthM)) {
        NotBuildable("the mast's length must be a positive number of metres");
    }
    if (i.MastLengthM > LongestMastM) {
        NotBuildable("a mast or line longer than 100 m below the antenna is not modelled");
    }
    const bool below = i.Mast == MastKind::Metal || i.Feedline != FeedlineKind::None;
    if (below && i.HasGround() && i.HeightM > LongestMastM) {
        NotBuildable(
            "a mast or line longer than 100 m below the antenna is not modelled: "
            "the antenna is " +
            Short(i.HeightM) + " m up");
    }
    if (i.Feedline == FeedlineKind::Choked && !PositiveAndFinite(i.ChokeOhm)) {
        NotBuildable("the choke's impedance must be a positive number of ohms");
    }
}

std::string InstallationText(const Installation& i) {
    std::string text;
    switch (i.Ground) {
        case GroundKind::Free:
            text = "free space";
            break;
        case GroundKind::Perfect:
            text = "perfect ground";
            break;
        case GroundKind::Real:
            text = (i.GroundName == "real" ? std::string("real") : i.GroundName) +
                   " ground (permittivity " + Short(i.Permittivity) + ", " +
                   Short(i.ConductivitySPerM) + " S/m)";
            break;
    }
    if (i.HasGround()) {
        text += ", lowest point " + Short(i.HeightM) + " m up";
    }
    switch (i.Mast) {
        case MastKind::Metal:
            text += "; metal mast " + Short(i.MastDiameterMm) + " mm";
            if (!i.HasGround()) {
                text += ", " + Short(i.MastLengthM) + " m long";
            }
            break;
        case MastKind::Insulating:
            text += "; insulating mast (not modelled)";
            break;
        case MastKind::None:
            break;
    }
    switch (i.Feedline) {
        case FeedlineKind::Bare:
            text += "; coax braid bare";
            break;
        case FeedlineKind::Choked:
            text += "; coax braid choked with " + Short(i.ChokeOhm) + " ohm";
            break;
        case FeedlineKind::None:
            break;
    }
    if (i.Feedline != FeedlineKind::None && i.Mast != MastKind::Metal && !i.HasGround()) {
        text += ", " + Short(i.MastLengthM) + " m below the antenna";
    }
    return text;
}

}  // namespace zandrel
