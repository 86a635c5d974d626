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
#include "nec_deck.h"
#include "tune_error.h"

namespace zandrel {

namespace {

constexpr int FewestFittedPoints = 5;

double Wide(float value) { return static_cast<double>(value); }

std::string Fixed(double value, int decimals) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

// The evaluator, run once per distinct deck: optimisers come back to points they have seen.
class CountedEngine {
  public:
    explicit CountedEngine(const DeckEvaluator& evaluate) : evaluate_(evaluate) {}

    const NecOutput& Run(const std::string& deck) {
        const auto found = outputs_.find(deck);
        if (found != outputs_.end()) {
            return found->second;
        }
        NecOutput output = evaluate_(deck);
        ++runs_;
        return outputs_.emplace(deck, std::move(output)).first->second;
    }

    int Runs() const { return runs_; }

  private:
    const DeckEvaluator& evaluate_;
    std::map<std::string, NecOutput> outputs_;
    int runs_ = 0;
};

// Runs an NLopt minimisation whose functions call Guard: an exception they raise (the engine's,
// a cancellation) comes out of Minimise as it was, not as NLopt's own failure.
class Minimisation {
  public:
    template <typename Function>
    double Guard(Function function) {
        try {
            return function();
        } catch (...) {
            error_ = std::current_exception();
            throw nlopt::forced_stop();
        }
    }

    // Minimises from `start`; the caller keeps the best point it has seen itself.
    void Minimise(nlopt::opt& optimiser, std::vector<double> start) {
        double value = 0.0;
        try {
            optimiser.optimize(start, value);
        } catch (const nlopt::forced_stop&) {
        } catch (const nlopt::roundoff_limited&) {
        } catch (const std::runtime_error& failure) {
            failure_ = failure.what();
        } catch (const std::invalid_argument& failure) {
            failure_ = failure.what();
        }
        if (error_) {
            std::rethrow_exception(error_);
        }
    }

    const std::string& Failure() const { return failure_; }

