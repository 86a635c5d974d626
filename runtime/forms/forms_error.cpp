#include "forms_error.h"

#include <array>
#include <utility>

namespace zandrel {

namespace {

// Indexed by FormsErrorKind.
constexpr std::array<ErrorTableEntry, 5> FormsErrors{{
    {7, "Out of memory"},
    {51, "Internal error"},
    {53, "File not found"},
    {482, "Printer error"},
    {48, "Error in loading DLL"},
}};

}  // namespace

FormsError::FormsError(FormsErrorKind kind, std::string detail)
    : RuntimeError(EntryOf(FormsErrors, kind), std::move(detail)), kind_(kind) {}

}  // namespace zandrel
