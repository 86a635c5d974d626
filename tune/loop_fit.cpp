#include "loop_fit.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <limits>
#include <map>
#include <mutex>
#include <numbers>
#include <utility>

#include "model_texts.h"
#include "modelled_runs.h"
#include "nec_deck.h"
#include "tune_error.h"

namespace zandrel {

namespace {

constexpr int FewestFittedPoints = 5;
// |S11| a passive antenna stays below, with room for a VNA's error.
constexpr double MostPassiveReflection = 1.05;
// The joint 95 % point of chi-square with two degrees of freedom: the two factors.
constexpr double JointChiSquare95 = 5.991;
constexpr double SpeedOfLightMPerS = 299792458.0;
constexpr double Infinite = std::numeric_limits<double>::infinity();

FedLoops FedFor(MeasuredPart part) {
    switch (part) {
        case MeasuredPart::SmallLoop:
            return FedLoops::SmallAlone;
        case MeasuredPart::LargeLoop:
            return FedLoops::LargeAlone;
        case MeasuredPart::Whole:
            break;
    }
    return FedLoops::Both;
}

// One measurement's fitted points, as the objective compares them with the model.
struct FittedPart {
    FedLoops Fed = FedLoops::Both;
    double ReferenceOhm = 50.0;
    std::vector<double> FrequenciesMHz;
    std::vector<std::complex<double>> Measured;
};

FittedPart PrepareFitted(const PartMeasurement& part, const FitSettings& settings, double f0) {
    const Measurement measurement = settings.Cable.LengthM > 0.0
                                        ? RemoveCable(part.Data, settings.Cable, f0)
                                        : part.Data;
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
                        part.Name + ": " + std::to_string(inBand.size()) + " of the measured " +
                            measured + " lie within " + Fixed(low, 3) + " to " + Fixed(high, 3) +
                            " MHz; at least " + std::to_string(FewestFittedPoints) +
                            " are needed");
    }
    for (const MeasuredPoint& point : inBand) {
        const double magnitude = std::abs(point.Reflection);
        if (!(magnitude <= MostPassiveReflection)) {
            const std::string where =
                point.Line > 0 ? "line " + std::to_string(point.Line) + ": " : std::string();
            throw TuneError(TuneErrorKind::NotAMeasurement,
                            part.Name + ": " + where + "|S11| is " + Fixed(magnitude, 3) + " at " +
                                Fixed(point.FrequencyMHz, 3) + " MHz" +
                                (settings.Cable.LengthM > 0.0 ? " with the cable taken off" : "") +
                                ", above the " + Fixed(MostPassiveReflection, 2) +
                                " that an antenna, which gives back no more than it is sent, and "
                                "a VNA's error can reach");
        }
    }
    FittedPart fitted;
    fitted.Fed = FedFor(part.Part);
    fitted.ReferenceOhm = measurement.ReferenceOhm;
    for (const std::size_t i :
         SpreadIndices(inBand.size(), static_cast<std::size_t>(settings.MostFrequencies))) {
        fitted.FrequenciesMHz.push_back(inBand[i].FrequencyMHz);
        fitted.Measured.push_back(inBand[i].Reflection);
    }
    return fitted;
}

