// A satellite's pass as the antenna sees it: how far away the satellite is at each elevation,
// how much weaker that makes its signal than overhead, and the signal a style's pattern gives.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "helix_geometry.h"
#include "model_figures.h"

namespace zandrel {

inline constexpr double EarthRadiusKm = 6371.0;  // a sphere of the Earth's mean radius
inline constexpr double DefaultAltitudeKm = 850.0;
inline constexpr double LowestAltitudeKm = 150.0;
inline constexpr double HighestAltitudeKm = 36000.0;
// The span of a pass that the figures judge: below 10° trees and roofs decide.
inline constexpr double PassLowestElevationDeg = 10.0;

// Raises ModelError(AltitudeOutOfRange), saying the range, for an altitude that is not a number
// from LowestAltitudeKm to HighestAltitudeKm.
void RequirePassAltitude(double altitudeKm);

// The distance from the antenna to a satellite at `altitudeKm` seen at `elevationDeg` above the
// horizon, on a spherical Earth.
double SlantRangeKm(double altitudeKm, double elevationDeg);

// How much more the longer path loses than the path to the zenith, 20 log10(range / altitude).
double ExtraPathLossDb(double altitudeKm, double elevationDeg);

struct PassPoint {
    double ElevationDeg = 0.0;
    double SlantRangeKm = 0.0;
    double ExtraLossDb = 0.0;
    double GainDbic = 0.0;          // co-polar, the power mean over azimuth
    double RelativeSignalDb = 0.0;  // gain - extra loss: against an isotropic antenna overhead
};

struct PassFigures {
    double AltitudeKm = DefaultAltitudeKm;
    std::vector<PassPoint> Points;  // at the elevations of the gains, upwards
    // Over 10° to 90°: the weakest relative signal (the link margin's floor against an isotropic
    // antenna overhead), where it is, and the strongest less the weakest.
    double Worst10To90Db = 0.0;
    double WorstElevationDeg = 0.0;
    double Spread10To90Db = 0.0;
};

// The pass of a satellite at `altitudeKm` through the gains of an antenna radiating `sense`
// upwards, its co-polar gains taken. Raises as RequirePassAltitude, and ModelError(
// OutputUnreadable) when the gains do not reach from 10° to 90°.
PassFigures ComputePassFigures(const std::vector<ElevationGain>& gains, Polarisation sense,
                               double altitudeKm);

// The indices of the passes, the highest Worst10To90Db first; equal ones keep their order.
std::vector<std::size_t> RankPasses(const std::vector<const PassFigures*>& passes);

// One style's pass among those ranked, for the sentence that recommends it.
struct RankedPass {
    std::string_view Caption;
    const PassFigures* Pass = nullptr;
};

// Which style to build for the orbit and why, in one sentence, from the styles ranked best
// first (at least one): "Build the 1/2 TURN RCA for a satellite at 850 km: ...".
std::string PassChoiceSentence(const std::vector<RankedPass>& ranked);

}  // namespace zandrel
