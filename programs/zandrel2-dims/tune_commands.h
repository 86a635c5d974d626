// zandrel2-dims --tune, --trim and --touchstone: a design's loops tuned in NEC-2, the trim that a
// measurement of the antenna as built asks for, and the model's S11 for VNA software.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "command_line.h"
#include "loop_tuning.h"

namespace zandrel {

// --objective zenith|pass and the pass's --altitude-km, as the commands that tune give them.
struct ObjectiveOptions {
    std::string Objective = "zenith";
    std::string Altitude;
};

// Defines --objective (its help after `lead`) and --altitude-km.
void AddObjective(CLI::App& app, ObjectiveOptions& options, const std::string& lead = "");

// The pass's altitude when the objective is the pass, else nothing. Returns 0, or the exit status
// after saying why on stderr: 2 for an altitude without the pass, 1 for an altitude refused.
int ReadObjective(const ObjectiveOptions& options, std::optional<double>& passAltitudeKm);

// The design's loops tuned as --tune tunes them: for the pass at the altitude when one is given,
// else for the zenith.
struct TunedFor {
    LoopScales Scales;
    HelixDimensions Dimensions;
    bool MeetsLimits = false;  // the reactance limit, or the pass's cross-polar and parts limits
    int Nec2cRuns = 0;
};
TunedFor TuneFor(const LoopDesign& design, const DeckEvaluator& evaluate,
                 std::optional<double> passAltitudeKm);

// --tune STYLE FREQUENCY [--objective zenith|pass]: exits with 0, or 1 when no factors in range
// meet the objective's limits (the best found is shown), the design cannot be modelled or the
// altitude is refused, 3 when nec2c fails.
std::unique_ptr<Command> MakeTuneCommand();

// --trim STYLE FREQUENCY --measured FILE (or --vna DEVICE): exits with 0, 1 when the file cannot
// be read or does not cover the design, 3 when nec2c or the VNA fails.
std::unique_ptr<Command> MakeTrimCommand();

// --touchstone STYLE FREQUENCY -o FILE: exits with 0, 1 when the file cannot be written, 3 when
// nec2c fails.
std::unique_ptr<Command> MakeTouchstoneCommand();

}  // namespace zandrel
