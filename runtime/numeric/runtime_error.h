// The run-time error that every layer of the program raises: an error number, its message and,
// when the service that raised it knows, what went wrong in this case.
#pragma once

#include <exception>
#include <string>

namespace zandrel {

class RuntimeError : public std::exception {
  public:
    RuntimeError(int number, std::string message, std::string detail = {});

    int Number() const noexcept { return number_; }
    const std::string& Message() const noexcept { return message_; }
    // What went wrong in this case, in words, when the service that raised the error knows.
    const std::string& Detail() const noexcept { return detail_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    int number_;
    std::string message_;
    std::string detail_;
};

// One kind of run-time error in a layer's table of kinds: its number and message.
struct ErrorTableEntry {
    int Number;
    const char* Message;
};

}  // namespace zandrel
