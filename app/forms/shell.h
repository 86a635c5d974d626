// Starting a command: the program name and its argument, never through a command interpreter.
#pragma once

#include <QString>

namespace zandrel {

// How the started program's own window is shown; only hidden is used.
enum class ShellWindow { Hidden = 0 };

// Starts `command`, "PROGRAM ARGUMENTS". The program "start.exe" opens its argument, a web
// address, in the user's default browser; any other program is started directly with its
// arguments split like a command line. Returns the started task's number. Raises FileNotFound
// when nothing could be started.
double Shell(const QString& command, ShellWindow window);

}  // namespace zandrel
