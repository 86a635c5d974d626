#include "line_match.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "model_error.h"

namespace zandrel {

namespace {

constexpr double HzPerMHz = 1e6;
constexpr double SpeedOfLightMmMHz = 299792.458;  // mm per MHz of wavelength

double AngularFrequency(double frequencyMHz) {
    return 2.0 * std::numbers::pi * frequencyMHz * HzPerMHz;
}

bool PositiveAndFinite(double value) { return std::isfinite(value) && value > 0.0; }

[[noreturn]] void NotMatchable(const std::string& why) {
    throw ModelError(ModelErrorKind::NotMatchable, why);
}

// The component whose reactance is `reactance` at the angular frequency; none for a reactance
// too small to matter beside `scale`.
Matching SeriesPart(double reactance, double omega, double scale) {
    if (std::fabs(reactance) <= 1e-9 * scale) {
        return {};
    }
    return reactance > 0.0 ? Matching{MatchingKind::Inductor, reactance / omega}
                           : Matching{MatchingKind::Capacitor, -1.0 / (omega * reactance)};
}

// The component whose susceptance is `susceptance` across the line or antenna.
Matching ShuntPart(double susceptance, double omega, double scale) {
    if (std::fabs(susceptance) <= 1e-9 / scale) {
        return {};
    }
    return susceptance > 0.0 ? Matching{MatchingKind::Capacitor, susceptance / omega}
                             : Matching{MatchingKind::Inductor, -1.0 / (omega * susceptance)};
}

// The susceptance a shunt part adds: none adds nothing (an open circuit).
double Susceptance(const Matching& part, double frequencyMHz) {
    return part.Kind == MatchingKind::None ? 0.0 : -1.0 / part.ReactanceAt(frequencyMHz);
}

bool LowPass(const LNetwork& network) {
    return network.Series.Kind != MatchingKind::Capacitor &&
           network.Shunt.Kind != MatchingKind::Inductor;
}

double ReactanceSum(const LNetwork& network, double frequencyMHz) {
    const double shunt = network.Shunt.Kind == MatchingKind::None
                             ? 0.0
                             : std::fabs(network.Shunt.ReactanceAt(frequencyMHz));
    return std::fabs(network.Series.ReactanceAt(frequencyMHz)) + shunt;
}

}  // namespace

std::string_view ComponentName(const Matching& part) {
    switch (part.Kind) {
        case MatchingKind::Inductor:
            return "inductor";
        case MatchingKind::Capacitor:
            return "capacitor";
        case MatchingKind::None:
            break;
    }
    return "none";
}

double Matching::ReactanceAt(double frequencyMHz) const {
    switch (Kind) {
        case MatchingKind::Inductor:
            return AngularFrequency(frequencyMHz) * Value;
        case MatchingKind::Capacitor:
            return -1.0 / (AngularFrequency(frequencyMHz) * Value);
        case MatchingKind::None:
            break;
    }
    return 0.0;
}

double SwrOn(std::complex<double> load, double z0Ohm) {
    const double reflection = std::abs((load - z0Ohm) / (load + z0Ohm));
    return reflection >= 1.0 || !std::isfinite(reflection)
               ? std::numeric_limits<double>::infinity()
               : (1.0 + reflection) / (1.0 - reflection);
}

std::string_view ShuntSideName(ShuntSide side) {
    return side == ShuntSide::Antenna ? "antenna" : "line";
}

std::complex<double> LNetwork::InputImpedance(std::complex<double> load,
                                              double frequencyMHz) const {
    const std::complex<double> series{0.0, Series.ReactanceAt(frequencyMHz)};
    const std::complex<double> shunt{0.0, Susceptance(Shunt, frequencyMHz)};
    if (Side == ShuntSide::Antenna) {
        return 1.0 / (1.0 / load + shunt) + series;
    }
    return 1.0 / (1.0 / (load + series) + shunt);
}

void RequireValidLine(const LineRequest& line) {
    if (!PositiveAndFinite(line.Z0Ohm)) {
        NotMatchable("the line's impedance must be a positive number of ohms");
    }
    if (!PositiveAndFinite(line.VelocityFactor) || line.VelocityFactor > 1.0) {
        NotMatchable("the velocity factor must be more than 0 and at most 1");
    }
}

LNetwork DesignLNetwork(std::complex<double> load, double z0Ohm, double frequencyMHz) {
    RequireValidLine({z0Ohm, 1.0});
    const double r = load.real();
    const double x = load.imag();
    if (!PositiveAndFinite(r) || !std::isfinite(x)) {
        NotMatchable("the antenna's resistance must be a positive number of ohms");
    }
    if (!PositiveAndFinite(frequencyMHz)) {
        NotMatchable("the frequency must be a positive number");
    }
    const double omega = AngularFrequency(frequencyMHz);
    std::vector<LNetwork> networks;
    // Shunt part across the antenna: it brings the conductance's resistance to z0, which it can
    // when the antenna's conductance is at most 1 / z0.
    const double g = r / std::norm(load);
    const double b = -x / std::norm(load);
    const double conductanceRoom = g / z0Ohm - g * g;
    if (conductanceRoom >= 0.0) {
        for (const double sign : {1.0, -1.0}) {
            const double total = sign * std::sqrt(conductanceRoom);
            networks.push_back({SeriesPart(total * z0Ohm / g, omega, z0Ohm),
                                ShuntPart(total - b, omega, z0Ohm), ShuntSide::Antenna});
        }
    }
    // Shunt part across the line: the series part brings the antenna's conductance to 1 / z0,
    // which it can when its resistance is at most z0.
    const double resistanceRoom = r * z0Ohm - r * r;
    if (resistanceRoom >= 0.0) {
        for (const double sign : {1.0, -1.0}) {
            const double total = sign * std::sqrt(resistanceRoom);
            networks.push_back({SeriesPart(total - x, omega, z0Ohm),
                                ShuntPart(total / (r * z0Ohm), omega, z0Ohm), ShuntSide::Line});
        }
    }
    std::optional<LNetwork> best;
    for (const LNetwork& network : networks) {
        if (!best || (LowPass(network) && !LowPass(*best)) ||
            (LowPass(network) == LowPass(*best) &&
             ReactanceSum(network, frequencyMHz) < ReactanceSum(*best, frequencyMHz))) {
            best = network;
        }
    }
    return *best;  // at least one side can always match a positive resistance
}

double DecadesBeyondPractical(const LNetwork& network) {
    double beyond = 0.0;
    for (const Matching& part : {network.Series, network.Shunt}) {
        if (part.Kind == MatchingKind::None) {
            continue;
        }
        const bool inductor = part.Kind == MatchingKind::Inductor;
        const double least = inductor ? LeastPracticalHenry : LeastPracticalFarad;
        const double most = inductor ? MostPracticalHenry : MostPracticalFarad;
        beyond = std::max({beyond, std::log10(least / part.Value), std::log10(part.Value / most)});
    }
    return beyond;
}

QuarterWave DesignQuarterWave(double resistanceOhm, const LineRequest& line, double frequencyMHz) {
    RequireValidLine(line);
    if (!PositiveAndFinite(resistanceOhm)) {
        NotMatchable("the antenna's resistance must be a positive number of ohms");
    }
    if (!PositiveAndFinite(frequencyMHz)) {
        NotMatchable("the frequency must be a positive number");
    }
    QuarterWave section;
    section.LineOhm = std::sqrt(line.Z0Ohm * resistanceOhm);
    section.CoaxOhm = StandardCoaxOhms.front();
    for (const double coax : StandardCoaxOhms) {
        if (std::fabs(std::log(coax / section.LineOhm)) <
            std::fabs(std::log(section.CoaxOhm / section.LineOhm))) {
            section.CoaxOhm = coax;
        }
    }
    section.SwrZ0 = SwrOn(section.CoaxOhm * section.CoaxOhm / resistanceOhm, line.Z0Ohm);
    section.LengthMm = SpeedOfLightMmMHz / frequencyMHz / 4.0 * line.VelocityFactor;
    return section;
}

}  // namespace zandrel

