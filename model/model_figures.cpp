#include "model_figures.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>

#include "model_error.h"

namespace zandrel {

namespace {

constexpr double HzPerMHz = 1e6;
constexpr double NoGainDb = -999.99;  // what nec2c writes for no field at all
constexpr double MatchedSwrLimit = 2.0;

[[noreturn]] void Unreadable(const std::string& what) {
    throw ModelError(ModelErrorKind::OutputUnreadable, what);
}

double AngularFrequency(double frequencyMHz) {
    return 2.0 * std::numbers::pi * frequencyMHz * HzPerMHz;
}

bool SameFrequency(double a, double b) { return std::fabs(a - b) <= 1e-4 * std::fabs(b); }

double CircularGainDbic(const PatternPoint& point, std::complex<double> component) {
    const double total = std::norm(point.ETheta) + std::norm(point.EPhi);
    const double part = std::norm(component);
    if (total <= 0.0 || part <= 0.0) {
        return NoGainDb;
    }
    return std::max(NoGainDb, point.TotalDb + 10.0 * std::log10(part / total));
}

double PowerMeanDb(const std::vector<double>& gainsDb) {
    double sum = 0.0;
    for (double gain : gainsDb) {
        sum += std::pow(10.0, gain / 10.0);
    }
    const double mean = sum / static_cast<double>(gainsDb.size());
    return mean > 0.0 ? std::max(NoGainDb, 10.0 * std::log10(mean)) : NoGainDb;
}

// The source of the deck on `tag` in a run's output.
const SourceInput& SourceOn(const FrequencyRun& run, int tag) {
    const auto source = std::find_if(run.Sources.begin(), run.Sources.end(),
                                     [tag](const SourceInput& s) { return s.Tag == tag; });
    if (source == run.Sources.end()) {
        Unreadable("a source of the deck is missing from the output");
    }
    return *source;
}

// The pattern of the design frequency on its theta x phi grid.
class PatternGrid {
  public:
    PatternGrid(const std::vector<PatternPoint>& points, const DeckRequest& request,
                bool upperHalfOnly)
        : step_(request.PatternStepDeg),
          upperHalfOnly_(upperHalfOnly),
          thetas_(static_cast<std::size_t>(PatternThetaCount(request, upperHalfOnly))),
          phis_(static_cast<std::size_t>(PatternPhiCount(request))),
          grid_(thetas_ * phis_, nullptr) {
        if (points.size() != grid_.size()) {
            Unreadable("the radiation pattern has " + std::to_string(points.size()) +
                       " points instead of " + std::to_string(grid_.size()));
        }
        for (const PatternPoint& point : points) {
            const std::size_t t = Index(point.ThetaDeg, thetas_);
            const std::size_t p = Index(point.PhiDeg, phis_);
            if (grid_[t * phis_ + p] != nullptr) {
                Unreadable("the radiation pattern repeats a direction");
            }
            grid_[t * phis_ + p] = &point;
        }
    }

    const PatternPoint& At(std::size_t theta, std::size_t phi) const {
        return *grid_[theta * phis_ + phi];
    }
    std::size_t Thetas() const { return thetas_; }
    std::size_t Phis() const { return phis_; }
    double Step() const { return step_; }
    bool UpperHalfOnly() const { return upperHalfOnly_; }

  private:
    std::size_t Index(double angleDeg, std::size_t count) const {
        const double position = angleDeg / step_;
        const double rounded = std::round(position);
        if (std::fabs(position - rounded) > 1e-3 || rounded < 0.0 ||
            rounded >= static_cast<double>(count)) {
            Unreadable("the radiation pattern has a direction the deck did not ask for");
        }
        return static_cast<std::size_t>(rounded);
    }

