// Tuning, fitting, trimming and the resonance's sensitivity in nec2c, each checked against a
// model of the result built again from scratch.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "helix_geometry.h"
#include "loop_fit.h"
#include "loop_tuning.h"
#include "model_figures.h"
#include "nec2c_engine.h"
#include "nec_deck.h"
#include "pass_tuning.h"
#include "resonance_sensitivity.h"
#include "satellite_pass.h"
#include "scaled_models.h"

namespace zandrel {
namespace {

using Complex = std::complex<double>;

// The whole model of a design with its loops scaled, as the model window makes it.
ModelFigures ModelFromScratch(const LoopDesign& design, LoopScales scales) {
    const HelixGeometry geometry = BuildScaledGeometry(design, scales);
    return ComputeModelFigures(geometry, RunDeckInNec2c(WriteNecDeck(geometry)));
}

// What a VNA would read on the antenna built with these factors: S11 on 50 ohm at 41 points
// over +-10 %, with a little noise of its own.
Measurement Measured(const LoopDesign& design, LoopScales built, double noise) {
    Measurement measurement =
        ModelMeasurement(design, built, SpreadFrequencies(137.5), 50.0, Nec2cEvaluator());
    std::mt19937 generator(20240611);
    std::normal_distribution<double> spread(0.0, noise);
    for (MeasuredPoint& point : measurement.Points) {
        point.Reflection += Complex(spread(generator), spread(generator));
    }
    return measurement;
}

TEST(ModelledTouchstone, ReadsBackToTheModelsImpedanceOnItsReference) {
    const LoopDesign design{&Styles[4], "137.50", Polarisation::Rhcp, std::nullopt, {}};
    const std::vector<double> frequencies = SpreadFrequencies(137.5);
    ASSERT_EQ(frequencies.size(), 41u);
    EXPECT_DOUBLE_EQ(frequencies.front(), 123.75);
    EXPECT_DOUBLE_EQ(frequencies[20], 137.5);
    EXPECT_DOUBLE_EQ(frequencies.back(), 151.25);
    const Measurement read = ReadMeasurement(
        WriteTouchstone(ModelMeasurement(design, {}, frequencies, 75.0, Nec2cEvaluator())));
    EXPECT_EQ(read.ReferenceOhm, 75.0);
    ASSERT_EQ(read.Points.size(), 41u);
    const ModelFigures model = ModelFromScratch(design, {});
    EXPECT_NEAR(std::abs(ImpedanceOf(read.Points[20].Reflection, 75.0) - model.Impedance), 0.0,
                1e-9);
    // The sweep's first point, 5 % below, lies on the file's 11th.
    EXPECT_NEAR(
        std::abs(ImpedanceOf(read.Points[10].Reflection, 75.0) - model.Sweep.front().Impedance),
        0.0, 1e-9);
}

TEST(TuningForThePassInNec2c, GivesFactorsWhoseModelHasAStrongerWeakestSignalAndMeetsTheLimits) {
    // The 1 1/2 TURN's null at 60° is its weakest point; tuned, it fills the null as far as the
    // zenith's cross-polar rejection allows.
    const LoopDesign design{&Styles[5], "137.50", Polarisation::Rhcp, std::nullopt, {}};
    const PassTuneSettings settings;
    const PassTuneResult tuned = TuneLoopsForPass(design, Nec2cEvaluator(), settings);
    ASSERT_TRUE(tuned.MeetsLimits);
    EXPECT_LE(tuned.Nec2cRuns, settings.MostRuns);

    const ModelFigures before = ModelFromScratch(design, {});
    const ModelFigures after = ModelFromScratch(design, tuned.Scales);
    const PassFigures passBefore = ComputePassFigures(before.ElevationGains, design.Sense, 850.0);
    const PassFigures passAfter = ComputePassFigures(after.ElevationGains, design.Sense, 850.0);
    EXPECT_GT(passAfter.Worst10To90Db, passBefore.Worst10To90Db + 3.0);
    EXPECT_GE(after.ZenithRhcpDbic - after.ZenithLhcpDbic, settings.CrossPolarRejectionDb - 1e-6);
    EXPECT_EQ(DecadesBeyondPractical(DesignLNetwork(after.Impedance, 50.0, 137.5)), 0.0);
    // The tuning's single-frequency decks saw what the whole model sees.
    EXPECT_NEAR(tuned.Tuned.Pass.Worst10To90Db, passAfter.Worst10To90Db, 1e-9);
    EXPECT_NEAR(tuned.Design.Pass.Worst10To90Db, passBefore.Worst10To90Db, 1e-9);
    EXPECT_NEAR(std::abs(tuned.Tuned.Impedance - after.Impedance), 0.0, 1e-9);
}

TEST(TuningInNec2c, GivesFactorsWhoseModelMeetsTheLimitWithALowerAxialRatio) {
    const LoopDesign design{&Styles[2], "137.50", Polarisation::Rhcp, std::nullopt, {}};
    const TuneResult tuned = TuneLoops(design, Nec2cEvaluator());
    ASSERT_TRUE(tuned.MeetsReactanceLimit);
    EXPECT_LE(tuned.Nec2cRuns, TuneSettings{}.MostRuns);

    const ModelFigures before = ModelFromScratch(design, {});
    const ModelFigures after = ModelFromScratch(design, tuned.Scales);
    EXPECT_GT(std::fabs(before.Impedance.imag()), 1.0);
    EXPECT_LE(std::fabs(after.Impedance.imag()), 1.0);
    EXPECT_LT(after.AxialRatioDb, before.AxialRatioDb - 0.5);
    EXPECT_NEAR(after.AxialRatioDb, tuned.AxialRatioDb, 1e-6);
    EXPECT_NEAR(before.AxialRatioDb, tuned.DesignAxialRatioDb, 1e-6);
    EXPECT_GT(after.ZenithRhcpDbic, after.ZenithLhcpDbic);

    // The mirror image tunes to the same factors for LHCP.
    const LoopDesign mirrored{&Styles[2], "137.50", Polarisation::Lhcp, std::nullopt, {}};
    const TuneResult left = TuneLoops(mirrored, Nec2cEvaluator());
    EXPECT_NEAR(left.Scales.Small, tuned.Scales.Small, 1e-3);
    EXPECT_NEAR(left.Scales.Large, tuned.Scales.Large, 1e-3);
}

// The one fit that runs the real nec2c from end to end; the others replay its recorded outputs.
TEST(FittingInNec2c, FindsTheFactorsTheAntennaWasBuiltWithAndTheMillimetresToTrim) {
    const LoopDesign design{&Styles[1], "137.50", Polarisation::Rhcp, std::nullopt, {}};
    const LoopScales built{1.02, 0.985};
    const FitResult fit = FitLoops(
        design, {{MeasuredPart::Whole, "antenna.s1p", Measured(design, built, 0.003)}},
        Nec2cEvaluator());
    EXPECT_LT(fit.Residual, 0.01);
    EXPECT_LE(fit.Small.Low, fit.Scales.Small);
    EXPECT_GE(fit.Small.High, fit.Scales.Small);

    const TrimAdvice advice = AdviseTrim(design, fit, {}, 50.0, Nec2cEvaluator());
    const HelixDimensions d = BuildScaledGeometry(design, {}).Dimensions;
    const double smallPerimeter = static_cast<double>(d.SmallLoopPerimeter);
    const double largePerimeter = static_cast<double>(d.LargeLoopPerimeter);
    // Built 2 % long and 1.5 % short: half of that on each helical element, within 2 mm, or
    // the truth inside the intervals; never a cut past it.
    const double smallTruth = 0.01 * smallPerimeter;
    const double largeTruth = -0.0075 * largePerimeter;
    if (!advice.Ambiguous) {
        EXPECT_NEAR(advice.Small.TrimPerElementMm, smallTruth, 2.0);
        EXPECT_NEAR(advice.Large.TrimPerElementMm, largeTruth, 2.0);
    }
    EXPECT_LE(advice.Small.IntervalLowMm, smallTruth + 2.0);
    EXPECT_GE(advice.Large.IntervalHighMm, largeTruth - 2.0);
    EXPECT_LE(advice.Small.CutNowPerElementMm, smallTruth);
    EXPECT_EQ(advice.Large.CutNowPerElementMm, 0.0);
    EXPECT_NEAR(advice.Small.TrimPerElementMm, advice.Small.ErrorMm / 2.0, 1e-9);
    // At the target the antenna is the design.
    const ModelFigures designModel = ModelFromScratch(design, {});
    EXPECT_NEAR(std::abs(advice.AtTarget.Figures.Impedance - designModel.Impedance), 0.0, 1e-9);
    const double reflection =
        std::abs((designModel.Impedance - 50.0) / (designModel.Impedance + 50.0));
    EXPECT_NEAR(advice.AtTarget.Swr, (1.0 + reflection) / (1.0 - reflection), 1e-9);
    // Now is the fitted antenna.
    EXPECT_NEAR(std::abs(advice.Now.Figures.Impedance -
                         ModelFromScratch(design, fit.Scales).Impedance),
                0.0, 1e-9);

    // To the tuned factors instead, error and cut are against them.
    const TrimAdvice toTuned = AdviseTrim(design, fit, {1.01, 0.99}, 50.0, Nec2cEvaluator());
    EXPECT_NEAR(toTuned.Small.TrimPerElementMm,
                (fit.Scales.Small - 1.01) * DisplayedMillimetres(d.SmallLoopPerimeter) / 2.0, 1e-9);
    EXPECT_NEAR(toTuned.Large.ErrorMm,
                (fit.Scales.Large - 0.99) * DisplayedMillimetres(d.LargeLoopPerimeter), 1e-9);
}

TEST(ResonanceSensitivityInNec2c, PredictsTheResonanceOfALongerLoop) {
    const LoopDesign design{&Styles[2], "137.50", Polarisation::Rhcp, std::nullopt, {}};
    const ModelFigures figures = ModelFromScratch(design, {});
    ASSERT_TRUE(figures.ResonanceMHz);
    const ResonanceSensitivity sensitivity =
        ComputeResonanceSensitivity(design, figures, Nec2cEvaluator());
    ASSERT_TRUE(sensitivity.SmallMHzPerMm && sensitivity.LargeMHzPerMm);
    EXPECT_LT(*sensitivity.SmallMHzPerMm, 0.0);  // the longer small loop resonates lower
    EXPECT_EQ(sensitivity.Nec2cRuns, 1);

    // Each loop 0.5 % longer, modelled on its own sweep: the resonance moves as predicted, to
    // within the curvature of resonance over the loop's size and the sweep's interpolation.
    const HelixDimensions d = BuildScaledGeometry(design, {}).Dimensions;
    constexpr double Longer = 0.005;
    for (const bool small : {true, false}) {
        const ModelFigures scaled = ModelFromScratch(
            design, small ? LoopScales{1.0 + Longer, 1.0} : LoopScales{1.0, 1.0 + Longer});
        ASSERT_TRUE(scaled.ResonanceMHz);
        const double millimetres =
            Longer * static_cast<double>(small ? d.SmallLoopPerimeter : d.LargeLoopPerimeter);
        const double slope = small ? *sensitivity.SmallMHzPerMm : *sensitivity.LargeMHzPerMm;
        const double moved = *scaled.ResonanceMHz - *figures.ResonanceMHz;
        EXPECT_NEAR(moved, slope * millimetres, 0.2 * std::fabs(moved) + 0.02)
            << (small ? "small" : "large");
    }
}

}  // namespace
}  // namespace zandrel
