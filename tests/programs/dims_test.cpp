// zandrel2-dims as a script would use it: its output, its exit status and its usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

using zandrel::test_support::RunCommandLine;
using zandrel::test_support::RunResult;

using zandrel::test_support::DimsCommand;
using zandrel::test_support::RunDims;

std::string RunStderr(const std::vector<std::string>& arguments) {
    return zandrel::test_support::RunDimsStderr(arguments).out;
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

TEST(DimsTable, TakesANegativeFrequencyWithoutADigitBeforeThePointAsAFrequency) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-.5"}, std::vector<std::string>{"-.5", "--json"},
          std::vector<std::string>{"--json", "-.5"},
          std::vector<std::string>{"--json", "--", "-.5"}}) {
        const RunResult result = RunDims(arguments);
        EXPECT_EQ(result.status, 0) << arguments.front();
        EXPECT_NE(result.out.find("-.5"), std::string::npos) << result.out;
        // A wavelength of 300000 / -0.5 mm, and 0.004 of it as the first style's tube.
        EXPECT_NE(result.out.find("-2400"), std::string::npos) << result.out;
    }
}

// The usage line of each command, as its own --help begins.
std::string UsageOf(const std::string& command) {
    std::vector<std::string> arguments{"--help"};
    if (!command.empty()) {
        arguments.insert(arguments.begin(), command);
    }
    const std::string help = RunDims(arguments).out;
    return help.substr(0, help.find("\n", help.find("FREQUENCY")) + 1);
}

// Runs of spaces and line breaks as one space, so that wrapped lines compare.
std::string Collapsed(const std::string& text) {
    std::string collapsed;
    for (const char c : text) {
        const bool space = c == ' ' || c == '\n';
        if (!space || (!collapsed.empty() && collapsed.back() != ' ')) {
            collapsed += space ? ' ' : c;
        }
    }
    return collapsed;
}

TEST(DimsHelp, GivesEachCommandsUsageAndOptionsOnStdoutAndExitsWithZero) {
    const std::vector<std::vector<std::string>> helps = {
        {"--help"}, {"-h"}, {"--nec", "--help"}, {"--model", "-h"}, {"--sheet", "--help"}};
    for (const std::vector<std::string>& arguments : helps) {
        const std::string words = arguments.size() == 1 ? "" : arguments.front() + " ";
        const RunResult result = RunDims(arguments);
        EXPECT_EQ(result.status, 0) << words;
        EXPECT_EQ(result.out.rfind("usage: zandrel2-dims " + words, 0), 0u) << result.out;
        EXPECT_NE(result.out.find("-h,--help"), std::string::npos) << result.out;
        EXPECT_EQ(RunStderr(arguments), "") << words;
    }
    // --model -h is the model's help, not a frequency called "-h".
    EXPECT_NE(RunDims({"--model", "-h"}).out.find("--lhcp"), std::string::npos);
    // The program's help shows the other commands' usage as their own help does.
    const std::string overall = Collapsed(RunDims({"--help"}).out);
    for (const char* command :
         {"--nec", "--model", "--sheet", "--tune", "--trim", "--touchstone"}) {
        const std::string usage = Collapsed(UsageOf(command)).substr(std::string("usage: ").size());
        EXPECT_NE(overall.find(usage), std::string::npos) << usage;
    }
    const std::string sheet = RunDims({"--sheet", "--help"}).out;
    for (const char* option : {"--lhcp", "--mast-diameter MM", "--paper a4|letter", "-o FILE.pdf",
                               "STYLE", "from 1 to 500"}) {
        EXPECT_NE(sheet.find(option), std::string::npos) << option;
    }
}

TEST(DimsErrors, FailsWhenTheHelpCannotBeWritten) {
    for (const char* command : {"", "--nec", "--model", "--sheet"}) {
        const RunResult full =
            RunCommandLine(DimsCommand({command, "--help"}) + " 2>&1 >/dev/full");
        EXPECT_EQ(full.status, 1) << command;
        EXPECT_NE(full.out.find("could not be written"), std::string::npos) << full.out;
    }
}

TEST(DimsErrors, ExplainsAnUnknownOrMalformedOptionWithTheCommandsUsageAndExitsWithTwo) {
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
        const char* usage;
    };
    const Case cases[] = {
        {{"--frequency", "137.5"}, "not expected: --frequency", "usage: zandrel2-dims [--json]"},
        {{"-x", "137.5"}, "not expected: -x", "usage: zandrel2-dims [--json]"},
        {{"137.5", "--json=maybe"}, "--json", "usage: zandrel2-dims [--json]"},
        {{"--model", "--bogus", "137.5"}, "not expected: --bogus", "usage: zandrel2-dims --model"},
        {{"--nec", "OneTurn", "137.5", "--json"},
         "not expected: --json",
         "usage: zandrel2-dims --nec"},
        {{"--nec", "TwoTurns", "137.5"},
         "unknown style TwoTurns (the styles are QuarterTurn,",
         "usage: zandrel2-dims --nec"},
        {{"--sheet", "OneTurn", "137.5", "--paper", "a3", "-o", "/nonexistent/qfh.pdf"},
         "the paper is a4 or letter, not a3",
         "usage: zandrel2-dims --sheet"},
        {{"--sheet", "OneTurn", "137.5", "-o"}, "-o", "usage: zandrel2-dims --sheet"},
        {{"--sheet", "OneTurn", "137.5"}, "-o is required", "usage: zandrel2-dims --sheet"},
    };
    for (const Case& c : cases) {
        const std::string words = c.arguments.front() + " " + c.arguments[1];
        EXPECT_EQ(RunDims(c.arguments).status, 2) << words;
        EXPECT_EQ(RunDims(c.arguments).out, "") << words;
        const std::string err = RunStderr(c.arguments);
        EXPECT_EQ(err.rfind("zandrel2-dims: ", 0), 0u) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_NE(err.find(std::string("\n") + c.usage), std::string::npos) << err;
    }
}