    double step_;
    bool upperHalfOnly_;
    std::size_t thetas_;
    std::size_t phis_;
    std::vector<const PatternPoint*> grid_;
};

std::vector<CutPoint> VerticalCut(const PatternGrid& grid, std::size_t phi) {
    std::vector<CutPoint> cut;
    const std::size_t opposite = (phi + grid.Phis() / 2) % grid.Phis();
    for (std::size_t t = 0; t < grid.Thetas(); ++t) {
        const PatternPoint& point = grid.At(t, phi);
        cut.push_back({point.ThetaDeg, RhcpGainDbic(point), LhcpGainDbic(point)});
    }
    // The full sphere's nadir is already in; the half's horizon on the opposite side is not.
    for (std::size_t t = grid.Thetas() - (grid.UpperHalfOnly() ? 0 : 1); t-- > 1;) {
        const PatternPoint& point = grid.At(t, opposite);
        cut.push_back({360.0 - point.ThetaDeg, RhcpGainDbic(point), LhcpGainDbic(point)});
    }
    return cut;
}

std::vector<ElevationGain> ElevationGainsOf(const PatternGrid& grid) {
    std::vector<ElevationGain> gains;
    const std::size_t horizon = static_cast<std::size_t>(std::lround(90.0 / grid.Step()));
    for (std::size_t t = horizon + 1; t-- > 0;) {
        std::vector<double> rhcp;
        std::vector<double> lhcp;
        for (std::size_t p = 0; p < grid.Phis(); ++p) {
            rhcp.push_back(RhcpGainDbic(grid.At(t, p)));
            lhcp.push_back(LhcpGainDbic(grid.At(t, p)));
        }
        gains.push_back({90.0 - grid.At(t, 0).ThetaDeg, PowerMeanDb(rhcp), PowerMeanDb(lhcp)});
    }
    return gains;
}

void ComputePatternFigures(const PatternGrid& grid, ModelFigures& figures) {
    const PatternPoint& zenith = grid.At(0, 0);
    figures.ZenithRhcpDbic = RhcpGainDbic(zenith);
    figures.ZenithLhcpDbic = LhcpGainDbic(zenith);
    figures.ZenithSense = zenith.Sense;
    if (!grid.UpperHalfOnly()) {
        figures.FrontToBackDb = zenith.TotalDb - grid.At(grid.Thetas() - 1, 0).TotalDb;
    }
    figures.AxialRatioDb = AxialRatioDb(zenith);

    figures.ElevationGains = ElevationGainsOf(grid);
    if (!grid.UpperHalfOnly()) {
        figures.HorizonRhcpDbic = figures.ElevationGains.front().RhcpDbic;
        figures.HorizonLhcpDbic = figures.ElevationGains.front().LhcpDbic;
    }

    const PatternPoint* best = &zenith;
    for (std::size_t t = 0; t < grid.Thetas(); ++t) {
        for (std::size_t p = 0; p < grid.Phis(); ++p) {
            if (grid.At(t, p).TotalDb > best->TotalDb) {
                best = &grid.At(t, p);
            }
        }
    }
    figures.MaxGainDbi = best->TotalDb;
    figures.MaxGainElevationDeg = 90.0 - best->ThetaDeg;
    figures.CutXz = VerticalCut(grid, 0);
    figures.CutYz = VerticalCut(grid, grid.Phis() / 4);
}

// The impedance between the sweep's points: a cubic through the four nearest points, for R and
// X each, since both vary smoothly over the sweep.
class ImpedanceCurve {
  public:
    explicit ImpedanceCurve(const std::vector<SweepPoint>& sweep) : sweep_(sweep) {}

    std::complex<double> At(double frequencyMHz) const {
        const std::size_t n = sweep_.size();
        if (n < 4) {
            return sweep_[Nearest(frequencyMHz)].Impedance;
        }
        std::size_t first = std::min(Interval(frequencyMHz), n - 1);
        first = std::min(first > 0 ? first - 1 : 0, n - 4);
        std::complex<double> sum;
        for (std::size_t i = first; i < first + 4; ++i) {
            double weight = 1.0;
            for (std::size_t j = first; j < first + 4; ++j) {
                if (j != i) {
                    weight *= (frequencyMHz - sweep_[j].FrequencyMHz) /
                              (sweep_[i].FrequencyMHz - sweep_[j].FrequencyMHz);
                }
            }
            sum += weight * sweep_[i].Impedance;
        }
        return sum;
    }

