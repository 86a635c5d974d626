#include "runtime_error.h"

namespace zandrel {

namespace {

const char* MessageOf(RuntimeErrorKind kind) {
    switch (kind) {
        case RuntimeErrorKind::InvalidOperation:
            return "Invalid floating-point operation";
        case RuntimeErrorKind::Overflow:
            return "Overflow";
        case RuntimeErrorKind::DivisionByZero:
            return "Division by zero";
        case RuntimeErrorKind::TypeMismatch:
            return "Type mismatch";
    }
    return "Unknown error";
}

}  // namespace

RuntimeError::RuntimeError(RuntimeErrorKind kind) : kind_(kind), message_(MessageOf(kind)) {}

int RuntimeError::Number() const noexcept {
    switch (kind_) {
        case RuntimeErrorKind::InvalidOperation:
            return 5;
        case RuntimeErrorKind::Overflow:
            return 6;
        case RuntimeErrorKind::DivisionByZero:
            return 11;
        case RuntimeErrorKind::TypeMismatch:
            return 13;
    }
    return 0;
}

}  // namespace zandrel