  private:
    std::exception_ptr error_;
    std::string failure_;
};

nlopt::opt BoundedOptimiser(nlopt::algorithm algorithm, double lowest, double highest) {
    nlopt::opt optimiser(algorithm, 2);
    optimiser.set_lower_bounds(std::vector<double>{lowest, lowest});
    optimiser.set_upper_bounds(std::vector<double>{highest, highest});
    return optimiser;
}

// What `model` gives for a pair of factors, or nothing where they make a helix that cannot be
// modelled: loops that touch, say, or a geometry nec2c rejects. The optimisers treat such factors
// as the worst there is; `why` keeps the reason.
template <typename Model>
auto IfModellable(Model model, std::string& why) -> std::optional<decltype(model())> {
    try {
        return model();
    } catch (const ModelError& error) {
        if (error.Kind() != ModelErrorKind::NotModellable) {
            throw;
        }
        why = error.Detail();
        return std::nullopt;
    }
}

[[noreturn]] void Unreadable(const std::string& what) {
    throw ModelError(ModelErrorKind::OutputUnreadable, what);
}

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

// Picks `count` of the indices 0 .. size - 1, spread evenly, the first and last among them.
std::vector<std::size_t> SpreadIndices(std::size_t size, std::size_t count) {
    if (count >= size) {
        std::vector<std::size_t> all(size);
        for (std::size_t i = 0; i < size; ++i) {
            all[i] = i;
        }
        return all;
    }
    std::vector<std::size_t> picked;
    for (std::size_t k = 0; k < count; ++k) {
        picked.push_back(static_cast<std::size_t>(
            std::lround(static_cast<double>(k) * static_cast<double>(size - 1) /
                        static_cast<double>(count - 1))));
    }
    return picked;
}

// The input impedance of the geometry at each frequency, from one impedance-only deck.
std::vector<std::complex<double>> ModelImpedances(const HelixGeometry& geometry,
                                                  const std::vector<double>& frequenciesMHz,
                                                  CountedEngine& engine) {
    DeckRequest request;
    request.Runs = DeckRuns::Impedances;
    request.ImpedanceFrequenciesMHz = frequenciesMHz;
    const NecOutput& output = engine.Run(WriteNecDeck(geometry, request));
    if (output.Runs.size() != frequenciesMHz.size()) {
        Unreadable("the output has " + std::to_string(output.Runs.size()) +
                   " frequencies instead of " + std::to_string(frequenciesMHz.size()));
    }
    std::vector<std::complex<double>> impedances;
    for (std::size_t i = 0; i < frequenciesMHz.size(); ++i) {
        // nec2c prints the frequency to five significant digits.
        if (std::fabs(output.Runs[i].FrequencyMHz - frequenciesMHz[i]) > 1e-4 * frequenciesMHz[i]) {
            Unreadable("the output's frequencies are not the deck's");
        }
        impedances.push_back(InputImpedance(geometry, output.Runs[i]));
    }
    return impedances;
}

// Where the reactance, known at rising frequencies, crosses zero nearest `near`: between the two
// points that bracket a change of sign, on the cubic through the four points around them.
std::optional<double> ReactanceZeroNear(const std::vector<double>& frequencies,
                                        const std::vector<double>& reactances, double near) {
    std::optional<double> best;
    const std::size_t n = frequencies.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if ((reactances[i] < 0.0) == (reactances[i + 1] < 0.0) && reactances[i + 1] != 0.0) {
            continue;
        }
        const std::size_t first = n < 4 ? 0 : std::min(i > 0 ? i - 1 : 0, n - 4);
        const std::size_t last = std::min(first + 4, n);
        const auto curve = [&](double f) {
            double sum = 0.0;
            for (std::size_t a = first; a < last; ++a) {
                double weight = 1.0;
                for (std::size_t b = first; b < last; ++b) {
                    if (b != a) {
                        weight *= (f - frequencies[b]) / (frequencies[a] - frequencies[b]);
                    }
                }
                sum += weight * reactances[a];
            }
            return sum;
        };
        double low = frequencies[i];
        double high = frequencies[i + 1];
        const bool lowNegative = curve(low) < 0.0;
        for (int halving = 0; halving < 50; ++halving) {
            const double middle = (low + high) / 2.0;
            ((curve(middle) < 0.0) == lowNegative ? low : high) = middle;
        }
        const double zero = (low + high) / 2.0;
        if (!best || std::fabs(zero - near) < std::fabs(*best - near)) {
            best = zero;
        }
    }
    return best;
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

// The search for the factors that match a measurement: the mean square distance between the
// modelled and measured reflection coefficients at the fitted points.
class FitSearch : public Minimisation {
  public:
    FitSearch(const LoopDesign& design, CountedEngine& engine, std::vector<MeasuredPoint> points,
              double referenceOhm)
        : design_(design),
          engine_(engine),
          points_(std::move(points)),
          referenceOhm_(referenceOhm) {
        for (const MeasuredPoint& point : points_) {
            frequencies_.push_back(point.FrequencyMHz);
        }
    }

    // The mean square distance, or nothing where the factors cannot be modelled; the deck of
    // factors seen before is not run again.
    std::optional<double> MeanSquare(LoopScales scales) {
        const auto impedances = IfModellable(
            [&] {
                return ModelImpedances(BuildScaledGeometry(design_, scales), frequencies_, engine_);
            },
            why_);
        if (!impedances) {
            return std::nullopt;
        }
        double sum = 0.0;
        for (std::size_t i = 0; i < points_.size(); ++i) {
            sum += std::norm(ReflectionOf((*impedances)[i], referenceOhm_) - points_[i].Reflection);
        }
        const double meanSquare = sum / static_cast<double>(points_.size());
        if (!best_ || meanSquare < best_->second) {
            best_ = {scales, meanSquare};
        }
        return meanSquare;
    }

