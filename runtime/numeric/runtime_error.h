// The run-time error that every layer of the program raises: an error number, its message, the
// kind it was raised as and, when the service that raised it knows, what went wrong in this case.
#pragma once

#include <array>
#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace zandrel {

// One kind of a layer's run-time errors: the enumerator, its number and its message.
template <typename ErrorKind>
struct ErrorKindEntry {
    ErrorKind Kind;
    int Number;
    const char* Message;
};

// A layer's table of error kinds. Each layer specialises it for its enumeration with a member
// `static constexpr std::array<ErrorKindEntry<...>, N> Entries` that lists every enumerator, in
// the order they are declared, beside its number and message.
template <typename ErrorKind>
struct ErrorKindTable;

namespace error_kind_check {

// Whether `Value` is one of its enumeration's named enumerators. The compiler writes the name
// of this function with the enumerator's name when it has one ("... = zandrel::Kind::Overflow]")
// and with a cast of the bare number when it has none ("... = (zandrel::Kind)4]").
template <auto Value>
constexpr bool IsNamedEnumerator() {
    constexpr std::string_view function = __PRETTY_FUNCTION__;
    constexpr std::string_view written = function.substr(0, function.rfind(']'));
    constexpr std::string_view lastPart = written.substr(written.find_last_of(":) ") + 1);
    return !lastPart.empty() && lastPart.front() != '-' &&
           (lastPart.front() < '0' || lastPart.front() > '9');
}

template <typename ErrorKind, std::size_t... Value>
constexpr bool AreNamedEnumerators(std::index_sequence<Value...>) {
    return (IsNamedEnumerator<static_cast<ErrorKind>(Value)>() && ...);
}

}  // namespace error_kind_check

// Whether `table` lists every enumerator of its enumeration, once each and in declaration
// order: the n-th entry names the enumerator of value n, and no enumerator follows the last.
template <typename ErrorKind, std::size_t Count>
constexpr bool CoversEveryKindInOrder(const std::array<ErrorKindEntry<ErrorKind>, Count>& table) {
    for (std::size_t i = 0; i < Count; ++i) {
        if (std::cmp_not_equal(static_cast<std::underlying_type_t<ErrorKind>>(table[i].Kind), i)) {
            return false;
        }
    }
    return error_kind_check::AreNamedEnumerators<ErrorKind>(std::make_index_sequence<Count>{}) &&
           !error_kind_check::IsNamedEnumerator<static_cast<ErrorKind>(Count)>();
}

// An error of one of the layers' kinds. It holds all that the error is, its kind included, so
// that a copy kept as a plain RuntimeError (in a std::optional, a vector, or thrown again) can
// still say what went wrong: error.Is(ModelErrorKind::EngineFailed).
class RuntimeError : public std::exception {
  public:
    int Number() const noexcept { return number_; }
    const std::string& Message() const noexcept { return message_; }
    // What went wrong in this case, in words, when the service that raised the error knows.
    const std::string& Detail() const noexcept { return detail_; }
    const char* what() const noexcept override { return message_.c_str(); }

    // The kind this error was raised as, when it is one of `ErrorKind`'s.
    template <typename ErrorKind>
    std::optional<ErrorKind> KindOf() const noexcept {
        if (kinds_ != &ErrorKindTable<ErrorKind>::Entries) {
            return std::nullopt;
        }
        return static_cast<ErrorKind>(kind_);
    }

    template <typename ErrorKind>
    bool Is(ErrorKind kind) const noexcept {
        return KindOf<ErrorKind>() == kind;
    }

  protected:
    // `kinds` is the address of the layer's table: it tells the layers' kinds apart.
    RuntimeError(const void* kinds, int kind, int number, std::string message, std::string detail);

  private:
    const void* kinds_;
    int kind_;
    int number_;
    std::string message_;
    std::string detail_;
};

// The error of a layer whose kinds are `ErrorKind`, with the number and message its table gives.
template <typename ErrorKind>
class LayerError : public RuntimeError {
    static_assert(std::is_enum_v<ErrorKind>);
    static_assert(CoversEveryKindInOrder(ErrorKindTable<ErrorKind>::Entries),
                  "the table of error kinds must list every kind once, in declaration order");

  public:
    explicit LayerError(ErrorKind kind, std::string detail = {})
        : RuntimeError(&ErrorKindTable<ErrorKind>::Entries, static_cast<int>(kind),
                       EntryOf(kind).Number, EntryOf(kind).Message, std::move(detail)) {}

    ErrorKind Kind() const noexcept { return *KindOf<ErrorKind>(); }

  private:
    static const ErrorKindEntry<ErrorKind>& EntryOf(ErrorKind kind) {
        return ErrorKindTable<ErrorKind>::Entries.at(static_cast<std::size_t>(kind));
    }
};

}  // namespace zandrel
