#include "tune_error.h"

#include <array>
#include <utility>

namespace zandrel {

namespace {

// Indexed by TuneErrorKind.
constexpr std::array<ErrorTableEntry, 2> TuneErrors{{
    {1201, "The measurement does not cover the design frequency"},
    {1202, "The optimiser failed"},
}};

}  // namespace

TuneError::TuneError(TuneErrorKind kind, std::string detail)
    : RuntimeError(EntryOf(TuneErrors, kind), std::move(detail)), kind_(kind) {}

}  // namespace zandrel
