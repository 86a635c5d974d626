// What was wrong with a frequency that the calculator rejected, in words: a report's sentences,
// which quote the typed text, and a phrase for a line of the command line's output.
#pragma once

#include <string>
#include <string_view>

#include "helix_dimensions.h"

namespace zandrel {

// The typed text in quotation marks, shortened to its first 40 characters and an ellipsis.
std::string QuotedFrequency(std::string_view typedText);

// "The frequency “0” is zero. Type the frequency in MHz, for example 137.50." and the like.
std::string FrequencyProblemReport(FrequencyProblem problem, std::string_view typedText);

// "the frequency is zero" and the like; "the dimensions could not be computed" when the error
// says nothing about the frequency.
std::string FrequencyProblemPhrase(FrequencyProblem problem);

}  // namespace zandrel
