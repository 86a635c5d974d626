// What a builder made of one style in the model window and keeps across new models of it: the
// loops tuned, with what they were tuned for, and a measurement's fit with the trim it asks for.
#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "loop_fit.h"
#include "loop_tuning.h"
#include "model_runner.h"
#include "scaled_models.h"

namespace zandrel {

// A style tuned, with its full model and nec2c's output of it, so that the tuned antenna is
// matched to another line without a new run.
struct TunedStyle {
    int Index = 0;
    LoopDesign Design;        // the tube and installation it was tuned with
    LineRequest Line;         // the line it is matched to
    bool ForThePass = false;  // a pass's tuning weighs the match to the line
    TuneResult Result;        // for the pass, its factors and dimensions
    NecOutput Output;
    ModelFigures Figures;
    HelixDimensions Calculator;
    QString Objective;  // "for the zenith", "for a pass at 850 km"
    std::string Sentences;
};

// A measurement's fit to a style and the trim it asks for, and the design it was fitted to.
struct TrimShown {
    int Index = 0;
    FitResult Fit;
    TrimAdvice Advice;
    LoopDesign Design;
};

// The tuned loops' sensitivity is asked for under a number of its own, after the styles'.
inline int TunedSensitivityKey(int styleIndex) {
    return static_cast<int>(Styles.size()) + styleIndex;
}

// The tuned antenna's figures on another line, from the output kept; no run of nec2c. Raises as
// ComputeModelFigures does.
ModelFigures MatchedToLine(const TunedStyle& tuned, const LineRequest& line);

// The deck of the tuned antenna, as tuned.
std::string TunedDeck(const TunedStyle& tuned);

// Whether two designs are the same antenna: style, frequency, sense, tube and installation.
bool SameAntenna(const LoopDesign& a, const LoopDesign& b);

// What the tuning was made for that the window's choices are no longer, and what to do:
// "tuned for 50 ohm, 8.73 mm: Tune again"; empty while the tuning still answers them.
QString OutdatedTuningWords(const TunedStyle& tuned, const ModelSettings& now);

// The tuned row's first column: "1/2 TURN .44 TALL, tuned for the zenith (0.9760, 1.0004)".
QString TunedRowCaption(const TunedStyle& tuned);

// The start of the tuned antenna's default file names, with its loops' factors:
// "halfturn44-tuned-0.9760-1.0004-137.50MHz".
QString TunedFileStem(const TunedStyle& tuned);

// The dimensions beside each other as DimensionRows gives them, each named as the main window's
// captions name it.
std::vector<std::vector<std::string>> BuilderDimensionRows(const HelixDimensions& calculator,
                                                           const HelixDimensions& tuned);

}  // namespace zandrel
