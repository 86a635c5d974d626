// The figures of the modelled helices, from real nec2c runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "helix_geometry.h"
#include "line_circuit.h"
#include "model_error.h"
#include "model_figures.h"
#include "nec2c_process.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace zandrel {
namespace {

ModelFigures Model(const StyleEntry& style, Polarisation sense, const Segmentation& cut = {},
                   const DeckRequest& request = {}, const GeometryOptions& options = {},
                   const LineRequest& line = {}) {
    const HelixGeometry geometry = BuildHelixGeometry(style, "137.50", sense, options, cut);
    const test_support::Nec2cRun run = test_support::RunNec2c(WriteNecDeck(geometry, request));
    EXPECT_EQ(run.Status, 0);
    return ComputeModelFigures(geometry, ParseNecOutput(run.Output), request, line);
}

// Two crossed half-wave dipoles, the one on y fed 90 degrees after or before the one on x.
NecOutput CrossedDipoles(bool yLags) {
    const std::string y = yLags ? "0 -1" : "0 1";
    const std::string deck =
        "CM crossed dipoles\nCE\n"
        "GW 1 21 -0.5 0 0 0.5 0 0 0.001\n"
        "GW 2 21 0 -0.5 0 0 0.5 0 0.001\nGE 0\nPT -1 0 0 0\n"
        "FR 0 1 0 0 142 0\nEX 0 1 11 0 1 0\nEX 0 2 11 0 " +
        y + "\nRP 0 2 1 1000 0 0 180 0\nEN\n";
    const test_support::Nec2cRun run = test_support::RunNec2c(deck);
    EXPECT_EQ(run.Status, 0);
    return ParseNecOutput(run.Output);
}

TEST(Polarisation, CrossedDipolesGiveTheSenseTheirPhasingMakes) {
    // With y lagging x by 90 degrees the field turns from +x to +y: seen from above, counter-
    // clockwise as the wave comes up towards the viewer, which is right-hand (RHCP) upwards
    // and left-hand downwards. Leading, it is the other way round.
    for (const bool yLags : {true, false}) {
        const NecOutput output = CrossedDipoles(yLags);
        ASSERT_EQ(output.Runs.front().Pattern.size(), 2u);
        const PatternPoint& up = output.Runs.front().Pattern[0];
        const PatternPoint& down = output.Runs.front().Pattern[1];
        const double wantedUp = yLags ? RhcpGainDbic(up) : LhcpGainDbic(up);
        const double unwantedUp = yLags ? LhcpGainDbic(up) : RhcpGainDbic(up);
        EXPECT_NEAR(wantedUp, up.TotalDb, 0.01);
        EXPECT_LT(unwantedUp, up.TotalDb - 30.0);
        const double wantedDown = yLags ? LhcpGainDbic(down) : RhcpGainDbic(down);
        EXPECT_NEAR(wantedDown, down.TotalDb, 0.01);
        EXPECT_EQ(up.Sense, yLags ? "RIGHT" : "LEFT");
        EXPECT_EQ(down.Sense, yLags ? "LEFT" : "RIGHT");
    }
}

TEST(LoopPhasing, OfCrossedDipolesFedAQuarterPeriodApartIsNinetyDegrees) {
    for (const bool yLags : {true, false}) {
        const LoopPhasing phasing = PhasingOf(CrossedDipoles(yLags).Runs.front(), 1, 2);
        EXPECT_NEAR(phasing.PhaseDeg, yLags ? -90.0 : 90.0, 0.01);
        EXPECT_NEAR(phasing.CurrentRatio, 1.0, 0.001);
    }
}

TEST(LoopPhasing, OfTwoDistantDipolesFedInAntiphaseIsHalfAPeriod) {
    const test_support::Nec2cRun run = test_support::RunNec2c(
        "CM two parallel dipoles\nCE\n"
        "GW 1 21 0 -0.5 0 0 0.5 0 0.001\n"
        "GW 2 21 5 -0.5 0 5 0.5 0 0.001\nGE 0\nPT -1 0 0 0\n"
        "FR 0 1 0 0 142 0\nEX 0 1 11 0 1 0\nEX 0 2 11 0 -1 0\nXQ\nEN\n");
    ASSERT_EQ(run.Status, 0);
    const LoopPhasing phasing = PhasingOf(ParseNecOutput(run.Output).Runs.front(), 1, 2);
    EXPECT_GT(phasing.PhaseDeg, -180.0);
    EXPECT_LE(phasing.PhaseDeg, 180.0);
    EXPECT_NEAR(std::fabs(phasing.PhaseDeg), 180.0, 0.01);
    EXPECT_NEAR(phasing.CurrentRatio, 1.0, 0.001);
}

TEST(ModelledHelix, RadiatesRhcpUpwardsAndItsMirrorImageLhcpWithTheSameImpedance) {
    for (const StyleEntry& style : Styles) {
        const ModelFigures right = Model(style, Polarisation::Rhcp);
        const ModelFigures left = Model(style, Polarisation::Lhcp);
        EXPECT_EQ(right.ZenithSense, "RIGHT") << style.Name;
        EXPECT_EQ(left.ZenithSense, "LEFT") << style.Name;
        EXPECT_GT(right.ZenithRhcpDbic, right.ZenithLhcpDbic + 10.0) << style.Name;
        EXPECT_NEAR(left.ZenithLhcpDbic, right.ZenithRhcpDbic, 0.01) << style.Name;
        EXPECT_NEAR(left.ZenithRhcpDbic, right.ZenithLhcpDbic, 0.05) << style.Name;
        EXPECT_NEAR(*left.HorizonLhcpDbic, *right.HorizonRhcpDbic, 0.01) << style.Name;
        EXPECT_NEAR(left.Impedance.real(), right.Impedance.real(), 0.01) << style.Name;
        EXPECT_NEAR(left.Impedance.imag(), right.Impedance.imag(), 0.01) << style.Name;
        EXPECT_NEAR(left.Phasing.PhaseDeg, right.Phasing.PhaseDeg, 0.05) << style.Name;
        EXPECT_NEAR(left.Phasing.CurrentRatio, right.Phasing.CurrentRatio, 0.001) << style.Name;
    }
}

TEST(ModelledHelix, GivesItsGainAtEachElevationFromTheHorizonUpToTheZenith) {
    const ModelFigures f = Model(Styles[1], Polarisation::Rhcp);
    ASSERT_EQ(f.ElevationGains.size(), 19u);
    for (std::size_t i = 0; i < f.ElevationGains.size(); ++i) {
        EXPECT_DOUBLE_EQ(f.ElevationGains[i].ElevationDeg, 5.0 * static_cast<double>(i));
    }
    EXPECT_DOUBLE_EQ(f.ElevationGains.front().RhcpDbic, f.HorizonRhcpDbic.value());
    // Every azimuth of the zenith is the same direction, so its mean is the zenith's own gain.
    EXPECT_NEAR(f.ElevationGains.back().RhcpDbic, f.ZenithRhcpDbic, 0.01);
    EXPECT_NEAR(f.ElevationGains.back().LhcpDbic, f.ZenithLhcpDbic, 0.05);
}

TEST(ModelledHelix, IsSegmentedFinelyEnoughThatDoublingTheSegmentsChangesLittle) {
    const Segmentation chosen;
    const Segmentation doubled{2.0 * chosen.SegmentsPerWavelength, 2 * chosen.MinimumPerElement};
    for (const StyleEntry& style : Styles) {
        const ModelFigures coarse = Model(style, Polarisation::Rhcp, chosen);
        const ModelFigures fine = Model(style, Polarisation::Rhcp, doubled);
        EXPECT_NEAR(fine.Impedance.real(), coarse.Impedance.real(), 1.0) << style.Name;
        EXPECT_NEAR(fine.Impedance.imag(), coarse.Impedance.imag(), 3.0) << style.Name;
        EXPECT_NEAR(fine.ZenithRhcpDbic, coarse.ZenithRhcpDbic, 0.2) << style.Name;
        EXPECT_NEAR(*fine.HorizonRhcpDbic, *coarse.HorizonRhcpDbic, 0.2) << style.Name;
        EXPECT_NEAR(fine.MaxGainDbi, coarse.MaxGainDbi, 0.2) << style.Name;
    }
}

TEST(ModelledHelix, MatchesAtTheDesignFrequencyAndFindsTheBandAroundIt) {
    for (const StyleEntry& style : Styles) {
        const ModelFigures figures = Model(style, Polarisation::Rhcp);
        const double x = figures.Impedance.imag();
        EXPECT_EQ(figures.Match.Kind, x < 0.0 ? MatchingKind::Inductor : MatchingKind::Capacitor);
        EXPECT_GT(figures.Match.Value, 0.0);
        EXPECT_NEAR(figures.Match.ReactanceAt(figures.FrequencyMHz), -x, 1e-9 * std::fabs(x));
        ASSERT_EQ(figures.Sweep.size(), 11u);
        EXPECT_NEAR(figures.Sweep[5].Swr, 1.0, 0.01) << style.Name;
        if (figures.BandwidthLowMHz) {
            EXPECT_LT(*figures.BandwidthLowMHz, 137.5);
            EXPECT_GE(*figures.BandwidthLowMHz, figures.Sweep.front().FrequencyMHz);
        }
        if (figures.BandwidthHighMHz) {
            EXPECT_GT(*figures.BandwidthHighMHz, 137.5);
            EXPECT_LE(*figures.BandwidthHighMHz, figures.Sweep.back().FrequencyMHz);
        }
        if (figures.ResonanceMHz) {
            // The reactance changes sign across the resonance.
            const double below = *figures.ResonanceMHz - 0.2;
            const double above = *figures.ResonanceMHz + 0.2;
            double xBelow = 0.0;
            double xAbove = 0.0;
            for (std::size_t i = 0; i + 1 < figures.Sweep.size(); ++i) {
                if (figures.Sweep[i].FrequencyMHz <= below) {
                    xBelow = figures.Sweep[i].Impedance.imag();
                }
                if (figures.Sweep[figures.Sweep.size() - 1 - i].FrequencyMHz >= above) {
                    xAbove = figures.Sweep[figures.Sweep.size() - 1 - i].Impedance.imag();
                }
            }
            EXPECT_LT(xBelow * xAbove, 0.0) << style.Name;
        }
        EXPECT_GT(figures.AxialRatioDb, 0.0);
        EXPECT_EQ(figures.CutXz.size(), 72u);
        EXPECT_DOUBLE_EQ(figures.CutXz.front().RhcpDbic, figures.ZenithRhcpDbic);
    }
}

TEST(ModelledHelix, ResonatesLowerInProportionWhenBothLoopsAreScaledUp) {
    // Only the conductor and the gap between the top arms do not scale with the loops.
    GeometryOptions larger;
    larger.SmallLoopScale = 1.02;
    larger.LargeLoopScale = 1.02;
    for (const StyleEntry* style : {&Styles[2], &Styles[5]}) {
        const ModelFigures design = Model(*style, Polarisation::Rhcp);
        const ModelFigures scaled = Model(*style, Polarisation::Rhcp, {}, {}, larger);
        ASSERT_TRUE(design.ResonanceMHz && scaled.ResonanceMHz) << style->Name;
        EXPECT_NEAR(*scaled.ResonanceMHz, *design.ResonanceMHz / 1.02, 0.003 * 137.5)
            << style->Name;
    }
}

TEST(ModelledHelix, IsMatchedToTheLineByItsLNetworkPutBackIntoTheCircuit) {
    for (const StyleEntry& style : Styles) {
        for (const double z0 : {50.0, 75.0}) {
            const ModelFigures figures =
                Model(style, Polarisation::Rhcp, {}, {}, {}, LineRequest{z0, 0.66});
            const LineMatch& line = figures.Line;
            EXPECT_EQ(line.Z0Ohm, z0);
            const test_support::Complex seen = test_support::SeenFromTheLine(
                line.Network, figures.Impedance, figures.FrequencyMHz);
            // Exact, unless a part that hardly matters was left out: then within 1.1.
            const bool leftOut = std::any_of(line.Parts.begin(), line.Parts.end(),
                                             [](const PartAdvice& part) { return part.LeftOut; });
            const double swr = test_support::StandingWaveRatio(seen, z0);
            if (leftOut) {
                EXPECT_LE(swr, 1.1) << style.Name << " on " << z0;
            } else {
                EXPECT_NEAR(swr, 1.0, 0.005) << style.Name << " on " << z0;
            }
            EXPECT_NEAR(line.SwrUnmatched, test_support::StandingWaveRatio(figures.Impedance, z0),
                        1e-9);
            ASSERT_EQ(figures.Sweep.size(), 11u);
            EXPECT_NEAR(figures.Sweep[5].SwrZ0Matched, test_support::StandingWaveRatio(seen, z0),
                        1e-9)
                << style.Name;
            // Away from the design frequency each part's reactance follows the frequency.
            for (const SweepPoint& point : figures.Sweep) {
                EXPECT_NEAR(point.SwrZ0Matched,
                            test_support::StandingWaveRatio(
                                test_support::SeenFromTheLine(line.Network, point.Impedance,
                                                              point.FrequencyMHz),
                                z0),
                            1e-6 * point.SwrZ0Matched)
                    << style.Name;
                // The 2:1 band holds exactly the sweep's points whose SWR is at most 2.
                const bool inside = point.FrequencyMHz >= line.BandwidthLowMHz.value_or(0.0) &&
                                    point.FrequencyMHz <= line.BandwidthHighMHz.value_or(1e9);
                EXPECT_EQ(inside, point.SwrZ0Matched <= 2.0)
                    << style.Name << " at " << point.FrequencyMHz;
            }
        }
    }
}

TEST(ModelledHelixErrors, RefuseALineThatNoMatchCanBeMadeTo) {
    const HelixGeometry geometry = BuildHelixGeometry(Styles[0], "137.50", Polarisation::Rhcp);
    try {
        ComputeModelFigures(geometry, NecOutput{}, {}, LineRequest{-50.0, 0.66});
        FAIL() << "figures were made for a line of -50 ohm";
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Kind(), ModelErrorKind::NotMatchable);
        EXPECT_EQ(error.Detail(), "the line's impedance must be a positive number of ohms");
    }
}

TEST(ModelledHelix, ReportsBandEdgesBeyondANarrowSweepAsSuch) {
    DeckRequest narrow;
    narrow.SweepHalfSpan = 0.002;
    const ModelFigures figures = Model(Styles[5], Polarisation::Rhcp, {}, narrow);
    EXPECT_FALSE(figures.BandwidthLowMHz.has_value());
    EXPECT_FALSE(figures.BandwidthHighMHz.has_value());
    EXPECT_FALSE(figures.Line.BandwidthLowMHz.has_value());
    EXPECT_FALSE(figures.Line.BandwidthHighMHz.has_value());
    EXPECT_FALSE(figures.ResonanceMHz.has_value());
}

}  // namespace
}  // namespace zandrel
