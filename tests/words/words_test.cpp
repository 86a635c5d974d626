// The words a person reads for a rejected frequency and for a run-time error.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "error_words.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "numeric_error.h"

namespace zandrel {
namespace {

// The error that computing `frequencyText` raised, kept for later as the windows and the
// command line keep it.
RuntimeError KeptErrorOf(const std::string& frequencyText) {
    std::optional<RuntimeError> kept;
    HelixDimensions dimensions;
    try {
        ComputeHelixDimensions(frequencyText, StyleConstantsOf(HelixStyle::QuarterTurn),
                               dimensions);
    } catch (const RuntimeError& error) {
        kept = error;
    }
    if (!kept) {
        throw std::logic_error(frequencyText + " was computed");
    }
    return *kept;
}

TEST(FrequencyWords, SayWhatWasWrongWithTheTypedTextFromTheKeptError) {
    struct Case {
        std::string typed;
        FrequencyProblem problem;
        std::string what;  // in the report and the phrase alike
    };
    const Case cases[] = {
        {"137,50", FrequencyProblem::NotANumber, "is not a number"},
        {"0", FrequencyProblem::Zero, "is zero"},
        {"1E+39", FrequencyProblem::TooLarge, "is too large for the calculator"},
        {"1e-15", FrequencyProblem::TooSmall, "is too small"},
    };
    std::set<std::string> reports;
    std::set<std::string> phrases;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const FrequencyProblem problem = ClassifyFrequencyError(KeptErrorOf(c.typed), c.typed);
        EXPECT_EQ(problem, c.problem);
        const std::string report = FrequencyProblemReport(problem, c.typed);
        const std::string phrase = FrequencyProblemPhrase(problem);
        EXPECT_EQ(report.rfind("The frequency \u201C" + c.typed + "\u201D " + c.what, 0), 0u)
            << report;
        EXPECT_EQ(report.back(), '.');
        EXPECT_EQ(phrase.rfind("the frequency " + c.what, 0), 0u) << phrase;
        EXPECT_EQ(phrase.find(c.typed), std::string::npos) << phrase;
        reports.insert(report);
        phrases.insert(phrase);
    }
    EXPECT_EQ(reports.size(), std::size(cases));
    EXPECT_EQ(phrases.size(), std::size(cases));
}

TEST(FrequencyWords, SayOnlyThatNothingWasComputedWhenTheErrorIsNotTheFrequencys) {
    const RuntimeError invalid = NumericError(NumericErrorKind::InvalidOperation);
    const FrequencyProblem problem = ClassifyFrequencyError(invalid, "137.50");
    EXPECT_EQ(problem, FrequencyProblem::Other);
    EXPECT_EQ(FrequencyProblemReport(problem, "137.50"),
              "The dimensions could not be computed for the frequency \u201C137.50\u201D.");
    EXPECT_EQ(FrequencyProblemPhrase(problem), "the dimensions could not be computed");
}

TEST(QuotedFrequency, ShortensALongTextToItsFirstFortyCharactersAsTheWindowsCountThem) {
    const std::string forty(40, '7');
    EXPECT_EQ(QuotedFrequency(forty), "\u201C" + forty + "\u201D");
    EXPECT_EQ(QuotedFrequency(forty + "8"), "\u201C" + forty + "\u2026\u201D");

    std::string accented;  // forty two-byte characters, then one more
    for (int i = 0; i < 41; ++i) {
        accented += "\u00E9";
    }
    EXPECT_EQ(QuotedFrequency(accented), "\u201C" + accented.substr(0, 80) + "\u2026\u201D");

    // A character beyond the first 65,536 counts twice, and is never cut in half.
    const std::string clef = "\U0001D11E";
    EXPECT_EQ(QuotedFrequency(std::string(38, '1') + clef),
              "\u201C" + std::string(38, '1') + clef + "\u201D");
    EXPECT_EQ(QuotedFrequency(std::string(39, '1') + clef),
              "\u201C" + std::string(39, '1') + "\u2026\u201D");
}

TEST(ErrorWords, GiveTheDetailWhereItIsReadAndOnlyThere) {
    const RuntimeError bare = NumericError(NumericErrorKind::Overflow);
    const RuntimeError detailed = NumericError(NumericErrorKind::Overflow, "the arc is too long");
    EXPECT_EQ(ErrorPhrase(detailed), "error 6: Overflow");
    EXPECT_EQ(ExplainedError("the frequency is too small", detailed),
              "the frequency is too small (run-time error 6: Overflow)");
    EXPECT_EQ(MessageWithDetail(bare), "Overflow");
    EXPECT_EQ(MessageWithDetail(detailed), "Overflow: the arc is too long");
    EXPECT_EQ(RunTimeErrorPhrase(bare), "run-time error 6: Overflow");
    EXPECT_EQ(RunTimeErrorPhrase(detailed), "run-time error 6: Overflow: the arc is too long");
}

TEST(ErrorWords, ExplainAStylesErrorByTheFrequencyOnlyWhenTheCalculatorRefusedIt) {
    EXPECT_EQ(FrequencyOrRunTimeErrorPhrase(KeptErrorOf("0"), "0"),
              "the frequency is zero (run-time error 11: Division by zero)");
    const RuntimeError invalid = NumericError(NumericErrorKind::InvalidOperation, "no result");
    EXPECT_EQ(FrequencyOrRunTimeErrorPhrase(invalid, "137.50"), RunTimeErrorPhrase(invalid));
}

TEST(ErrorWords, EndTheDetailOrElseTheMessageWithOneFullStop) {
    EXPECT_EQ(DetailOrMessageSentence(NumericError(NumericErrorKind::Overflow)), "Overflow.");
    EXPECT_EQ(DetailOrMessageSentence(NumericError(NumericErrorKind::Overflow, "nec2c said: no")),
              "nec2c said: no.");
    EXPECT_EQ(DetailOrMessageSentence(NumericError(NumericErrorKind::Overflow, "It stopped.")),
              "It stopped.");
}

}  // namespace
}  // namespace zandrel
