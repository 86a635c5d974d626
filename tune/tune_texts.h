// The words of a tuning and of a trim, as the command line prints them and the model window
// shows them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loop_fit.h"
#include "loop_tuning.h"
#include "pass_tuning.h"

namespace zandrel {

// A scale factor as the texts give it: "0.9760".
std::string ScaleText(double factor);

// "0.80 to 1.20": the loop scale factors tuning and fitting search.
std::string SearchedScalesText();

// "Scale factors: small loop x 0.9760, large loop x 1.0004".
std::string ScaleFactorsSentence(LoopScales scales);

// How a reader gives the program what the advice asks for: options on the command line,
// choices in a window. Each completes a sentence.
struct TrimHints {
    std::string Conductor;  // "give --conductor-diameter"
    std::string LoopFiles;  // "give them as --measured-small and --measured-large"
    std::string Cable;      // "give it with --cable-length, ..."
};

extern const TrimHints CommandLineHints;

// One loop's error against the target and what to do about it: "The small loop is 44 mm
// (1.9 %) too long: cut 22 mm off each of its two helical elements (95 %: 20 to 24 mm)." and,
// where the safe cut is less, "Cut 20 mm now, measure again, then trim the rest." `loop` is
// "small" or "large".
std::string LoopTrimSentence(std::string_view loop, const LoopTrim& trim);

// "Residual 0.0047 at 11 frequencies (RMS difference of S11, model against measurement): a close
// fit.", or above PoorFitResidual a poor fit and what gives one, on one line.
std::string ResidualSentence(const FitResult& fit);

// The fitted factors with their 95 % intervals and the band: "Fitted in nec2c at 11
// frequencies from 116.88 to 158.13 MHz: small loop x 1.0185 (1.0171 to 1.0199), ...".
std::string FittedSentence(const FitResult& fit);

// What the model assumed of the conductor: the calculator's tube, or the builder's.
std::string ConductorSentence(std::optional<double> builtMm, double calculatorTubeMm,
                              const TrimHints& hints);

// "Cable taken off the measurement: 1.00 m, velocity factor 0.66, 10.0 dB per 100 m."
std::string CableSentence(const MeasuringCable& cable);

// Why no cuts are given and what to check.
std::string WithheldSentence(const FitResult& fit, const TrimAdvice& advice,
                             const TrimHints& hints);

// The antenna now (as fitted) or at the target: "Now, as fitted, at 137.50 MHz: 19.19 +j13.98
// ohm, SWR 2.84 on 50.0 ohm, resonance 134.89 MHz, 17.8 ohm".
std::string ModelledStateSentence(std::string_view name, const ModelledState& state,
                                  double referenceOhm, std::string_view frequencyText,
                                  Polarisation sense);

// What a tuning found: "Scale factors: ...", the range and limit searched, and when no factors
// met the limit, that the best found is shown; one line each.
std::string TunedSentences(const TuneResult& tuned, const TuneSettings& settings);

// What a tuning for the pass found: "Scale factors: ...", the range and limits searched, and
// when no factors met the limits, that the best found is shown; one line each.
std::string PassTunedSentences(const PassTuneResult& tuned, const PassTuneSettings& settings);

// The rows of the dimensions beside each other: a heading, then the eleven names with the
// calculator's texts and the tuned ones.
std::vector<std::vector<std::string>> DimensionRows(const HelixDimensions& calculator,
                                                    const HelixDimensions& tuned);

// "Measured: antenna.s1p, 41 points from 121.50 to 148.50 MHz on 50.0 ohm".
std::string MeasuredSentence(std::string_view name, const Measurement& measurement);

// MeasuredSentence of a part's file, with ", the small loop alone" or ", the large loop alone"
// after it where it is not of the whole antenna.
std::string MeasuredSentence(const PartMeasurement& part);

// What the advice assumed, for its words.
struct TrimAssumptions {
    std::string FrequencyText;
    Polarisation Sense = Polarisation::Rhcp;
    std::optional<double> ConductorDiameterMm;  // the builder's; empty: the calculator's tube
    double CalculatorTubeMm = 0.0;
    std::optional<MeasuringCable> Cable;  // taken off the measurement
    bool ToTuned = false;                 // the target: the tuned loops, else the design
};

// The fit and the trim in paragraphs: the assumptions, the fitted factors and the residual; each
// loop's sentence, or why the cuts are withheld; when the fit is ambiguous, how to measure each
// loop alone; the antenna now and at the target.
std::string TrimAdviceText(const FitResult& fit, const TrimAdvice& advice,
                           const TrimAssumptions& assumed, const TrimHints& hints);

// The comment lines of the model's Touchstone file; the conductor is named when the builder's
// differs from the calculator's tube.
std::vector<std::string> TouchstoneComments(std::string_view caption,
                                            std::string_view frequencyText, double referenceOhm,
                                            std::optional<double> conductorDiameterMm);

}  // namespace zandrel
