#include "sensitivity_runner.h"

#include <QMetaObject>
#include <new>

#include "model_error.h"
#include "resonance_sensitivity.h"
#include "scaled_design.h"

namespace zandrel {

SensitivityRunner::SensitivityRunner(QObject* parent) : QObject(parent) {}

SensitivityRunner::~SensitivityRunner() { Cancel(); }

void SensitivityRunner::Start(int index, const LoopDesign& design, const ModelFigures& figures,
                              LoopScales around) {
    outcomes_.erase(index);
    const quint64 generation = generation_;
    batch_.Queue(
        [this, index, design, figures, around, generation](const DeckEvaluator& evaluate) {
        Outcome outcome;
        try {
            outcome.Sensitivity = ComputeResonanceSensitivity(design, figures, evaluate, around);
        } catch (const RuntimeError& error) {
            outcome.Error = error;
        } catch (const std::bad_alloc&) {
            outcome.Error = ModelError(ModelErrorKind::EngineFailed, "there was not enough memory");
        } catch (const std::exception& error) {
            outcome.Error = ModelError(ModelErrorKind::EngineFailed, error.what());
        }
        if (batch_.Stopped()) {
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
        },
        SensitivityPriority);
}

void SensitivityRunner::Cancel() {
    ++generation_;
    batch_.Cancel();
    outcomes_.clear();
}

const SensitivityRunner::Outcome* SensitivityRunner::OutcomeOf(int index) const {
    const auto found = outcomes_.find(index);
    return found == outcomes_.end() ? nullptr : &found->second;
}

}  // namespace zandrel
