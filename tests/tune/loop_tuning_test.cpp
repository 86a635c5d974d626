// Tuning, fitting and the resonance's sensitivity against a stand-in engine whose answers are
// known in closed form, and the tuned dimensions against the model's wires.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

#include "fake_engine.h"
#include "helix_geometry.h"
#include "loop_fit.h"
#include "loop_tuning.h"
#include "model_error.h"
#include "nec_deck.h"
#include "pass_tuning.h"
#include "resonance_sensitivity.h"
#include "tune_error.h"

namespace zandrel {
namespace {

using Complex = std::complex<double>;
using test_support::FakeEngine;

const LoopDesign HalfTurnRca{&Styles[1], "137.50", Polarisation::Rhcp, std::nullopt, {}};

std::vector<PartMeasurement> Whole(const Measurement& measurement) {
    return {{MeasuredPart::Whole, "antenna.s1p", measurement}};
}

// A zenith field that is purely right-hand where the factors are (small, large) = (a, b).
FakeEngine::Zenith RightHandAt(double a, double b) {
    return [a, b](LoopScales s) {
        return std::pair<Complex, Complex>{1.0, Complex(s.Small - a, s.Large - b)};
    };
}

// Two loops in parallel, each a series resonant circuit whose resonance falls as it grows.
Complex TwoResonantLoops(LoopScales s, double frequencyMHz) {
    const auto loop = [frequencyMHz](double resonanceMHz, double resistance) {
        const double detuning = frequencyMHz / resonanceMHz - resonanceMHz / frequencyMHz;
        return Complex(resistance, 400.0 * detuning);
    };
    const Complex small = loop(133.0 / s.Small, 30.0);
    const Complex large = loop(143.0 / s.Large, 40.0);
    return small * large / (small + large);
}

TEST(LoopTuning, FindsTheFactorsOfAPurelyCircularZenithWhereTheyAreResonant) {
    FakeEngine engine(
        HalfTurnRca,
        [](LoopScales s, double) {
            return Complex(25.0, 300.0 * (s.Small - 0.97) - 200.0 * (s.Large - 1.03));
        },
        RightHandAt(0.97, 1.03));
    const TuneResult result = TuneLoops(HalfTurnRca, engine.Evaluator());
    EXPECT_TRUE(result.MeetsReactanceLimit);
    EXPECT_NEAR(result.Scales.Small, 0.97, 1e-3);
    EXPECT_NEAR(result.Scales.Large, 1.03, 1e-3);
    EXPECT_LE(std::fabs(result.Impedance.imag()), 1.0);
    EXPECT_LT(result.AxialRatioDb, 0.2);
    // At the design: |L| / |R| = |(0.03, -0.03)|, so AR = 20 log((1 + 0.0424) / (1 - 0.0424)).
    EXPECT_NEAR(result.DesignAxialRatioDb,
                20.0 * std::log10((1.0 + 0.03 * std::sqrt(2.0)) / (1.0 - 0.03 * std::sqrt(2.0))),
                1e-6);  // the stand-in reads the factors from the deck's ten digits
    EXPECT_NEAR(result.DesignImpedance.imag(), 300.0 * 0.03 - 200.0 * -0.03, 1e-6);
    EXPECT_EQ(result.Nec2cRuns, engine.Calls());
    EXPECT_LE(result.Nec2cRuns, TuneSettings{}.MostRuns);
}

TEST(LoopTuning, StopsAtTheReactanceLimitNearestTheCircularPoint) {
    // X = 0 on the line small + large = 1.98, off the circular point (0.97, 1.03); within
    // |X| <= 1 ohm the nearest point to it lies on the strip's edge small + large = 1.98 + 1/300.
    FakeEngine engine(
        HalfTurnRca,
        [](LoopScales s, double) { return Complex(25.0, 300.0 * (s.Small + s.Large - 1.98)); },
        RightHandAt(0.97, 1.03));
    const TuneResult result = TuneLoops(HalfTurnRca, engine.Evaluator());
    EXPECT_TRUE(result.MeetsReactanceLimit);
    const double shift = (0.02 - 1.0 / 300.0) / 2.0;
    EXPECT_NEAR(result.Scales.Small, 0.97 - shift, 2e-3);
    EXPECT_NEAR(result.Scales.Large, 1.03 - shift, 2e-3);
    EXPECT_LE(std::fabs(result.Impedance.imag()), 1.0);
}

TEST(LoopTuning, SaysWhenNoFactorsInRangeMeetTheLimitAndGivesTheNearest) {
    FakeEngine engine(
        HalfTurnRca,
        [](LoopScales s, double) {
            return Complex(25.0, 50.0 + 100.0 * (s.Small - 0.8) + 100.0 * (s.Large - 0.8));
        },
        RightHandAt(1.0, 1.0));
    const TuneResult result = TuneLoops(HalfTurnRca, engine.Evaluator());
    EXPECT_FALSE(result.MeetsReactanceLimit);
    EXPECT_NEAR(result.Scales.Small, 0.8, 1e-3);
    EXPECT_NEAR(result.Scales.Large, 0.8, 1e-3);
    EXPECT_NEAR(result.Impedance.imag(), 50.0, 0.2);
}

TEST(LoopTuning, ScalesTheCalculatorsDimensionsAsTheModelsWires) {
    const LoopScales scales{1.05, 0.97};
    const HelixGeometry design = BuildScaledGeometry(HalfTurnRca, {});
    const HelixGeometry scaled = BuildScaledGeometry(HalfTurnRca, scales);
    const HelixDimensions& d = design.Dimensions;
    const HelixDimensions tuned = ScaledDimensions(d, scales);
    const auto wire = [](const HelixGeometry& g, int tag) {
        return g.Wires[static_cast<std::size_t>(tag - 1)];
    };
    const auto chain = [](const HelixGeometry& g, WirePart part) {
        double length = 0.0;
        double top = -1e9;
        double bottom = 1e9;
        for (const Wire& w : g.Wires) {
            if (w.Part == part && w.Element == 0) {
                length += WireLength(w);
                top = std::max({top, w.Start.Z, w.End.Z});
                bottom = std::min({bottom, w.Start.Z, w.End.Z});
            }
        }
        return std::pair<double, double>{length * 1000.0, (top - bottom) * 1000.0};
    };
    struct Loop {
        const char* Name;
        double Scale;
        int DesignTag;
        int ScaledTag;
        WirePart Element;
        float HelixDimensions::*Bottom;
        float HelixDimensions::*Top;
        float HelixDimensions::*Height;
        float HelixDimensions::*Perimeter;
        float HelixDimensions::*Helix;
    };
    for (const Loop& loop :
         {Loop{"small", scales.Small, design.SmallFeedTag, scaled.SmallFeedTag,
               WirePart::SmallElement, &HelixDimensions::SmallBottomArm,
               &HelixDimensions::SmallTopArm, &HelixDimensions::SmallLoopHeight,
               &HelixDimensions::SmallLoopPerimeter, &HelixDimensions::SmallHelixLength},
          Loop{"large", scales.Large, design.LargeFeedTag, scaled.LargeFeedTag,
               WirePart::LargeElement, &HelixDimensions::LargeBottomArm,
               &HelixDimensions::LargeTopArm, &HelixDimensions::LargeLoopHeight,
               &HelixDimensions::LargeLoopPerimeter, &HelixDimensions::LargeHelixLength}}) {
        // The top wire spans the helix's diameter, the bottom arm's length.
        const double topWire = WireLength(wire(scaled, loop.ScaledTag)) * 1000.0;
        const double designTopWire = WireLength(wire(design, loop.DesignTag)) * 1000.0;
        EXPECT_NEAR(static_cast<double>(tuned.*loop.Bottom), topWire, 1e-3) << loop.Name;
        // Each top arm reaches from the feed at the axis to the helix: it grows with the radius.
        EXPECT_NEAR(static_cast<double>(tuned.*loop.Top - d.*loop.Top),
                    (topWire - designTopWire) / 2.0, 1e-3)
            << loop.Name;
        const auto [helix, height] = chain(scaled, loop.Element);
        const auto [designHelix, designHeight] = chain(design, loop.Element);
        EXPECT_NEAR(static_cast<double>(tuned.*loop.Height), height, 1e-3) << loop.Name;
        EXPECT_NEAR(static_cast<double>(tuned.*loop.Helix / d.*loop.Helix), helix / designHelix,
                    1e-6)
            << loop.Name;
        EXPECT_NEAR(static_cast<double>(tuned.*loop.Perimeter),
                    loop.Scale * static_cast<double>(d.*loop.Perimeter), 1e-3)
            << loop.Name;
    }
    EXPECT_EQ(tuned.TubeDiameter, d.TubeDiameter);
    EXPECT_EQ(tuned.FreqMHz, d.FreqMHz);
}

TEST(LoopFitting, FindsTheFactorsOfAWideMeasurementFromTheBandAroundTheDesign) {
    FakeEngine engine(HalfTurnRca, TwoResonantLoops);
    const LoopScales built{1.03, 0.98};
    Measurement measurement;
    measurement.ReferenceOhm = 75.0;
    for (int i = 0; i <= 500; ++i) {
        const double f = 60.0 + 0.5 * i;
        measurement.Points.push_back({f, ReflectionOf(TwoResonantLoops(built, f), 75.0)});
    }
    const FitResult fit = FitLoops(HalfTurnRca, Whole(measurement), engine.Evaluator());
    EXPECT_NEAR(fit.Scales.Small, built.Small, 1e-3);
    EXPECT_NEAR(fit.Scales.Large, built.Large, 1e-3);
    EXPECT_LT(fit.Residual, 1e-3);
    EXPECT_EQ(fit.Nec2cRuns, engine.Calls());
    ASSERT_EQ(fit.FrequenciesMHz.size(), 11u);
    EXPECT_NEAR(fit.FrequenciesMHz.front(), 117.0, 0.5);  // 137.5 - 15 %, on the 0.5 MHz grid
    EXPECT_NEAR(fit.FrequenciesMHz.back(), 158.0, 0.5);
    for (const std::size_t count : engine.FrequenciesPerDeck()) {
        EXPECT_EQ(count, 11u);
    }
}

TEST(LoopFitting, GivesTheDistanceBetweenModelAndMeasurementAsItsResidual) {
    FakeEngine engine(HalfTurnRca, TwoResonantLoops);
    Measurement measurement;
    for (int i = 0; i < 7; ++i) {
        const double f = 134.0 + i;
        // Every measured S11 0.1 away from the design's, to one side and the other in turn:
        // nothing the loops' sizes can follow.
        const double away = i % 2 == 0 ? 0.1 : -0.1;
        measurement.Points.push_back(
            {f, ReflectionOf(TwoResonantLoops({1.0, 1.0}, f), 50.0) + Complex(0.0, away)});
    }
    const FitResult fit = FitLoops(HalfTurnRca, Whole(measurement), engine.Evaluator());
    EXPECT_EQ(fit.FrequenciesMHz.size(), 7u);
    EXPECT_NEAR(fit.Residual, 0.1, 0.005);
    EXPECT_NEAR(fit.Scales.Small, 1.0, 0.01);
    EXPECT_NEAR(fit.Scales.Large, 1.0, 0.01);
}

TEST(LoopFitting, RefusesAMeasurementThatMissesTheDesignFrequency) {
    FakeEngine engine(HalfTurnRca, TwoResonantLoops);
    Measurement measurement;
    for (int i = 0; i < 100; ++i) {
        measurement.Points.push_back({400.0 + i, Complex(0.1, 0.0)});
    }
    measurement.Points.push_back(
        {150.0, Complex(0.1, 0.0)});  // one point in the band is not enough
    std::sort(measurement.Points.begin(), measurement.Points.end(),
              [](const MeasuredPoint& a, const MeasuredPoint& b) {
                  return a.FrequencyMHz < b.FrequencyMHz;
              });
    try {
        FitLoops(HalfTurnRca, Whole(measurement), engine.Evaluator());
        ADD_FAILURE() << "a measurement at 400 MHz was fitted to a 137.5 MHz design";
    } catch (const TuneError& error) {
        EXPECT_EQ(error.Kind(), TuneErrorKind::MeasurementOutOfBand);
        EXPECT_EQ(error.Message(), "The measurement does not cover the design frequency");
        EXPECT_EQ(error.Detail(),
                  "antenna.s1p: 1 of the measured points from 150.000 to 499.000 MHz lie within 116.875 to "
                  "158.125 MHz; at least 5 are needed");
    }
    EXPECT_EQ(engine.Calls(), 0);
}

// |S11| above 1.05 in the band is not an antenna: refused with the file and line, before any run.
TEST(LoopFitting, RefusesAReflectionNoPassiveAntennaGives) {
    FakeEngine engine(HalfTurnRca, TwoResonantLoops);
    Measurement measurement;
    for (int i = 0; i < 9; ++i) {
        const double f = 133.0 + i;
        measurement.Points.push_back(
            {f, i == 4 ? Complex(1.8, 0.0) : ReflectionOf(TwoResonantLoops({}, f), 50.0),
             static_cast<std::size_t>(3 + i)});
    }
    try {
        FitLoops(HalfTurnRca, Whole(measurement), engine.Evaluator());
        ADD_FAILURE() << "|S11| of 1.8 was fitted";
    } catch (const TuneError& error) {
        EXPECT_EQ(error.Kind(), TuneErrorKind::NotAMeasurement);
        EXPECT_EQ(error.Message(), "The file is not a measurement of an antenna");
        EXPECT_EQ(error.Detail().rfind("antenna.s1p: line 7: |S11| is 1.800 at 137.000 MHz, above "
                                       "the 1.05 that an antenna",
                                       0),
                  0u)
            << error.Detail();
    }
    EXPECT_EQ(engine.Calls(), 0);
}

TEST(LoopTuningAndFitting, PassTheEnginesErrorOnAsItWas) {
    FakeEngine engine(HalfTurnRca, TwoResonantLoops, RightHandAt(1.0, 1.0));
    engine.FailAfter(3, ModelError(ModelErrorKind::EngineFailed, "nec2c said: out of memory"));
    for (const bool fitting : {false, true}) {
        try {
            if (fitting) {
                Measurement measurement;
                for (int i = 0; i < 9; ++i) {
                    measurement.Points.push_back({133.0 + i, Complex(0.2, 0.1)});
                }
                FitLoops(HalfTurnRca, Whole(measurement), engine.Evaluator());
            } else {
                TuneLoops(HalfTurnRca, engine.Evaluator());
            }
            ADD_FAILURE() << "the engine's error was lost";
        } catch (const ModelError& error) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::EngineFailed);
            EXPECT_EQ(error.Detail(), "nec2c said: out of memory");
        }
    }
}