// The best electrical length and loss of a cable in front of the model, for reflections
// modelled and measured at the frequencies: the mean square left. Scans the length finely
// enough that no phase turn is missed, then refines it.
double CableMeanSquare(const std::vector<double>& frequenciesMHz,
                       const std::vector<std::complex<double>>& modelled,
                       const std::vector<std::complex<double>>& measured, double& lengthM) {
    const double highest = *std::max_element(frequenciesMHz.begin(), frequenciesMHz.end());
    const double wavelength = SpeedOfLightMPerS / (highest * 1e6);
    const double step = wavelength / 80.0;
    const double longest = 20.0 * wavelength;
    const auto meanSquare = [&](double length) {
        // The cable turns the phase by twice its length and takes a real share off |S11|.
        std::vector<std::complex<double>> turned;
        double across = 0.0;
        double power = 0.0;
        for (std::size_t i = 0; i < modelled.size(); ++i) {
            const double phase =
                -4.0 * std::numbers::pi * frequenciesMHz[i] * 1e6 * length / SpeedOfLightMPerS;
            turned.push_back(modelled[i] * std::polar(1.0, phase));
            across += (std::conj(turned.back()) * measured[i]).real();
            power += std::norm(turned.back());
        }
        const double share = power > 0.0 ? std::clamp(across / power, 0.0, 1.0) : 1.0;
        double sum = 0.0;
        for (std::size_t i = 0; i < modelled.size(); ++i) {
            sum += std::norm(share * turned[i] - measured[i]);
        }
        return sum / static_cast<double>(modelled.size());
    };
    double best = meanSquare(0.0);
    lengthM = 0.0;
    for (double length = step; length <= longest; length += step) {
        const double value = meanSquare(length);
        if (value < best) {
            best = value;
            lengthM = length;
        }
    }
    double low = std::max(0.0, lengthM - step);
    double high = lengthM + step;
    for (int i = 0; i < 40; ++i) {
        const double a = low + (high - low) / 3.0;
        const double b = high - (high - low) / 3.0;
        if (meanSquare(a) < meanSquare(b)) {
            high = b;
        } else {
            low = a;
        }
    }
    const double refined = meanSquare((low + high) / 2.0);
    if (refined < best) {
        best = refined;
        lengthM = (low + high) / 2.0;
    }
    return best;
}

// The mean square distance between the modelled and measured reflections of every fitted point,
// for any pair of factors; several threads may ask at once, and a pair asked before is not
// modelled again.
class FitObjective {
  public:
    FitObjective(const LoopDesign& design, std::vector<FittedPart> parts, CountedEngine& engine,
                 double lowest, double highest)
        : design_(design),
          parts_(std::move(parts)),
          engine_(engine),
          lowest_(lowest),
          highest_(highest) {
        for (const FittedPart& part : parts_) {
            points_ += part.Measured.size();
        }
    }

    // Infinite where the factors leave the range or make a helix that cannot be modelled.
    double MeanSquare(double small, double large) {
        if (!(small >= lowest_ - 1e-12 && small <= highest_ + 1e-12 && large >= lowest_ - 1e-12 &&
              large <= highest_ + 1e-12)) {
            return Infinite;
        }
        const std::pair<double, double> key{small, large};
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            const auto found = seen_.find(key);
            if (found != seen_.end()) {
                return found->second.MeanSquare;
            }
        }
        std::string why;
        std::vector<std::complex<double>> modelled;
        bool modellable = true;
        for (const FittedPart& part : parts_) {
            const auto impedances = IfModellable(
                [&] {
                    return ModelImpedances(
                        BuildScaledGeometry(design_, {small, large}, part.Fed),
                        part.FrequenciesMHz, engine_);
                },
                why);
            if (!impedances) {
                modellable = false;
                break;
            }
            for (const std::complex<double> z : *impedances) {
                modelled.push_back(ReflectionOf(z, part.ReferenceOhm));
            }
        }
        Evaluated evaluated;
        if (modellable) {
            double sum = 0.0;
            std::size_t k = 0;
            for (const FittedPart& part : parts_) {
                for (const std::complex<double> measured : part.Measured) {
                    sum += std::norm(modelled[k++] - measured);
                }
            }
            evaluated.MeanSquare = sum / static_cast<double>(points_);
            evaluated.Modelled = std::move(modelled);
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!modellable) {
            why_ = why;
        }
        return seen_.emplace(key, std::move(evaluated)).first->second.MeanSquare;
    }

    // The mean square with a cable's length and loss fitted too, at factors already asked.
    double CableMeanSquareAt(double small, double large, double& lengthM) {
        MeanSquare(small, large);
        std::vector<std::complex<double>> modelled;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            modelled = seen_.at({small, large}).Modelled;
        }
        if (modelled.empty()) {
            return Infinite;
        }
        std::vector<double> frequencies;
        std::vector<std::complex<double>> measured;
        for (const FittedPart& part : parts_) {
            frequencies.insert(frequencies.end(), part.FrequenciesMHz.begin(),
                               part.FrequenciesMHz.end());
            measured.insert(measured.end(), part.Measured.begin(), part.Measured.end());
        }
        return CableMeanSquare(frequencies, modelled, measured, lengthM);
    }

    // Every pair of factors asked so far that could be modelled.
    std::vector<LoopScales> Asked() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::vector<LoopScales> asked;
        for (const auto& [key, evaluated] : seen_) {
            if (!evaluated.Modelled.empty()) {
                asked.push_back({key.first, key.second});
            }
        }
        return asked;
    }

    std::size_t Points() const { return points_; }
    double Lowest() const { return lowest_; }
    double Highest() const { return highest_; }
    std::string Why() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return why_;
    }

  private:
    struct Evaluated {
        double MeanSquare = Infinite;
        std::vector<std::complex<double>> Modelled;
    };

    const LoopDesign& design_;
    std::vector<FittedPart> parts_;
    CountedEngine& engine_;
    double lowest_;
    double highest_;
    std::size_t points_ = 0;
    mutable std::mutex mutex_;
    std::map<std::pair<double, double>, Evaluated> seen_;
    std::string why_;
};

