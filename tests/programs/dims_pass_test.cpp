// zandrel2-dims --pass as a satellite watcher uses it, against --model's figures and distances
// worked out by hand, and the altitudes and objectives it refuses. nec2c's outputs are replayed
// from recordings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

using zandrel::test_support::DimsCommand;
using zandrel::test_support::FullRunResult;
using zandrel::test_support::RunCommandLineWithStderr;

FullRunResult RunDims(const std::vector<std::string>& arguments) {
    return RunCommandLineWithStderr(DimsCommand(arguments));
}

// In free space and installed over a ground, as --model models it with the same options.
void ExpectGainsOfTheModelAndSignalsOfThePass(const std::vector<std::string>& installed) {
    std::vector<std::string> passArguments{"--pass", "--json", "137.50"};
    std::vector<std::string> modelArguments{"--model", "--json", "137.50"};
    passArguments.insert(passArguments.end(), installed.begin(), installed.end());
    modelArguments.insert(modelArguments.end(), installed.begin(), installed.end());
    const FullRunResult passRun = RunDims(passArguments);
    ASSERT_EQ(passRun.status, 0) << passRun.err;
    const FullRunResult modelRun = RunDims(modelArguments);
    ASSERT_EQ(modelRun.status, 0) << modelRun.err;
    const nlohmann::json pass = nlohmann::json::parse(passRun.out);
    const nlohmann::json model = nlohmann::json::parse(modelRun.out);
    EXPECT_EQ(pass["installation"]["ground"], model["installation"]["ground"]);
    EXPECT_EQ(pass["installation"]["height_m"], model["installation"]["height_m"]);

    EXPECT_EQ(pass["frequency"], "137.50");
    EXPECT_EQ(pass["altitude_km"], 850.0);
    EXPECT_EQ(pass["installation"]["polarisation"], "RHCP");
    const std::vector<double> elevations = pass["elevations_deg"];
    const std::vector<double> ranges = pass["slant_range_km"];
    const std::vector<double> losses = pass["extra_loss_db"];
    ASSERT_EQ(elevations.size(), 19u);
    ASSERT_EQ(ranges.size(), 19u);
    ASSERT_EQ(losses.size(), 19u);
    // By hand: the tangent at 0°, 3399.0 km; 2468.2 km at 10°; the altitude overhead.
    EXPECT_NEAR(ranges[0], 3399.0, 0.2);
    EXPECT_NEAR(ranges[2], 2468.2, 0.2);
    EXPECT_NEAR(ranges[18], 850.0, 1e-9);
    EXPECT_NEAR(losses[2], 20.0 * std::log10(2468.2 / 850.0), 0.001);

    ASSERT_EQ(pass["styles"].size(), 6u);
    std::vector<std::pair<double, std::string>> worst;
    for (std::size_t i = 0; i < 6; ++i) {
        const nlohmann::json& style = pass["styles"][i];
        const nlohmann::json& modelled = model["styles"][i];
        ASSERT_EQ(style["style"], modelled["style"]);
        const std::vector<double> gains = style["gain_dbic"];
        const std::vector<double> relative = style["relative_signal_db"];
        const std::vector<double> pattern = modelled["model"]["elevation_gains"]["rhcp_dbic"];
        ASSERT_EQ(gains.size(), 19u);
        ASSERT_EQ(relative.size(), 19u);
        double lowest = relative[2];
        double highest = relative[2];
        for (std::size_t e = 0; e < 19; ++e) {
            EXPECT_DOUBLE_EQ(gains[e], pattern[e]) << style["style"] << " at " << elevations[e];
            EXPECT_NEAR(relative[e], gains[e] - losses[e], 1e-9);
            if (e >= 2) {
                lowest = std::min(lowest, relative[e]);
                highest = std::max(highest, relative[e]);
            }
        }
        EXPECT_DOUBLE_EQ(style["worst_10_90_db"].get<double>(), lowest);
        EXPECT_NEAR(style["spread_10_90_db"].get<double>(), highest - lowest, 1e-9);
        worst.emplace_back(lowest, style["style"]);
    }
    std::stable_sort(worst.begin(), worst.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    ASSERT_EQ(pass["ranking"].size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(pass["ranking"][i], worst[i].second);
    }
}

TEST(DimsPass, GivesEachStylesGainFromTheModelsPatternAndTheSignalAsGainLessExtraLoss) {
    ExpectGainsOfTheModelAndSignalsOfThePass({});
}

TEST(DimsPass, ModelsTheAntennaInstalledAsTheModelDoes) {
    ExpectGainsOfTheModelAndSignalsOfThePass({"--ground", "perfect", "--height", "3"});
}

TEST(DimsPass, SaysWhichStyleToBuildForTheSpaceStationsOrbit) {
    const FullRunResult json = RunDims({"--pass", "145.80", "--altitude-km", "420", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json pass = nlohmann::json::parse(json.out);
    EXPECT_EQ(pass["altitude_km"], 420.0);
    // By hand at 420 km: sqrt(6791^2 - 6371^2) = sqrt(5528040) = 2351.2 km to the horizon.
    EXPECT_NEAR(pass["slant_range_km"][0].get<double>(), 2351.2, 0.2);
    std::string best;
    for (const nlohmann::json& style : pass["styles"]) {
        if (style["style"] == pass["ranking"][0]) {
            best = style["caption"];
        }
    }
    const FullRunResult text = RunDims({"--pass", "145.80", "--altitude-km", "420"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("Satellite pass at 145.80 MHz, satellite at 420 km, RHCP, nec2c", 0),
              0u);
    EXPECT_NE(text.out.find("gain,\nthe power mean over azimuth in dBic"), std::string::npos);
    EXPECT_NE(text.out.find("\nBuild the " + best + " for a satellite at 420 km: "),
              std::string::npos)
        << text.out;
}

TEST(DimsPassOptions, RefuseAltitudesAndObjectivesWithAMessageAndTheirStatus) {
    struct Refusal {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::vector<Refusal> refusals = {
        {{"--pass", "137.50", "--altitude-km", "100"},
         1,
         "The satellite's altitude is outside the orbits a pass is worked out for: an altitude "
         "of 100.0 km is outside 150 to 36000 km"},
        {{"--pass", "137.50", "--altitude-km", "40000"}, 1, "is outside 150 to 36000 km"},
        {{"--pass", "137.50", "--altitude-km", "high"},
         1,
         "the satellite's altitude (--altitude-km) must be a number of kilometres, not \"high\""},
        {{"--tune", "OneTurn", "137.50", "--objective", "pass", "--altitude-km", "36001"},
         1,
         "is outside 150 to 36000 km"},
        {{"--tune", "OneTurn", "137.50", "--altitude-km", "420"},
         2,
         "--altitude-km is the pass's: give it with --objective pass"},
        {{"--tune", "OneTurn", "137.50", "--objective", "horizon"},
         2,
         "horizon not in {zenith,pass}"},
        {{"--pass", "abc"}, 1, "the frequency is not a number"},
        {{"--sheet", "OneTurn", "137.50", "--objective", "pass", "-o", "-"},
         2,
         "--objective pass is the tuning's: give it with --tuned"},
        {{"--trim", "OneTurn", "137.50", "--measured", "antenna.s1p", "--objective", "pass"},
         2,
         "--objective is the tuned target's: give it with --target tuned"},
    };
    for (const Refusal& refusal : refusals) {
        const FullRunResult run = RunDims(refusal.arguments);
        EXPECT_EQ(run.status, refusal.status) << refusal.message;
        EXPECT_EQ(run.out, "") << refusal.message;
        EXPECT_NE(run.err.find(refusal.message), std::string::npos) << run.err;
    }
}

}  // namespace
