// zandrel2-dims --nec and --model as a script would use them, with nec2c or a stand-in that
// misbehaves, and stopped by a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <array>
#include <chrono>
#include <cmath>
#include <complex>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "nec2c_process.h"
#include "stand_in_engine.h"

extern char** environ;

namespace {

using zandrel::test_support::RunCommandLine;
using zandrel::test_support::RunResult;

using zandrel::test_support::DimsCommand;
using zandrel::test_support::RunDims;
using zandrel::test_support::RunDimsStderr;

TEST(DimsNecDeck, PrintsADeckThatNec2cRunsAsItIs) {
    const RunResult deck = RunDims({"--nec", "OneTurn", "137.50"});
    ASSERT_EQ(deck.status, 0);
    EXPECT_EQ(deck.out.rfind("CM zandrel2 NEC-2 model of the quadrifilar helix 1 TURN .37 TALL", 0),
              0u);
    EXPECT_NE(deck.out.find("CM LargeHelixLength "), std::string::npos);
    const zandrel::test_support::Nec2cRun run = zandrel::test_support::RunNec2c(deck.out);
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Output.find("RADIATION PATTERNS"), std::string::npos);
    EXPECT_NE(run.Output.find("TOTAL RUN TIME"), std::string::npos);
}

TEST(DimsNecDeck, MirrorsTheDeckForLhcp) {
    const RunResult right = RunDims({"--nec", "HalfTurnTall", "137.50"});
    const RunResult left = RunDims({"--nec", "HalfTurnTall", "137.50", "--lhcp"});
    ASSERT_EQ(left.status, 0);
    EXPECT_NE(right.out, left.out);
    EXPECT_NE(left.out.find("LHCP upwards"), std::string::npos);
}

TEST(DimsNecDeck, RefusesUnknownStylesAndMissingArgumentsAsUsageErrors) {
    EXPECT_EQ(RunDims({"--nec", "TwoTurns", "137.50"}).status, 2);
    EXPECT_NE(RunDimsStderr({"--nec", "TwoTurns", "137.50"}).out.find("unknown style TwoTurns"),
              std::string::npos);
    EXPECT_EQ(RunDims({"--nec", "OneTurn"}).status, 2);
    EXPECT_EQ(RunDims({"--model"}).status, 2);
    EXPECT_EQ(RunDims({"--model", "137.50", "138"}).status, 2);
    EXPECT_EQ(RunDims({"--model", "--bogus", "137.50"}).status, 2);
}

TEST(DimsNecDeck, ExplainsABadFrequency) {
    const RunResult result = RunDimsStderr({"--nec", "OneTurn", "abc"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("not a number"), std::string::npos) << result.out;
}

class DimsModel : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        const RunResult result = RunDims({"--model", "--json", "137.50"});
        status_ = result.status;
        document_ = new nlohmann::json(nlohmann::json::parse(result.out));
    }
    static void TearDownTestSuite() { delete document_; }

    static int status_;
    static nlohmann::json* document_;
};

int DimsModel::status_ = -1;
nlohmann::json* DimsModel::document_ = nullptr;

TEST_F(DimsModel, PrintsOneJsonObjectWithEveryStyleInOnScreenOrder) {
    EXPECT_EQ(status_, 0);
    const nlohmann::json& document = *document_;
    EXPECT_EQ(document["frequency"], "137.50");
    EXPECT_EQ(document["engine"], "nec2c");
    EXPECT_EQ(document["polarisation"], "RHCP");
    const std::vector<std::string> names = {"QuarterTurn",  "HalfTurnRca", "HalfTurnShort",
                                            "HalfTurnTall", "OneTurn",     "OneAndHalfTurn"};
    ASSERT_EQ(document["styles"].size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const nlohmann::json& style = document["styles"][i];
        EXPECT_EQ(style["style"], names[i]);
        ASSERT_TRUE(style.contains("model")) << style.dump();
        const nlohmann::json& model = style["model"];
        EXPECT_TRUE(model["impedance_ohm"]["r"].is_number());
        EXPECT_TRUE(model["impedance_ohm"]["x"].is_number());
        const double x = model["impedance_ohm"]["x"];
        EXPECT_EQ(model["matching"]["component"], x < 0 ? "inductor" : "capacitor");
        EXPECT_TRUE(model["matching"]["value"].is_number());
        EXPECT_EQ(model["zenith_sense"], "RIGHT");
        EXPECT_GT(model["zenith_rhcp_dbic"], model["zenith_lhcp_dbic"]);
        for (const char* key : {"horizon_rhcp_dbic", "max_gain_dbi", "max_gain_elevation_deg",
                                "front_to_back_db", "axial_ratio_db"}) {
            EXPECT_TRUE(model[key].is_number()) << key;
        }
        EXPECT_TRUE(model["bandwidth_2to1_mhz"].contains("low"));
        EXPECT_TRUE(model["bandwidth_2to1_mhz"].contains("high"));
    }
    // The RCA style's band reaches beyond the sweep on the high side.
    EXPECT_TRUE(document["styles"][1]["model"]["bandwidth_2to1_mhz"]["high"].is_null());
    EXPECT_TRUE(document["styles"][1]["model"]["resonance_mhz"].is_null());
    EXPECT_TRUE(document["styles"][4]["model"]["resonance_mhz"].is_number());
}

