// Tuning a design's two loops in NEC-2, fitting them to a measurement of the antenna as built,
// the millimetres to trim, and how resonance follows each loop's length.
#pragma once

#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "helix_dimensions.h"
#include "helix_geometry.h"
#include "model_figures.h"
#include "nec2c_engine.h"
#include "one_port.h"

namespace zandrel {

// The design whose loops are tuned or fitted: a style at a frequency, as the model builds it.
struct LoopDesign {
    const StyleEntry* Style = nullptr;
    std::string FrequencyText;
    Polarisation Sense = Polarisation::Rhcp;
    std::optional<double> ConductorDiameterMm;  // empty: the calculator's tube diameter
    Installation Install;                       // the ground, mast and coax it is modelled with
};

// Each loop's scale factor: it multiplies the loop's helix radius and height. Both 1 is the
// calculator's design.
struct LoopScales {
    double Small = 1.0;
    double Large = 1.0;
};

// The design's helix with its loops scaled, both loops or one fed. Raises as
// BuildHelixGeometry does.
HelixGeometry BuildScaledGeometry(const LoopDesign& design, LoopScales scales,
                                  FedLoops fed = FedLoops::Both);

// The calculator's dimensions with each loop's bottom arm, height, perimeter, top arm and helix
// length following its scale factor as the model's wires do: the helix's radius and height
// scale, so its bottom arm, perimeter and helix length do too, and its top arm, running from the
// feed at the axis to the helix, grows by the change in radius. The tube stays.
HelixDimensions ScaledDimensions(const HelixDimensions& design, LoopScales scales);

// The full model of the design built with its loops scaled: the figures --model gives, from one
// deck, matched to `line`. Raises what BuildScaledGeometry and the evaluator raise.
ModelFigures ModelScaled(const LoopDesign& design, LoopScales scales, const DeckEvaluator& evaluate,
                         const LineRequest& line = {});

// The modelled S11 of the design with its loops scaled, on the reference, at each frequency, as
// a measurement: what a VNA would read on the antenna built so, and what the model's Touchstone
// file holds. One impedance-only deck; raises what the evaluator raises.
Measurement ModelMeasurement(const LoopDesign& design, LoopScales scales,
                             const std::vector<double>& frequenciesMHz, double referenceOhm,
                             const DeckEvaluator& evaluate, FedLoops fed = FedLoops::Both);

// Evenly spaced frequencies over the design frequency +-halfSpan, lowest first, in MHz: by
// default the 41 points over +-10 % of the model's Touchstone file.
std::vector<double> SpreadFrequencies(double frequencyMHz, int points = 41, double halfSpan = 0.10);

struct TuneSettings {
    double LowestScale = 0.80;
    double HighestScale = 1.20;
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

struct ResonanceSensitivity {
    // d(resonance)/d(perimeter) per loop, in MHz per mm of its perimeter; empty where the
    // design has no resonance in the model's sweep, or a loop slightly longer or shorter cannot
    // be modelled.
    std::optional<double> SmallMHzPerMm;
    std::optional<double> LargeMHzPerMm;
    int Nec2cRuns = 0;
};

// How far each loop is lengthened and shortened, as a share of it, to see how the reactance
// follows it: small enough that the reactance follows in a straight line, large enough that
// nec2c's five digits tell the two apart.
inline constexpr double SensitivityStep = 0.002;

// How the resonance of the design with its loops scaled `around` (by default the calculator's
// design) moves with each loop's perimeter, at that antenna: where X stays 0, its change with a
// loop (a central difference at the resonance, the four helices in one nec2c run) over its
// change with frequency (the slope of the model's own sweep in `figures`, that antenna's model).
// No run is made when it has no resonance.
ResonanceSensitivity ComputeResonanceSensitivity(const LoopDesign& design,
                                                 const ModelFigures& figures,
                                                 const DeckEvaluator& evaluate,
                                                 LoopScales around = {});

}  // namespace zandrel
