// zandrel2-dims --nec and --model: the NEC-2 deck of one style, and the model of all six.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "command_line.h"
#include "loop_tuning.h"
#include "model_figures.h"
#include "model_runner.h"
#include "resonance_sensitivity.h"
#include "sensitivity_runner.h"
#include "signal_catcher.h"

namespace zandrel {

// A style's modelled figures as --model's JSON gives them, with its sensitivity of resonance to
// its loops' perimeters unless that is null.
nlohmann::ordered_json FiguresJson(const ModelFigures& figures,
                                   const ResonanceSensitivity* sensitivity);

// Starts the six styles' models in nec2c, as --model does, and waits for them, with a
// QCoreApplication made: 0 once every style is finished, whether or not it was modelled; else
// the exit status, said on stderr: 1 or 3 when the runs could not start, 128 + the signal when
// `endSignals` caught one (the runs are stopped). With `sensitivity`, each style's sensitivity of
// resonance starts as soon as its model is in, and is waited for too.
int ModelEveryStyle(ModelRunner& runner, SignalCatcher& endSignals, const std::string& frequency,
                    Polarisation sense, const ModelSettings& settings,
                    SensitivityRunner* sensitivity = nullptr);
// The installation as the commands' JSON gives it: {ground, permittivity, conductivity,
// height_m, mast, mast_diameter_mm, mast_length_m, feedline, choke_ohm}, null where it has none.
nlohmann::ordered_json InstallationJson(const Installation& installation);

// --nec STYLE FREQUENCY: prints the style's deck; exits with 0, or 1 when the frequency has no
// dimensions.
std::unique_ptr<Command> MakeDeckCommand();

// --model FREQUENCY: models every style in nec2c; exits with 0 when every style was modelled,
// 1 when a style could not be computed or modelled, 3 when nec2c is missing, failed or wrote an
// output that cannot be read, and 128 + the signal when SIGINT, SIGTERM or SIGHUP stopped the
// runs.
std::unique_ptr<Command> MakeModelCommand();

}  // namespace zandrel
