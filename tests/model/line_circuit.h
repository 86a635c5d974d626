// Circuit algebra for the tests of matches: what the line sees through an L-network, worked out
// from the parts' values without the program's own code.
#pragma once

#include <cmath>
#include <complex>
#include <numbers>

#include "line_match.h"

namespace zandrel::test_support {

using Complex = std::complex<double>;

// A part's impedance at a frequency, from its henries or farads.
inline Complex PartImpedance(const Matching& part, double frequencyMHz) {
    const Complex jOmega{0.0, 2.0 * std::numbers::pi * frequencyMHz * 1e6};
    if (part.Kind == MatchingKind::Inductor) {
        return jOmega * part.Value;
    }
    return 1.0 / (jOmega * part.Value);
}

inline Complex Parallel(Complex a, Complex b) { return a * b / (a + b); }

// What the line sees through the network at a frequency, by circuit algebra.
inline Complex SeenFromTheLine(const LNetwork& network, Complex antenna, double frequencyMHz) {
    const Complex series = network.Series.Kind == MatchingKind::None
                               ? Complex{}
                               : PartImpedance(network.Series, frequencyMHz);
    const bool shunted = network.Shunt.Kind != MatchingKind::None;
    if (network.Side == ShuntSide::Antenna) {
        return (shunted ? Parallel(antenna, PartImpedance(network.Shunt, frequencyMHz)) : antenna) +
               series;
    }
    return shunted ? Parallel(antenna + series, PartImpedance(network.Shunt, frequencyMHz))
                   : antenna + series;
}

inline double StandingWaveRatio(Complex load, double z0) {
    const double gamma = std::abs((load - z0) / (load + z0));
    return (1.0 + gamma) / (1.0 - gamma);
}

}  // namespace zandrel::test_support