  private:
    std::size_t Interval(double frequencyMHz) const {
        std::size_t i = 0;
        while (i + 2 < sweep_.size() && sweep_[i + 1].FrequencyMHz <= frequencyMHz) {
            ++i;
        }
        return i;
    }
    std::size_t Nearest(double frequencyMHz) const {
        std::size_t best = 0;
        for (std::size_t i = 1; i < sweep_.size(); ++i) {
            if (std::fabs(sweep_[i].FrequencyMHz - frequencyMHz) <
                std::fabs(sweep_[best].FrequencyMHz - frequencyMHz)) {
                best = i;
            }
        }
        return best;
    }

    const std::vector<SweepPoint>& sweep_;
};

// Where `above` first turns true going from `from` to `to`, found on a fine grid and then
// narrowed by bisection; empty when it stays false all the way.
template <typename Predicate>
std::optional<double> FirstCrossing(double from, double to, int steps, Predicate above) {
    double inside = from;
    for (int i = 1; i <= steps; ++i) {
        const double f = from + (to - from) * i / steps;
        if (above(f)) {
            double outside = f;
            for (int halving = 0; halving < 40; ++halving) {
                const double middle = (inside + outside) / 2.0;
                (above(middle) ? outside : inside) = middle;
            }
            return (inside + outside) / 2.0;
        }
        inside = f;
    }
    return std::nullopt;
}

void ComputeSweepFigures(const HelixGeometry& geometry, const NecOutput& output,
                         const DeckRequest& request, ModelFigures& figures) {
    const std::vector<double> frequencies = SweepFrequencies(geometry.FrequencyMHz, request);
    const double resistance = figures.Impedance.real();
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        const FrequencyRun& run = output.Runs[i + 1];
        if (!SameFrequency(run.FrequencyMHz, frequencies[i])) {
            Unreadable("the sweep's frequencies are not the deck's");
        }
        const std::complex<double> z = InputImpedance(geometry, run);
        const std::complex<double> matched{z.real(),
                                           z.imag() + figures.Match.ReactanceAt(frequencies[i])};
        figures.Sweep.push_back(
            {frequencies[i], z, SwrOn(matched, resistance),
             SwrOn(figures.Line.Network.InputImpedance(z, frequencies[i]), figures.Line.Z0Ohm)});
    }

