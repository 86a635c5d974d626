#include "model_error.h"

#include <array>
#include <utility>

namespace zandrel {

namespace {

// Indexed by ModelErrorKind.
constexpr std::array<ErrorTableEntry, 7> ModelErrors{{
    {1001, "The NEC-2 engine nec2c is not installed (Debian package nec2c)"},
    {1002, "The NEC-2 engine nec2c failed"},
    {1003, "The output of nec2c could not be read"},
    {1004, "The NEC-2 deck could not be written"},
    {1005, "No NEC-2 model can be built for these dimensions"},
    {1006, "No match to the line can be computed"},
    {1007, "The bend does not fit in the loop"},
}};

}  // namespace

ModelError::ModelError(ModelErrorKind kind, std::string detail)
    : RuntimeError(EntryOf(ModelErrors, kind), std::move(detail)), kind_(kind) {}

bool IsEngineError(const RuntimeError& error) {
    return error.Number() == EntryOf(ModelErrors, ModelErrorKind::EngineMissing).Number ||
           error.Number() == EntryOf(ModelErrors, ModelErrorKind::EngineFailed).Number ||
           error.Number() == EntryOf(ModelErrors, ModelErrorKind::OutputUnreadable).Number;
}

bool IsNotModellable(const RuntimeError& error) {
    return error.Number() == EntryOf(ModelErrors, ModelErrorKind::NotModellable).Number;
}

}  // namespace zandrel
