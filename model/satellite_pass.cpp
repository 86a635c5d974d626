#include "satellite_pass.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "model_error.h"
#include "model_texts.h"

namespace zandrel {

namespace {

constexpr double DegreesToRadians = std::numbers::pi / 180.0;

std::string Km(double km) { return Fixed(km, km == std::round(km) ? 0 : 1); }

const PassPoint& PointAt(const PassFigures& pass, double elevationDeg) {
    const auto point = std::find_if(
        pass.Points.begin(), pass.Points.end(),
        [&](const PassPoint& p) { return std::fabs(p.ElevationDeg - elevationDeg) < 1e-6; });
    if (point == pass.Points.end()) {
        throw ModelError(ModelErrorKind::OutputUnreadable,
                         "the pattern has no gain at " + Fixed(elevationDeg, 0) + "° elevation");
    }
    return *point;
}

}  // namespace

void RequirePassAltitude(double altitudeKm) {
    if (!(altitudeKm >= LowestAltitudeKm && altitudeKm <= HighestAltitudeKm)) {
        throw ModelError(ModelErrorKind::AltitudeOutOfRange,
                         "an altitude of " + Fixed(altitudeKm, 1) + " km is outside " +
                             Km(LowestAltitudeKm) + " to " + Km(HighestAltitudeKm) +
                             " km, from the lowest orbits that last to the geostationary one");
    }
}

// The triangle of the Earth's centre, the antenna and the satellite: the range d solves
// (R + h)^2 = R^2 + d^2 + 2 R d sin(elevation).
double SlantRangeKm(double altitudeKm, double elevationDeg) {
    const double r = EarthRadiusKm;
    const double orbit = r + altitudeKm;
    const double across = r * std::cos(elevationDeg * DegreesToRadians);
    return std::sqrt(orbit * orbit - across * across) -
           r * std::sin(elevationDeg * DegreesToRadians);
}

double ExtraPathLossDb(double altitudeKm, double elevationDeg) {
    return 20.0 * std::log10(SlantRangeKm(altitudeKm, elevationDeg) / altitudeKm);
}

PassFigures ComputePassFigures(const std::vector<ElevationGain>& gains, Polarisation sense,
                               double altitudeKm) {
    RequirePassAltitude(altitudeKm);
    PassFigures pass;
    pass.AltitudeKm = altitudeKm;
    for (const ElevationGain& gain : gains) {
        PassPoint point;
        point.ElevationDeg = gain.ElevationDeg;
        point.SlantRangeKm = SlantRangeKm(altitudeKm, gain.ElevationDeg);
        point.ExtraLossDb = ExtraPathLossDb(altitudeKm, gain.ElevationDeg);
        point.GainDbic = sense == Polarisation::Rhcp ? gain.RhcpDbic : gain.LhcpDbic;
        point.RelativeSignalDb = point.GainDbic - point.ExtraLossDb;
        pass.Points.push_back(point);
    }
    // Gains that do not reach from 10° up to the zenith cannot judge the pass.
    PointAt(pass, PassLowestElevationDeg);
    PointAt(pass, 90.0);
    const PassPoint* worst = nullptr;
    double best = -std::numeric_limits<double>::infinity();
    for (const PassPoint& point : pass.Points) {
        if (point.ElevationDeg < PassLowestElevationDeg - 1e-6) {
            continue;
        }
        if (worst == nullptr || point.RelativeSignalDb < worst->RelativeSignalDb) {
            worst = &point;
        }
        best = std::max(best, point.RelativeSignalDb);
    }
    pass.Worst10To90Db = worst->RelativeSignalDb;
    pass.WorstElevationDeg = worst->ElevationDeg;
    pass.Spread10To90Db = best - worst->RelativeSignalDb;
    return pass;
}

std::vector<std::size_t> RankPasses(const std::vector<const PassFigures*>& passes) {
    std::vector<std::size_t> order(passes.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return passes[a]->Worst10To90Db > passes[b]->Worst10To90Db;
    });
    return order;
}

std::string PassChoiceSentence(const std::vector<RankedPass>& ranked) {
    const PassFigures& pass = *ranked.front().Pass;
    const double low = PointAt(pass, PassLowestElevationDeg).GainDbic;
    const double rise = low - PointAt(pass, 90.0).GainDbic;
    std::string text = "Build the " + std::string(ranked.front().Caption) + " for a satellite at " +
                       Km(pass.AltitudeKm) + " km: its weakest signal from 10° to 90°, " +
                       Fixed(pass.Worst10To90Db, 1) +
                       " dB against an isotropic antenna overhead at " +
                       Fixed(pass.WorstElevationDeg, 0) + "°, is ";
    if (ranked.size() > 1) {
        text += "the highest of the " + std::to_string(ranked.size()) + " styles (the " +
                std::string(ranked[1].Caption) + "'s is " +
                Fixed(ranked[1].Pass->Worst10To90Db, 1) + " dB)";
    } else {
        text += "that of the only style modelled";
    }
    return text + ", because its co-polar gain " + (rise >= 0.0 ? "rises" : "falls") + " by " +
           Fixed(std::fabs(rise), 1) + " dB from the zenith to 10°, where the longer path loses " +
           Fixed(PointAt(pass, PassLowestElevationDeg).ExtraLossDb, 1) + " dB.";
}

}  // namespace zandrel
