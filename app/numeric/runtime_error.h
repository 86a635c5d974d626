// The run-time error that the numeric services and the calculator raise.
#pragma once

#include <exception>
#include <string>

namespace zandrel {

enum class RuntimeErrorKind {
    InvalidOperation,  // 5: a floating-point operation had no meaningful result
    Overflow,          // 6: a value left the range of a single
    DivisionByZero,    // 11
    TypeMismatch,      // 13: a text that is not a number
    FileNotFound,      // 53: a command whose program could not be started
    PrinterError,      // 482: the printer could not take the job
};

class RuntimeError : public std::exception {
  public:
    explicit RuntimeError(RuntimeErrorKind kind, std::string detail = {});

    RuntimeErrorKind Kind() const noexcept { return kind_; }
    int Number() const noexcept;
    const std::string& Message() const noexcept { return message_; }
    // What went wrong in this case, in words, when the service that raised the error knows.
    const std::string& Detail() const noexcept { return detail_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    RuntimeErrorKind kind_;
    std::string message_;
    std::string detail_;
};

}  // namespace zandrel
