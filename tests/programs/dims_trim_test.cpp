// zandrel2-dims --trim as a builder uses it: the worked example's file with and without the tube
// it was built with, a measurement of another style, and files that are not measurements of an
// antenna. nec2c's outputs are replayed from recordings.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using zandrel::test_support::DimsCommand;
using zandrel::test_support::FullRunResult;
using zandrel::test_support::RunCommandLineWithStderr;

FullRunResult RunDims(const std::vector<std::string>& arguments) {
    return RunCommandLineWithStderr(DimsCommand(arguments));
}

class DimsTrim : public testing::Test {
  protected:

    // The model's S11 of the style for `frequency`, as a VNA would read the antenna built so.
    std::string Modelled(const std::string& style, const std::string& frequency) const {
        const std::string file = (folder_.Path() / (style + frequency + ".s1p")).string();
        const FullRunResult written = RunDims({"--touchstone", style, frequency, "-o", file});
        EXPECT_EQ(written.status, 0) << written.err;
        return file;
    }

    std::string Written(const std::string& name, const std::string& text) const {
        const fs::path file = folder_.Path() / name;
        std::ofstream(file, std::ios::binary) << text;
        return file.string();
    }

    zandrel::test_support::ScratchFolder folder_;
};

// The worked example: every length 1.85 % long, the tube 8.89 mm instead of 8.73 mm.
TEST_F(DimsTrim, GivesTheWorkedExamplesCutsWithTheirIntervalsAndAssumptions) {
    const std::string file = Modelled("HalfTurnTall", "135");
    const FullRunResult result = RunDims({"--trim", "HalfTurnTall", "137.50", "--measured", file,
                                      "--conductor-diameter", "8.89", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const nlohmann::json advice = nlohmann::json::parse(result.out);
    EXPECT_EQ(advice["conductor_diameter_mm"], 8.89);
    EXPECT_EQ(advice["advice_withheld"], false);
    EXPECT_EQ(advice["measured"]["files"][0]["role"], "whole");
    EXPECT_EQ(advice["target"]["to"], "design");
    // The loops' perimeters as the calculator shows them: 2363.91 and 2382.31 mm.
    const double truth[] = {(137.5 / 135.0 - 1.0) * 2363.91 / 2.0,
                            (137.5 / 135.0 - 1.0) * 2382.31 / 2.0};
    int i = 0;
    for (const char* loop : {"small", "large"}) {
        SCOPED_TRACE(loop);
        const nlohmann::json& trim = advice["loops"][loop];
        const double cut = trim["trim_per_element_mm"];
        EXPECT_NEAR(cut, truth[i], 2.0);
        EXPECT_DOUBLE_EQ(cut, trim["error_mm"].get<double>() / 2.0);
        EXPECT_LE(trim["interval_per_element_mm"]["low"].get<double>(), cut);
        EXPECT_GE(trim["interval_per_element_mm"]["high"].get<double>(), cut);
        EXPECT_LE(trim["cut_now_per_element_mm"].get<double>(), truth[i]);
        const double low = advice["fit"]["interval"][loop]["low"];
        EXPECT_LE(low, advice["fit"]["scale"][loop].get<double>());
        ++i;
    }
    EXPECT_TRUE(advice["now"]["resonance_mhz"].is_number());
    EXPECT_GE(advice["target"]["swr"].get<double>(), 1.0);

    const FullRunResult text = RunDims({"--trim", "HalfTurnTall", "137.50", "--measured", file});
    EXPECT_NE(text.out.find("Modelled with the calculator's 8.73 mm tube: give "
                            "--conductor-diameter if you built with another."),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("mm off each of its two helical elements (95 %: "), std::string::npos);
    EXPECT_NE(text.out.find("\nNow, as fitted, at 137.50 MHz: "), std::string::npos);
    EXPECT_NE(text.out.find("\nTarget (the calculator's design), at 137.50 MHz: 19.19 +j13.98 ohm"),
              std::string::npos);
}

// To the tuned loops instead of the design, each loop's error is its fitted factor less the one
// that --tune gives, in the calculator's millimetres.
TEST_F(DimsTrim, MeasuresEachErrorFromTheTunedFactorsThatTuneGivesWhenAskedTo) {
    const std::string file = Modelled("HalfTurnTall", "135");
    const FullRunResult tuning = RunDims({"--tune", "HalfTurnTall", "137.50", "--json"});
    ASSERT_EQ(tuning.status, 0) << tuning.err;
    const nlohmann::json tuned = nlohmann::json::parse(tuning.out)["scale"];
    const FullRunResult result = RunDims(
        {"--trim", "HalfTurnTall", "137.50", "--measured", file, "--target", "tuned", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const nlohmann::json advice = nlohmann::json::parse(result.out);
    EXPECT_EQ(advice["target"]["to"], "tuned");
    const nlohmann::json& fitted = advice["fit"]["scale"];
    // The loops' perimeters as the calculator shows them: 2363.91 and 2382.31 mm.
    const std::pair<const char*, double> loops[] = {{"small", 2363.91}, {"large", 2382.31}};
    for (const auto& [loop, perimeter] : loops) {
        const double error =
            (fitted[loop].get<double>() - tuned[loop].get<double>()) * perimeter;
        EXPECT_NEAR(advice["loops"][loop]["error_mm"].get<double>(), error, 1e-6) << loop;
        EXPECT_NEAR(advice["loops"][loop]["trim_per_element_mm"].get<double>(), error / 2.0, 1e-6)
            << loop;
    }
}

TEST_F(DimsTrim, WithholdsTheCutsForAMeasurementOfAnotherStyleWithStatusFour) {
    const std::string file = Modelled("QuarterTurn", "137.50");
    const FullRunResult result =
        RunDims({"--trim", "HalfTurnTall", "137.50", "--measured", file, "--json"});
    EXPECT_EQ(result.status, 4);
    const nlohmann::json advice = nlohmann::json::parse(result.out);
    EXPECT_EQ(advice["advice_withheld"], true);
    EXPECT_TRUE(advice["reason"].is_string());
    EXPECT_FALSE(advice.contains("loops"));

    const FullRunResult text = RunDims({"--trim", "HalfTurnTall", "137.50", "--measured", file});
    EXPECT_EQ(text.status, 4);
    EXPECT_NE(text.out.find("\nNo cuts: "), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find(" mm off each"), std::string::npos);
}

TEST_F(DimsTrim, RefusesWhatIsNotAMeasurementOfAnAntennaNamingTheFileAndLine) {
    std::string points;
    for (int i = 0; i < 9; ++i) {
        points += std::to_string(133 + i) + (i == 3 ? " 1.8 0\n" : " 0.2 0.1\n");
    }
    const std::string active = Written("active.s1p", "# MHz S RI R 50\n" + points);
    FullRunResult result = RunDims({"--trim", "HalfTurnTall", "137.50", "--measured", active});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("zandrel2-dims: " + active +
                                   ": line 5: |S11| is 1.800 at 136.000 MHz, above the 1.05",
                               0),
              0u)
        << result.err;
    EXPECT_TRUE(result.out.empty());

    for (const char* reference : {"1e300", "0.5"}) {
        const std::string file = Written("far.s1p", "# MHz S RI R " + std::string(reference) +
                                                        "\n" + points);
        result = RunDims({"--trim", "HalfTurnTall", "137.50", "--measured", file});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(file + ": The measurement file could not be read: line 1: the "
                                         "reference resistance \"" +
                                  std::string(reference) + "\" ohm is outside 1 to 1000 ohm"),
                  std::string::npos)
            << result.err;
    }

    result = RunDims({"--trim", "HalfTurnTall", "137.50"});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--trim needs a measurement"), std::string::npos);
    result = RunDims({"--trim", "HalfTurnTall", "137.50", "--measured", active, "--cable-length",
                      "-1"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("the cable's length (--cable-length) must be a number of metres"),
              std::string::npos);
}

}  // namespace
