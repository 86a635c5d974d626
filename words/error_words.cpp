#include "error_words.h"

#include "frequency_words.h"
#include "helix_dimensions.h"

namespace zandrel {

std::string ErrorPhrase(const RuntimeError& error) {
    return "error " + std::to_string(error.Number()) + ": " + error.Message();
}

std::string MessageWithDetail(const RuntimeError& error) {
    return error.Detail().empty() ? error.Message() : error.Message() + ": " + error.Detail();
}

std::string RunTimeErrorPhrase(const RuntimeError& error) {
    return "run-time error " + std::to_string(error.Number()) + ": " + MessageWithDetail(error);
}

std::string ExplainedError(std::string_view words, const RuntimeError& error) {
    return std::string(words) + " (run-time error " + std::to_string(error.Number()) + ": " +
           error.Message() + ")";
}

std::string FrequencyOrRunTimeErrorPhrase(const RuntimeError& error,
                                          std::string_view frequencyText) {
    const FrequencyProblem problem = ClassifyFrequencyError(error, frequencyText);
    if (problem == FrequencyProblem::Other) {
        return RunTimeErrorPhrase(error);
    }
    return ExplainedError(FrequencyProblemPhrase(problem), error);
}

std::string DetailOrMessageSentence(const RuntimeError& error) {
    std::string sentence = error.Detail().empty() ? error.Message() : error.Detail();
    if (sentence.empty() || sentence.back() != '.') {
        sentence += '.';
    }
    return sentence;
}

}  // namespace zandrel
