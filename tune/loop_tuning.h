// Tuning a design's two loops in NEC-2 for the lowest axial ratio at the zenith.
#pragma once

#include <complex>

#include "helix_dimensions.h"
#include "nec2c_engine.h"
#include "scaled_design.h"

namespace zandrel {

struct TuneSettings {
    double LowestScale = LowestLoopScale;
    double HighestScale = HighestLoopScale;
    double ReactanceLimitOhm = 1.0;  // |X| at the design frequency
    int MostRuns = 80;
};

struct TuneResult {
    LoopScales Scales;
    HelixDimensions Dimensions;        // the calculator's, scaled
    bool MeetsReactanceLimit = false;  // false: no factors in range do; the best found
    std::complex<double> Impedance;    // at the design frequency, in ohm
    double AxialRatioDb = 0.0;         // at the zenith
    double DesignAxialRatioDb = 0.0;   // the calculator's design, at the zenith
    std::complex<double> DesignImpedance;
    int Nec2cRuns = 0;
};

// The two scale factors that, at the design frequency, give the lowest axial ratio at the zenith
// in the design's sense of polarisation with |X| within the limit, each within the settings'
// range; COBYLA on one single-frequency, zenith-only deck per evaluation. Factors whose helix
// cannot be modelled (loops that touch, a geometry nec2c rejects) count as the worst. Raises
// what the evaluator raises, ModelError(NotModellable) when the design itself cannot be
// modelled, and the calculator's error for a frequency it cannot compute.
TuneResult TuneLoops(const LoopDesign& design, const DeckEvaluator& evaluate,
                     const TuneSettings& settings = {});

}  // namespace zandrel
