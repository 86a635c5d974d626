// The run-time errors that the forms runtime raises: the printer, the browser and failures
// that are not the program's arithmetic.
#pragma once

#include "runtime_error.h"

namespace zandrel {

enum class FormsErrorKind {
    OutOfMemory,
    InternalError,  // anything a handler raised that is not a run-time error
    FileNotFound,   // a program or page that could not be opened
    PrinterError,     // the printer could not take the job
    ModuleNotLoaded,  // a window's module is missing or cannot be loaded
};

template <>
struct ErrorKindTable<FormsErrorKind> {
    static constexpr std::array<ErrorKindEntry<FormsErrorKind>, 5> Entries{{
        {FormsErrorKind::OutOfMemory, 7, "Out of memory"},
        {FormsErrorKind::InternalError, 51, "Internal error"},
        {FormsErrorKind::FileNotFound, 53, "File not found"},
        {FormsErrorKind::PrinterError, 482, "Printer error"},
        {FormsErrorKind::ModuleNotLoaded, 48, "Error in loading DLL"},
    }};
};

extern template class LayerError<FormsErrorKind>;
using FormsError = LayerError<FormsErrorKind>;

}  // namespace zandrel
