#include "loop_tuning.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <exception>
#include <iomanip>
#include <locale>
#include <map>
#include <nlopt.hpp>
#include <sstream>

#include "model_error.h"
#include "modelled_runs.h"
#include "nec_deck.h"
#include "tune_error.h"

namespace zandrel {

namespace {

double Wide(float value) { return static_cast<double>(value); }

// The input impedance and zenith field at the design frequency of one pair of factors.
struct ZenithModel {
    LoopScales Scales;
    bool Modellable = false;
    std::string Why;  // when not modellable
    std::complex<double> Impedance;
    double CrossShare = 1.0;  // |cross-polar|^2 / (|co-polar|^2 + |cross-polar|^2) at the zenith
    double AxialRatioDb = 0.0;
};

ZenithModel ModelZenith(const LoopDesign& design, LoopScales scales, CountedEngine& engine) {
    ZenithModel model;
    model.Scales = scales;
    const auto modelled = IfModellable(
        [&] {
            const HelixGeometry geometry = BuildScaledGeometry(design, scales);
            DeckRequest request;
            request.Runs = DeckRuns::Zenith;
            const NecOutput& output = engine.Run(WriteNecDeck(geometry, request));
            if (output.Runs.size() != 1 || output.Runs.front().Pattern.size() != 1) {
                Unreadable(
                    "the output does not have the one frequency and zenith point the deck asked "
                    "for");
            }
            return std::pair<std::complex<double>, PatternPoint>{
                InputImpedance(geometry, output.Runs.front()), output.Runs.front().Pattern.front()};
        },
        model.Why);
    if (!modelled) {
        return model;
    }
    const PatternPoint& zenith = modelled->second;
    const bool right = design.Sense == Polarisation::Rhcp;
    const double co = std::norm(right ? RightHandField(zenith) : LeftHandField(zenith));
    const double cross = std::norm(right ? LeftHandField(zenith) : RightHandField(zenith));
    model.Modellable = true;
    model.Impedance = modelled->first;
    model.CrossShare = co + cross > 0.0 ? cross / (co + cross) : 1.0;
    model.AxialRatioDb = AxialRatioDb(zenith);
    return model;
}

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

// The search for the tuned factors: the zenith model of every point NLopt asks about.
class TuneSearch : public Minimisation {
  public:
    TuneSearch(const LoopDesign& design, CountedEngine& engine, double limitOhm)
        : design_(design), engine_(engine), limitOhm_(limitOhm) {}

    const ZenithModel& At(LoopScales scales) {
        for (const ZenithModel& model : seen_) {
            if (model.Scales.Small == scales.Small && model.Scales.Large == scales.Large) {
                return model;
            }
        }
        seen_.push_back(ModelZenith(design_, scales, engine_));
        return seen_.back();
    }

    const std::deque<ZenithModel>& Seen() const { return seen_; }

    static double Objective(unsigned, const double* x, double*, void* data) {
        auto& search = *static_cast<TuneSearch*>(data);
        return search.Guard([&] { return search.At({x[0], x[1]}).CrossShare; });
    }
    // X - limit <= 0
    static double ReactanceAbove(unsigned, const double* x, double*, void* data) {
        auto& search = *static_cast<TuneSearch*>(data);
        return search.Guard([&] { return search.BeyondLimit(x, 1.0); });
    }
    // -X - limit <= 0
    static double ReactanceBelow(unsigned, const double* x, double*, void* data) {
        auto& search = *static_cast<TuneSearch*>(data);
        return search.Guard([&] { return search.BeyondLimit(x, -1.0); });
    }

  private:
    // How far sign x X lies beyond the limit; factors that cannot be modelled count as far
    // beyond it on both sides.
    double BeyondLimit(const double* x, double sign) {
        const ZenithModel& model = At({x[0], x[1]});
        constexpr double FarBeyondOhm = 1e3;
        return model.Modellable ? sign * model.Impedance.imag() - limitOhm_ : FarBeyondOhm;
    }

