// The run-time errors that the number services raise.
#pragma once

#include "runtime_error.h"

namespace zandrel {

enum class NumericErrorKind {
    InvalidOperation,  // a floating-point operation had no meaningful result
    Overflow,          // a value left the range of a single
    DivisionByZero,
    TypeMismatch,  // a text that is not a number
};

template <>
struct ErrorKindTable<NumericErrorKind> {
    static constexpr std::array<ErrorKindEntry<NumericErrorKind>, 4> Entries{{
        {NumericErrorKind::InvalidOperation, 5, "Invalid floating-point operation"},
        {NumericErrorKind::Overflow, 6, "Overflow"},
        {NumericErrorKind::DivisionByZero, 11, "Division by zero"},
        {NumericErrorKind::TypeMismatch, 13, "Type mismatch"},
    }};
};

extern template class LayerError<NumericErrorKind>;
using NumericError = LayerError<NumericErrorKind>;

}  // namespace zandrel