    const std::vector<SweepPoint>& sweep = figures.Sweep;
    const ImpedanceCurve curve(sweep);
    constexpr int FineSteps = 4000;
    const double f0 = figures.FrequencyMHz;
    const double low = sweep.front().FrequencyMHz;
    const double high = sweep.back().FrequencyMHz;
    const double x0 = curve.At(f0).imag();
    const auto reactanceChanged = [&](double f) {
        const double x = curve.At(f).imag();
        return x == 0.0 || (x < 0.0) != (x0 < 0.0);
    };
    const std::optional<double> below = FirstCrossing(f0, low, FineSteps, reactanceChanged);
    const std::optional<double> above = FirstCrossing(f0, high, FineSteps, reactanceChanged);
    if (below || above) {
        figures.ResonanceMHz = !above || (below && f0 - *below < *above - f0) ? below : above;
        figures.ResonanceROhm = curve.At(*figures.ResonanceMHz).real();
    }
    const auto mismatched = [&](double f) {
        const std::complex<double> z = curve.At(f);
        return SwrOn({z.real(), z.imag() + figures.Match.ReactanceAt(f)}, resistance) >
               MatchedSwrLimit;
    };
    figures.BandwidthLowMHz = FirstCrossing(f0, low, FineSteps, mismatched);
    figures.BandwidthHighMHz = FirstCrossing(f0, high, FineSteps, mismatched);
    const auto mismatchedOnTheLine = [&](double f) {
        return SwrOn(figures.Line.Network.InputImpedance(curve.At(f), f), figures.Line.Z0Ohm) >
               MatchedSwrLimit;
    };
    figures.Line.BandwidthLowMHz = FirstCrossing(f0, low, FineSteps, mismatchedOnTheLine);
    figures.Line.BandwidthHighMHz = FirstCrossing(f0, high, FineSteps, mismatchedOnTheLine);
}

// The matches to the line at the design frequency; the sweep's figures follow.
void ComputeLineMatch(const LineRequest& line, ModelFigures& figures) {
    LineMatch& match = figures.Line;
    match.Z0Ohm = line.Z0Ohm;
    match.VelocityFactor = line.VelocityFactor;
    match.SwrUnmatched = SwrOn(figures.Impedance, line.Z0Ohm);
    match.Network = DesignLNetwork(figures.Impedance, line.Z0Ohm, figures.FrequencyMHz);
    match.Parts = AdviseParts(match.Network, figures.Impedance, line, figures.FrequencyMHz);
    const double resistance = figures.Impedance.real();
    match.Transformer = DesignQuarterWave(resistance, line, figures.FrequencyMHz);
    if (match.Transformer.SwrZ0 >= SwrOn(resistance, line.Z0Ohm) * (1.0 - 1e-9)) {
        const QuarterWave pair = DesignParallelQuarterWave(resistance, line, figures.FrequencyMHz);
        if (pair.SwrZ0 < match.Transformer.SwrZ0) {
            match.ParallelTransformer = pair;
        }
    }
}

// Refuses figures that the output's numbers, finite each, made infinite or not a number, such
// as a front-to-back ratio between gains of 1E+308 and -1E+308 dB. An axial ratio may be
// infinite: the zenith's field is linearly polarised.
void RequireFinite(const ModelFigures& f) {
    const auto finite = [](double value) { return std::isfinite(value); };
    const auto finiteOrAbsent = [](const std::optional<double>& value) {
        return !value || std::isfinite(*value);
    };
    bool ok = finite(f.Match.Value) && finite(f.ZenithRhcpDbic) && finite(f.ZenithLhcpDbic) &&
              finiteOrAbsent(f.HorizonRhcpDbic) && finiteOrAbsent(f.HorizonLhcpDbic) &&
              finite(f.MaxGainDbi) && finiteOrAbsent(f.FrontToBackDb) &&
              !std::isnan(f.AxialRatioDb) && finiteOrAbsent(f.ResonanceMHz) &&
              finiteOrAbsent(f.ResonanceROhm) && finiteOrAbsent(f.BandwidthLowMHz) &&
              finiteOrAbsent(f.BandwidthHighMHz) && finite(f.Phasing.PhaseDeg) &&
              finite(f.Phasing.CurrentRatio) && finite(f.Line.SwrUnmatched) &&
              finite(f.Line.Network.Series.Value) && finite(f.Line.Network.Shunt.Value) &&
              finite(f.Line.Transformer.LineOhm) && finite(f.Line.Transformer.SwrZ0) &&
              finiteOrAbsent(f.Line.BandwidthLowMHz) && finiteOrAbsent(f.Line.BandwidthHighMHz);
    for (const std::vector<CutPoint>* cut : {&f.CutXz, &f.CutYz}) {
        for (const CutPoint& point : *cut) {
            ok = ok && finite(point.RhcpDbic) && finite(point.LhcpDbic);
        }
    }
    for (const SweepPoint& point : f.Sweep) {
        ok = ok && !std::isnan(point.Swr) && !std::isnan(point.SwrZ0Matched);
    }
    if (!ok) {
        Unreadable("a figure made from the output is not a finite number");
    }
}

}  // namespace

std::vector<ElevationGain> ElevationGainsOf(const std::vector<PatternPoint>& pattern,
                                            const DeckRequest& request, bool upperHalfOnly) {
    std::vector<ElevationGain> gains =
        ElevationGainsOf(PatternGrid(pattern, request, upperHalfOnly));
    for (const ElevationGain& gain : gains) {
        if (!std::isfinite(gain.RhcpDbic) || !std::isfinite(gain.LhcpDbic)) {
            Unreadable("a gain made from the pattern is not a finite number");
        }
    }
    return gains;
}

std::optional<ElevationGain> ModelFigures::GainsAtElevation(double elevationDeg) const {
    const auto found = std::find_if(ElevationGains.begin(), ElevationGains.end(),
                                    [elevationDeg](const ElevationGain& g) {
                                        return std::fabs(g.ElevationDeg - elevationDeg) < 1e-6;
                                    });
    return found == ElevationGains.end() ? std::nullopt : std::optional(*found);
}

std::complex<double> RightHandField(const PatternPoint& point) {
    return (point.ETheta + std::complex<double>(0.0, 1.0) * point.EPhi) / std::numbers::sqrt2;
}

std::complex<double> LeftHandField(const PatternPoint& point) {
    return (point.ETheta - std::complex<double>(0.0, 1.0) * point.EPhi) / std::numbers::sqrt2;
}

