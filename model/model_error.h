// The run-time errors of the NEC-2 model: the engine, its output and the deck.
#pragma once

#include <string>

#include "runtime_error.h"

namespace zandrel {

enum class ModelErrorKind {
    EngineMissing,     // nec2c is not on the PATH or cannot be started
    EngineFailed,      // nec2c stopped with an error, was killed or outlasted its time limit
    OutputUnreadable,  // nec2c's output is truncated, corrupted, too large or not what the deck
                       // asked for
    DeckNotWritten,    // a deck file or its folder could not be written
    NotModellable,     // dimensions that no NEC-2 model can be built from, nec2c's word included
    NotMatchable,      // a line or an impedance that no match can be computed for
    BendDoesNotFit,    // a bend radius that the loop's arms cannot hold
};

class ModelError : public RuntimeError {
  public:
    explicit ModelError(ModelErrorKind kind, std::string detail = {});

    ModelErrorKind Kind() const noexcept { return kind_; }

  private:
    ModelErrorKind kind_;
};

// Whether an error, even one copied as a plain RuntimeError, says that nec2c is missing or
// failed, its output unreadable included, rather than something about one style.
bool IsEngineError(const RuntimeError& error);

// Whether an error, even a copied one, says that no model can be built for the dimensions.
bool IsNotModellable(const RuntimeError& error);

}  // namespace zandrel
