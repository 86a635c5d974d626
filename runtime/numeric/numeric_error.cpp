#include "numeric_error.h"

#include <array>
#include <cstddef>

namespace zandrel {

namespace {

// Indexed by NumericErrorKind.
constexpr std::array<ErrorTableEntry, 4> NumericErrors{{
    {5, "Invalid floating-point operation"},
    {6, "Overflow"},
    {11, "Division by zero"},
    {13, "Type mismatch"},
}};

const ErrorTableEntry& EntryOf(NumericErrorKind kind) {
    return NumericErrors.at(static_cast<std::size_t>(kind));
}

}  // namespace

NumericError::NumericError(NumericErrorKind kind)
    : RuntimeError(EntryOf(kind).Number, EntryOf(kind).Message), kind_(kind) {}

}  // namespace zandrel
