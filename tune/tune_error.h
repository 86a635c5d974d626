// The run-time errors of tuning a design and fitting it to a measurement.
#pragma once

#include "runtime_error.h"

namespace zandrel {

enum class TuneErrorKind {
    MeasurementOutOfBand,  // too few measured points near the design frequency to fit
    OptimiserFailed,       // NLopt stopped before it evaluated anything
    NotAMeasurement,       // not what a VNA reads on an antenna; the detail names the file
};

template <>
struct ErrorKindTable<TuneErrorKind> {
    static constexpr std::array<ErrorKindEntry<TuneErrorKind>, 3> Entries{{
        {TuneErrorKind::MeasurementOutOfBand, 1201,
         "The measurement does not cover the design frequency"},
        {TuneErrorKind::OptimiserFailed, 1202, "The optimiser failed"},
        {TuneErrorKind::NotAMeasurement, 1203, "The file is not a measurement of an antenna"},
    }};
};

extern template class LayerError<TuneErrorKind>;
using TuneError = LayerError<TuneErrorKind>;

}  // namespace zandrel
