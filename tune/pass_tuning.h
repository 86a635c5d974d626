// Tuning a design's two loops for the signal over a whole satellite pass rather than at the
// zenith: the weakest signal from 10° to 90° raised as far as it goes.
#pragma once

#include <complex>

#include "helix_dimensions.h"
#include "line_match.h"
#include "loop_tuning.h"
#include "nec2c_engine.h"
#include "satellite_pass.h"

namespace zandrel {

struct PassTuneSettings {
    double LowestScale = LowestLoopScale;
    double HighestScale = HighestLoopScale;
    double AltitudeKm = DefaultAltitudeKm;
    // At the zenith, the co-polar gain over the cross-polar one, at least.
    double CrossPolarRejectionDb = 10.0;
    // The line the L-network matches to: the reactance is left to it, its parts kept practical.
    LineRequest Line;
    int MostRuns = 100;
};

// One pair of factors modelled at the design frequency, as the pass sees it.
struct PassModel {
    LoopScales Scales;
    std::complex<double> Impedance;
    PassFigures Pass;
    double CrossPolarRejectionDb = 0.0;  // at the zenith
    double ZenithAxialRatioDb = 0.0;
    LNetwork Network;  // to the settings' line
};

struct PassTuneResult {
    LoopScales Scales;
    HelixDimensions Dimensions;  // the calculator's, scaled
    // False: no factors found meet the cross-polar rejection with practical parts; the nearest.
    bool MeetsLimits = false;
    PassModel Design;  // the calculator's
    PassModel Tuned;
    int Nec2cRuns = 0;
};

// The two scale factors, each within the settings' range, that give the highest weakest
// relative signal from 10° to 90° over a pass at the settings' altitude, with the zenith's
// cross-polar rejection at least the settings' and the L-network's parts practical; COBYLA on
// one single-frequency pattern deck per pair of factors. Factors whose helix cannot be modelled
// count as the worst. Raises ModelError(AltitudeOutOfRange) for an altitude outside the pass's
// range, what the evaluator raises, ModelError(NotModellable) when the design itself cannot be
// modelled, and the calculator's error for a frequency it cannot compute.
PassTuneResult TuneLoopsForPass(const LoopDesign& design, const DeckEvaluator& evaluate,
                                const PassTuneSettings& settings = {});

}  // namespace zandrel
