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
#include "model_figures.h"
#include "modelled_runs.h"
#include "nec_deck.h"
#include "tune_error.h"

namespace zandrel {

namespace {

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

}  // namespace zandrel
