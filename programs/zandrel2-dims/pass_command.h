// zandrel2-dims --pass: the six styles' signal over a satellite's pass, and which to build.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "command_line.h"

namespace zandrel {

// --altitude-km H, kept as the text given; read it with ReadAltitude.
void AddAltitude(CLI::App& app, std::string& altitude);

// The altitude from its option's text (the default when it is empty), or nothing after saying on
// stderr why it is refused: not a number, or outside the orbits a pass is worked out for.
std::optional<double> ReadAltitude(const std::string& text);

// --pass FREQUENCY: models every style in nec2c as --model does and prints each one's signal over
// the pass; exits as --model does.
std::unique_ptr<Command> MakePassCommand();

}  // namespace zandrel