    const LoopDesign& design_;
    CountedEngine& engine_;
    double limitOhm_;
    std::deque<ZenithModel> seen_;  // stable references
};

}  // namespace

HelixGeometry BuildScaledGeometry(const LoopDesign& design, LoopScales scales, FedLoops fed) {
    GeometryOptions options;
    options.Fed = fed;
    options.ConductorDiameterMm = design.ConductorDiameterMm;
    options.Install = design.Install;
    options.SmallLoopScale = scales.Small;
    options.LargeLoopScale = scales.Large;
    return BuildHelixGeometry(*design.Style, design.FrequencyText, design.Sense, options);
}

HelixDimensions ScaledDimensions(const HelixDimensions& design, LoopScales scales) {
    HelixDimensions d = design;
    const auto scaleLoop = [](double s, float& perimeter, float& topArm, float& bottomArm,
                              float& height, float& helixLength, float& arcSquared) {
        topArm = static_cast<float>(Wide(topArm) + (s - 1.0) * Wide(bottomArm) / 2.0);
        bottomArm = static_cast<float>(Wide(bottomArm) * s);
        perimeter = static_cast<float>(Wide(perimeter) * s);
        height = static_cast<float>(Wide(height) * s);
        helixLength = static_cast<float>(Wide(helixLength) * s);
        arcSquared = static_cast<float>(Wide(arcSquared) * s * s);
    };
    scaleLoop(scales.Small, d.SmallLoopPerimeter, d.SmallTopArm, d.SmallBottomArm,
              d.SmallLoopHeight, d.SmallHelixLength, d.SmallArcSquared);
    scaleLoop(scales.Large, d.LargeLoopPerimeter, d.LargeTopArm, d.LargeBottomArm,
              d.LargeLoopHeight, d.LargeHelixLength, d.LargeArcSquared);
    return d;
}


Measurement ModelMeasurement(const LoopDesign& design, LoopScales scales,
                             const std::vector<double>& frequenciesMHz, double referenceOhm,
                             const DeckEvaluator& evaluate, FedLoops fed) {
    CountedEngine engine(evaluate);
    const HelixGeometry geometry = BuildScaledGeometry(design, scales, fed);
    const std::vector<std::complex<double>> impedances =
        ModelImpedances(geometry, frequenciesMHz, engine);
    Measurement measurement;
    measurement.ReferenceOhm = referenceOhm;
    for (std::size_t i = 0; i < impedances.size(); ++i) {
        measurement.Points.push_back(
            {frequenciesMHz[i], ReflectionOf(impedances[i], referenceOhm)});
    }
    return measurement;
}

std::vector<double> SpreadFrequencies(double frequencyMHz, int points, double halfSpan) {
    std::vector<double> frequencies;
    for (int i = 0; i < points; ++i) {
        const double share = points > 1 ? static_cast<double>(i) / (points - 1) : 0.5;
        frequencies.push_back(frequencyMHz * (1.0 - halfSpan + 2.0 * halfSpan * share));
    }
    return frequencies;
}

TuneResult TuneLoops(const LoopDesign& design, const DeckEvaluator& evaluate,
                     const TuneSettings& settings) {
    CountedEngine engine(evaluate);
    const HelixDimensions designDimensions = BuildScaledGeometry(design, {}).Dimensions;
    // The optimiser keeps a margin inside the limit, so that its last steps land inside.
    const double limit = settings.ReactanceLimitOhm;
    TuneSearch search(design, engine, 0.9 * limit);
    const ZenithModel start = search.At({1.0, 1.0});
    if (!start.Modellable) {
        throw ModelError(ModelErrorKind::NotModellable, start.Why);
    }

    nlopt::opt optimiser =
        BoundedOptimiser(nlopt::LN_COBYLA, settings.LowestScale, settings.HighestScale);
    optimiser.set_min_objective(TuneSearch::Objective, &search);
    optimiser.add_inequality_constraint(TuneSearch::ReactanceAbove, &search, 0.0);
    optimiser.add_inequality_constraint(TuneSearch::ReactanceBelow, &search, 0.0);
    optimiser.set_initial_step(0.05);
    optimiser.set_xtol_abs(1e-4);
    optimiser.set_maxeval(settings.MostRuns);
    search.Minimise(optimiser, {1.0, 1.0});

    // The best point seen: the lowest cross-polar share within the limit, else the smallest |X|.
    const ZenithModel* best = nullptr;
    const auto within = [limit](const ZenithModel& m) {
        return m.Modellable && std::fabs(m.Impedance.imag()) <= limit;
    };
    for (const ZenithModel& model : search.Seen()) {
        if (!model.Modellable) {
            continue;
        }
        if (best == nullptr || (within(model) && !within(*best)) ||
            (within(model) == within(*best) &&
             (within(model)
                  ? model.CrossShare < best->CrossShare
                  : std::fabs(model.Impedance.imag()) < std::fabs(best->Impedance.imag())))) {
            best = &model;
        }
    }
    if (best == nullptr) {
        throw TuneError(
            TuneErrorKind::OptimiserFailed,
            search.Failure().empty() ? "no factors in range could be modelled" : search.Failure());
    }
    TuneResult result;
    result.Scales = best->Scales;
    result.Dimensions = ScaledDimensions(designDimensions, best->Scales);
    result.MeetsReactanceLimit = within(*best);
    result.Impedance = best->Impedance;
    result.AxialRatioDb = best->AxialRatioDb;
    result.DesignImpedance = start.Impedance;
    result.DesignAxialRatioDb = start.AxialRatioDb;
    result.Nec2cRuns = engine.Runs();
    return result;
}

ModelFigures ModelScaled(const LoopDesign& design, LoopScales scales, const DeckEvaluator& evaluate,
                         const LineRequest& line) {
    const HelixGeometry geometry = BuildScaledGeometry(design, scales);
    return ComputeModelFigures(geometry, evaluate(WriteNecDeck(geometry)), {}, line);
}

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
                {BuildScaledGeometry(design, {small * (1.0 + SensitivityStep), large}),
                 BuildScaledGeometry(design, {small * (1.0 - SensitivityStep), large}),
                 BuildScaledGeometry(design, {small, large * (1.0 + SensitivityStep)}),
                 BuildScaledGeometry(design, {small, large * (1.0 - SensitivityStep)})},
                resonance, engine);
            return std::pair<double, double>{z[0].imag() - z[1].imag(), z[2].imag() - z[3].imag()};
        },
        why);
    sensitivity.Nec2cRuns = engine.Runs();
    if (!changes || reactancePerMHz == 0.0) {
        return sensitivity;
    }
    // Resonance stays where X is 0: dX/dp + dX/df df/dp = 0.
    const auto slope = [&](double reactanceChange, float perimeter) {
        return -reactanceChange / (2.0 * SensitivityStep * DisplayedMillimetres(perimeter)) /
               reactancePerMHz;
    };
    sensitivity.SmallMHzPerMm = slope(changes->first, d.SmallLoopPerimeter);
    sensitivity.LargeMHzPerMm = slope(changes->second, d.LargeLoopPerimeter);
    return sensitivity;
}

}  // namespace zandrel