// What the model of the stand-in's antenna with its loops scaled so gives: its sweep and its
// resonance.
ModelFigures SweptFigures(const FakeEngine::Impedance& impedance, LoopScales scales,
                          double resonanceMHz) {
    ModelFigures figures;
    for (const double f : SweepFrequencies(137.5)) {
        figures.Sweep.push_back({f, impedance(scales, f)});
    }
    figures.ResonanceMHz = resonanceMHz;
    return figures;
}

TEST(ResonanceSensitivity, IsTheSlopeOfResonanceFromOneRunOfTheAntennaAndEachLoopLonger) {
    // Resonance falls 0.4 x 137.5 MHz per unit of the small loop's factor, 0.6 x for the large.
    const auto resonance = [](LoopScales s) {
        return 137.5 * (1.0 - 0.4 * (s.Small - 1.0) - 0.6 * (s.Large - 1.0));
    };
    // A reactance that curves: its slope at the resonance, not over the sweep's step, counts.
    const FakeEngine::Impedance impedance = [&](LoopScales s, double f) {
        const double off = f - resonance(s);
        return Complex(30.0, 20.0 * off + 0.5 * off * off);
    };
    FakeEngine engine(HalfTurnRca, impedance);
    const ResonanceSensitivity sensitivity = ComputeResonanceSensitivity(
        HalfTurnRca, SweptFigures(impedance, {}, 137.5), engine.Evaluator());
    const HelixDimensions d = BuildScaledGeometry(HalfTurnRca, {}).Dimensions;
    ASSERT_TRUE(sensitivity.SmallMHzPerMm && sensitivity.LargeMHzPerMm);
    const double small = -0.4 * 137.5 / DisplayedMillimetres(d.SmallLoopPerimeter);
    const double large = -0.6 * 137.5 / DisplayedMillimetres(d.LargeLoopPerimeter);
    EXPECT_NEAR(*sensitivity.SmallMHzPerMm, small, 5e-3 * std::fabs(small));
    EXPECT_NEAR(*sensitivity.LargeMHzPerMm, large, 5e-3 * std::fabs(large));
    EXPECT_EQ(sensitivity.Nec2cRuns, 1);
    EXPECT_EQ(engine.Calls(), 1);
    ASSERT_EQ(engine.Asked().size(), 3u);
    EXPECT_NEAR(engine.Asked()[0].Small, 1.0, 1e-9);
    EXPECT_NEAR(engine.Asked()[0].Large, 1.0, 1e-9);
    EXPECT_NEAR(engine.Asked()[1].Small, 1.0005, 1e-9);
    EXPECT_NEAR(engine.Asked()[1].Large, 1.0, 1e-9);
    EXPECT_NEAR(engine.Asked()[2].Small, 1.0, 1e-9);
    EXPECT_NEAR(engine.Asked()[2].Large, 1.0005, 1e-9);
}