double RhcpGainDbic(const PatternPoint& point) {
    return CircularGainDbic(point, RightHandField(point));
}

double LhcpGainDbic(const PatternPoint& point) {
    return CircularGainDbic(point, LeftHandField(point));
}

double AxialRatioDb(const PatternPoint& point) {
    const double right = std::abs(RightHandField(point));
    const double left = std::abs(LeftHandField(point));
    return right == left ? std::numeric_limits<double>::infinity()
                         : 20.0 * std::log10((right + left) / std::fabs(right - left));
}

// The loops are in parallel on one coax: each source is the coax's voltage, one way round or
// the other, so the coax gives the sum of their currents over their voltages.
std::complex<double> InputImpedance(const HelixGeometry& geometry, const FrequencyRun& run) {
    if (run.Sources.size() != geometry.Sources.size()) {
        Unreadable("a frequency does not have the sources of the deck");
    }
    std::complex<double> admittance;
    for (const FeedSource& fed : geometry.Sources) {
        const SourceInput& source = SourceOn(run, fed.Tag);
        if (std::abs(source.Voltage) == 0.0) {
            Unreadable("a source has no voltage");
        }
        admittance += source.Current / source.Voltage;
    }
    if (std::abs(admittance) == 0.0) {
        Unreadable("the sources draw no current");
    }
    const std::complex<double> impedance = 1.0 / admittance;
    if (!std::isfinite(impedance.real()) || !std::isfinite(impedance.imag())) {
        Unreadable("the sources draw so little current that the impedance is not a finite number");
    }
    return impedance;
}

LoopPhasing PhasingOf(const FrequencyRun& run, int referenceTag, int tag) {
    const std::complex<double> reference = SourceOn(run, referenceTag).Current;
    const std::complex<double> current = SourceOn(run, tag).Current;
    if (std::abs(reference) == 0.0) {
        Unreadable("a loop's source draws no current");
    }
    const std::complex<double> ratio = current / reference;
    double phase = std::arg(ratio) * 180.0 / std::numbers::pi;
    if (phase <= -180.0) {
        phase += 360.0;
    }
    return {phase, std::abs(ratio)};
}

ModelFigures ComputeModelFigures(const HelixGeometry& geometry, const NecOutput& output,
                                 const DeckRequest& request, const LineRequest& line) {
    RequireValidLine(line);
    if (output.Runs.size() != static_cast<std::size_t>(request.SweepPoints) + 1) {
        Unreadable("the output has " + std::to_string(output.Runs.size()) +
                   " frequencies instead of " + std::to_string(request.SweepPoints + 1));
    }
    ModelFigures figures;
    figures.FrequencyMHz = geometry.FrequencyMHz;
    const FrequencyRun& design = output.Runs.front();
    if (!SameFrequency(design.FrequencyMHz, geometry.FrequencyMHz)) {
        Unreadable("the output's design frequency is not the deck's");
    }
    figures.Impedance = InputImpedance(geometry, design);
    const double reactance = figures.Impedance.imag();
    if (reactance < 0.0) {
        figures.Match = {MatchingKind::Inductor,
                         -reactance / AngularFrequency(figures.FrequencyMHz)};
    } else if (reactance > 0.0) {
        figures.Match = {MatchingKind::Capacitor,
                         1.0 / (AngularFrequency(figures.FrequencyMHz) * reactance)};
    }
    figures.Phasing = PhasingOf(design, geometry.SmallFeedTag, geometry.LargeFeedTag);
    figures.OverGround = geometry.Install.HasGround();
    ComputePatternFigures(PatternGrid(design.Pattern, request, figures.OverGround), figures);
    for (std::size_t i = 1; i < output.Runs.size(); ++i) {
        if (!output.Runs[i].Pattern.empty()) {
            Unreadable("the output has a pattern the deck did not ask for");
        }
    }
    if (!(figures.Impedance.real() > 0.0) || !std::isfinite(std::abs(figures.Impedance))) {
        Unreadable("the input resistance is not a positive, finite number");
    }
    ComputeLineMatch(line, figures);
    ComputeSweepFigures(geometry, output, request, figures);
    RequireFinite(figures);
    return figures;
}

}  // namespace zandrel