TEST_F(DimsModel, GivesTheSameImpedanceForTheLhcpMirrorImage) {
    const RunResult left = RunDims({"--model", "--json", "--lhcp", "137.50"});
    ASSERT_EQ(left.status, 0);
    const nlohmann::json mirrored = nlohmann::json::parse(left.out);
    EXPECT_EQ(mirrored["polarisation"], "LHCP");
    for (std::size_t i = 0; i < 6; ++i) {
        const nlohmann::json& a = (*document_)["styles"][i]["model"];
        const nlohmann::json& b = mirrored["styles"][i]["model"];
        EXPECT_NEAR(b["impedance_ohm"]["r"].get<double>(), a["impedance_ohm"]["r"].get<double>(),
                    0.01);
        EXPECT_NEAR(b["impedance_ohm"]["x"].get<double>(), a["impedance_ohm"]["x"].get<double>(),
                    0.01);
        EXPECT_EQ(b["zenith_sense"], "LEFT");
    }
}

// The SWR of an impedance on a real line, worked out here from the reflection coefficient.
double SwrOnLine(double r, double x, double z0) {
    const double gamma =
        std::abs((std::complex<double>(r, x) - z0) / (std::complex<double>(r, x) + z0));
    return (1.0 + gamma) / (1.0 - gamma);
}

TEST_F(DimsModel, GivesEachStylesPhasingAndMatchOnZ0WithTheirTypes) {
    for (const nlohmann::json& style : (*document_)["styles"]) {
        const nlohmann::json& model = style["model"];
        const double phase = model["loop_phase_deg"];
        EXPECT_GT(phase, -180.0);
        EXPECT_LE(phase, 180.0);
        EXPECT_GT(model["loop_current_ratio"].get<double>(), 0.0);
        EXPECT_EQ(model["z0_ohm"], 50.0);
        const double r = model["impedance_ohm"]["r"];
        const double x = model["impedance_ohm"]["x"];
        EXPECT_NEAR(model["swr_z0_unmatched"].get<double>(), SwrOnLine(r, x, 50.0), 1e-6);
        const nlohmann::json& network = model["l_network"];
        for (const char* part : {"series", "shunt"}) {
            const std::string component = network[part]["component"];
            EXPECT_TRUE(component == "inductor" || component == "capacitor" || component == "none")
                << component;
            EXPECT_GE(network[part]["value"].get<double>(), 0.0);
        }
        EXPECT_TRUE(network["shunt_side"] == "antenna" || network["shunt_side"] == "line");
        for (const char* edge : {"low", "high"}) {
            const nlohmann::json& band = model["bandwidth_2to1_z0_mhz"][edge];
            EXPECT_TRUE(band.is_null() || band.is_number()) << edge;
        }
        const nlohmann::json& low = model["bandwidth_2to1_z0_mhz"]["low"];
        const nlohmann::json& high = model["bandwidth_2to1_z0_mhz"]["high"];
        EXPECT_TRUE(low.is_null() || low.get<double>() < 137.5);
        EXPECT_TRUE(high.is_null() || high.get<double>() > 137.5);
        const nlohmann::json& section = model["quarter_wave"];
        // sqrt(Z0 x R): the section that turns R into Z0.
        EXPECT_NEAR(section["line_ohm"].get<double>(), std::sqrt(50.0 * r), 1e-6);
        const double coax = section["coax_ohm"];
        EXPECT_TRUE(coax == 50.0 || coax == 75.0 || coax == 93.0) << coax;
        // A quarter wave in solid polyethylene coax at 137.5 MHz: 0.66 x 299792.458 / 137.5 / 4.
        EXPECT_NEAR(section["length_mm"].get<double>(), 0.66 * 299792.458 / 137.5 / 4.0, 0.01);
        EXPECT_GE(section["swr_z0"].get<double>(), 1.0);
        EXPECT_TRUE(model["horizon_lhcp_dbic"].is_number());
    }
}

