#include "sheet_error.h"

#include <array>
#include <utility>

namespace zandrel {

namespace {

// Indexed by SheetErrorKind.
constexpr std::array<ErrorTableEntry, 4> SheetErrors{{
    {75, "Path/File access error"},
    {380, "Invalid property value"},
    {17, "Can't perform requested operation"},
    {380, "Invalid property value"},
}};

}  // namespace

SheetError::SheetError(SheetErrorKind kind, std::string detail)
    : RuntimeError(EntryOf(SheetErrors, kind), std::move(detail)), kind_(kind) {}

}  // namespace zandrel
