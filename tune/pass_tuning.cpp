#include "pass_tuning.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <nlopt.hpp>
#include <string>
#include <vector>

#include "model_error.h"
#include "modelled_runs.h"
#include "nec_deck.h"
#include "tune_error.h"

namespace zandrel {

namespace {

// A pair of factors, modelled or not.
struct FactorsModel {
    PassModel Model;
    bool Modellable = false;
    std::string Why;  // when not modellable
};

FactorsModel ModelForPass(const LoopDesign& design, LoopScales scales,
                          const PassTuneSettings& settings, CountedEngine& engine) {
    FactorsModel point;
    point.Model.Scales = scales;
    DeckRequest request;
    request.Runs = DeckRuns::Pattern;
    const auto modelled = IfModellable(
        [&] {
            const HelixGeometry geometry = BuildScaledGeometry(design, scales);
            const NecOutput output = engine.Run(WriteNecDeck(geometry, request));
            if (output.Runs.size() != 1) {
                Unreadable("the output does not have the one frequency the deck asked for");
            }
            const FrequencyRun& run = output.Runs.front();
            PassModel model;
            model.Scales = scales;
            model.Impedance = InputImpedance(geometry, run);
            const std::vector<ElevationGain> gains = ElevationGainsOf(run.Pattern, request, geometry.Install.HasGround());
            model.Pass = ComputePassFigures(gains, design.Sense, settings.AltitudeKm);
            const ElevationGain& zenith = gains.back();
            const bool right = design.Sense == Polarisation::Rhcp;
            model.CrossPolarRejectionDb =
                right ? zenith.RhcpDbic - zenith.LhcpDbic : zenith.LhcpDbic - zenith.RhcpDbic;
            model.ZenithAxialRatioDb = AxialRatioDb(run.Pattern.front());
            model.Network =
                DesignLNetwork(model.Impedance, settings.Line.Z0Ohm, geometry.FrequencyMHz);
            return model;
        },
        point.Why);
    if (modelled) {
        point.Model = *modelled;
        point.Modellable = true;
    }
    return point;
}

// The search: the pass model of every pair of factors NLopt asks about. Its variables are the
// two factors and the floor t that every relative signal from 10° to 90° must reach; it
// maximises t.
class PassSearch : public Minimisation {
  public:
    PassSearch(const LoopDesign& design, const PassTuneSettings& settings, CountedEngine& engine)
        : design_(design), settings_(settings), engine_(engine) {}

    const FactorsModel& At(LoopScales scales) {
        for (const FactorsModel& point : seen_) {
            if (point.Model.Scales.Small == scales.Small &&
                point.Model.Scales.Large == scales.Large) {
                return point;
            }
        }
        seen_.push_back(ModelForPass(design_, scales, settings_, engine_));
        return seen_.back();
    }

    const std::deque<FactorsModel>& Seen() const { return seen_; }

    // How far a modelled point lies beyond the cross-polar and parts limits; 0 within both.
    double BeyondLimits(const PassModel& model) const {
        return std::max({0.0, settings_.CrossPolarRejectionDb - model.CrossPolarRejectionDb,
                         DecadesBeyondPractical(model.Network)});
    }

    static double Objective(unsigned, const double* x, double*, void*) { return -x[2]; }

    // Each elevation's t - signal, then the rejection's shortfall, then the parts' decades
    // beyond practical: all at most 0.
    static void Constraints(unsigned m, double* result, unsigned, const double* x, double*,
                            void* data) {
        auto& search = *static_cast<PassSearch*>(data);
        search.Guard([&] {
            const FactorsModel& point = search.At({x[0], x[1]});
            constexpr double FarBeyond = 1e3;
            if (!point.Modellable) {
                std::fill(result, result + m, FarBeyond);
                return 0.0;
            }
            unsigned i = 0;
            for (const PassPoint& p : point.Model.Pass.Points) {
                if (p.ElevationDeg >= PassLowestElevationDeg - 1e-6) {
                    result[i++] = x[2] - p.RelativeSignalDb;
                }
            }
            result[i++] =
                search.settings_.CrossPolarRejectionDb - point.Model.CrossPolarRejectionDb;
            result[i] = DecadesBeyondPractical(point.Model.Network);
            return 0.0;
        });
    }

  private:
    const LoopDesign& design_;
    const PassTuneSettings& settings_;
    CountedEngine& engine_;
    std::deque<FactorsModel> seen_;  // stable references
};

}  // namespace

PassTuneResult TuneLoopsForPass(const LoopDesign& design, const DeckEvaluator& evaluate,
                                const PassTuneSettings& settings) {
    RequirePassAltitude(settings.AltitudeKm);
    CountedEngine engine(evaluate);
    const HelixDimensions designDimensions = BuildScaledGeometry(design, {}).Dimensions;
    PassSearch search(design, settings, engine);
    const FactorsModel& start = search.At({1.0, 1.0});
    if (!start.Modellable) {
        throw ModelError(ModelErrorKind::NotModellable, start.Why);
    }
    const PassModel designModel = start.Model;

    std::size_t elevations = 0;
    for (const PassPoint& p : designModel.Pass.Points) {
        elevations += p.ElevationDeg >= PassLowestElevationDeg - 1e-6 ? 1 : 0;
    }
    // Wide enough for any floor a helix gives.
    constexpr double LowestFloorDb = -200.0;
    constexpr double HighestFloorDb = 50.0;
    nlopt::opt optimiser(nlopt::LN_COBYLA, 3);
    optimiser.set_lower_bounds({settings.LowestScale, settings.LowestScale, LowestFloorDb});
    optimiser.set_upper_bounds({settings.HighestScale, settings.HighestScale, HighestFloorDb});
    optimiser.set_min_objective(PassSearch::Objective, nullptr);
    optimiser.add_inequality_mconstraint(PassSearch::Constraints, &search,
                                         std::vector<double>(elevations + 2, 0.0));
    optimiser.set_initial_step({0.05, 0.05, 1.0});
    optimiser.set_xtol_abs({1e-4, 1e-4, 1e-3});
    optimiser.set_ftol_abs(1e-3);
    optimiser.set_maxeval(settings.MostRuns);
    const double floor = std::clamp(designModel.Pass.Worst10To90Db, LowestFloorDb, HighestFloorDb);
    search.Minimise(optimiser, {1.0, 1.0, floor});

    // The best point seen: the highest floor within the limits, else the one nearest them.
    const PassModel* best = nullptr;
    for (const FactorsModel& point : search.Seen()) {
        if (!point.Modellable) {
            continue;
        }
        const PassModel& model = point.Model;
        if (best == nullptr) {
            best = &model;
            continue;
        }
        const double beyond = search.BeyondLimits(model);
        const double bestBeyond = search.BeyondLimits(*best);
        if ((beyond == 0.0 && bestBeyond == 0.0)
                ? model.Pass.Worst10To90Db > best->Pass.Worst10To90Db
                : beyond < bestBeyond) {
            best = &model;
        }
    }
    if (best == nullptr) {
        throw TuneError(
            TuneErrorKind::OptimiserFailed,
            search.Failure().empty() ? "no factors in range could be modelled" : search.Failure());
    }
    PassTuneResult result;
    result.Scales = best->Scales;
    result.Dimensions = ScaledDimensions(designDimensions, best->Scales);
    result.MeetsLimits = search.BeyondLimits(*best) == 0.0;
    result.Design = designModel;
    result.Tuned = *best;
    result.Nec2cRuns = engine.Runs();
    return result;
}

}  // namespace zandrel
