// What was wrong with a frequency that the calculator rejected, in the windows' words.
#pragma once

#include <QString>

#include "helix_dimensions.h"

namespace zandrel {

// The typed text in quotation marks, shortened to its first 40 characters and an ellipsis.
QString QuotedFrequency(const QString& frequencyText);

// "The frequency “0” is zero. Type the frequency in MHz, for example 137.50." and the like.
QString FrequencyProblemInWords(FrequencyProblem problem, const QString& frequencyText);

}  // namespace zandrel