// A point of the valley's floor: at a split d = small - large of the two factors, the total's
// mean m = (small + large) / 2 that fits best, its mean square, and the curvature across the
// valley there (the mean square grows by Curvature x (m - M)^2).
struct ValleyPoint {
    double D = 0.0;
    double M = 1.0;
    double MeanSquare = Infinite;
    double Curvature = 0.0;
};

// Runs `other` on a thread of its own and `here` on this one; raises what either raised once
// both have ended.
void RunSideBySide(const std::function<void()>& here, const std::function<void()>& other) {
    std::future<void> elsewhere = std::async(std::launch::async, other);
    std::exception_ptr failure;
    try {
        here();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        elsewhere.get();
    } catch (...) {
        if (!failure) {
            failure = std::current_exception();
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

class ValleySearch {
  public:
    explicit ValleySearch(FitObjective& objective) : objective_(objective) {}

    double At(double d, double m) { return objective_.MeanSquare(m + d / 2.0, m - d / 2.0); }

    // The means that keep both factors in range at the split d.
    std::pair<double, double> MeanRange(double d) const {
        return {objective_.Lowest() + std::fabs(d) / 2.0,
                objective_.Highest() - std::fabs(d) / 2.0};
    }

    // The best mean at the split d, looked for from `guess`: a bracket of three points moved
    // downhill until its middle is lowest, then the parabola through them.
    std::optional<ValleyPoint> FloorAt(double d, double guess, double spacing = 0.003) {
        const auto [lowest, highest] = MeanRange(d);
        if (highest - lowest < 2.0 * spacing) {
            return std::nullopt;
        }
        double b = std::clamp(guess, lowest + spacing, highest - spacing);
        double a = b - spacing;
        double c = b + spacing;
        double qa = At(d, a);
        double qb = At(d, b);
        double qc = At(d, c);
        double stride = spacing;
        for (int move = 0; move < 12 && !(qb <= qa && qb <= qc); ++move) {
            stride *= 1.6;
            if (qa < qc) {
                if (a <= lowest) {
                    break;
                }
                c = b;
                qc = qb;
                b = a;
                qb = qa;
                a = std::max(lowest, b - stride);
                qa = At(d, a);
            } else {
                if (c >= highest) {
                    break;
                }
                a = b;
                qa = qb;
                b = c;
                qb = qc;
                c = std::min(highest, b + stride);
                qc = At(d, c);
            }
        }
        ValleyPoint point{d, b, qb, 0.0};
        if (qa < point.MeanSquare) {
            point = {d, a, qa, 0.0};
        }
        if (qc < point.MeanSquare) {
            point = {d, c, qc, 0.0};
        }
        if (!std::isfinite(qa) || !std::isfinite(qb) || !std::isfinite(qc)) {
            return std::isfinite(point.MeanSquare) ? std::optional<ValleyPoint>(point)
                                                   : std::nullopt;
        }
        // The parabola q = A (m - b)^2 + B (m - b) + qb through the three points.
        const double left = (qa - qb) / (a - b);
        const double right = (qc - qb) / (c - b);
        const double curvature = (right - left) / (c - a);
        point.Curvature = std::max(curvature, 0.0);
        if (curvature > 0.0) {
            const double slope = left - curvature * (a - b);
            const double vertex = std::clamp(b - slope / (2.0 * curvature), a, c);
            if (std::fabs(vertex - b) > 1e-6 && std::fabs(vertex - a) > 1e-6 &&
                std::fabs(vertex - c) > 1e-6) {
                const double qv = At(d, vertex);
                if (qv < point.MeanSquare) {
                    point.M = vertex;
                    point.MeanSquare = qv;
                }
            }
        }
        return point;
    }

    // The valley followed from `start` towards one end of the splits: finely while its floor
    // stays near `start`'s, in growing steps beyond.
    std::vector<ValleyPoint> Follow(const ValleyPoint& start, double direction,
                                    const std::function<double(double)>& nearEnough) {
        constexpr double FineStep = 0.004;
        constexpr double LongestStep = 0.08;
        std::vector<ValleyPoint> followed;
        ValleyPoint previous = start;
        ValleyPoint last = start;
        double step = FineStep;
        double lowest = start.MeanSquare;
        const double widest = objective_.Highest() - objective_.Lowest();
        while (std::fabs(last.D) < widest - 1e-9) {
            double d = last.D + direction * step;
            if (std::fabs(d) > widest) {
                d = direction * widest;
            }
            // The floor's mean, carried on along the line through the last two points.
            const double guess =
                followed.empty() ? last.M
                                 : last.M + (last.M - previous.M) / (last.D - previous.D) *
                                                (d - last.D);
            const std::optional<ValleyPoint> point = FloorAt(d, guess);
            if (!point) {
                break;
            }
            followed.push_back(*point);
            previous = last;
            last = *point;
            lowest = std::min(lowest, point->MeanSquare);
            step = point->MeanSquare <= nearEnough(lowest) ? FineStep
                                                           : std::min(step * 2.0, LongestStep);
        }
        return followed;
    }

  private:
    FitObjective& objective_;
};

// The mean square, on the fitted points, that noise alone can add to the best: the residual
// taken as the noise (never less than a VNA's), at the joint 95 % point of the two factors.
double TolerableRise(double bestMeanSquare, std::size_t points) {
    const double n = static_cast<double>(points);
    // Each point is two real numbers; two factors were fitted.
    const double perPart = std::max(bestMeanSquare * n / (2.0 * n - 2.0),
                                    LeastMeasurementNoise * LeastMeasurementNoise / 2.0);
    return JointChiSquare95 * perPart / n;
}

}  // namespace

std::string_view MeasuredPartRole(MeasuredPart part) {
    switch (part) {
        case MeasuredPart::SmallLoop:
            return "small";
        case MeasuredPart::LargeLoop:
            return "large";
        case MeasuredPart::Whole:
            break;
    }
    return "whole";
}

Measurement RemoveCable(const Measurement& measurement, const MeasuringCable& cable,
                        double designMHz) {
    Measurement atFeed = measurement;
    const double nepersPerMetre = cable.LossDbPer100M / 100.0 * std::log(10.0) / 20.0;
    for (MeasuredPoint& point : atFeed.Points) {
        const double f = point.FrequencyMHz;
        const double loss = nepersPerMetre * std::sqrt(f / designMHz) * cable.LengthM;
        const double phase = 2.0 * std::numbers::pi * f * 1e6 * cable.LengthM /
                             (SpeedOfLightMPerS * cable.VelocityFactor);
        // Through the line and back: twice the loss and twice the phase.
        point.Reflection *= std::exp(std::complex<double>(2.0 * loss, 2.0 * phase));
    }
    return atFeed;
}

FitResult FitLoops(const LoopDesign& design, const std::vector<PartMeasurement>& measurements,
                   const DeckEvaluator& evaluate, const FitSettings& settings) {
    CountedEngine engine(evaluate);
    const double f0 = BuildScaledGeometry(design, {}).FrequencyMHz;
    std::vector<FittedPart> parts;
    for (const PartMeasurement& measurement : measurements) {
        parts.push_back(PrepareFitted(measurement, settings, f0));
    }
    FitResult result;
    result.FrequenciesMHz = parts.front().FrequenciesMHz;
    result.LowestMHz = Infinite;
    result.HighestMHz = -Infinite;
    for (const FittedPart& part : parts) {
        result.LowestMHz = std::min(result.LowestMHz, part.FrequenciesMHz.front());
        result.HighestMHz = std::max(result.HighestMHz, part.FrequenciesMHz.back());
    }
    FitObjective objective(design, std::move(parts), engine, settings.LowestScale,
                           settings.HighestScale);
    result.FittedPoints = objective.Points();
    if (!std::isfinite(objective.MeanSquare(1.0, 1.0))) {
        throw ModelError(ModelErrorKind::NotModellable, objective.Why());
    }
    ValleySearch valley(objective);

    // The total: the diagonal scanned over the whole range, then its best refined.
    std::vector<double> means;
    constexpr double DiagonalStep = 0.04;
    for (double m = settings.LowestScale; m <= settings.HighestScale + 1e-9; m += DiagonalStep) {
        means.push_back(m);
    }
    RunSideBySide(
        [&] {
            for (std::size_t i = 0; i < means.size(); i += 2) {
                valley.At(0.0, means[i]);
            }
        },
        [&] {
            for (std::size_t i = 1; i < means.size(); i += 2) {
                valley.At(0.0, means[i]);
            }
        });
    double bestMean = 1.0;
    for (const double m : means) {
        if (valley.At(0.0, m) < valley.At(0.0, bestMean)) {
            bestMean = m;
        }
    }
    std::optional<ValleyPoint> start = valley.FloorAt(0.0, bestMean);
    if (!start) {
        throw TuneError(TuneErrorKind::OptimiserFailed, "no factors in range could be modelled");
    }

    // The split: the valley followed from the diagonal to both ends of the range.
    const std::size_t points = objective.Points();
    const auto nearEnough = [points](double lowest) {
        return lowest + 4.0 * TolerableRise(lowest, points);
    };
    std::vector<ValleyPoint> towardsSmall;
    std::vector<ValleyPoint> towardsLarge;
    RunSideBySide([&] { towardsSmall = valley.Follow(*start, 1.0, nearEnough); },
                  [&] { towardsLarge = valley.Follow(*start, -1.0, nearEnough); });

    std::vector<ValleyPoint> floor(towardsLarge.rbegin(), towardsLarge.rend());
    floor.push_back(*start);
    floor.insert(floor.end(), towardsSmall.begin(), towardsSmall.end());
    const ValleyPoint* deepest = &floor.front();
    for (const ValleyPoint& point : floor) {
        if (point.MeanSquare < deepest->MeanSquare) {
            deepest = &point;
        }
    }

    // The bottom, refined in the two factors.
    struct Polish : Minimisation {
        FitObjective* Objective = nullptr;
        LoopScales Best;
        double Lowest = Infinite;
        static double Value(unsigned, const double* x, double*, void* data) {
            auto& polish = *static_cast<Polish*>(data);
            return polish.Guard([&] {
                const double value = polish.Objective->MeanSquare(x[0], x[1]);
                if (value < polish.Lowest) {
                    polish.Lowest = value;
                    polish.Best = {x[0], x[1]};
                }
                return std::isfinite(value) ? value : 4.0;
            });
        }
    } polish;
    polish.Objective = &objective;
    polish.Best = {deepest->M + deepest->D / 2.0, deepest->M - deepest->D / 2.0};
    polish.Lowest = deepest->MeanSquare;
    nlopt::opt optimiser =
        BoundedOptimiser(nlopt::LN_BOBYQA, settings.LowestScale, settings.HighestScale);
    optimiser.set_min_objective(Polish::Value, &polish);
    optimiser.set_initial_step(0.002);
    optimiser.set_xtol_abs(2e-5);
    optimiser.set_maxeval(16);
    polish.Minimise(optimiser, {polish.Best.Small, polish.Best.Large});
    const LoopScales best = polish.Best;
    const double bestMeanSquare = polish.Lowest;

    // The region the noise cannot tell from the best: every floor point below the threshold,
    // with the valley's width across at it, and the crossings of the threshold between.
    const double threshold = bestMeanSquare + TolerableRise(bestMeanSquare, points);
    ScaleInterval small{best.Small, best.Small};
    ScaleInterval large{best.Large, best.Large};
    const auto include = [&](double d, double m, double halfWidth) {
        small.Low = std::min(small.Low, m - halfWidth + d / 2.0);
        small.High = std::max(small.High, m + halfWidth + d / 2.0);
        large.Low = std::min(large.Low, m - halfWidth - d / 2.0);
        large.High = std::max(large.High, m + halfWidth - d / 2.0);
    };
    const auto widthAcross = [&](const ValleyPoint& point) {
        const double room = threshold - point.MeanSquare;
        return room > 0.0 && point.Curvature > 0.0 ? std::sqrt(room / point.Curvature) : 0.0;
    };
    const ValleyPoint& nearestBest = *std::min_element(
        floor.begin(), floor.end(), [&](const ValleyPoint& a, const ValleyPoint& b) {
            return std::fabs(a.D - (best.Small - best.Large)) <
                   std::fabs(b.D - (best.Small - best.Large));
        });
    include(best.Small - best.Large, (best.Small + best.Large) / 2.0,
            widthAcross({0.0, 0.0, bestMeanSquare, nearestBest.Curvature}));
    for (std::size_t i = 0; i < floor.size(); ++i) {
        const ValleyPoint& point = floor[i];
        if (point.MeanSquare > threshold) {
            continue;
        }
        include(point.D, point.M, widthAcross(point));
        for (const std::size_t j : {i + 1, i - 1}) {
            if (j >= floor.size() || floor[j].MeanSquare <= threshold) {
                continue;
            }
            const ValleyPoint& outside = floor[j];
            // Where the floor crosses the threshold: linearly between the two points, or, on a
            // floor that rises as a parabola from the best, further out; the wider of the two.
            const double linear =
                (threshold - point.MeanSquare) / (outside.MeanSquare - point.MeanSquare);
            const double bestD = best.Small - best.Large;
            const double reach = outside.D - bestD;
            const double parabolic =
                std::fabs(reach) > 0.0
                    ? (bestD + reach * std::sqrt((threshold - bestMeanSquare) /
                                                 (outside.MeanSquare - bestMeanSquare)) -
                       point.D) /
                          (outside.D - point.D)
                    : 0.0;
            const double share = std::clamp(std::max(linear, parabolic), 0.0, 1.0);
            include(point.D + share * (outside.D - point.D),
                    point.M + share * (outside.M - point.M), 0.0);
        }
    }
    const auto clampToRange = [&](ScaleInterval& interval) {
        interval.Low = std::max(interval.Low, settings.LowestScale);
        interval.High = std::min(interval.High, settings.HighestScale);
    };
    clampToRange(small);
    clampToRange(large);

    result.Scales = best;
    result.Small = small;
    result.Large = large;
    result.Residual = std::sqrt(bestMeanSquare);
    constexpr double AtTheEnd = 1e-3;
    for (const double factor : {best.Small, best.Large}) {
        if (factor <= settings.LowestScale + AtTheEnd || factor >= settings.HighestScale - AtTheEnd) {
            result.AtLimit = true;
        }
    }

    // A cable not given: would its electrical length, fitted as a third unknown, explain the
    // measurement at least twice as well?
    if (result.Residual > CableCheckResidual) {
        struct CableSearch : Minimisation {
            FitObjective* Objective = nullptr;
            double Lowest = Infinite;
            double LengthM = 0.0;
            static double Value(unsigned, const double* x, double*, void* data) {
                auto& search = *static_cast<CableSearch*>(data);
                return search.Guard([&] {
                    double length = 0.0;
                    const double value = search.Objective->CableMeanSquareAt(x[0], x[1], length);
                    if (value < search.Lowest) {
                        search.Lowest = value;
                        search.LengthM = length;
                    }
                    return std::isfinite(value) ? value : 4.0;
                });
            }
        } cable;
        cable.Objective = &objective;
        nlopt::opt cableOptimiser =
            BoundedOptimiser(nlopt::LN_BOBYQA, settings.LowestScale, settings.HighestScale);
        cableOptimiser.set_min_objective(CableSearch::Value, &cable);
        cableOptimiser.set_initial_step(0.01);
        cableOptimiser.set_xtol_abs(1e-4);
        cableOptimiser.set_maxeval(40);
        // From the factors asked so far that a cable explains best: no new runs to find them.
        LoopScales from = best;
        double lowest = Infinite;
        for (const LoopScales asked : objective.Asked()) {
            double length = 0.0;
            const double value = objective.CableMeanSquareAt(asked.Small, asked.Large, length);
            if (value < lowest) {
                lowest = value;
                from = asked;
            }
        }
        cable.Minimise(cableOptimiser, {from.Small, from.Large});
        result.CableResidual = std::sqrt(cable.Lowest);
        result.CableElectricalLengthM = cable.LengthM;
        result.CableSuspected = result.CableResidual <= result.Residual / 2.0;
    }
    result.Nec2cRuns = engine.Runs();
    return result;
}

TrimAdvice AdviseTrim(const LoopDesign& design, const FitResult& fit, LoopScales target,
                      double referenceOhm, const DeckEvaluator& evaluate) {
    CountedEngine engine(evaluate);
    const HelixDimensions d = BuildScaledGeometry(design, {}).Dimensions;
    const auto trim = [](double fitted, ScaleInterval interval, double goal, float perimeter) {
        const double displayed = DisplayedMillimetres(perimeter);
        LoopTrim loop;
        loop.Scale = fitted;
        loop.TargetScale = goal;
        // The loop is fitted x the perimeter long and should be goal x; half the difference
        // comes off each of its two helical elements.
        loop.ErrorMm = (fitted - goal) * displayed;
        loop.ErrorPercent = (fitted / goal - 1.0) * 100.0;
        loop.TrimPerElementMm = loop.ErrorMm / 2.0;
        loop.IntervalLowMm = (interval.Low - goal) * displayed / 2.0;
        loop.IntervalHighMm = (interval.High - goal) * displayed / 2.0;
        loop.CutNowPerElementMm =
            std::max(0.0, std::min(loop.TrimPerElementMm, loop.IntervalLowMm));
        return loop;
    };
    TrimAdvice advice;
    advice.Target = target;
    advice.Small = trim(fit.Scales.Small, fit.Small, target.Small, d.SmallLoopPerimeter);
    advice.Large = trim(fit.Scales.Large, fit.Large, target.Large, d.LargeLoopPerimeter);
    advice.ReferenceOhm = referenceOhm;
    for (const LoopTrim& loop : {advice.Small, advice.Large}) {
        if (loop.IntervalHighMm - loop.IntervalLowMm > AmbiguousWidthMm) {
            advice.Ambiguous = true;
        }
    }
    advice.Withheld = fit.CableSuspected               ? WithheldReason::CableSuspected
                      : fit.Residual > PoorFitResidual ? WithheldReason::PoorFit
                      : fit.AtLimit                    ? WithheldReason::AtLimit
                                                       : WithheldReason::None;
    const auto modelled = [&](LoopScales scales) {
        const HelixGeometry geometry = BuildScaledGeometry(design, scales);
        ModelledState state;
        state.Figures = ComputeModelFigures(geometry, engine.Run(WriteNecDeck(geometry)));
        state.Swr = SwrOf(ReflectionOf(state.Figures.Impedance, referenceOhm));
        return state;
    };
    advice.Now = modelled(fit.Scales);
    advice.AtTarget = modelled(target);
    advice.Nec2cRuns = engine.Runs();
    return advice;
}

}  // namespace zandrel
