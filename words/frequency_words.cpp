#include "frequency_words.h"

#include <algorithm>
#include <cstddef>

namespace zandrel {

namespace {

// Counted as the windows count a text's characters: in UTF-16 code units.
constexpr std::size_t LongestQuotedFrequency = 40;

constexpr std::string_view OpeningQuote = "\u201C";
constexpr std::string_view ClosingQuote = "\u201D";
constexpr std::string_view Ellipsis = "\u2026";

// The length in bytes of the UTF-8 character that starts with `lead`, and the UTF-16 code
// units it takes; a byte that starts no character counts as one of each.
struct CharacterSize {
    std::size_t Bytes;
    std::size_t Units;
};

CharacterSize SizeOfCharacter(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) {
        return {4, 2};
    }
    if (lead >= 0xE0 && lead < 0xF0) {
        return {3, 1};
    }
    if (lead >= 0xC0 && lead < 0xE0) {
        return {2, 1};
    }
    return {1, 1};
}

}  // namespace

std::string QuotedFrequency(std::string_view typedText) {
    std::size_t units = 0;
    std::size_t end = 0;  // of the characters that fit
    for (std::size_t at = 0; at < typedText.size();) {
        const CharacterSize size = SizeOfCharacter(static_cast<unsigned char>(typedText[at]));
        units += size.Units;
        at = std::min(at + size.Bytes, typedText.size());
        if (units <= LongestQuotedFrequency) {
            end = at;
        }
    }
    std::string quoted(OpeningQuote);
    quoted += typedText.substr(0, end);
    if (units > LongestQuotedFrequency) {
        quoted += Ellipsis;
    }
    quoted += ClosingQuote;
    return quoted;
}

std::string FrequencyProblemReport(FrequencyProblem problem, std::string_view typedText) {
    const std::string frequency = "The frequency " + QuotedFrequency(typedText);
    switch (problem) {
        case FrequencyProblem::NotANumber:
            return frequency +
                   " is not a number. Type the frequency in MHz with digits and an optional "
                   "decimal point, for example 137.50.";
        case FrequencyProblem::Zero:
            return frequency + " is zero. Type the frequency in MHz, for example 137.50.";
        case FrequencyProblem::TooLarge:
            return frequency + " is too large for the calculator.";
        case FrequencyProblem::TooSmall:
            return frequency +
                   " is too small for the design: the antenna would be too large to compute.";
        case FrequencyProblem::Other:
            break;
    }
    return "The dimensions could not be computed for the frequency " + QuotedFrequency(typedText) +
           ".";
}

std::string FrequencyProblemPhrase(FrequencyProblem problem) {
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
