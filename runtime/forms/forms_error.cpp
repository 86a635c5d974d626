#include "forms_error.h"

#include <array>
#include <utility>

namespace zandrel {

namespace {

// Indexed by FormsErrorKind.
constexpr std::array<ErrorTableEntry, 4> FormsErrors{{
    {7, "Out of memory"},
    {51, "Internal error"},
    {53, "File not found"},
    {482, "Printer error"},
}};

}  // namespace

FormsError::FormsError(FormsErrorKind kind, std::string detail)
    : RuntimeError(EntryOf(FormsErrors, kind), std::move(detail)), kind_(kind) {}

}  // namespace zandrel
