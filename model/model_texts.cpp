#include "model_texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace zandrel {

namespace {

std::string Impedance(std::complex<double> z) {
    return Fixed(z.real(), 2) + (z.imag() < 0.0 ? " -j" : " +j") + Fixed(std::fabs(z.imag()), 2);
}

// The width of a band whose edges beyond the sweep are empty: "> " when one is.
std::string Bandwidth(const ModelFigures& figures, const BandEdge& lowEdge,
                      const BandEdge& highEdge) {
    if (figures.Sweep.empty()) {
        return "-";
    }
    const double low = lowEdge.value_or(figures.Sweep.front().FrequencyMHz);
    const double high = highEdge.value_or(figures.Sweep.back().FrequencyMHz);
    const bool beyond = !lowEdge || !highEdge;
    return (beyond ? "> " : "") + Fixed(high - low, 2) + " MHz";
}

std::string Ohm(double value) { return Fixed(value, value < 100.0 ? 1 : 0) + " ohm"; }

std::string Db(double value, std::string_view unit) {
    return Fixed(value, 2) + " " + std::string(unit);
}

}  // namespace

std::string MatchingText(const Matching& match) {
    switch (match.Kind) {
        case MatchingKind::Inductor:
            return ComponentValue(match.Value, "H") + " inductor";
        case MatchingKind::Capacitor:
            return ComponentValue(match.Value, "F") + " capacitor";
        case MatchingKind::None:
            break;
    }
    return "none";
}

std::string PhasingText(const LoopPhasing& phasing) {
    const std::string degrees = Fixed(phasing.PhaseDeg, 0);
    const std::string sign = degrees == "0" || degrees.front() == '-' ? "" : "+";
    return sign + degrees + "\u00b0, " + Fixed(phasing.CurrentRatio, 2);
}

std::array<std::string, 4> LineMatchTexts(const ModelFigures& figures) {
    const LineMatch& line = figures.Line;
    const LNetwork& network = line.Network;
    // "47.8 nH series, 41.4 pF across the antenna": the unit says which component it is.
    const auto part = [](const Matching& match) {
        const std::string text = MatchingText(match);
        return text.substr(0, text.rfind(' '));
    };
    std::string parts = network.Series.Kind == MatchingKind::None
                            ? std::string()
                            : part(network.Series) + " series";
    if (network.Shunt.Kind != MatchingKind::None) {
        parts += (parts.empty() ? "" : ", ") + part(network.Shunt) + " across the " +
                 std::string(ShuntSideName(network.Side));
    }
    if (parts.empty()) {
        parts = "none";
    }
    for (const PartAdvice& advice : line.Parts) {
        const std::string which = part(advice.Part) + (advice.Series ? " series" : " shunt");
        parts +=
            advice.LeftOut
                ? "; " + which + " left out: SWR " + Fixed(advice.SwrWithout, 2) + " without it"
                : "; " + which + " is too small to buy: a " + Fixed(advice.StubLengthMm, 0) +
                      " mm " + (advice.Part.Kind == MatchingKind::Inductor ? "shorted" : "open") +
                      " stub of Z0 coax, or leave it out for SWR " + Fixed(advice.SwrWithout, 2);
    }
    const QuarterWave& section = line.Transformer;
    std::string quarterWave = Ohm(section.LineOhm) + "; " + Fixed(section.CoaxOhm, 0) +
                              " ohm coax, " + Fixed(section.LengthMm, 0) + " mm, SWR " +
                              Fixed(section.SwrZ0, 2);
    if (const std::optional<QuarterWave>& pair = line.ParallelTransformer) {
        quarterWave += "; no better than none: two " + Fixed(2.0 * pair->CoaxOhm, 0) +
                       " ohm coax in parallel (" +
                       Fixed(pair->CoaxOhm, pair->CoaxOhm == std::floor(pair->CoaxOhm) ? 0 : 1) +
                       " ohm), SWR " + Fixed(pair->SwrZ0, 2);
    }
    return {
        Fixed(line.SwrUnmatched, 2),
        parts,
        Bandwidth(figures, line.BandwidthLowMHz, line.BandwidthHighMHz),
        quarterWave,
    };
}

std::string LineColumnHeader(std::string_view header, double z0Ohm) {
    std::string ohm = Fixed(z0Ohm, 2);
    ohm.erase(ohm.find_last_not_of('0') + 1);
    if (ohm.back() == '.') {
        ohm.pop_back();
    }
    std::string text(header);
    const std::size_t z0 = text.find("Z0");
    return z0 == std::string::npos ? text : text.replace(z0, 2, ohm + " OHM");
}

