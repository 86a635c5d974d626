// zandrel2-dims --sheet: writes the construction sheet of one style as a PDF.
#pragma once

#include <memory>

#include "command_line.h"

namespace zandrel {

// --sheet STYLE FREQUENCY -o FILE.pdf; exits with 0 when the PDF was written, 1 when the sheet
// could not be made.
std::unique_ptr<Command> MakeSheetCommand();

}  // namespace zandrel
