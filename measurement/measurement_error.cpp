#include "measurement_error.h"

#include <array>
#include <utility>

namespace zandrel {

namespace {

// Indexed by MeasurementErrorKind.
constexpr std::array<ErrorTableEntry, 3> MeasurementErrors{{
    {1101, "The measurement file could not be opened"},
    {1102, "The measurement file could not be read"},
    {1103, "The Touchstone file could not be written"},
}};

}  // namespace

MeasurementError::MeasurementError(MeasurementErrorKind kind, std::string detail)
    : RuntimeError(EntryOf(MeasurementErrors, kind), std::move(detail)), kind_(kind) {}

}  // namespace zandrel
