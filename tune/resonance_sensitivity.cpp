#include "resonance_sensitivity.h"

#include <algorithm>
#include <complex>
#include <string>
#include <utility>
#include <vector>

#include "modelled_runs.h"

namespace zandrel {

namespace {

// The slope of the reactance, known at rising frequencies, at `at`: of the cubic through the
// four points around it, as the model's own curve between the sweep's points.
double ReactanceSlopeAt(const std::vector<double>& frequencies,
                        const std::vector<double>& reactances, double at) {
    const std::size_t n = frequencies.size();
    std::size_t i = 0;
    while (i + 2 < n && frequencies[i + 1] <= at) {
        ++i;
    }
    const std::size_t first = std::min(i > 0 ? i - 1 : 0, n - 4);
    double slope = 0.0;
    for (std::size_t a = first; a < first + 4; ++a) {
        // d/df of the Lagrange weight of point a: the sum over b of the product without b.
        double weight = 0.0;
        for (std::size_t b = first; b < first + 4; ++b) {
            if (b == a) {
                continue;
            }
            double product = 1.0 / (frequencies[a] - frequencies[b]);
            for (std::size_t c = first; c < first + 4; ++c) {
                if (c != a && c != b) {
                    product *= (at - frequencies[c]) / (frequencies[a] - frequencies[c]);
                }
            }
            weight += product;
        }
        slope += weight * reactances[a];
    }
    return slope;
}

}  // namespace

ResonanceSensitivity ComputeResonanceSensitivity(const LoopDesign& design,
                                                 const ModelFigures& figures,
                                                 const DeckEvaluator& evaluate, LoopScales around) {
    ResonanceSensitivity sensitivity;
    if (!figures.ResonanceMHz || figures.Sweep.size() < 4) {
        return sensitivity;
    }
    const double resonance = *figures.ResonanceMHz;
    std::vector<double> frequencies;
    std::vector<double> reactances;
    for (const SweepPoint& point : figures.Sweep) {
        frequencies.push_back(point.FrequencyMHz);
        reactances.push_back(point.Impedance.imag());
    }
    const double reactancePerMHz = ReactanceSlopeAt(frequencies, reactances, resonance);
    const HelixDimensions d = ScaledDimensions(BuildScaledGeometry(design, {}).Dimensions, around);
    const double small = around.Small;
    const double large = around.Large;
    CountedEngine engine(evaluate);
    std::string why;
    const auto changes = IfModellable(
        [&] {
            const std::vector<std::complex<double>> z = ModelImpedancesOfEach(
                {BuildScaledGeometry(design, around),
                 BuildScaledGeometry(design, {small * (1.0 + SensitivityStep), large}),
                 BuildScaledGeometry(design, {small, large * (1.0 + SensitivityStep)})},
                resonance, engine);
            return std::pair<double, double>{z[1].imag() - z[0].imag(), z[2].imag() - z[0].imag()};
        },
        why);
    sensitivity.Nec2cRuns = engine.Runs();
    if (!changes || reactancePerMHz == 0.0) {
        return sensitivity;
    }
    // Resonance stays where X is 0: dX/dp + dX/df df/dp = 0.
    const auto slope = [&](double reactanceChange, float perimeter) {
        return -reactanceChange / (SensitivityStep * DisplayedMillimetres(perimeter)) /
               reactancePerMHz;
    };
    sensitivity.SmallMHzPerMm = slope(changes->first, d.SmallLoopPerimeter);
    sensitivity.LargeMHzPerMm = slope(changes->second, d.LargeLoopPerimeter);
    return sensitivity;
}

}  // namespace zandrel
