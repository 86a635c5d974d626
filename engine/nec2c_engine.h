// The NEC-2 engine as a function from a deck to its output, and nec2c run that way.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "model_error.h"
#include "nec_output.h"

namespace zandrel {

// Runs one deck in the NEC-2 engine and returns its output. Tuning and fitting call it for every
// deck they model; the tests give it a stand-in, the programs nec2c.
using DeckEvaluator = std::function<NecOutput(const std::string& deck)>;

inline constexpr std::chrono::milliseconds Nec2cTimeLimit = std::chrono::minutes(1);

// How long one nec2c run may take and how much it may write before it is stopped. A real run
// takes about a second and writes about 300 KB of output and no errors.
struct EngineLimits {
    std::chrono::milliseconds Time = Nec2cTimeLimit;
    std::uintmax_t OutputBytes = std::uintmax_t{16} * 1024 * 1024;  // each file it writes
    std::uintmax_t ErrorBytes = std::uintmax_t{64} * 1024;          // its messages
};

// The names nec2c is given for its deck and its output, in the private folder it runs in: it
// refuses long file names, so it is never given a path.
inline constexpr const char* EngineDeckFile = "deck.nec";
inline constexpr const char* EngineOutputFile = "deck.out";

// The folder the runs' private folders are made in, for every caller: TMPDIR, or /tmp when it
// is unset or empty. Raises ModelError(DeckNotWritten), naming the folder, when it does not
// exist, is not a folder or cannot be written.
std::string EngineTemporaryFolder();

// The engine's file on the PATH. Raises ModelError(EngineMissing), naming the package to
// install, when it is not there.
std::string FindEngine();

// Asks the nec2c runs it is given to end, from any thread: a run under way is stopped at once
// and no run starts after.
class EngineStop {
  public:
    EngineStop();
    ~EngineStop();
    EngineStop(const EngineStop&) = delete;
    EngineStop& operator=(const EngineStop&) = delete;

    void Stop();
    bool Stopped() const { return stopped_.load(); }
    // Readable once stopped; -1 where the system gives no such descriptor.
    int Descriptor() const { return event_; }

  private:
    std::atomic<bool> stopped_{false};
    int event_ = -1;
};

// Runs nec2c on the deck in a private folder in EngineTemporaryFolder(), removed afterwards, as
// its working folder, with its standard input from /dev/null, and reads its output. Stops it,
// with its whole process group, when it runs longer than the limits allow, or when `stop` is
// stopped. Raises ModelError: EngineMissing when nec2c cannot be started, EngineFailed when it
// fails, outlasts its time or is stopped, NotModellable when it refuses the wires,
// OutputUnreadable when its output or its messages pass their limits or its output cannot be
// read, DeckNotWritten, naming the folder, when the folder or the deck cannot be written.
NecOutput RunDeckInNec2c(const std::string& deck, const EngineLimits& limits = {},
                         const EngineStop* stop = nullptr);

// RunDeckInNec2c up to its output's text, unread: what a run that holds a core needs before it
// lets the next one start.
std::string RunDeckForItsOutput(const std::string& deck, const EngineLimits& limits = {},
                                const EngineStop* stop = nullptr);

// RunDeckInNec2c as a DeckEvaluator, each run ended by `stop` when it is given and stopped, and
// started in its turn in the program's line of runs, as a batch's are (engine_batch.h).
DeckEvaluator Nec2cEvaluator(std::chrono::milliseconds limit = Nec2cTimeLimit,
                             std::shared_ptr<const EngineStop> stop = nullptr);

// Makes the process that is about to become nec2c, between vfork and exec, what every run needs:
// a process group of its own, so that a kill reaches what it starts and a terminal's Ctrl-C
// reaches only this program; death with `parent`, this program; an output file at most one byte
// over `outputBytes`; no core file. Only async-signal-safe calls.
void PrepareEngineProcess(pid_t parent, std::uintmax_t outputBytes);

// Why a nec2c run that did not end well failed, from its output file and its messages: its
// refusal of the wires (NotModellable) when it gave one and exited, else its last words
// (EngineFailed). `exited` is false when a signal ended it.
ModelError EngineFailure(std::string_view output, std::string_view messages, bool exited);

}  // namespace zandrel
