// zandrel2-dims as a script would use it: its output, its exit status and its usage errors.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

using zandrel::test_support::RunCommandLine;
using zandrel::test_support::RunResult;

std::string DimsCommand(const std::vector<std::string>& arguments) {
    return zandrel::test_support::QuotedCommand(ZANDREL2_DIMS, arguments);
}

RunResult RunDims(const std::vector<std::string>& arguments) {
    return RunCommandLine(DimsCommand(arguments) + " 2>/dev/null");
}

std::string RunStderr(const std::vector<std::string>& arguments) {
    return RunCommandLine(DimsCommand(arguments) + " 2>&1 >/dev/null").out;
}

TEST(DimsJson, PrintsEveryStyleInOnScreenOrderWithTheElevenTexts) {
    const RunResult result = RunDims({"--json", "137.50"});
    ASSERT_EQ(result.status, 0);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document["frequency"], "137.50");
    const std::vector<std::string> names = {"QuarterTurn",  "HalfTurnRca", "HalfTurnShort",
                                            "HalfTurnTall", "OneTurn",     "OneAndHalfTurn"};
    ASSERT_EQ(document["styles"].size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(document["styles"][i]["style"], names[i]);
        EXPECT_EQ(document["styles"][i]["dimensions"].size(), 11u);
    }
    const nlohmann::json& rca = document["styles"][1];
    EXPECT_EQ(rca["caption"], "1/2 TURN RCA");
    EXPECT_EQ(rca["dimensions"]["TubeDiameter"], "19.2");
    EXPECT_EQ(rca["dimensions"]["SmallHelixLength"], "745.11");
    EXPECT_EQ(document["styles"][5]["dimensions"]["LargeHelixLength"], "3211.8");
    // The dimensions come in display order.
    EXPECT_LT(result.out.find("\"TubeDiameter\""), result.out.find("\"SmallLoopPerimeter\""));
    EXPECT_LT(result.out.find("\"LargeBottomArm\""), result.out.find("\"SmallHelixLength\""));
}

TEST(DimsJson, ReportsEachFailedStyleWithItsErrorAndExitsWithOne) {
    const RunResult result = RunDims({"--json", "5e-15"});
    EXPECT_EQ(result.status, 1);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    int failed = 0;
    for (const nlohmann::json& style : document["styles"]) {
        if (style.contains("error")) {
            ++failed;
            EXPECT_EQ(style["error"]["number"], 6);
            EXPECT_EQ(style["error"]["message"], "Overflow");
            EXPECT_FALSE(style.contains("dimensions"));
        }
    }
    // Only the two styles whose overflow limits lie above 5E-15 MHz fail.
    EXPECT_EQ(failed, 2);
}

TEST(DimsJson, EchoesTheFrequencyTextAsGiven) {
    const RunResult result = RunDims({"--json", " abc\"\\ "});
    EXPECT_EQ(result.status, 1);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document["frequency"], " abc\"\\ ");
    EXPECT_EQ(document["styles"][0]["error"]["number"], 13);
    EXPECT_EQ(document["styles"][0]["error"]["message"], "Type mismatch");
}

TEST(DimsTable, NamesTheQuantitiesAndAlignsTheColumns) {
    const RunResult result = RunDims({"137.50"});
    ASSERT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("1/2 TURN .44 TALL"), std::string::npos);
    EXPECT_NE(result.out.find("SmallHelixLength"), std::string::npos);
    std::vector<std::string> lines;
    std::size_t start = result.out.find("\n\n") + 2;
    while (start < result.out.size()) {
        const std::size_t end = result.out.find('\n', start);
        lines.push_back(result.out.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 12u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.size(), lines[0].size()) << line;
    }
    EXPECT_NE(lines[1].find("8.73"), std::string::npos);
    EXPECT_NE(lines[1].find("19.2"), std::string::npos);
}

TEST(DimsTable, TakesANegativeFrequencyAsAFrequency) {
    const RunResult result = RunDims({"-137.5"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("-133.27"), std::string::npos);
}

TEST(DimsErrors, ExplainsABadFrequencyInWords) {
    EXPECT_NE(RunStderr({"abc"}).find("not a number"), std::string::npos);
    EXPECT_NE(RunStderr({"0"}).find("is zero"), std::string::npos);
    EXPECT_NE(RunStderr({"1E+39"}).find("too large"), std::string::npos);
    EXPECT_NE(RunStderr({"1e-15"}).find("too small"), std::string::npos);
}

TEST(DimsErrors, FailsWhenTheOutputCannotBeWritten) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"137.50"}, std::vector<std::string>{"--json", "137.50"}}) {
        const RunResult full = RunCommandLine(DimsCommand(arguments) + " 2>&1 >/dev/full");
        EXPECT_EQ(full.status, 1) << arguments.size();
        EXPECT_NE(full.out.find("could not be written"), std::string::npos) << full.out;
    }
}

TEST(DimsLocale, WritesTheSameTextsUnderADecimalCommaLocale) {
    const char* locales = std::getenv("ZANDREL2_TEST_LOCPATH");
    if (locales == nullptr) {
        GTEST_SKIP() << "needs the decimal-comma locale that the test fixture builds";
    }
    const std::string german = std::string("LOCPATH='") + locales + "' LC_ALL=de_DE.UTF-8 ";
    const RunResult check = RunCommandLine(german + "locale -k decimal_point 2>&1");
    ASSERT_NE(check.out.find("decimal_point=\",\""), std::string::npos) << check.out;

    const RunResult plain = RunDims({"--json", "137.50"});
    const RunResult comma = RunCommandLine(german + DimsCommand({"--json", "137.50"}));
    EXPECT_EQ(comma.status, 0);
    EXPECT_EQ(comma.out, plain.out);
    EXPECT_EQ(RunCommandLine(german + DimsCommand({"137,50"}) + " 2>/dev/null").status, 1);
}

TEST(DimsErrors, ExitsWithTwoOnAUsageError) {
    EXPECT_EQ(RunDims({}).status, 2);
    EXPECT_EQ(RunDims({"137.5", "145"}).status, 2);
    EXPECT_EQ(RunDims({"--frequency", "137.5"}).status, 2);
    EXPECT_EQ(RunDims({"--json"}).status, 2);
    EXPECT_EQ(RunDims({"--help"}).status, 0);
}

}  // namespace