TEST(ResonanceSensitivity, IsTakenAroundTunedLoopsPerMillimetreOfTheirOwnPerimeters) {
    // Resonance falls as the small factor to the power 0.4 and the large to 0.6: the slope per
    // millimetre differs from the design's around other factors.
    const auto resonance = [](LoopScales s) {
        return 137.5 / (std::pow(s.Small, 0.4) * std::pow(s.Large, 0.6));
    };
    const FakeEngine::Impedance impedance = [&](LoopScales s, double f) {
        return Complex(30.0, 20.0 * (f - resonance(s)));
    };
    FakeEngine engine(HalfTurnRca, impedance);
    const LoopScales tuned{0.97, 1.04};
    const ModelFigures figures = SweptFigures(impedance, tuned, resonance(tuned));
    const ResonanceSensitivity sensitivity =
        ComputeResonanceSensitivity(HalfTurnRca, figures, engine.Evaluator(), tuned);
    const HelixDimensions d = BuildScaledGeometry(HalfTurnRca, {}).Dimensions;
    ASSERT_TRUE(sensitivity.SmallMHzPerMm && sensitivity.LargeMHzPerMm);
    // d(resonance)/d(perimeter) = -power x resonance / the tuned loop's perimeter.
    const double smallSlope =
        -0.4 * *figures.ResonanceMHz / (tuned.Small * DisplayedMillimetres(d.SmallLoopPerimeter));
    const double largeSlope =
        -0.6 * *figures.ResonanceMHz / (tuned.Large * DisplayedMillimetres(d.LargeLoopPerimeter));
    EXPECT_NEAR(*sensitivity.SmallMHzPerMm, smallSlope, 1e-3 * std::fabs(smallSlope));
    EXPECT_NEAR(*sensitivity.LargeMHzPerMm, largeSlope, 1e-3 * std::fabs(largeSlope));
}