std::string ResonanceToleranceText(const std::optional<double>& mhzPerMm,
                                   const std::optional<double>& resonanceMHz) {
    if (!mhzPerMm || !resonanceMHz) {
        return "no resonance in the sweep";
    }
    const double tolerance = 0.01 * *resonanceMHz / std::fabs(*mhzPerMm);
    if (!std::isfinite(tolerance)) {
        return "resonance does not follow its length";
    }
    const int decimals = tolerance >= 9.95 ? 0 : tolerance >= 0.995 ? 1 : 2;
    return "\u00B1" + Fixed(tolerance, decimals) + " mm keeps resonance within \u00B11 %";
}

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "-";
    }
    // Room for the largest double's 309 integer digits, the sign, the point and the decimals.
    std::string text(static_cast<std::size_t>(std::numeric_limits<double>::max_exponent10 + 4 +
                                              std::max(decimals, 0)),
                     '\0');
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) {
        throw std::length_error("no room to write " + std::to_string(value));
    }
    text.resize(static_cast<std::size_t>(result.ptr - text.data()));
    return text.find_first_not_of("-0.") == std::string::npos ? text.substr(text[0] == '-') : text;
}

std::string ComponentValue(double value, std::string_view unit) {
    // From femto to milli: a matching component of a real antenna lies well inside.
    constexpr std::array<std::string_view, 6> Prefixes{"f", "p", "n", "\u00B5", "m", ""};
    if (!std::isfinite(value) || value <= 0.0) {
        return "- " + std::string(unit);
    }
    std::size_t prefix = 0;
    double scaled = value * 1e15;
    // Rounding to three figures may carry into the next unit: 999.7 pF is 1.00 nF.
    while (prefix + 1 < Prefixes.size() && scaled >= 999.5) {
        scaled /= 1000.0;
        ++prefix;
    }
    const int decimals = scaled >= 99.95 ? 0 : scaled >= 9.995 ? 1 : 2;
    return Fixed(scaled, decimals) + " " + std::string(Prefixes[prefix]) + std::string(unit);
}

std::string CannotBeModelledSentence(std::string_view quotedFrequency, const RuntimeError& error) {
    std::string why = error.Detail().empty() ? error.Message() : error.Detail();
    if (why.empty() || why.back() != '.') {
        why += '.';
    }
    return "The frequency " + std::string(quotedFrequency) + " cannot be modelled: " + why;
}

std::string ModelColumnHeader(std::size_t column, bool overGround) {
    if (overGround && ModelColumnHeaders.at(column) == "GAIN AT HORIZON") {
        return "GAIN AT " + Fixed(LowElevationDeg, 0) + "\u00B0 ELEVATION";
    }
    return std::string(ModelColumnHeaders.at(column));
}

std::array<std::string, 8> FigureTexts(const ModelFigures& figures, Polarisation sense) {
    const bool right = sense == Polarisation::Rhcp;
    std::string low = "\u2014";
    if (figures.OverGround) {
        if (const std::optional<ElevationGain> gain = figures.GainsAtElevation(LowElevationDeg)) {
            low = Db(right ? gain->RhcpDbic : gain->LhcpDbic, "dBic");
        }
    } else if (figures.HorizonRhcpDbic && figures.HorizonLhcpDbic) {
        low = Db(right ? *figures.HorizonRhcpDbic : *figures.HorizonLhcpDbic, "dBic");
    }
    return {
        Impedance(figures.Impedance),
        MatchingText(figures.Match),
        Db(right ? figures.ZenithRhcpDbic : figures.ZenithLhcpDbic, "dBic"),
        low,
        Bandwidth(figures, figures.BandwidthLowMHz, figures.BandwidthHighMHz),
        figures.ResonanceMHz ? Fixed(*figures.ResonanceMHz, 2) + " MHz, " +
                                   Fixed(figures.ResonanceROhm.value_or(0.0), 1) + " ohm"
                             : "none in sweep",
        figures.FrontToBackDb ? Db(*figures.FrontToBackDb, "dB") : "\u2014",
        std::isfinite(figures.AxialRatioDb) ? Db(figures.AxialRatioDb, "dB") : "linear",
    };
}

}  // namespace zandrel
