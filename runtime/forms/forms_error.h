// The run-time errors that the forms runtime raises: the printer, the browser and failures
// that are not the program's arithmetic.
#pragma once

#include <string>

#include "runtime_error.h"

namespace zandrel {

enum class FormsErrorKind {
    OutOfMemory,
    InternalError,  // anything a handler raised that is not a run-time error
    FileNotFound,   // a program or page that could not be opened
    PrinterError,   // the printer could not take the job
    ModuleNotLoaded,  // a window's module is missing or cannot be loaded
};

class FormsError : public RuntimeError {
  public:
    explicit FormsError(FormsErrorKind kind, std::string detail = {});

    FormsErrorKind Kind() const noexcept { return kind_; }

  private:
    FormsErrorKind kind_;
};

}  // namespace zandrel