TEST(DimsModelOptions, MatchToTheLineAndModelTheConductorTheyAreGiven) {
    const RunResult result = RunDims({"--model", "--json", "--z0", "75", "--velocity-factor", "0.8",
                                      "--conductor-diameter", "2", "137.50"});
    ASSERT_EQ(result.status, 0);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    // The thinner conductor moves the .44 TALL style's reactance up (about +40 ohm, against
    // +14 ohm with the calculator's tube).
    const nlohmann::json& tall = document["styles"][3]["model"];
    EXPECT_GT(tall["impedance_ohm"]["x"].get<double>(), 30.0);
    for (const nlohmann::json& style : document["styles"]) {
        const nlohmann::json& model = style["model"];
        EXPECT_EQ(model["z0_ohm"], 75.0);
        EXPECT_NEAR(model["swr_z0_unmatched"].get<double>(),
                    SwrOnLine(model["impedance_ohm"]["r"], model["impedance_ohm"]["x"], 75.0),
                    1e-6);
        EXPECT_NEAR(model["quarter_wave"]["length_mm"].get<double>(),
                    0.8 * 299792.458 / 137.5 / 4.0, 0.01);
    }
}

TEST(DimsModelOptions, RefuseWhatCannotBeBuiltWithAMessageAndExitWithOne) {
    struct Refusal {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Refusal> refusals = {
        {{"--model", "--conductor-diameter", "abc", "137.50"},
         "the conductor diameter must be a positive number of millimetres, not \"abc\""},
        {{"--model", "--conductor-diameter", "0", "137.50"},
         "the conductor diameter must be a positive number of millimetres, not \"0\""},
        {{"--nec", "OneTurn", "137.50", "--conductor-diameter", "-2"},
         "the conductor diameter must be a positive number of millimetres, not \"-2\""},
        {{"--nec", "OneTurn", "137.50", "--conductor-diameter", "300"},
         "the conductor diameter 300.00 mm must be smaller than the smaller loop's radius"},
        {{"--model", "--z0", "0", "137.50"},
         "the line's impedance (--z0) must be a positive number of ohms, not \"0\""},
        {{"--model", "--z0", "fifty", "137.50"},
         "the line's impedance (--z0) must be a positive number of ohms, not \"fifty\""},
        {{"--model", "--velocity-factor", "1.5", "137.50"},
         "the velocity factor must be a number above 0 and at most 1, not \"1.5\""},
        {{"--model", "--velocity-factor", "nan", "137.50"},
         "the velocity factor must be a number above 0 and at most 1, not \"nan\""},
    };
    for (const Refusal& refusal : refusals) {
        const RunResult out = RunDims(refusal.arguments);
        EXPECT_EQ(out.status, 1) << refusal.message;
        EXPECT_EQ(out.out, "") << refusal.message;
        EXPECT_NE(RunDimsStderr(refusal.arguments).out.find(refusal.message), std::string::npos)
            << RunDimsStderr(refusal.arguments).out;
    }
    // A conductor as thick as the loop is refused for every style, each named.
    const RunResult thick = RunDimsStderr({"--model", "--conductor-diameter", "500", "137.50"});
    EXPECT_EQ(thick.status, 1);
    EXPECT_NE(thick.out.find("1 1/2 TURN: run-time error 1005"), std::string::npos) << thick.out;
}

TEST(DimsInstallation, RefusesWhatCannotBeBuiltWithAMessageAndExitWithOne) {
    struct Refusal {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Refusal> refusals = {
        {{"--nec", "OneTurn", "137.50", "--ground", "perfect", "--height", "0"},
         "the antenna's lowest point must be above the ground: a height above 0 m"},
        {{"--model", "137.50", "--ground", "real", "--ground-conductivity", "-0.01"},
         "the ground's conductivity must be a number of S/m of at least 0"},
        {{"--tune", "OneTurn", "137.50", "--height", "5"},
         "--height needs a ground (--ground perfect, real, ...)"},
        {{"--touchstone", "OneTurn", "137.50", "-o", "-", "--mast", "metal", "--mast-length",
          "120"},
         "a mast or line longer than 100 m below the antenna is not modelled"},
        {{"--trim", "OneTurn", "137.50", "--measured", "-", "--ground", "good", "--height", "150",
          "--feedline", "bare"},
         "the antenna is 150 m up"},
        {{"--nec", "OneTurn", "137.50", "--ground", "sea", "--mast-length", "3"},
         "--mast-length is for free space"},
        {{"--nec", "OneTurn", "137.50", "--feedline", "bare", "--choke-ohm", "500"},
         "--choke-ohm needs --feedline choked"},
        {{"--nec", "OneTurn", "137.50", "--ground", "real", "--height", "three"},
         "--height must be a number, not \"three\""},
    };
    for (const Refusal& refusal : refusals) {
        const RunResult out = RunDims(refusal.arguments);
        EXPECT_EQ(out.status, 1) << refusal.message;
        EXPECT_EQ(out.out, "") << refusal.message;
        EXPECT_NE(RunDimsStderr(refusal.arguments).out.find(refusal.message), std::string::npos)
            << RunDimsStderr(refusal.arguments).out;
    }
    EXPECT_EQ(RunDims({"--nec", "OneTurn", "137.50", "--ground", "mud"}).status, 2);
}

TEST(DimsInstallation, ModelsTheStylesOverTheGroundAndSaysHowTheyAreInstalled) {
    const RunResult result =
        RunDims({"--model", "--json", "137.50", "--ground", "perfect", "--height", "4", "--mast",
                 "metal", "--feedline", "choked", "--choke-ohm", "2000"});
    ASSERT_EQ(result.status, 0);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document["installation"],
              nlohmann::json::parse(R"({"ground": "perfect", "permittivity": null,
                  "conductivity": null, "height_m": 4.0, "mast": "metal",
                  "mast_diameter_mm": 32.0, "mast_length_m": 4.0, "feedline": "choked",
                  "choke_ohm": 2000.0})"));
    for (const nlohmann::json& style : document["styles"]) {
        const nlohmann::json& model = style["model"];
        EXPECT_TRUE(model["horizon_rhcp_dbic"].is_null());
        EXPECT_TRUE(model["horizon_lhcp_dbic"].is_null());
        EXPECT_TRUE(model["front_to_back_db"].is_null());
        EXPECT_EQ(model["elevation_gains"]["rhcp_dbic"].size(), 19u);
    }
}

TEST(DimsInstallation, NamesARealGroundsPresetAndItsValuesInTheDeck) {
    const RunResult deck = RunDims(
        {"--nec", "OneTurn", "137.50", "--ground", "good", "--height", "10", "--feedline", "bare"});
    ASSERT_EQ(deck.status, 0);
    EXPECT_NE(deck.out.find("\nGN 2 0 0 0 20 0.03\n"), std::string::npos) << deck.out;
    EXPECT_NE(deck.out.find("CM Installed: good ground (permittivity 20, 0.03 S/m), lowest point "
                            "10 m up; coax braid bare\n"),
              std::string::npos);
    const RunResult own = RunDims({"--nec", "OneTurn", "137.50", "--ground", "real",
                                   "--ground-permittivity", "7", "--ground-conductivity", "0"});
    EXPECT_NE(own.out.find("\nGN 2 0 0 0 7 0\n"), std::string::npos) << own.out;
    EXPECT_NE(own.out.find("lowest point 3 m up"), std::string::npos);
}

TEST(DimsModelTable, ShowsThePhasingAndTheMatchOnZ0UnderTheInfoTablesColumns) {
    const RunResult table = RunDims({"--model", "--z0", "75", "137.50"});
    ASSERT_EQ(table.status, 0);
    for (const char* header :
         {"PHASING", "SWR ON Z0", "L-NETWORK TO Z0", "2:1 BAND ON Z0", "QUARTER-WAVE TO Z0"}) {
        EXPECT_NE(table.out.find(header), std::string::npos) << header;
    }
    EXPECT_NE(table.out.find("to a 75 ohm line (Z0)"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("\u00b0, "), std::string::npos) << table.out;
}

TEST(DimsModelTable, HasTheInfoTablesColumnsAndNoProgressWhenStderrIsNoTerminal) {
    const RunResult table = RunDims({"--model", "137.50"});
    ASSERT_EQ(table.status, 0);
    for (const char* header : {"STYLE", "OHMS", "MATCHING", "OVERHEAD GAIN", "GAIN AT HORIZON",
                               "2:1 BANDWIDTH", "RESONANCE", "FRONT-TO-BACK", "AXIAL RATIO"}) {
        EXPECT_NE(table.out.find(header), std::string::npos) << header;
    }
    EXPECT_LT(table.out.find("OHMS"), table.out.find("MATCHING"));
    EXPECT_NE(table.out.find("1 1/2 TURN"), std::string::npos);
    EXPECT_EQ(RunDimsStderr({"--model", "137.50"}).out, "");
}

TEST(DimsModelErrors, ReportsEachStyleThatFailsAndExitsWithOne) {
    const RunResult result = RunDims({"--model", "--json", "abc"});
    EXPECT_EQ(result.status, 1);
    const nlohmann::json document = nlohmann::json::parse(result.out);
    for (const nlohmann::json& style : document["styles"]) {
        EXPECT_EQ(style["error"]["number"], 13);
        EXPECT_EQ(style["error"]["message"], "Type mismatch");
        EXPECT_FALSE(style.contains("model"));
    }
    EXPECT_NE(RunDimsStderr({"--model", "abc"}).out.find("not a number"), std::string::npos);
}

TEST(DimsModelErrors, NamesThePackageWhenNec2cIsMissingAndExitsWithThree) {
    const RunResult result = RunDimsStderr({"--model", "137.50"}, "PATH=/nonexistent ");
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.out.find("Debian package nec2c"), std::string::npos) << result.out;
}

TEST(DimsModelErrors, QuotesNec2cWhenItFailsAndExitsWithThree) {
    const std::filesystem::path bin = std::filesystem::temp_directory_path() /
                                      ("zandrel2-fake-nec2c-" + std::to_string(getpid()));
    std::filesystem::create_directories(bin);
    std::ofstream(bin / "nec2c") << "#!/bin/sh\necho 'NO SEGMENT HAS AN ITAG OF 9' >&2\nexit 255\n";
    std::filesystem::permissions(bin / "nec2c", std::filesystem::perms::owner_all);
    const RunResult result =
        RunDimsStderr({"--model", "137.50"}, "PATH='" + bin.string() + "':/usr/bin:/bin ");
    std::filesystem::remove_all(bin);
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.out.find("NO SEGMENT HAS AN ITAG OF 9"), std::string::npos) << result.out;
}

