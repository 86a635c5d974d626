// The run-time errors of tuning a design and fitting it to a measurement.
#pragma once

#include <string>

#include "runtime_error.h"

namespace zandrel {

enum class TuneErrorKind {
    MeasurementOutOfBand,  // too few measured points near the design frequency to fit
    OptimiserFailed,       // NLopt stopped before it evaluated anything
};

class TuneError : public RuntimeError {
  public:
    explicit TuneError(TuneErrorKind kind, std::string detail = {});

    TuneErrorKind Kind() const noexcept { return kind_; }

  private:
    TuneErrorKind kind_;
};

}  // namespace zandrel