namespace zandrel {

namespace {

constexpr double HardlyMattersSwr = 1.1;

bool TooSmallToBuy(const Matching& part) {
    return (part.Kind == MatchingKind::Capacitor && part.Value < LeastPracticalFarad) ||
           (part.Kind == MatchingKind::Inductor && part.Value < LeastPracticalHenry);
}

}  // namespace

QuarterWave DesignParallelQuarterWave(double resistanceOhm, const LineRequest& line,
                                      double frequencyMHz) {
    QuarterWave section = DesignQuarterWave(resistanceOhm, line, frequencyMHz);
    const double pairs[] = {StandardCoaxOhms[0] / 2.0, StandardCoaxOhms[1] / 2.0};
    section.CoaxOhm = std::fabs(std::log(pairs[0] / section.LineOhm)) <
                              std::fabs(std::log(pairs[1] / section.LineOhm))
                          ? pairs[0]
                          : pairs[1];
    section.SwrZ0 = SwrOn(section.CoaxOhm * section.CoaxOhm / resistanceOhm, line.Z0Ohm);
    return section;
}

std::vector<PartAdvice> AdviseParts(LNetwork& network, std::complex<double> load,
                                    const LineRequest& line, double frequencyMHz) {
    const auto without = [&](bool series) {
        LNetwork rest = network;
        (series ? rest.Series : rest.Shunt) = {};
        return SwrOn(rest.InputImpedance(load, frequencyMHz), line.Z0Ohm);
    };
    std::vector<PartAdvice> advice;
    if (network.Series.Kind != MatchingKind::None && network.Shunt.Kind != MatchingKind::None) {
        // Each part alone, at the value that does best alone: the series part cancels the
        // antenna's reactance, the shunt part across it its susceptance.
        const double omega = AngularFrequency(frequencyMHz);
        const LNetwork seriesAlone{
            SeriesPart(-load.imag(), omega, line.Z0Ohm), {}, ShuntSide::Antenna};
        const LNetwork shuntAlone{
            {}, ShuntPart(-(1.0 / load).imag(), omega, line.Z0Ohm), ShuntSide::Antenna};
        const double seriesSwr = SwrOn(seriesAlone.InputImpedance(load, frequencyMHz), line.Z0Ohm);
        const double shuntSwr = SwrOn(shuntAlone.InputImpedance(load, frequencyMHz), line.Z0Ohm);
        const bool keepSeries = seriesSwr <= shuntSwr;
        const double swr = std::min(seriesSwr, shuntSwr);
        if (swr <= HardlyMattersSwr) {
            advice.push_back(
                {!keepSeries, keepSeries ? network.Shunt : network.Series, true, swr, 0.0});
            network = keepSeries ? seriesAlone : shuntAlone;
        }
    }
    const double wavelengthMm = SpeedOfLightMmMHz / frequencyMHz * line.VelocityFactor;
    for (const bool series : {true, false}) {
        const Matching& part = series ? network.Series : network.Shunt;
        if (!TooSmallToBuy(part)) {
            continue;
        }
        const double reactance = std::fabs(part.ReactanceAt(frequencyMHz));
        const double turn = part.Kind == MatchingKind::Inductor ? std::atan(reactance / line.Z0Ohm)
                                                                : std::atan(line.Z0Ohm / reactance);
        advice.push_back(
            {series, part, false, without(series), turn / (2.0 * std::numbers::pi) * wavelengthMm});
    }
    return advice;
}

}  // namespace zandrel