// A private folder, removed with the object.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string name =
            (std::filesystem::temp_directory_path() / "zandrel2-dims-test-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        path_ = name;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

  private:
    std::filesystem::path path_;
};

// The shell's prefix that runs zandrel2-dims with the stand-in as its only nec2c.
std::string WithEngine(const zandrel::test_support::StandInEngine& engine,
                       const TemporaryFolder& runs) {
    return "PATH='" + engine.Folder().string() + "' TMPDIR='" + runs.Path().string() + "' ";
}

TEST(DimsModelErrors, ExitsWithOneForABadFrequencyWhetherOrNotNec2cIsInstalled) {
    EXPECT_EQ(RunDims({"--model", "abc"}).status, 1);
    EXPECT_EQ(RunDims({"--model", "abc"}, "PATH=/nonexistent ").status, 1);
}

TEST(DimsModelErrors, ExitsWithOneWhenNec2cRejectsTheGeometryOfAFrequencyTheCalculatorTakes) {
    const zandrel::test_support::StandInEngine engine(
        zandrel::test_support::GeometryRejectingEngine);
    const TemporaryFolder runs;
    const RunResult result = RunDimsStderr({"--model", "137.50"}, WithEngine(engine, runs));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("No NEC-2 model can be built for these dimensions: nec2c said: "
                              "SEGMENT DATA ERROR"),
              std::string::npos)
        << result.out;
    EXPECT_TRUE(runs.Entries().empty());
}

