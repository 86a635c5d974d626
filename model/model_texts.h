// The figures of a modelled style as the texts of a table row, for the window and the command line.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "helix_geometry.h"
#include "model_figures.h"
#include "runtime_error.h"

namespace zandrel {

// The INFO table's columns in its order, then resonance, front-to-back and axial ratio.
inline constexpr std::array<std::string_view, 9> ModelColumnHeaders{{
    "STYLE",
    "OHMS",
    "MATCHING",
    "OVERHEAD GAIN",
    "GAIN AT HORIZON",
    "2:1 BANDWIDTH",
    "RESONANCE",
    "FRONT-TO-BACK",
    "AXIAL RATIO",
}};

// ModelColumnHeaders's header of a column; over a ground, the horizon's column is headed
// "GAIN AT 10° ELEVATION".
std::string ModelColumnHeader(std::size_t column, bool overGround);

// The texts of every column after the style's, for the antenna's design polarisation. Over a
// ground the horizon's column holds the gain at 10 degrees elevation, and the front-to-back
// ratio is "—".
std::array<std::string, 8> FigureTexts(const ModelFigures& figures, Polarisation sense);

// The columns added beside the INFO table's: the loops' phasing and the match to the line.
inline constexpr std::array<std::string_view, 5> LineColumnHeaders{{
    "PHASING",
    "SWR ON Z0",
    "L-NETWORK TO Z0",
    "2:1 BAND ON Z0",
    "QUARTER-WAVE TO Z0",
}};

// The large loop's current beside the small loop's: "+111°, 0.93" (phase, magnitude ratio).
std::string PhasingText(const LoopPhasing& phasing);

// A component with its value: "82.1 nH inductor", "30.2 pF capacitor", "none".
std::string MatchingText(const Matching& match);

// The texts of the added columns, in LineColumnHeaders's order after PHASING's.
std::array<std::string, 4> LineMatchTexts(const ModelFigures& figures);

// A header of LineColumnHeaders with its reference named: "SWR ON 50 OHM" for "SWR ON Z0".
std::string LineColumnHeader(std::string_view header, double z0Ohm);

// How far a loop's perimeter may be from the design's and keep the resonance within 1 % of
// where it is, from the shift of resonance per millimetre of that perimeter: "±42 mm keeps
// resonance within ±1 %"; "no resonance in the sweep" without either.
std::string ResonanceToleranceText(const std::optional<double>& mhzPerMm,
                                   const std::optional<double>& resonanceMHz);

// A number with `decimals` places, whatever the locale.
std::string Fixed(double value, int decimals);

// A component's value in henries or farads (`unit` "H" or "F") with three significant figures,
// in the unit that keeps them: "100 pH", "4.52 nH", "36.3 pF", "1.00 nF".
std::string ComponentValue(double value, std::string_view unit);

// Why no NEC-2 model can be built at a frequency, from the model's NotModellable error, one
// sentence in plain words: "The frequency “1E+30” cannot be modelled: at this frequency the
// tube diameter is 0 mm." `quotedFrequency` is the typed text as the windows quote it.
std::string CannotBeModelledSentence(std::string_view quotedFrequency, const RuntimeError& error);

}  // namespace zandrel
