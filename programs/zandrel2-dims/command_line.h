// zandrel2-dims's commands on CLI11: each command defines its options on a CLI::App of its own,
// the command option that comes first (--nec, --model, --sheet; none for the table) chooses
// the command, and its usage line and --help come from the same definitions as its parsing.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "helix_geometry.h"
#include "helix_style.h"
#include "installation.h"

namespace CLI {
class App;
}

namespace zandrel {

// One command: the options it reads into its own members and what it then does.
class Command {
  public:
    virtual ~Command() = default;

    // Describes the command and defines its options and positionals on `app`.
    virtual void Define(CLI::App& app) = 0;

    // Carries the command out once its arguments are read; returns the exit status.
    // `program` is the path the program was started by.
    virtual int Run(char* program) = 0;
};

struct CommandChoice {
    std::string_view Option;  // what chooses the command; empty for the one without
    std::unique_ptr<Command> (*Make)();
};

// Reads the arguments of the command they choose and runs it. Returns the command's status,
// 0 after --help (printed to stdout) and 2 after a usage error, explained on stderr with the
// command's usage line.
int RunCommandLine(int argc, char** argv, std::span<const CommandChoice> commands);

// The options several commands share, each bound to where the command keeps its value.
// A frequency in MHz, kept as the text given (the calculator reads it, a script may echo it).
void AddFrequency(CLI::App& app, std::string& frequency);
// One of the styles, by its name (QuarterTurn, ...).
void AddStyle(CLI::App& app, const StyleEntry*& style);
// --json.
void AddJson(CLI::App& app, bool& json);
// --lhcp: the mirror image.
void AddPolarisation(CLI::App& app, Polarisation& sense);
// --conductor-diameter MM, kept as the text given; read it with ReadPositiveNumber.
void AddConductorDiameter(CLI::App& app, std::string& diameter);
// --z0 OHM, kept as the text given; the commands' default is 50.
void AddZ0(CLI::App& app, std::string& z0);

// The installation's options as given, each empty when it was not.
struct InstallationArguments {
    std::string Ground;
    std::string Permittivity;
    std::string Conductivity;
    std::string Height;
    std::string Mast;
    std::string MastDiameter;
    std::string MastLength;
    std::string Feedline;
    std::string ChokeOhm;
};

// --ground, --ground-permittivity, --ground-conductivity, --height, --mast, --mast-diameter
// (unless `withMastDiameter` is false: a command that has its own), --mast-length, --feedline
// and --choke-ohm. An unknown ground, mast or feed line is a usage error.
void AddInstallationOptions(CLI::App& app, InstallationArguments& arguments,
                            bool withMastDiameter = true);

// Fills `installation` from the options given, or returns the message that refuses them: a
// number that is not one, an option that the others make meaningless (--height in free space,
// --mast-length over a ground, --choke-ohm without a choke), and whatever RequireBuildable
// refuses.
std::optional<std::string> ReadInstallation(const InstallationArguments& arguments,
                                            Installation& installation);

// A finite number written as ReadPositiveNumber reads it, of any sign; nothing for other text.
std::optional<double> ReadNumber(std::string_view text);

// A positive, finite number written as digits with an optional point and exponent, whatever
// the locale, with spaces allowed around it; nothing for any other text.
std::optional<double> ReadPositiveNumber(std::string_view text);

}  // namespace zandrel
