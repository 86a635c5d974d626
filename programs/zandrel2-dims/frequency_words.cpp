#include "frequency_words.h"

namespace zandrel {

std::string FrequencyProblemInWords(FrequencyProblem problem) {
    switch (problem) {
        case FrequencyProblem::NotANumber:
            return "the frequency is not a number";
        case FrequencyProblem::Zero:
            return "the frequency is zero";
        case FrequencyProblem::TooLarge:
            return "the frequency is too large for the calculator";
        case FrequencyProblem::TooSmall:
            return "the frequency is too small: the antenna would be too large to compute";
        case FrequencyProblem::Other:
            break;
    }
    return "the dimensions could not be computed";
}

}  // namespace zandrel