// What bash completion offers for the word being typed, the last of `words`.
std::vector<std::string> Completions(const std::vector<std::string>& words) {
    std::string script = "source \"" ZANDREL2_DIMS_COMPLETION "\"; COMP_WORDS=(zandrel2-dims";
    for (const std::string& word : words) {
        script += " \"" + word + "\"";
    }
    script += "); COMP_CWORD=" + std::to_string(words.size()) +
              "; _zandrel2_dims; printf \"%s\\n\" \"${COMPREPLY[@]}\"";
    const RunResult result =
        RunCommandLine(zandrel::test_support::QuotedCommand("bash", {"-c", script}));
    std::vector<std::string> offered;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            offered.push_back(line);
        }
    }
    return offered;
}

// The options that a command's help lists, by their last name ("--help" for "-h,--help"), and
// the other commands' options that the program's help lists.
std::vector<std::string> OptionsInHelp(const std::string& command) {
    const std::string help = RunDims(command.empty() ? std::vector<std::string>{"--help"}
                                                     : std::vector<std::string>{command, "--help"})
                                 .out;
    std::vector<std::string> options;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  -", 0) == 0) {
            const std::string names = line.substr(2, line.find(' ', 2) - 2);
            options.push_back(names.substr(names.rfind(',') + 1));
        } else if (line.rfind("  zandrel2-dims --", 0) == 0) {
            options.push_back(line.substr(16, line.find(' ', 16) - 16));
        }
    }
    return options;
}

TEST(DimsCompletion, OffersTheOptionsThatEachCommandsHelpLists) {
    for (const std::string command : {"", "--nec", "--model", "--pass", "--sheet", "--tune",
                                      "--trim", "--touchstone", "--measure"}) {
        std::vector<std::string> words{"-"};
        if (!command.empty()) {
            words.insert(words.begin(), command);
        }
        std::vector<std::string> offered = Completions(words);
        std::vector<std::string> listed = OptionsInHelp(command);
        std::sort(offered.begin(), offered.end());
        std::sort(listed.begin(), listed.end());
        EXPECT_GE(listed.size(), 2u) << command;
        EXPECT_EQ(offered, listed) << command;
    }
}

TEST(DimsCompletion, OffersTheStylesWhereAStyleIsDueThePapersAndNoOptionAfterTheEnd) {
    const std::vector<std::string> styles = {"QuarterTurn",  "HalfTurnRca", "HalfTurnShort",
                                             "HalfTurnTall", "OneTurn",     "OneAndHalfTurn"};
    EXPECT_EQ(Completions({"--sheet", ""}), styles);
    EXPECT_EQ(Completions({"--nec", "--lhcp", "--", ""}), styles);
    EXPECT_EQ(Completions({"--sheet", "--paper", "a4", "-o", "qfh.pdf", "H"}),
              (std::vector<std::string>{"HalfTurnRca", "HalfTurnShort", "HalfTurnTall"}));
    EXPECT_TRUE(Completions({"--nec", "OneTurn", ""}).empty());
    EXPECT_TRUE(Completions({"--model", ""}).empty());
    EXPECT_EQ(Completions({"--sheet", "OneTurn", "137.5", "--paper", ""}),
              (std::vector<std::string>{"a4", "letter"}));
    EXPECT_EQ(Completions({"--sheet", "--units", ""}), (std::vector<std::string>{"mm", "in"}));
    EXPECT_EQ(Completions({"--sheet", "--bend-radius", "45", ""}), styles);
    EXPECT_TRUE(Completions({"--json", "--", "-"}).empty());
    EXPECT_EQ(Completions({"--trim", "OneTurn", "137.5", "--target", ""}),
              (std::vector<std::string>{"design", "tuned"}));
    EXPECT_EQ(Completions({"--tune", "OneTurn", "137.5", "--objective", ""}),
              (std::vector<std::string>{"zenith", "pass"}));
    EXPECT_EQ(Completions({"--tune", "--altitude-km", "420", "One"}),
              (std::vector<std::string>{"OneTurn", "OneAndHalfTurn"}));
    EXPECT_TRUE(Completions({"--pass", ""}).empty());
    EXPECT_EQ(Completions({"--touchstone", "--z0", "75", "One"}),
              (std::vector<std::string>{"OneTurn", "OneAndHalfTurn"}));
    EXPECT_EQ(Completions({"--model", "--ground", "p"}),
              (std::vector<std::string>{"perfect", "poor"}));
    EXPECT_EQ(Completions({"--nec", "--feedline", ""}),
              (std::vector<std::string>{"none", "bare", "choked"}));
    EXPECT_EQ(Completions({"--tune", "--mast", "metal", "--height", "5", "One"}),
              (std::vector<std::string>{"OneTurn", "OneAndHalfTurn"}));
}

TEST(DimsErrors, ExitsWithTwoOnAUsageError) {
    EXPECT_EQ(RunDims({}).status, 2);
    EXPECT_EQ(RunDims({"137.5", "145"}).status, 2);
    EXPECT_EQ(RunDims({"--frequency", "137.5"}).status, 2);
    EXPECT_EQ(RunDims({"--json"}).status, 2);
    EXPECT_EQ(RunDims({"--help"}).status, 0);
}

}  // namespace
