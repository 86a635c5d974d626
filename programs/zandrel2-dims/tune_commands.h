// zandrel2-dims --tune, --trim and --touchstone: a design's loops tuned in NEC-2, the trim that a
// measurement of the antenna as built asks for, and the model's S11 for VNA software.
#pragma once

#include <memory>

#include "command_line.h"

namespace zandrel {

// --tune STYLE FREQUENCY: exits with 0, or 1 when no factors in range meet the reactance limit
// (the best found is shown) or the design cannot be modelled, 3 when nec2c fails.
std::unique_ptr<Command> MakeTuneCommand();

// --trim STYLE FREQUENCY --measured FILE (or --vna DEVICE): exits with 0, 1 when the file cannot
// be read or does not cover the design, 3 when nec2c or the VNA fails.
std::unique_ptr<Command> MakeTrimCommand();

// --touchstone STYLE FREQUENCY -o FILE: exits with 0, 1 when the file cannot be written, 3 when
// nec2c fails.
std::unique_ptr<Command> MakeTouchstoneCommand();

}  // namespace zandrel
