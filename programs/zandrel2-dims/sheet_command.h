// zandrel2-dims --sheet: writes the construction sheet of one style as a PDF.
#pragma once

#include <string_view>

namespace zandrel {

inline constexpr std::string_view SheetOption = "--sheet";

// Runs the command whose first argument is SheetOption; returns the exit status: 0 when the
// PDF was written, 1 when the sheet could not be made, 2 for a usage error.
int RunSheetCommand(int argc, char** argv);

}  // namespace zandrel
