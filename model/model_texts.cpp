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

std::string MatchingText(const Matching& match) {
    switch (match.Kind) {
        case MatchingKind::Inductor:
            return Fixed(match.Value * 1e9, 1) + " nH inductor";
        case MatchingKind::Capacitor:
            return Fixed(match.Value * 1e12, 1) + " pF capacitor";
        case MatchingKind::None:
            break;
    }
    return "none";
}

std::string Bandwidth(const ModelFigures& figures) {
    if (figures.Sweep.empty()) {
        return "-";
    }
    const double low = figures.BandwidthLowMHz.value_or(figures.Sweep.front().FrequencyMHz);
    const double high = figures.BandwidthHighMHz.value_or(figures.Sweep.back().FrequencyMHz);
    const bool beyond = !figures.BandwidthLowMHz || !figures.BandwidthHighMHz;
    return (beyond ? "> " : "") + Fixed(high - low, 2) + " MHz";
}

std::string Db(double value, std::string_view unit) {
    return Fixed(value, 2) + " " + std::string(unit);
}

}  // namespace

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

std::array<std::string, 8> FigureTexts(const ModelFigures& figures, Polarisation sense) {
    const bool right = sense == Polarisation::Rhcp;
    return {
        Impedance(figures.Impedance),
        MatchingText(figures.Match),
        Db(right ? figures.ZenithRhcpDbic : figures.ZenithLhcpDbic, "dBic"),
        Db(right ? figures.HorizonRhcpDbic : figures.HorizonLhcpDbic, "dBic"),
        Bandwidth(figures),
        figures.ResonanceMHz ? Fixed(*figures.ResonanceMHz, 2) + " MHz, " +
                                   Fixed(figures.ResonanceROhm.value_or(0.0), 1) + " ohm"
                             : "none in sweep",
        Db(figures.FrontToBackDb, "dB"),
        std::isfinite(figures.AxialRatioDb) ? Db(figures.AxialRatioDb, "dB") : "linear",
    };
}

}  // namespace zandrel