    static double Objective(unsigned, const double* x, double*, void* data) {
        auto& search = *static_cast<FitSearch*>(data);
        // |S11| of a passive antenna is at most 1, so the distance squared at most 4.
        constexpr double Worst = 4.0;
        return search.Guard([&] { return search.MeanSquare({x[0], x[1]}).value_or(Worst); });
    }

    const std::optional<std::pair<LoopScales, double>>& Best() const { return best_; }
    const std::vector<double>& Frequencies() const { return frequencies_; }
    const std::string& Why() const { return why_; }

  private:
    const LoopDesign& design_;
    CountedEngine& engine_;
    std::vector<MeasuredPoint> points_;
    double referenceOhm_;
    std::vector<double> frequencies_;
    std::optional<std::pair<LoopScales, double>> best_;
    std::string why_;
};

}  // namespace

HelixGeometry BuildScaledGeometry(const LoopDesign& design, LoopScales scales) {
    GeometryOptions options;
    options.ConductorDiameterMm = design.ConductorDiameterMm;
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

double DisplayedPerimeterMm(float perimeter) { return std::round(Wide(perimeter) * 100.0) / 100.0; }

Measurement ModelMeasurement(const LoopDesign& design, LoopScales scales,
                             const std::vector<double>& frequenciesMHz, double referenceOhm,
                             const DeckEvaluator& evaluate) {
    CountedEngine engine(evaluate);
    const HelixGeometry geometry = BuildScaledGeometry(design, scales);
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

FitResult FitLoops(const LoopDesign& design, const Measurement& measurement,
                   const DeckEvaluator& evaluate, const FitSettings& settings) {
    CountedEngine engine(evaluate);
    const double f0 = BuildScaledGeometry(design, {}).FrequencyMHz;
    const double low = f0 * (1.0 - settings.BandHalfWidth);
    const double high = f0 * (1.0 + settings.BandHalfWidth);
    std::vector<MeasuredPoint> inBand;
    for (const MeasuredPoint& point : measurement.Points) {
        if (point.FrequencyMHz >= low && point.FrequencyMHz <= high) {
            inBand.push_back(point);
        }
    }
    if (inBand.size() < static_cast<std::size_t>(FewestFittedPoints)) {
        const std::string measured =
            measurement.Points.empty()
                ? "no points"
                : "points from " + Fixed(measurement.Points.front().FrequencyMHz, 3) + " to " +
                      Fixed(measurement.Points.back().FrequencyMHz, 3) + " MHz";
        throw TuneError(TuneErrorKind::MeasurementOutOfBand,
                        std::to_string(inBand.size()) + " of the measured " + measured +
                            " lie within " + Fixed(low, 3) + " to " + Fixed(high, 3) +
                            " MHz; at least " + std::to_string(FewestFittedPoints) + " are needed");
    }
    std::vector<MeasuredPoint> fitted;
    for (const std::size_t i :
         SpreadIndices(inBand.size(), static_cast<std::size_t>(settings.MostFrequencies))) {
        fitted.push_back(inBand[i]);
    }

    FitSearch search(design, engine, std::move(fitted), measurement.ReferenceOhm);
    if (!search.MeanSquare({1.0, 1.0})) {
        throw ModelError(ModelErrorKind::NotModellable, search.Why());
    }
    nlopt::opt optimiser =
        BoundedOptimiser(nlopt::LN_BOBYQA, settings.LowestScale, settings.HighestScale);
    optimiser.set_min_objective(FitSearch::Objective, &search);
    optimiser.set_initial_step(0.02);
    optimiser.set_xtol_abs(1e-4);
    optimiser.set_maxeval(settings.MostRuns);
    search.Minimise(optimiser, {1.0, 1.0});
    if (!search.Best()) {
        throw TuneError(
            TuneErrorKind::OptimiserFailed,
            search.Failure().empty() ? "no factors in range could be modelled" : search.Failure());
    }
    FitResult result;
    result.Scales = search.Best()->first;
    result.Residual = std::sqrt(search.Best()->second);
    result.FrequenciesMHz = search.Frequencies();
    result.Nec2cRuns = engine.Runs();
    return result;
}

ModelFigures ModelScaled(const LoopDesign& design, LoopScales scales, const DeckEvaluator& evaluate,
                         const LineRequest& line) {
    const HelixGeometry geometry = BuildScaledGeometry(design, scales);
    return ComputeModelFigures(geometry, evaluate(WriteNecDeck(geometry)), {}, line);
}

TrimAdvice AdviseTrim(const LoopDesign& design, LoopScales fitted, LoopScales target,
                      double referenceOhm, const DeckEvaluator& evaluate) {
    CountedEngine engine(evaluate);
    const HelixDimensions d = BuildScaledGeometry(design, {}).Dimensions;
    const auto trim = [](double fittedScale, double targetScale, float perimeter) {
        const double displayed = DisplayedPerimeterMm(perimeter);
        // The loop is fittedScale x the perimeter long and should be targetScale x; half the
        // difference comes off each of its two helical elements.
        return LoopTrim{fittedScale, (fittedScale - 1.0) * displayed, (fittedScale - 1.0) * 100.0,
                        (fittedScale - targetScale) * displayed / 2.0};
    };
    TrimAdvice advice;
    advice.Target = target;
    advice.Small = trim(fitted.Small, target.Small, d.SmallLoopPerimeter);
    advice.Large = trim(fitted.Large, target.Large, d.LargeLoopPerimeter);
    advice.ReferenceOhm = referenceOhm;
    const HelixGeometry after = BuildScaledGeometry(design, target);
    advice.After = ComputeModelFigures(after, engine.Run(WriteNecDeck(after)));
    advice.SwrAfter = SwrOf(ReflectionOf(advice.After.Impedance, referenceOhm));
    advice.Nec2cRuns = engine.Runs();
    return advice;
}

ResonanceSensitivity ComputeResonanceSensitivity(const LoopDesign& design,
                                                 const ModelFigures& figures,
                                                 const DeckEvaluator& evaluate, int points,
                                                 double halfSpan, LoopScales around) {
    ResonanceSensitivity sensitivity;
    if (!figures.ResonanceMHz) {
        return sensitivity;
    }
    CountedEngine engine(evaluate);
    const double resonance = *figures.ResonanceMHz;
    // Each side, the resonance is looked for within +-halfSpan of the design's, a 1 % change of
    // a loop moving it by less than 1 %.
    constexpr double Step = 0.01;
    const std::vector<double> frequencies = SpreadFrequencies(resonance, points, halfSpan);
    const HelixDimensions d = ScaledDimensions(BuildScaledGeometry(design, {}).Dimensions, around);
    std::string why;
    const auto resonanceAt = [&](LoopScales scales) -> std::optional<double> {
        const auto impedances = IfModellable(
            [&] {
                return ModelImpedances(BuildScaledGeometry(design, scales), frequencies, engine);
            },
            why);
        if (!impedances) {
            return std::nullopt;
        }
        std::vector<double> reactances;
        for (const std::complex<double> z : *impedances) {
            reactances.push_back(z.imag());
        }
        return ReactanceZeroNear(frequencies, reactances, resonance);
    };
    const auto slope = [&](LoopScales longer, LoopScales shorter,
                           float perimeter) -> std::optional<double> {
        const std::optional<double> up = resonanceAt(longer);
        const std::optional<double> down = resonanceAt(shorter);
        if (!up || !down) {
            return std::nullopt;
        }
        return (*up - *down) / (2.0 * Step * DisplayedPerimeterMm(perimeter));
    };
    const double small = around.Small;
    const double large = around.Large;
    sensitivity.SmallMHzPerMm =
        slope({small * (1.0 + Step), large}, {small * (1.0 - Step), large}, d.SmallLoopPerimeter);
    sensitivity.LargeMHzPerMm =
        slope({small, large * (1.0 + Step)}, {small, large * (1.0 - Step)}, d.LargeLoopPerimeter);
    sensitivity.Nec2cRuns = engine.Runs();
    return sensitivity;
}

}  // namespace zandrel
