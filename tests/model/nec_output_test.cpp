// The reader of nec2c's output, on outputs that nec2c writes for the tests.
#include <gtest/gtest.h>

#include <string>

#include "helix_geometry.h"
#include "model_error.h"
#include "model_figures.h"
#include "nec2c_process.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace zandrel {
namespace {

using test_support::RunNec2c;

class NecOutputOfARealRun : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        geometry_ = new HelixGeometry(BuildHelixGeometry(Styles[2], "137.50", Polarisation::Rhcp));
        const test_support::Nec2cRun run = RunNec2c(WriteNecDeck(*geometry_));
        ASSERT_EQ(run.Status, 0);
        output_ = new std::string(run.Output);
    }
    static void TearDownTestSuite() {
        delete geometry_;
        delete output_;
    }

    // Expects the text to be refused as unreadable, by the reader or by the figures.
    static void ExpectUnreadable(const std::string& text, const std::string& what) {
        try {
            ComputeModelFigures(*geometry_, ParseNecOutput(text));
            ADD_FAILURE() << "figures were made from " << what;
        } catch (const ModelError& error) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::OutputUnreadable) << what;
            EXPECT_EQ(error.Message(), "The output of nec2c could not be read");
            EXPECT_FALSE(error.Detail().empty());
        }
    }

    static std::string Replaced(std::string text, const std::string& from, const std::string& to) {
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    }

    // Where the first line that starts with `start` starts, after `from`.
    static std::size_t LineStart(const std::string& text, const std::string& start,
                                 std::size_t from = 0) {
        const std::size_t at = text.find("\n" + start, from);
        EXPECT_NE(at, std::string::npos) << start;
        return at == std::string::npos ? text.size() : at + 1;
    }

    // The text with the `column`th number (from 0) of the line at `line` replaced.
    static std::string WithNumber(std::string text, std::size_t line, int column,
                                  const std::string& number) {
        std::size_t at = text.find_first_not_of(' ', line);
        for (int i = 0; i < column; ++i) {
            at = text.find_first_not_of(' ', text.find(' ', at));
        }
        return text.replace(at, text.find(' ', at) - at, number);
    }

    static HelixGeometry* geometry_;
    static std::string* output_;
};

HelixGeometry* NecOutputOfARealRun::geometry_ = nullptr;
std::string* NecOutputOfARealRun::output_ = nullptr;

TEST_F(NecOutputOfARealRun, ReadsEveryFrequencyItsSourcesAndThePattern) {
    const NecOutput output = ParseNecOutput(*output_);
    ASSERT_EQ(output.Runs.size(), 12u);
    EXPECT_DOUBLE_EQ(output.Runs[0].FrequencyMHz, 137.5);
    EXPECT_DOUBLE_EQ(output.Runs[1].FrequencyMHz, 130.62);  // nec2c prints five digits
    EXPECT_EQ(output.Runs[0].Pattern.size(), 37u * 72u);
    for (const FrequencyRun& run : output.Runs) {
        ASSERT_EQ(run.Sources.size(), 2u);
        for (const SourceInput& source : run.Sources) {
            EXPECT_EQ(source.Voltage, std::complex<double>(1.0, 0.0));
            // nec2c's own impedance is V / I to its five printed digits.
            EXPECT_NEAR(std::abs(source.Impedance - 1.0 / source.Current), 0.0,
                        1e-3 * std::abs(source.Impedance));
        }
        EXPECT_EQ(run.Sources[0].Tag, geometry_->SmallFeedTag);
        EXPECT_EQ(run.Sources[1].Tag, geometry_->LargeFeedTag);
    }
    EXPECT_EQ(output.Runs[0].Pattern.front().Sense, "RIGHT");
    EXPECT_DOUBLE_EQ(output.Runs[0].Pattern.back().ThetaDeg, 180.0);
    EXPECT_DOUBLE_EQ(output.Runs[0].Pattern.back().PhiDeg, 355.0);
}

TEST_F(NecOutputOfARealRun, RefusesEveryTruncation) {
    for (std::size_t length = 0; length < output_->size(); length += output_->size() / 97) {
        ExpectUnreadable(output_->substr(0, length), "the first " + std::to_string(length));
    }
    for (std::size_t length = output_->size() - 40; length < output_->size(); ++length) {
        ExpectUnreadable(output_->substr(0, length), "the first " + std::to_string(length));
    }
}

