// The run-time errors that making a construction sheet raises.
#pragma once

#include <string>

#include "runtime_error.h"

namespace zandrel {

enum class SheetErrorKind {
    FileNotWritable,       // the PDF could not be written where it was asked for
    MastDiameterNotValid,  // the mast's outside diameter is not a positive number
    CannotBeDrawn,         // dimensions or a template that no sheet can hold
    MastDoesNotFit,        // a mast too thin for the holes or too thick for the loops
};

class SheetError : public RuntimeError {
  public:
    explicit SheetError(SheetErrorKind kind, std::string detail = {});

    SheetErrorKind Kind() const noexcept { return kind_; }

  private:
    SheetErrorKind kind_;
};

}  // namespace zandrel
