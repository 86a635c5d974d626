// The run-time errors of reading and writing a measured antenna's impedance.
#pragma once

#include "runtime_error.h"

namespace zandrel {

enum class MeasurementErrorKind {
    FileNotOpened,   // the file could not be opened or is too large to be a measurement
    Unreadable,      // not a one-port Touchstone or CSV file; the detail names the line
    FileNotWritten,  // a Touchstone file could not be written
};

template <>
struct ErrorKindTable<MeasurementErrorKind> {
    static constexpr std::array<ErrorKindEntry<MeasurementErrorKind>, 3> Entries{{
        {MeasurementErrorKind::FileNotOpened, 1101, "The measurement file could not be opened"},
        {MeasurementErrorKind::Unreadable, 1102, "The measurement file could not be read"},
        {MeasurementErrorKind::FileNotWritten, 1103, "The Touchstone file could not be written"},
    }};
};

extern template class LayerError<MeasurementErrorKind>;
using MeasurementError = LayerError<MeasurementErrorKind>;

}  // namespace zandrel
