// How resonance follows each loop's length, from the model's own sweep and one nec2c run.
#pragma once

#include <optional>

#include "model_figures.h"
#include "nec2c_engine.h"
#include "scaled_design.h"

namespace zandrel {

struct ResonanceSensitivity {
    // d(resonance)/d(perimeter) per loop, in MHz per mm of its perimeter; empty where the
    // design has no resonance in the model's sweep, or a loop slightly longer or shorter cannot
    // be modelled.
    std::optional<double> SmallMHzPerMm;
    std::optional<double> LargeMHzPerMm;
    int Nec2cRuns = 0;
};

// How far each loop is lengthened, as a share of it, to see how the reactance follows it: so
// little that the bend of the reactance's curve moves the slope by a few per cent at most (a
// step forward errs by half the step times that bend), and still some hundred times nec2c's
// last printed digit of the reactance at resonance.
inline constexpr double SensitivityStep = 0.0005;

// How the resonance of the design with its loops scaled `around` (by default the calculator's
// design) moves with each loop's perimeter, at that antenna: where X stays 0, its change with a
// loop (a step forward at the resonance from the antenna itself, the three helices in one nec2c
// run) over its change with frequency (the slope of the model's own sweep in `figures`, that
// antenna's model). No run is made when it has no resonance.
ResonanceSensitivity ComputeResonanceSensitivity(const LoopDesign& design,
                                                 const ModelFigures& figures,
                                                 const DeckEvaluator& evaluate,
                                                 LoopScales around = {});

}  // namespace zandrel