TEST(ResonanceSensitivity, IsEmptyWithoutRunsWhereTheDesignHasNoResonance) {
    FakeEngine engine(HalfTurnRca, TwoResonantLoops);
    const ResonanceSensitivity sensitivity =
        ComputeResonanceSensitivity(HalfTurnRca, ModelFigures{}, engine.Evaluator());
    EXPECT_FALSE(sensitivity.SmallMHzPerMm);
    EXPECT_FALSE(sensitivity.LargeMHzPerMm);
    EXPECT_EQ(engine.Calls(), 0);
}

TEST(TuningForThePassErrors, RefuseAnAltitudeOutsideTheOrbitsBeforeRunningADeck) {
    int decks = 0;
    const DeckEvaluator counting = [&decks](const std::string&) {
        ++decks;
        return NecOutput{};
    };
    PassTuneSettings settings;
    settings.AltitudeKm = 100.0;
    try {
        TuneLoopsForPass(HalfTurnRca, counting, settings);
        ADD_FAILURE() << "an altitude of 100 km was accepted";
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Kind(), ModelErrorKind::AltitudeOutOfRange);
        EXPECT_NE(error.Detail().find("100.0 km is outside 150 to 36000 km"), std::string::npos)
            << error.Detail();
    }
    EXPECT_EQ(decks, 0);
}

}  // namespace
}  // namespace zandrel