TEST_F(NecOutputOfARealRun, RefusesCorruptedTables) {
    const std::string row = "    0.00      0.00";
    const std::size_t firstRow = output_->find(row);
    ASSERT_NE(firstRow, std::string::npos);
    const std::size_t rowEnd = output_->find('\n', firstRow) + 1;
    const std::string zenithRow = output_->substr(firstRow, rowEnd - firstRow);
    std::string dropped = *output_;
    dropped.erase(firstRow, rowEnd - firstRow);
    ExpectUnreadable(dropped, "a pattern without its zenith");
    std::string repeated = *output_;
    repeated.insert(rowEnd, zenithRow);
    ExpectUnreadable(repeated, "a pattern with a repeated row");
    ExpectUnreadable(Replaced(*output_, "RIGHT", "R1GHT"), "a garbled sense");
    ExpectUnreadable(Replaced(*output_, "1.0000E+00  0.0000E+00", "1.0000E+00  nan"),
                     "a voltage that is not a number");
    ExpectUnreadable(Replaced(*output_, "1.0000E+00  0.0000E+00", "1.0000E+00"),
                     "an input row missing a column");
    ExpectUnreadable(Replaced(*output_, "FREQUENCY : 1.3750E+02", "FREQUENCY : 1.3950E+02"),
                     "another design frequency");
    ExpectUnreadable(Replaced(*output_, "FREQUENCY : 1.3750E+02 MHz", "FREQUENCY : x MHz"),
                     "a frequency that is not a number");
    ExpectUnreadable(Replaced(*output_, "RADIATION PATTERNS", "RADIATION PATTERNS\n\n\n"),
                     "a pattern whose header was broken up");
    ExpectUnreadable(Replaced(*output_, "ANTENNA INPUT PARAMETERS", "ANTENNA INPUT"),
                     "a run without its input parameters");
}

TEST_F(NecOutputOfARealRun, RefusesNumbersThatMakeAFigureInfinite) {
    // Finite numbers each, but the front-to-back ratio between them is not.
    std::string apart = WithNumber(*output_, LineStart(*output_, "    0.00      0.00"), 4, "1E+308");
    apart = WithNumber(apart, LineStart(apart, "  180.00      0.00"), 4, "-1E+308");
    ExpectUnreadable(apart, "gains 1E+308 dB apart");
    // So little current that 1 V over it is no finite impedance: both sources' rows, after the
    // table's title and two header lines.
    std::string tiny = *output_;
    std::size_t row = LineStart(tiny, "  No:", tiny.find("ANTENNA INPUT PARAMETERS"));
    for (int source = 0; source < 2; ++source) {
        row = tiny.find('\n', row) + 1;
        tiny = WithNumber(WithNumber(tiny, row, 4, "1.0E-320"), row, 5, "0.0");
    }
    ExpectUnreadable(tiny, "currents of 1E-320 A");
}

TEST_F(NecOutputOfARealRun, QuotesTheLastWordsOfAFailedRun) {
    const std::string deck =
        "CM x\nCE\nGW 1 5 0 0 0 1 0 0 0.001\nGE 0\nFR 0 1 0 0 140 0\n"
        "EX 0 2 3 0 1 0\nXQ\nEN\n";
    const test_support::Nec2cRun run = RunNec2c(deck);
    EXPECT_NE(run.Status, 0);
    EXPECT_NE(LastWords(run.Output).find("NO SEGMENT HAS AN ITAG OF 2"), std::string::npos)
        << LastWords(run.Output);
    ExpectUnreadable(run.Output, "a failed run");
}

TEST(NecOutputOfARejectedGeometry, NamesTheEnginesComplaint) {
    // The helix shrunk as it would be at 1E+25 MHz, far too small for nec2c's segments (the
    // model itself refuses such a frequency, whose dimensions round to 0 mm).
    HelixGeometry tiny = BuildHelixGeometry(Styles[4], "137.50", Polarisation::Rhcp);
    constexpr double Shrink = 137.5 / 1e25;
    for (Wire& wire : tiny.Wires) {
        for (Point* end : {&wire.Start, &wire.End}) {
            *end = {end->X * Shrink, end->Y * Shrink, end->Z * Shrink};
        }
        wire.Radius *= Shrink;
    }
    const test_support::Nec2cRun run = RunNec2c(WriteNecDeck(tiny));
    EXPECT_NE(run.Status, 0);
    EXPECT_EQ(GeometryRejection(run.Output), "SEGMENT DATA ERROR") << LastWords(run.Output);
}

}  // namespace
}  // namespace zandrel
