#include "sensitivity_runner.h"

#include <QMetaObject>
#include <new>

#include "model_error.h"

namespace zandrel {

SensitivityRunner::SensitivityRunner(QObject* parent)
    : QObject(parent), stop_(std::make_shared<EngineStop>()) {}

SensitivityRunner::~SensitivityRunner() { Cancel(); }

void SensitivityRunner::Start(int index, const LoopDesign& design, const ModelFigures& figures,
                              LoopScales around) {
    outcomes_.erase(index);
    const quint64 generation = generation_;
    pool_.start([this, index, design, figures, around, generation, stop = stop_] {
        Outcome outcome;
        try {
            outcome.Sensitivity = ComputeResonanceSensitivity(
                design, figures, Nec2cEvaluator(Nec2cTimeLimit, stop), around);
        } catch (const RuntimeError& error) {
            outcome.Error = error;
        } catch (const std::bad_alloc&) {
            outcome.Error = ModelError(ModelErrorKind::EngineFailed, "there was not enough memory");
        } catch (const std::exception& error) {
            outcome.Error = ModelError(ModelErrorKind::EngineFailed, error.what());
        }
        if (stop->Stopped()) {
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, index, generation, outcome = std::move(outcome)] {
                if (generation == generation_) {
                    outcomes_[index] = outcome;
                    emit Finished(index);
                }
            },
            Qt::QueuedConnection);
    });
}

void SensitivityRunner::Cancel() {
    stop_->Stop();
    pool_.clear();
    pool_.waitForDone();
    stop_ = std::make_shared<EngineStop>();
    outcomes_.clear();
    ++generation_;
}

const SensitivityRunner::Outcome* SensitivityRunner::OutcomeOf(int index) const {
    const auto found = outcomes_.find(index);
    return found == outcomes_.end() ? nullptr : &found->second;
}

}  // namespace zandrel
