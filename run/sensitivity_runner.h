// How resonance follows each loop's length, for the styles nec2c has modelled: one deck of four
// helices a style, run in the engine's batch ahead of other decks so that a window never waits
// for them.
#pragma once

#include <QObject>
#include <map>
#include <memory>
#include <optional>

#include "engine_batch.h"
#include "loop_tuning.h"
#include "resonance_sensitivity.h"
#include "runtime_error.h"

namespace zandrel {

class SensitivityRunner : public QObject {
    Q_OBJECT

  public:
    struct Outcome {
        std::optional<ResonanceSensitivity> Sensitivity;
        std::optional<RuntimeError> Error;
    };

    explicit SensitivityRunner(QObject* parent = nullptr);
    ~SensitivityRunner() override;

    // Starts on one style's design with its loops scaled `around` (by default the calculator's
    // design), from that antenna's own model's figures, with the quick sensitivity that
    // zandrel2-dims --model gives; Finished(index) follows.
    void Start(int index, const LoopDesign& design, const ModelFigures& figures,
               LoopScales around = {});

    // Stops every run at once, waits until their folders are removed and forgets every
    // outcome; no signal follows.
    void Cancel();

    // A style's outcome; null while it is being found or when it was not asked for.
    const Outcome* OutcomeOf(int index) const;

  signals:
    void Finished(int index);

  private:
    EngineBatch batch_;
    std::map<int, Outcome> outcomes_;
    quint64 generation_ = 0;  // of the outcomes wanted; older ones arrive to be dropped
};

}  // namespace zandrel
