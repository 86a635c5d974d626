// The antenna as it will be installed: the ground under it, its height, its mast and its coax.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zandrel {

enum class GroundKind { Free, Perfect, Real };
enum class MastKind { None, Insulating, Metal };
enum class FeedlineKind { None, Bare, Choked };

// A named real ground: its relative permittivity and conductivity.
struct GroundPreset {
    std::string_view Name;
    double Permittivity;
    double ConductivitySPerM;
};

// The real grounds that --ground names, "average" the default of --ground real.
inline constexpr GroundPreset GroundPresets[] = {
    {"poor", 5.0, 0.001},
    {"average", 13.0, 0.005},
    {"good", 20.0, 0.03},
    {"sea", 80.0, 5.0},
};

struct Installation {
    GroundKind Ground = GroundKind::Free;
    std::string GroundName = "free";  // free, perfect, real or a preset's name
    double Permittivity = 13.0;
    double ConductivitySPerM = 0.005;
    double HeightM = 3.0;  // of the antenna's lowest point above the ground
    MastKind Mast = MastKind::None;
    double MastDiameterMm = 32.0;
    double MastLengthM = 2.0;  // in free space, below the antenna; over ground it reaches it
    FeedlineKind Feedline = FeedlineKind::None;
    double ChokeOhm = 1000.0;

    bool HasGround() const { return Ground != GroundKind::Free; }
    // Whether anything is modelled beyond the antenna alone in free space.
    bool IsBare() const {
        return Ground == GroundKind::Free && Mast != MastKind::Metal &&
               Feedline == FeedlineKind::None;
    }
    // How far the mast and the braid run below the antenna: to the ground, or the mast's length.
    double BelowAntennaM() const { return HasGround() ? HeightM : MastLengthM; }
};

// The coax's outer diameter that the braid is modelled with (RG-58's).
inline constexpr double BraidDiameterMm = 5.0;
// The longest mast, or line below the antenna, that is modelled.
inline constexpr double LongestMastM = 100.0;

std::string_view MastName(MastKind mast);
std::string_view FeedlineName(FeedlineKind feedline);

// Raises ModelError(NotModellable), saying why, for an installation that cannot be built: a
// height at or below 0 over ground, a permittivity below 1, a conductivity below 0, a mast
// diameter or length that is not a positive number, a mast or line longer than 100 m, or a
// choke impedance that is not a positive number.
void RequireBuildable(const Installation& installation);

// One line that names the installation: "average ground (permittivity 13, 0.005 S/m), lowest
// point 3 m up; metal mast 32 mm; coax braid choked with 1000 ohm".
std::string InstallationText(const Installation& installation);

// A plain recipe for a choke of about `ohm` of common-mode impedance at the frequency, fitted
// on the coax right below the antenna: snap-on ferrite sleeves of mix 43 in one pass, or an
// air-wound coil of the coax itself, with the caveat that it be checked on a VNA.
std::string ChokeRecipe(double ohm, double frequencyMHz);

// The preset of a name, or nothing.
std::optional<GroundPreset> FindGroundPreset(std::string_view name);

}  // namespace zandrel
