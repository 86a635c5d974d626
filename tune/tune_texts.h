// The words of a tuning and of a trim, as the command line prints them and the model window
// shows them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "loop_tuning.h"

namespace zandrel {

// A scale factor as the texts give it: "0.9760".
std::string ScaleText(double factor);

// "Scale factors: small loop x 0.9760, large loop x 1.0004".
std::string ScaleFactorsSentence(LoopScales scales);

// One loop's error and what to do to reach the target: "The small loop is 56 mm (2.4 %) too
// long: shorten each of its two helical elements by 28 mm." `loop` is "small" or "large".
std::string LoopTrimSentence(std::string_view loop, const LoopTrim& trim);

// Above this residual the model does not explain the measurement.
inline constexpr double PoorFitResidual = 0.05;

// "Residual 0.0047 at 11 frequencies (RMS difference of S11, model against measurement): a close
// fit.", or above PoorFitResidual a poor fit and what gives one, on one line.
std::string ResidualSentence(const FitResult& fit);

// The antenna after trimming: "After trimming, at 137.50 MHz: 19.19 +j13.98 ohm, SWR 2.84 on
// 50.0 ohm, resonance 134.89 MHz, 17.8 ohm".
std::string AfterTrimSentence(const TrimAdvice& advice, std::string_view frequencyText,
                              Polarisation sense);

// What a tuning found: "Scale factors: ...", the range and limit searched, and when no factors
// met the limit, that the best found is shown; one line each.
std::string TunedSentences(const TuneResult& tuned, const TuneSettings& settings);

// The rows of the dimensions beside each other: a heading, then the eleven names with the
// calculator's texts and the tuned ones.
std::vector<std::vector<std::string>> DimensionRows(const HelixDimensions& calculator,
                                                    const HelixDimensions& tuned);

// "Measured: antenna.s1p, 41 points from 121.50 to 148.50 MHz on 50.0 ohm".
std::string MeasuredSentence(std::string_view name, const Measurement& measurement);

// The fit and the trim: the fitted factors, the residual, each loop's sentence and the antenna
// after trimming, in paragraphs.
std::string TrimAdviceText(const FitResult& fit, const TrimAdvice& advice,
                           std::string_view frequencyText, Polarisation sense);

// The comment lines of the model's Touchstone file; the conductor is named when the builder's
// differs from the calculator's tube.
std::vector<std::string> TouchstoneComments(std::string_view caption,
                                            std::string_view frequencyText, double referenceOhm,
                                            std::optional<double> conductorDiameterMm);

}  // namespace zandrel
