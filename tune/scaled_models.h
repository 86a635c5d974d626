// A design with its loops scaled, modelled in nec2c: its whole model, and the S11 a VNA would
// read on it.
#pragma once

#include <vector>

#include "model_figures.h"
#include "nec2c_engine.h"
#include "one_port.h"
#include "scaled_design.h"

namespace zandrel {

// The full model of the design built with its loops scaled: the figures --model gives, from one
// deck, matched to `line`. Raises what BuildScaledGeometry and the evaluator raise.
ModelFigures ModelScaled(const LoopDesign& design, LoopScales scales, const DeckEvaluator& evaluate,
                         const LineRequest& line = {});

// A scaled design's model with nec2c's output kept, from which its figures on another line, its
// pattern and its currents can be had again without a run.
struct ScaledModel {
    NecOutput Output;
    ModelFigures Figures;
};

// ModelScaled, keeping nec2c's output.
ScaledModel ModelScaledKeepingOutput(const LoopDesign& design, LoopScales scales,
                                     const DeckEvaluator& evaluate, const LineRequest& line = {});

// The modelled S11 of the design with its loops scaled, on the reference, at each frequency, as
// a measurement: what a VNA would read on the antenna built so, and what the model's Touchstone
// file holds. One impedance-only deck; raises what the evaluator raises.
Measurement ModelMeasurement(const LoopDesign& design, LoopScales scales,
                             const std::vector<double>& frequenciesMHz, double referenceOhm,
                             const DeckEvaluator& evaluate, FedLoops fed = FedLoops::Both);

}  // namespace zandrel
