// The run-time errors that making a construction sheet raises.
#pragma once

#include "runtime_error.h"

namespace zandrel {

enum class SheetErrorKind {
    FileNotWritable,       // the PDF could not be written where it was asked for
    MastDiameterNotValid,  // the mast's outside diameter is not a positive number
    CannotBeDrawn,         // dimensions or a template that no sheet can hold
    MastDoesNotFit,        // a mast too thin for the holes or too thick for the loops
};

template <>
struct ErrorKindTable<SheetErrorKind> {
    static constexpr std::array<ErrorKindEntry<SheetErrorKind>, 4> Entries{{
        {SheetErrorKind::FileNotWritable, 75, "Path/File access error"},
        {SheetErrorKind::MastDiameterNotValid, 380, "Invalid property value"},
        {SheetErrorKind::CannotBeDrawn, 17, "Can't perform requested operation"},
        {SheetErrorKind::MastDoesNotFit, 380, "Invalid property value"},
    }};
};

extern template class LayerError<SheetErrorKind>;
using SheetError = LayerError<SheetErrorKind>;

}  // namespace zandrel
