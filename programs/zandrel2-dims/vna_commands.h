// zandrel2-dims --measure, and the sweep from a NanoVNA that --trim --vna shares with it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "nano_vna.h"

namespace zandrel {

// --measure --vna DEVICE --from MHZ --to MHZ [--points N] -o FILE.s1p: exits with 0, 1 when an
// option or the file is refused, 3 when the device fails, 128 + the signal that stopped it.
std::unique_ptr<Command> MakeMeasureCommand();

// --vna-timeout S, kept as the text given.
void AddVnaTimeout(CLI::App& app, std::string& timeout);

struct VnaSweep {
    std::string Port;  // the device's path, "auto" resolved
    Measurement Data;
    std::vector<std::string> Comments;  // for the Touchstone file: the device, its info, the time
};

// Sweeps the device ("auto" finds it), SIGINT, SIGTERM and SIGHUP stopping the sweep. Says what
// went wrong on stderr and gives nothing, with `status` 1 for a timeout that is not a number of
// seconds, 3 for the device's failure and 128 + the signal that stopped it.
std::optional<VnaSweep> SweepWithVna(const std::string& device, const SweepRequest& request,
                                     const std::string& timeout, int& status);

// "the NanoVNA on /dev/ttyACM0": the measurement's name in the trim's words.
std::string VnaMeasurementName(const std::string& port);

}  // namespace zandrel
