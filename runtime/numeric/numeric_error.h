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

class NumericError : public RuntimeError {
  public:
    explicit NumericError(NumericErrorKind kind);

    NumericErrorKind Kind() const noexcept { return kind_; }

  private:
    NumericErrorKind kind_;
};

}  // namespace zandrel
