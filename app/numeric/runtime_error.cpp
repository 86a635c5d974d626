#include "runtime_error.h"

#include <utility>

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
        case RuntimeErrorKind::FileNotFound:
            return "File not found";
        case RuntimeErrorKind::PrinterError:
            return "Printer error";
    }
    return "Unknown error";
}

}  // namespace

RuntimeError::RuntimeError(RuntimeErrorKind kind, std::string detail)
    : kind_(kind), message_(MessageOf(kind)), detail_(std::move(detail)) {}

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
        case RuntimeErrorKind::FileNotFound:
            return 53;
        case RuntimeErrorKind::PrinterError:
            return 482;
    }
    return 0;
}

}  // namespace zandrel
