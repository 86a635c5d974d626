#include "numeric_error.h"

#include <array>

namespace zandrel {

namespace {

// Indexed by NumericErrorKind.
constexpr std::array<ErrorTableEntry, 4> NumericErrors{{
    {5, "Invalid floating-point operation"},
    {6, "Overflow"},
    {11, "Division by zero"},
    {13, "Type mismatch"},
}};

}  // namespace

NumericError::NumericError(NumericErrorKind kind)
    : RuntimeError(EntryOf(NumericErrors, kind)), kind_(kind) {}

}  // namespace zandrel