TEST(DimsModelErrors, ExitsWithOneAndSaysWhichDimensionRoundsToNothingFarAboveAnyBand) {
    const RunResult result = RunDimsStderr({"--model", "1E+25"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("No NEC-2 model can be built for these dimensions: at this "
                              "frequency the tube diameter is 0 mm"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(result.out.find("nec2c"), std::string::npos) << result.out;
}

TEST(DimsModelErrors, ExitsWithThreeWhenNec2cEndsWellWithoutAnOutput) {
    const zandrel::test_support::StandInEngine engine(zandrel::test_support::SilentEngine);
    const TemporaryFolder runs;
    const RunResult result = RunDimsStderr({"--model", "137.50"}, WithEngine(engine, runs));
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.out.find("The output of nec2c could not be read"), std::string::npos)
        << result.out;
    EXPECT_TRUE(runs.Entries().empty());
}

TEST(DimsModelErrors, StopsAFloodOfOutputWithinASmallMemoryLimitAndExitsWithThree) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#endif
    const zandrel::test_support::StandInEngine engine(zandrel::test_support::OutputFloodingEngine);
    const TemporaryFolder runs;
    const RunResult result = RunDimsStderr(
        {"--model", "137.50"}, "ulimit -v 200000; " + WithEngine(engine, runs));
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.out.find("nec2c wrote more than 16 MB of output"), std::string::npos)
        << result.out;
    EXPECT_TRUE(runs.Entries().empty());
}

