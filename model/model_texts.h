// The figures of a modelled style as the texts of a table row, for the window and the command line.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "helix_geometry.h"
#include "model_figures.h"

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

// The texts of every column after the style's, for the antenna's design polarisation.
std::array<std::string, 8> FigureTexts(const ModelFigures& figures, Polarisation sense);

// A number with `decimals` places, whatever the locale.
std::string Fixed(double value, int decimals);

}  // namespace zandrel
