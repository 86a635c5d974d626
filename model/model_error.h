// The run-time errors of the NEC-2 model: the engine, its output and the deck.
#pragma once

#include "runtime_error.h"

namespace zandrel {

enum class ModelErrorKind {
    EngineMissing,       // nec2c is not on the PATH or cannot be started
    EngineFailed,        // nec2c stopped with an error, was killed or outlasted its time limit
    OutputUnreadable,    // nec2c's output is truncated, corrupted, too large or not what the deck
                         // asked for
    DeckNotWritten,      // a deck file or its folder could not be written
    NotModellable,       // dimensions that no NEC-2 model can be built from, nec2c's word included
    NotMatchable,        // a line or an impedance that no match can be computed for
    BendDoesNotFit,      // a bend radius that the loop's arms cannot hold
    AltitudeOutOfRange,  // a satellite's altitude outside the orbits a pass is worked out for
};

template <>
struct ErrorKindTable<ModelErrorKind> {
    static constexpr std::array<ErrorKindEntry<ModelErrorKind>, 8> Entries{{
        {ModelErrorKind::EngineMissing, 1001,
         "The NEC-2 engine nec2c is not installed (Debian package nec2c)"},
        {ModelErrorKind::EngineFailed, 1002, "The NEC-2 engine nec2c failed"},
        {ModelErrorKind::OutputUnreadable, 1003, "The output of nec2c could not be read"},
        {ModelErrorKind::DeckNotWritten, 1004, "The NEC-2 deck could not be written"},
        {ModelErrorKind::NotModellable, 1005, "No NEC-2 model can be built for these dimensions"},
        {ModelErrorKind::NotMatchable, 1006, "No match to the line can be computed"},
        {ModelErrorKind::BendDoesNotFit, 1007, "The bend does not fit in the loop"},
        {ModelErrorKind::AltitudeOutOfRange, 1008,
         "The satellite's altitude is outside the orbits a pass is worked out for"},
    }};
};

extern template class LayerError<ModelErrorKind>;
using ModelError = LayerError<ModelErrorKind>;

// Whether an error says that nec2c is missing or failed, its output unreadable included, rather
// than something about one style.
bool IsEngineError(const RuntimeError& error);

// Whether an error, even a copied one, says that no model can be built for the dimensions.
bool IsNotModellable(const RuntimeError& error);

}  // namespace zandrel
