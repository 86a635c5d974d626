// zandrel2-dims --nec and --model: the NEC-2 deck of one style, and the model of all six.
#pragma once

#include <string_view>
#include <vector>

namespace zandrel {

// Whether the arguments ask for one of the model's commands.
bool IsModelCommand(const std::vector<std::string_view>& arguments);

// Runs the model command that the arguments name and returns the exit status: 0 when every
// style was modelled, 1 when a style could not be computed or modelled, 2 for a usage error, 3
// when nec2c is missing, failed or wrote an output that cannot be read, and 128 + the signal
// when SIGINT, SIGTERM or SIGHUP stopped the runs.
int RunModelCommand(int argc, char** argv);

}  // namespace zandrel
