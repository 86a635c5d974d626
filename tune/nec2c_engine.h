// The NEC-2 engine as a function from a deck to its output, and nec2c run that way.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "nec_output.h"

namespace zandrel {

// Runs one deck in the NEC-2 engine and returns its output. Tuning and fitting call it for every
// deck they model; the tests give it a stand-in, the programs nec2c.
using DeckEvaluator = std::function<NecOutput(const std::string& deck)>;

inline constexpr std::chrono::milliseconds Nec2cTimeLimit = std::chrono::minutes(1);

// Runs nec2c on the deck in a private temporary folder, removed afterwards, with its standard
// input from /dev/null, and reads its output. Stops it when it runs longer than the limit.
// Raises ModelError: EngineMissing when nec2c cannot be started, EngineFailed when it fails or is
// stopped, OutputUnreadable when its output cannot be read, DeckNotWritten when the folder or
// the deck cannot be written.
NecOutput RunDeckInNec2c(const std::string& deck, std::chrono::milliseconds limit = Nec2cTimeLimit);

// RunDeckInNec2c as a DeckEvaluator.
DeckEvaluator Nec2cEvaluator(std::chrono::milliseconds limit = Nec2cTimeLimit);

}  // namespace zandrel
