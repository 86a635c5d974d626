// The nec2c runs that a command makes from threads of its own (tuning, fitting, sensitivity),
// and stopping them all when a signal asks the program to end.
#pragma once

#include <exception>
#include <functional>

#include "engine_batch.h"

namespace zandrel {

class SignalCatcher;

// What an evaluator raises once the runs were stopped.
struct RunsStopped : std::exception {
    const char* what() const noexcept override { return "the nec2c runs were stopped"; }
};

class EngineRuns {
  public:
    // Runs each deck in nec2c in the engine's batch, with its limits (no input, a time limit,
    // capped files), unless the runs were stopped: then it raises RunsStopped.
    DeckEvaluator Evaluator();

    // No run starts from now on, and the runs under way are killed, so that they end at once
    // and remove their folders as they unwind.
    void Stop() { batch_.Stop(); }
    bool Stopped() const { return batch_.Stopped(); }

  private:
    EngineBatch batch_;
};

// Runs `work` on a thread of its own while the event loop of this thread, with a
// QCoreApplication made, waits for it or for a signal that `catcher` catches. Returns the work's
// status; after a signal, stops the runs, waits for the work to unwind, says so on stderr and
// returns 128 + the signal. An exception that leaves the work is reported and gives 1.
int RunUntilDoneOrSignalled(EngineRuns& runs, SignalCatcher& catcher,
                            const std::function<int()>& work);

// Says on stderr that the output `path`, a FIFO, waits for a program to read it: a command's
// output waits for its reader until SIGINT, SIGTERM or SIGHUP.
void SayWaitingForReader(const std::string& path);

}  // namespace zandrel
