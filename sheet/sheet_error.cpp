#include "sheet_error.h"

#include <array>
#include <cstddef>
#include <utility>

namespace zandrel {

namespace {

// Indexed by SheetErrorKind.
constexpr std::array<ErrorTableEntry, 3> SheetErrors{{
    {75, "Path/File access error"},
    {380, "Invalid property value"},
    {17, "Can't perform requested operation"},
}};

const ErrorTableEntry& EntryOf(SheetErrorKind kind) {
    return SheetErrors.at(static_cast<std::size_t>(kind));
}

}  // namespace

SheetError::SheetError(SheetErrorKind kind, std::string detail)
    : RuntimeError(EntryOf(kind).Number, EntryOf(kind).Message, std::move(detail)), kind_(kind) {}

}  // namespace zandrel
