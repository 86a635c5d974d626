// Matches to the line, checked by putting the parts back into the circuit and by cases whose
// answer is known.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "line_circuit.h"
#include "line_match.h"
#include "model_error.h"

namespace zandrel {
namespace {

using test_support::Complex;
using test_support::SeenFromTheLine;
using test_support::StandingWaveRatio;

constexpr double DesignMHz = 137.5;
const double Omega = 2.0 * std::numbers::pi * DesignMHz * 1e6;

TEST(LNetwork, PutBackIntoTheLineMatchesEveryImpedanceExactly) {
    for (const double z0 : {50.0, 75.0}) {
        for (const double r : {0.5, 4.14, 14.6, 25.0, 49.9, 50.0, 50.1, 65.0, 200.0, 2000.0}) {
            for (const double x : {-500.0, -40.0, -5.47, 0.0, 5.0, 31.85, 40.0, 500.0}) {
                const LNetwork network = DesignLNetwork({r, x}, z0, DesignMHz);
                const std::string what =
                    std::to_string(r) + " " + std::to_string(x) + "j on " + std::to_string(z0);
                EXPECT_NEAR(StandingWaveRatio(SeenFromTheLine(network, {r, x}, DesignMHz), z0), 1.0,
                            1e-6)
                    << what;
                // A low-pass network exists for every positive resistance, so it is the one.
                EXPECT_NE(network.Series.Kind, MatchingKind::Capacitor) << what;
                EXPECT_NE(network.Shunt.Kind, MatchingKind::Inductor) << what;
            }
        }
    }
}

TEST(LNetwork, HasTheTextbookValuesForPureResistances) {
    // Q = sqrt(50/25 - 1) = 1: 25 ohm in series, 1/50 S across the line.
    const LNetwork low = DesignLNetwork({25.0, 0.0}, 50.0, DesignMHz);
    EXPECT_EQ(low.Series.Kind, MatchingKind::Inductor);
    EXPECT_NEAR(low.Series.Value, 25.0 / Omega, 1e-15);
    EXPECT_EQ(low.Shunt.Kind, MatchingKind::Capacitor);
    EXPECT_NEAR(low.Shunt.Value, (1.0 / 50.0) / Omega, 1e-17);
    EXPECT_EQ(ShuntSideName(low.Side), "line");
    EXPECT_NEAR(low.Series.Value * 1e9, 28.94, 0.01);  // nH
    EXPECT_NEAR(low.Shunt.Value * 1e12, 23.15, 0.01);  // pF
    // Q = sqrt(100/50 - 1) = 1: 1/100 S across the antenna, then 50 ohm in series.
    const LNetwork high = DesignLNetwork({100.0, 0.0}, 50.0, DesignMHz);
    EXPECT_EQ(high.Shunt.Kind, MatchingKind::Capacitor);
    EXPECT_NEAR(high.Shunt.Value, (1.0 / 100.0) / Omega, 1e-17);
    EXPECT_EQ(high.Series.Kind, MatchingKind::Inductor);
    EXPECT_NEAR(high.Series.Value, 50.0 / Omega, 1e-15);
    EXPECT_EQ(ShuntSideName(high.Side), "antenna");
}

TEST(LNetwork, LeavesOutThePartsAMatchDoesNotNeed) {
    const LNetwork none = DesignLNetwork({50.0, 0.0}, 50.0, DesignMHz);
    EXPECT_EQ(none.Series.Kind, MatchingKind::None);
    EXPECT_EQ(none.Shunt.Kind, MatchingKind::None);
    const LNetwork seriesOnly = DesignLNetwork({50.0, -20.0}, 50.0, DesignMHz);
    EXPECT_EQ(seriesOnly.Series.Kind, MatchingKind::Inductor);
    EXPECT_NEAR(seriesOnly.Series.Value, 20.0 / Omega, 1e-15);
    EXPECT_EQ(seriesOnly.Shunt.Kind, MatchingKind::None);
}

TEST(PartsToBuy, LeaveOutAPartThatHardlyMattersAndSayWhatTheOtherAloneGives) {
    const Complex antenna{47.0, -8.0};
    LNetwork network = DesignLNetwork(antenna, 50.0, DesignMHz);
    ASSERT_NE(network.Shunt.Kind, MatchingKind::None);
    const std::vector<PartAdvice> advice = AdviseParts(network, antenna, {}, DesignMHz);
    ASSERT_EQ(advice.size(), 1u);
    EXPECT_TRUE(advice[0].LeftOut);
    // An inductor across the antenna cancels its susceptance alone, leaving 2273 / 47 ohm (SWR
    // 1.03), better than a series inductor cancelling its reactance, leaving 47 ohm (SWR 1.06).
    EXPECT_TRUE(advice[0].Series);
    EXPECT_EQ(network.Series.Kind, MatchingKind::None);
    EXPECT_EQ(network.Shunt.Kind, MatchingKind::Inductor);
    EXPECT_NEAR(network.Shunt.Value, 2273.0 / (8.0 * Omega), 1e-15);
    EXPECT_NEAR(advice[0].SwrWithout, 50.0 / (2273.0 / 47.0), 1e-9);
    EXPECT_NEAR(advice[0].SwrWithout,
                StandingWaveRatio(SeenFromTheLine(network, antenna, DesignMHz), 50.0), 1e-9);
    // Neither part alone comes near: both are kept.
    LNetwork both = DesignLNetwork({14.6, 31.85}, 50.0, DesignMHz);
    EXPECT_TRUE(AdviseParts(both, {14.6, 31.85}, {}, DesignMHz).empty());
}

TEST(PartsToBuy, OfferAStubOfTheSameReactanceForAPartTooSmallToBuy) {
    const LineRequest line{50.0, 0.66};
    const double wavelengthMm = 299792.458 / DesignMHz * line.VelocityFactor;
    for (const Matching tiny :
         {Matching{MatchingKind::Inductor, 1.2e-9}, Matching{MatchingKind::Capacitor, 0.3e-12}}) {
        LNetwork network{tiny, {MatchingKind::Capacitor, 30e-12}, ShuntSide::Line};
        const Complex antenna{20.0, 10.0};
        const std::vector<PartAdvice> advice = AdviseParts(network, antenna, line, DesignMHz);
        ASSERT_EQ(advice.size(), 1u);
        EXPECT_FALSE(advice[0].LeftOut);
        // A shorted stub's reactance is Z0 tan(bl), an open one's -Z0 / tan(bl).
        const double turn = 2.0 * std::numbers::pi * advice[0].StubLengthMm / wavelengthMm;
        const double stub =
            tiny.Kind == MatchingKind::Inductor ? 50.0 * std::tan(turn) : -50.0 / std::tan(turn);
        EXPECT_NEAR(stub, tiny.ReactanceAt(DesignMHz), 1e-9 * std::fabs(stub));
        LNetwork rest = network;
        rest.Series = {};
        EXPECT_NEAR(advice[0].SwrWithout,
                    StandingWaveRatio(SeenFromTheLine(rest, antenna, DesignMHz), 50.0), 1e-9);
    }
}

TEST(QuarterWave, OfTwoCoaxInParallelMatchesWhatHalfTheirImpedanceMatches) {
    // sqrt(50 x 12.5) is 25 ohm, two 50 ohm lines; sqrt(50 x 28.125) is 37.5, two 75 ohm lines.
    const QuarterWave low = DesignParallelQuarterWave(12.5, {}, DesignMHz);
    EXPECT_DOUBLE_EQ(low.CoaxOhm, 25.0);
    EXPECT_NEAR(low.SwrZ0, 1.0, 1e-12);
    const QuarterWave high = DesignParallelQuarterWave(28.125, {}, DesignMHz);
    EXPECT_DOUBLE_EQ(high.CoaxOhm, 37.5);
    EXPECT_NEAR(high.SwrZ0, 1.0, 1e-12);
}

TEST(QuarterWave, TurnsAKnownResistanceIntoTheLinesImpedance) {
    const QuarterWave low = DesignQuarterWave(12.5, {}, DesignMHz);
    EXPECT_NEAR(low.LineOhm, 25.0, 1e-12);
    EXPECT_EQ(low.CoaxOhm, 50.0);
    EXPECT_NEAR(low.SwrZ0, 4.0, 1e-9);  // 50 ohm coax leaves 12.5 ohm as it is: 50 / 12.5
    const QuarterWave high = DesignQuarterWave(112.5, {}, DesignMHz);
    EXPECT_NEAR(high.LineOhm, 75.0, 1e-12);
    EXPECT_EQ(high.CoaxOhm, 75.0);
    EXPECT_NEAR(high.SwrZ0, 1.0, 1e-9);
    const QuarterWave ninetyThree = DesignQuarterWave(93.0 * 93.0 / 50.0, {}, DesignMHz);
    EXPECT_EQ(ninetyThree.CoaxOhm, 93.0);
    EXPECT_NEAR(ninetyThree.SwrZ0, 1.0, 1e-9);
    EXPECT_EQ(DesignQuarterWave(32.0, {}, DesignMHz).CoaxOhm, 50.0);  // a 40 ohm line
}

TEST(QuarterWave, TakesTheCoaxNearestByRatioWhichLeavesTheLowerSwr) {
    // A 61.5 ohm line is 11.5 ohm from 50 and 13.5 from 75, but 75 is nearer by ratio:
    // 75^2 / R is 74.4 ohm (SWR 1.49 on 50 ohm) where 50^2 / R is 33.0 ohm (SWR 1.51).
    const double r = 61.5 * 61.5 / 50.0;
    const QuarterWave section = DesignQuarterWave(r, {}, DesignMHz);
    EXPECT_EQ(section.CoaxOhm, 75.0);
    EXPECT_NEAR(section.SwrZ0, (75.0 * 75.0 / r) / 50.0, 1e-9);
    EXPECT_LT(section.SwrZ0, 50.0 / (50.0 * 50.0 / r));
}

TEST(QuarterWave, IsAQuarterWavelengthInTheCoax) {
    // 137.50 MHz: 2180.31 mm in free space.
    EXPECT_NEAR(DesignQuarterWave(30.0, {}, DesignMHz).LengthMm, 2180.31 / 4.0 * 0.66, 0.01);
    EXPECT_NEAR(DesignQuarterWave(30.0, {50.0, 1.0}, DesignMHz).LengthMm, 545.08, 0.01);
}

TEST(StandingWaveRatio, HasTheKnownValues) {
    EXPECT_NEAR(SwrOn({50.0, 0.0}, 50.0), 1.0, 1e-12);
    EXPECT_NEAR(SwrOn({25.0, 0.0}, 50.0), 2.0, 1e-12);
    EXPECT_NEAR(SwrOn({100.0, 0.0}, 50.0), 2.0, 1e-12);
    EXPECT_NEAR(SwrOn({50.0, 50.0}, 50.0), (3.0 + std::sqrt(5.0)) / 2.0, 1e-12);
    EXPECT_TRUE(std::isinf(SwrOn({0.0, 50.0}, 50.0)));
}

TEST(LineMatchErrors, RefuseALineOrAnAntennaThatNoMatchCanBeMadeFor) {
    struct Case {
        std::string What;
        Complex Load;
        LineRequest Line;
        std::string Why;
    };
    const std::string badLine = "the line's impedance must be a positive number of ohms";
    const std::string badFactor = "the velocity factor must be more than 0 and at most 1";
    const std::string badLoad = "the antenna's resistance must be a positive number of ohms";
    for (const Case& c :
         std::vector<Case>{{"a 0 ohm line", {30.0, 0.0}, {0.0, 0.66}, badLine},
                           {"a negative line", {30.0, 0.0}, {-50.0, 0.66}, badLine},
                           {"a line of no number", {30.0, 0.0}, {std::nan(""), 0.66}, badLine},
                           {"a velocity factor of 0", {30.0, 0.0}, {50.0, 0.0}, badFactor},
                           {"a velocity factor above 1", {30.0, 0.0}, {50.0, 1.5}, badFactor},
                           {"a negative resistance", {-3.0, 0.0}, {50.0, 0.66}, badLoad},
                           {"no resistance", {0.0, 10.0}, {50.0, 0.66}, badLoad}}) {
        const auto expectRefused = [&c](auto attempt, const std::string& name) {
            try {
                attempt();
                ADD_FAILURE() << name << " was made for " << c.What;
            } catch (const ModelError& error) {
                EXPECT_EQ(error.Kind(), ModelErrorKind::NotMatchable) << c.What;
                EXPECT_EQ(error.Number(), 1006);
                EXPECT_EQ(error.Message(), "No match to the line can be computed");
                EXPECT_EQ(error.Detail(), c.Why) << c.What;
            }
        };
        expectRefused([&c] { DesignQuarterWave(c.Load.real(), c.Line, DesignMHz); },
                      "a quarter-wave section");
        if (c.Why != badFactor) {
            expectRefused([&c] { DesignLNetwork(c.Load, c.Line.Z0Ohm, DesignMHz); },
                          "an L-network");
        }
    }
}

}  // namespace
}  // namespace zandrel
