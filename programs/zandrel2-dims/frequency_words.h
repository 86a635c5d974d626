// What was wrong with a frequency, in the command line's words.
#pragma once

#include <string>

#include "helix_dimensions.h"

namespace zandrel {

// "the frequency is zero" and the like; "the dimensions could not be computed" when the error
// says nothing about the frequency.
std::string FrequencyProblemInWords(FrequencyProblem problem);

}  // namespace zandrel
