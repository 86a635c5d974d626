// The run-time error that every layer of the program raises: an error number, its message and,
// when the service that raised it knows, what went wrong in this case.
#pragma once

#include <array>
#include <cstddef>
#include <exception>
#include <string>

namespace zandrel {

// One kind of run-time error in a layer's table of kinds: its number and message.
struct ErrorTableEntry {
    int Number;
    const char* Message;
};

// The entry of `kind` in a layer's table, which lists the kinds in enumerator order.
template <typename Kind, std::size_t Count>
const ErrorTableEntry& EntryOf(const std::array<ErrorTableEntry, Count>& table, Kind kind) {
    return table.at(static_cast<std::size_t>(kind));
}

class RuntimeError : public std::exception {
  public:
    RuntimeError(int number, std::string message, std::string detail = {});
    explicit RuntimeError(const ErrorTableEntry& kind, std::string detail = {});

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

}  // namespace zandrel
