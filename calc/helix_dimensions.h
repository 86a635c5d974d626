// The working dimensions of one antenna and the computation that fills them from a frequency.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "helix_style.h"

namespace zandrel {

class RuntimeError;

// Every quantity is kept as a single; lengths in mm, the frequency in MHz.
struct HelixDimensions {
    float FreqMHz = 0.0f;
    float TubeDiameter = 0.0f;
    float SmallLoopPerimeter = 0.0f;
    float LargeLoopPerimeter = 0.0f;
    float SmallTopArm = 0.0f;
    float SmallBottomArm = 0.0f;
    float LargeBottomArm = 0.0f;
    float LargeTopArm = 0.0f;
    float SmallLoopHeight = 0.0f;
    float LargeLoopHeight = 0.0f;
    float WavelengthMm = 0.0f;
    float SmallHelixLength = 0.0f;
    float LargeHelixLength = 0.0f;
    float SmallArcSquared = 0.0f;  // the arc of a small-loop element, then its square
    float LargeArcSquared = 0.0f;
};

// Reads the frequency text and fills `dimensions` step by step, checking the floating-point
// flags after each step. Raises RuntimeError at the first failure: a text that is not a
// number or out of range changes nothing; a failed check leaves the fields stored so far.
void ComputeHelixDimensions(std::string_view frequencyText, const StyleConstants& style,
                            HelixDimensions& dimensions);

// What was wrong with a frequency whose computation raised `error`.
enum class FrequencyProblem { NotANumber, Zero, TooLarge, TooSmall, Other };
FrequencyProblem ClassifyFrequencyError(const RuntimeError& error, std::string_view frequencyText);

// The text of one result box: the single rounded to hundredths, at most seven digits.
std::string FormatDimension(float value);

// A dimension as its result box shows it, as a whole number of hundredths of a millimetre and
// in millimetres (the double nearest that decimal): the box's rounding, half to even on the
// single's exact value, so that every figure taken from a shown dimension agrees with the box.
double DisplayedHundredths(float value);
double DisplayedMillimetres(float value);

struct DisplayedDimension {
    std::string_view Name;
    float HelixDimensions::*Field;
};

// The eleven displayed quantities, in the order they are written.
inline constexpr std::array<DisplayedDimension, 11> DisplayOrder{{
    {"TubeDiameter", &HelixDimensions::TubeDiameter},
    {"SmallLoopPerimeter", &HelixDimensions::SmallLoopPerimeter},
    {"LargeLoopPerimeter", &HelixDimensions::LargeLoopPerimeter},
    {"SmallTopArm", &HelixDimensions::SmallTopArm},
    {"SmallBottomArm", &HelixDimensions::SmallBottomArm},
    {"SmallLoopHeight", &HelixDimensions::SmallLoopHeight},
    {"LargeLoopHeight", &HelixDimensions::LargeLoopHeight},
    {"LargeTopArm", &HelixDimensions::LargeTopArm},
    {"LargeBottomArm", &HelixDimensions::LargeBottomArm},
    {"SmallHelixLength", &HelixDimensions::SmallHelixLength},
    {"LargeHelixLength", &HelixDimensions::LargeHelixLength},
}};

}  // namespace zandrel
