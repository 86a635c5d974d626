// Fitting a design's two loops to measurements of the antenna as built, how sure the fit is of
// each loop, and the trim that follows from it: never more than the measurements vouch for.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "line_match.h"
#include "loop_tuning.h"
#include "model_figures.h"
#include "one_port.h"

namespace zandrel {

// What a measurement is of: the whole antenna, or one loop with the other loop's two top arms
// taken off the coax.
enum class MeasuredPart { Whole, SmallLoop, LargeLoop };

// "whole", "small", "large": the roles the JSON gives the files.
std::string_view MeasuredPartRole(MeasuredPart part);

struct PartMeasurement {
    MeasuredPart Part = MeasuredPart::Whole;
    std::string Name;  // the file, as messages name it
    Measurement Data;
};

// A known cable between the VNA and the feed: an ideal lossy line of the measurement's
// reference impedance.
struct MeasuringCable {
    double LengthM = 0.0;
    double VelocityFactor = SolidPolyethyleneVelocityFactor;
    double LossDbPer100M = 0.0;  // at the design frequency; it grows as the root of frequency
};

// The measurement with the cable taken off: what the VNA would have read at the feed.
Measurement RemoveCable(const Measurement& measurement, const MeasuringCable& cable,
                        double designMHz);

struct FitSettings {
    double LowestScale = LowestLoopScale;
    double HighestScale = HighestLoopScale;
    double BandHalfWidth = 0.15;  // of the design frequency, each side: what a wider file is cut to
    int MostFrequencies = 11;     // the points fitted of each measurement, spread over the band
    MeasuringCable Cable;
};

// A 95 % interval of a loop's scale factor.
struct ScaleInterval {
    double Low = 1.0;
    double High = 1.0;
};

struct FitResult {
    LoopScales Scales;  // the best fit
    ScaleInterval Small;
    ScaleInterval Large;
    double Residual = 0.0;  // RMS of |S11 modelled - S11 measured| over every fitted point
    std::vector<double> FrequenciesMHz;  // the fitted frequencies of the first measurement
    std::size_t FittedPoints = 0;        // of every measurement
    double LowestMHz = 0.0;              // the fitted band
    double HighestMHz = 0.0;
    bool AtLimit = false;  // a factor at the end of the range searched
    // The residual falls by half or more when a cable's electrical length is fitted too: the
    // measurement was most likely taken through a cable that was not given.
    bool CableSuspected = false;
    double CableResidual = 0.0;            // with the cable fitted
    double CableElectricalLengthM = 0.0;   // its length at the speed of light
    int Nec2cRuns = 0;
};

// Above this residual the model does not explain the measurement.
inline constexpr double PoorFitResidual = 0.05;
// Above this residual the fit asks whether a cable explains the measurement better.
inline constexpr double CableCheckResidual = 0.02;
// What a calibrated VNA's S11 is trusted to: the least noise the intervals assume.
inline constexpr double LeastMeasurementNoise = 0.003;

// The two scale factors whose model best explains the measurements, with 95 % intervals: least
// squares on S11 at each file's reference, at up to MostFrequencies points of each within the
// design frequency +-BandHalfWidth, each measured part modelled as it was measured. The search
// covers the whole range: the total size along the diagonal first, then the valley of the loops'
// split followed to both ends, then a local refinement. The intervals hold every factor whose
// fit the noise (the residual, at least LeastMeasurementNoise) cannot tell from the best.
// Raises TuneError: MeasurementOutOfBand when fewer than five points of a file lie in the band,
// NotAMeasurement for |S11| above 1.05 there; ModelError(NotModellable) when the design itself
// cannot be modelled, and what the evaluator raises. Runs its decks on two threads.
FitResult FitLoops(const LoopDesign& design, const std::vector<PartMeasurement>& measurements,
                   const DeckEvaluator& evaluate, const FitSettings& settings = {});

// A loop's interval per element wider than this makes the fit ambiguous.
inline constexpr double AmbiguousWidthMm = 4.0;

// What to do to one loop; cuts positive, lengthening negative, all against the target.
struct LoopTrim {
    double Scale = 1.0;  // as built, from the fit
    double TargetScale = 1.0;
    double ErrorMm = 0.0;           // (scale - target) x the displayed perimeter; positive: too long
    double ErrorPercent = 0.0;      // (scale / target - 1) x 100
    double TrimPerElementMm = 0.0;  // half the error: off each of its two helical elements
    double IntervalLowMm = 0.0;     // the 95 % interval of the trim per element
    double IntervalHighMm = 0.0;
    // What to cut now: never more than the interval's lower end, 0 where it reaches "too short".
    double CutNowPerElementMm = 0.0;
};

// Why the cuts are withheld.
enum class WithheldReason { None, PoorFit, AtLimit, CableSuspected };

// An antenna's impedance at the design frequency, its SWR on the measurement's reference and its
// resonance, as modelled.
struct ModelledState {
    ModelFigures Figures;
    double Swr = 0.0;
};

struct TrimAdvice {
    LoopScales Target;
    LoopTrim Small;
    LoopTrim Large;
    double ReferenceOhm = 50.0;
    bool Ambiguous = false;
    WithheldReason Withheld = WithheldReason::None;
    ModelledState Now;       // the antenna as the fit finds it
    ModelledState AtTarget;  // what trimming aims for
    int Nec2cRuns = 0;
};

// The trim from the fit to the target's factors (the design's: both 1; or the tuned ones), and
// the antenna now and at the target, each modelled in one full deck.
TrimAdvice AdviseTrim(const LoopDesign& design, const FitResult& fit, LoopScales target,
                      double referenceOhm, const DeckEvaluator& evaluate);

}  // namespace zandrel
