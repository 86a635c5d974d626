// A run-time error in the words a person reads, the same in the windows and on the command line.
#pragma once

#include <string>
#include <string_view>

#include "runtime_error.h"

namespace zandrel {

// "error 1002: The NEC-2 engine nec2c failed": a style's error in a table of the styles.
std::string ErrorPhrase(const RuntimeError& error);

// "The NEC-2 engine nec2c failed: nec2c said: ...": the message, and the detail when known.
std::string MessageWithDetail(const RuntimeError& error);

// "run-time error 1002: The NEC-2 engine nec2c failed: nec2c said: ...".
std::string RunTimeErrorPhrase(const RuntimeError& error);

// "the frequency is zero (run-time error 11: Division by zero)": the words that explain an
// error, followed by its number and message.
std::string ExplainedError(std::string_view words, const RuntimeError& error);

// A style's error as the command line explains it: what was wrong with the frequency and the
// error, "the frequency is zero (run-time error 11: Division by zero)", when the calculator
// refused `frequencyText`, and RunTimeErrorPhrase otherwise.
std::string FrequencyOrRunTimeErrorPhrase(const RuntimeError& error,
                                          std::string_view frequencyText);

// "nec2c said: Error in input." and the like, to end a sentence: the detail, or the message
// when there is none, with a full stop.
std::string DetailOrMessageSentence(const RuntimeError& error);

}  // namespace zandrel
