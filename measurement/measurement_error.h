// The run-time errors of reading and writing a measured antenna's impedance.
#pragma once

#include <string>

#include "runtime_error.h"

namespace zandrel {

enum class MeasurementErrorKind {
    FileNotOpened,   // the file could not be opened or is too large to be a measurement
    Unreadable,      // not a one-port Touchstone or CSV file; the detail names the line
    FileNotWritten,  // a Touchstone file could not be written
};

class MeasurementError : public RuntimeError {
  public:
    explicit MeasurementError(MeasurementErrorKind kind, std::string detail = {});

    MeasurementErrorKind Kind() const noexcept { return kind_; }

  private:
    MeasurementErrorKind kind_;
};

}  // namespace zandrel