TEST(DimsModelErrors, PassesOnNoTerminalSequenceOrControlCharacterOfNec2c) {
    const zandrel::test_support::StandInEngine engine(
        zandrel::test_support::ControlCharacterEngine);
    const TemporaryFolder runs;
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--model", "137.50"},
          std::vector<std::string>{"--model", "--json", "137.50"}}) {
        const RunResult result =
            RunCommandLine(WithEngine(engine, runs) + DimsCommand(arguments) + " 2>&1");
        EXPECT_EQ(result.status, 3);
        EXPECT_NE(result.out.find("GEOMETRY DATA CARD ERROR"), std::string::npos) << result.out;
        for (const char c : result.out) {
            EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20)
                << "byte " << static_cast<int>(c) << " in " << result.out;
        }
    }
}

TEST(DimsModelErrors, NamesAMissingTemporaryFolderOnceAndMakesNoFolderElsewhere) {
    const TemporaryFolder scratch;
    const std::string missing = (scratch.Path() / "missing").string();
    const RunResult result = RunDimsStderr({"--model", "137.50"}, "TMPDIR='" + missing + "' ");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "zandrel2-dims: The NEC-2 deck could not be written: the temporary "
                          "folder " + missing + " (TMPDIR) does not exist\n");
    EXPECT_TRUE(scratch.Entries().empty());
    for (const auto& entry : std::filesystem::directory_iterator("/")) {
        EXPECT_NE(entry.path().filename().string().rfind("zandrel2-dims-", 0), 0u) << entry;
    }
}

// A signal that asks zandrel2-dims to end, and the status it ends with.
struct EndingSignal {
    int Signal;
    int Status;
};

class DimsModelStopped : public testing::TestWithParam<EndingSignal> {};

TEST_P(DimsModelStopped, StopsItsRunsRemovesTheirFoldersAndExitsWith128PlusTheSignal) {
    zandrel::test_support::StandInEngine engine(zandrel::test_support::HangingEngine);
    const TemporaryFolder runs;
    // The program starts with the signals' default handling, whatever the test's.
    const pid_t dims = zandrel::test_support::SpawnQuietly(
        {ZANDREL2_DIMS, "--model", "137.50"},
        {"PATH=" + engine.Folder().string(), "TMPDIR=" + runs.Path().string()});
    ASSERT_GT(dims, 0);

    // An engine and the child it started are running.
    EXPECT_GE(engine.WaitForStarts(2, std::chrono::seconds(20)).size(), 2u);
    EXPECT_FALSE(runs.Entries().empty());
    EXPECT_EQ(zandrel::test_support::ExitStatusAfter(dims, GetParam().Signal,
                                                     std::chrono::seconds(20)),
              GetParam().Status);
    EXPECT_TRUE(engine.StillRunning(std::chrono::seconds(5)).empty())
        << "the stand-in nec2c is still running";
    EXPECT_TRUE(runs.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EndingSignals, DimsModelStopped,
    testing::Values(EndingSignal{SIGINT, 130}, EndingSignal{SIGTERM, 143},
                    EndingSignal{SIGHUP, 129}),
    [](const testing::TestParamInfo<EndingSignal>& tested) {
        return std::string(sigabbrev_np(tested.param.Signal));
    });

}  // namespace
