// The sensitivity the model's tables show against the resonances of each loop made a little
// longer and shorter, each found on a sweep of its own, on nec2c's recorded outputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "loop_tuning.h"
#include "modelled_runs.h"
#include "recorded_engine.h"
#include "resonance_sensitivity.h"
#include "scaled_models.h"

namespace zandrel {
namespace {

// Where the cubic through four points around the sign change of X crosses zero, by bisection.
std::optional<double> ZeroOfReactance(const std::vector<double>& f, const std::vector<double>& x) {
    for (std::size_t i = 1; i + 2 < f.size(); ++i) {
        if ((x[i] < 0.0) == (x[i + 1] < 0.0)) {
            continue;
        }
        const auto cubic = [&](double at) {
            double sum = 0.0;
            for (std::size_t a = i - 1; a <= i + 2; ++a) {
                double weight = x[a];
                for (std::size_t b = i - 1; b <= i + 2; ++b) {
                    weight *= b == a ? 1.0 : (at - f[b]) / (f[a] - f[b]);
                }
                sum += weight;
            }
            return sum;
        };
        double low = f[i];
        double high = f[i + 1];
        for (int step = 0; step < 60; ++step) {
            const double middle = (low + high) / 2.0;
            ((cubic(middle) < 0.0) == (x[i] < 0.0) ? low : high) = middle;
        }
        return (low + high) / 2.0;
    }
    return std::nullopt;
}

// The resonance of the design with its loops scaled so, on seven frequencies +-3 % around `near`.
double ResonanceOnASweep(const LoopDesign& design, LoopScales scales, double near,
                         const DeckEvaluator& evaluate) {
    CountedEngine engine(evaluate);
    const std::vector<double> frequencies = SpreadFrequencies(near, 7, 0.03);
    std::vector<double> reactances;
    for (const std::complex<double> z :
         ModelImpedances(BuildScaledGeometry(design, scales), frequencies, engine)) {
        reactances.push_back(z.imag());
    }
    const std::optional<double> zero = ZeroOfReactance(frequencies, reactances);
    EXPECT_TRUE(zero) << "no resonance within +-3 % of " << near << " MHz";
    return zero.value_or(near);
}

// The loops' factors each style is taken around: the 1/2 TURN RCA as calculated resonates
// beyond its sweep, 10 % larger within it.
LoopScales AroundResonance(const StyleEntry& style) {
    return std::string(style.Name) == "HalfTurnRca" ? LoopScales{1.1, 1.1} : LoopScales{};
}

TEST(ResonanceSensitivityInNec2c, AgreesWithTheResonancesOfEachLoopLongerAndShorterForEveryStyle) {
    const DeckEvaluator evaluate = test_support::RecordedNec2c();
    // A quarter of a per cent: resonance still follows the loop in a straight line.
    constexpr double Step = 0.0025;
    for (const char* frequency : {"137.50", "435"}) {
        for (const StyleEntry& style : Styles) {
            SCOPED_TRACE(std::string(style.Name) + " at " + frequency + " MHz");
            const LoopDesign design{&style, frequency, Polarisation::Rhcp, std::nullopt, {}};
            const LoopScales around = AroundResonance(style);
            const ModelFigures figures = ModelScaled(design, around, evaluate);
            ASSERT_TRUE(figures.ResonanceMHz);
            const ResonanceSensitivity sensitivity =
                ComputeResonanceSensitivity(design, figures, evaluate, around);
            ASSERT_TRUE(sensitivity.SmallMHzPerMm && sensitivity.LargeMHzPerMm);
            EXPECT_EQ(sensitivity.Nec2cRuns, 1);

            const HelixDimensions d =
                ScaledDimensions(BuildScaledGeometry(design, {}).Dimensions, around);
            const auto centralDifference = [&](LoopScales longer, LoopScales shorter,
                                               float perimeter) {
                return (ResonanceOnASweep(design, longer, *figures.ResonanceMHz, evaluate) -
                        ResonanceOnASweep(design, shorter, *figures.ResonanceMHz, evaluate)) /
                       (2.0 * Step * DisplayedMillimetres(perimeter));
            };
            const double small = centralDifference({around.Small * (1 + Step), around.Large},
                                                   {around.Small * (1 - Step), around.Large},
                                                   d.SmallLoopPerimeter);
            const double large = centralDifference({around.Small, around.Large * (1 + Step)},
                                                   {around.Small, around.Large * (1 - Step)},
                                                   d.LargeLoopPerimeter);
            // Each within 5 %; a loop that hardly moves resonance within 1 % of the other's.
            const double floor = 0.01 * std::max(std::fabs(small), std::fabs(large));
            EXPECT_NEAR(*sensitivity.SmallMHzPerMm, small, std::max(0.05 * std::fabs(small), floor));
            EXPECT_NEAR(*sensitivity.LargeMHzPerMm, large, std::max(0.05 * std::fabs(large), floor));
        }
    }
}

}  // namespace
}  // namespace zandrel
