// The nec2c runs of the whole program share the machine's cores: at most one run a core at
// once, whoever asks for it (the model, the sensitivity, a tuning, a fit), the most wanted
// first. A batch is one caller's runs, stopped and waited for together.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "nec2c_engine.h"

namespace zandrel {

// How many nec2c runs this program has under way at most: one a core.
int EngineRunsAtOnce();

// Priorities of queued work: a larger one starts first. A model's deck takes its segment count,
// so that the largest structure, which ends last, starts first.
inline constexpr int SensitivityPriority = 1'000'000;

class EngineBatch {
  public:
    explicit EngineBatch(const EngineLimits& limits = {});
    // Cancels: no work of the batch outlives it.
    ~EngineBatch();
    EngineBatch(const EngineBatch&) = delete;
    EngineBatch& operator=(const EngineBatch&) = delete;

    // Runs the deck in nec2c on the calling thread once one of the program's runs may start,
    // with the batch's limits. Raises as RunDeckInNec2c does; ModelError(EngineFailed, "the
    // nec2c run was stopped") once the batch is stopped.
    NecOutput Run(const std::string& deck, int priority = 0) const;
    // Run as a DeckEvaluator, for work that models its decks in turn.
    DeckEvaluator Evaluator(int priority = 0) const;

    // Does `work` on a thread of its own, which runs its decks through the evaluator it is
    // given, each at `priority`; its first deck keeps its place in the line from now, so that
    // work of one priority starts in the order it was queued. An exception that leaves the work
    // is dropped: work reports its own errors.
    void Queue(std::function<void(const DeckEvaluator&)> work, int priority = 0);

    // Stops the runs under way at once and every run asked for after, from any thread.
    void Stop();
    bool Stopped() const;
    // Waits until every queued work has ended.
    void Wait();
    // Stops, waits, and takes new work afterwards.
    void Cancel();

    // The limits of the runs that start from now on.
    void SetLimits(const EngineLimits& limits);
    EngineLimits Limits() const;

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace zandrel
