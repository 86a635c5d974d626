// zandrel2-dims --tune, --trim and --touchstone as a builder's script would use them, in nec2c,
// with files that cannot be read, and stopped by a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "command_line.h"
#include "helix_style.h"
#include "loop_tuning.h"
#include "nec2c_engine.h"
#include "one_port.h"
#include "stand_in_engine.h"

namespace {

namespace fs = std::filesystem;
using zandrel::test_support::RunCommandLine;
using zandrel::test_support::RunResult;

using zandrel::test_support::DimsCommand;
using zandrel::test_support::RunDims;
using zandrel::test_support::RunDimsStderr;

class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string name = (fs::temp_directory_path() / "zandrel2-tune-test-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        path_ = name;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const fs::path& Path() const { return path_; }
    bool Empty() const { return fs::is_empty(path_); }

  private:
    fs::path path_;
};

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(DimsTuneOptions, RefuseWhatCannotBeReadWithAMessageAndTheirStatus) {
    const TemporaryFolder folder;
    const fs::path malformed = folder.Path() / "malformed.s1p";
    WriteFile(malformed, "! a VNA's file\n# MHz S RI R 50\n130 0.1 0.2\n131 0.1\n");
    const fs::path falling = folder.Path() / "falling.csv";
    WriteFile(falling,
              "137000000,20,1\n136000000,20,1\n138000000,20,1\n139000000,20,1\n"
              "140000000,20,1\n");
    struct Refusal {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::vector<Refusal> refusals = {
        {{"--trim", "OneTurn", "137.50", "--measured", (folder.Path() / "none.s1p").string()},
         1,
         "none.s1p: The measurement file could not be opened"},
        {{"--trim", "OneTurn", "137.50", "--measured", malformed.string()},
         1,
         "The measurement file could not be read: line 4"},
        {{"--trim", "OneTurn", "137.50", "--measured", falling.string()},
         1,
         "The measurement file could not be read: line 2"},
        {{"--trim", "OneTurn", "137.50"}, 2, "--trim needs a measurement: --measured, "},
        {{"--trim", "OneTurn", "137.50", "--measured", malformed.string(), "--target", "best"},
         2,
         "best not in {design,tuned}"},
        {{"--tune", "OneTurn", "137.50", "--conductor-diameter", "thick"},
         1,
         "the conductor diameter must be a positive number of millimetres, not \"thick\""},
        {{"--tune", "TwoTurns", "137.50"}, 2, "unknown style TwoTurns"},
        {{"--touchstone", "OneTurn", "137.50", "--z0", "-50", "-o", "-"},
         1,
         "the line's impedance (--z0) must be a positive number of ohms, not \"-50\""},
        {{"--touchstone", "OneTurn", "137.50"}, 2, "-o is required"},
        {{"--touchstone", "OneTurn", "137.50", "-o", folder.Path().string()},
         1,
         "cannot be written: Is a directory"},
        {{"--tune", "OneTurn", "abc"}, 1, "the frequency is not a number"},
    };
    for (const Refusal& refusal : refusals) {
        const RunResult quiet = RunDims(refusal.arguments);
        EXPECT_EQ(quiet.status, refusal.status) << refusal.message;
        EXPECT_EQ(quiet.out, "") << refusal.message;
        const std::string said = RunDimsStderr(refusal.arguments).out;
        EXPECT_NE(said.find(refusal.message), std::string::npos) << said;
    }
    EXPECT_TRUE(fs::is_directory(folder.Path()));
}

TEST(DimsTouchstone, WritesTheModelsS11ThatReadsBackToItsImpedance) {
    const TemporaryFolder folder;
    const fs::path file = folder.Path() / "tall.s1p";
    ASSERT_EQ(RunDims({"--touchstone", "HalfTurnTall", "137.50", "--z0", "75", "-o", file.string()})
                  .status,
              0);
    const zandrel::Measurement read = zandrel::ReadMeasurementFile(file);
    ASSERT_EQ(read.Points.size(), 41u);
    EXPECT_DOUBLE_EQ(read.ReferenceOhm, 75.0);
    EXPECT_NEAR(read.Points.front().FrequencyMHz, 137.5 * 0.9, 1e-9);
    EXPECT_NEAR(read.Points.back().FrequencyMHz, 137.5 * 1.1, 1e-9);
    EXPECT_NE(ReadFile(file).find("# MHz S RI R 75"), std::string::npos);
    // The middle point is the design frequency: the impedance --model gives there.
    const zandrel::MeasuredPoint& middle = read.Points[20];
    EXPECT_NEAR(middle.FrequencyMHz, 137.5, 1e-9);
    const nlohmann::json model =
        nlohmann::json::parse(RunDims({"--model", "--json", "137.50"}).out);
    const nlohmann::json& impedance = model["styles"][3]["model"]["impedance_ohm"];
    const std::complex<double> z = zandrel::ImpedanceOf(middle.Reflection, 75.0);
    EXPECT_NEAR(z.real(), impedance["r"].get<double>(), 0.01);
    EXPECT_NEAR(z.imag(), impedance["x"].get<double>(), 0.01);
    // The same file on the standard output.
    EXPECT_EQ(RunDims({"--touchstone", "HalfTurnTall", "137.50", "--z0", "75", "-o", "-"}).out,
              ReadFile(file));
}

TEST(DimsTouchstone, ModelsTheBuildersConductorAsTheModelDoes) {
    const TemporaryFolder folder;
    const fs::path file = folder.Path() / "wire.s1p";
    ASSERT_EQ(RunDims({"--touchstone", "HalfTurnTall", "137.50", "--conductor-diameter", "2", "-o",
                       file.string()})
                  .status,
              0);
    const zandrel::Measurement read = zandrel::ReadMeasurementFile(file);
    ASSERT_EQ(read.Points.size(), 41u);
    EXPECT_NE(ReadFile(file).find("! built with a 2.00 mm tube or wire"), std::string::npos);
    const nlohmann::json model = nlohmann::json::parse(
        RunDims({"--model", "--json", "--conductor-diameter", "2", "137.50"}).out);
    const nlohmann::json& impedance = model["styles"][3]["model"]["impedance_ohm"];
    const std::complex<double> z = zandrel::ImpedanceOf(read.Points[20].Reflection, 50.0);
    EXPECT_NEAR(z.real(), impedance["r"].get<double>(), 0.01);
    EXPECT_NEAR(z.imag(), impedance["x"].get<double>(), 0.01);
    // The calculator's 8.73 mm tube gives another antenna: the wire is not ignored.
    const nlohmann::json tube = nlohmann::json::parse(RunDims({"--model", "--json", "137.50"}).out);
    EXPECT_GT(std::abs(z.imag() - tube["styles"][3]["model"]["impedance_ohm"]["x"].get<double>()),
              5.0);
}

// A measurement of the antenna built with these factors, as a VNA would save it on 50 ohm,
// 101 points over the design frequency +-10 %.
TEST(DimsTune, GivesTunedFactorsDimensionsAndTheModelBeforeAndAfter) {
    const RunResult result = RunDims({"--tune", "HalfTurnTall", "137.50", "--json"});
    ASSERT_EQ(result.status, 0);
    const nlohmann::json tuned = nlohmann::json::parse(result.out);
    EXPECT_EQ(tuned["style"], "HalfTurnTall");
    EXPECT_EQ(tuned["frequency"], "137.50");
    EXPECT_EQ(tuned["polarisation"], "RHCP");
    const double small = tuned["scale"]["small"];
    const double large = tuned["scale"]["large"];
    for (const double scale : {small, large}) {
        EXPECT_GE(scale, 0.8);
        EXPECT_LE(scale, 1.2);
    }
    ASSERT_EQ(tuned["dimensions"].size(), 11u);
    ASSERT_EQ(tuned["dimension_texts"].size(), 11u);
    const nlohmann::json calculator = nlohmann::json::parse(RunDims({"--json", "137.50"}).out);
    const nlohmann::json& design = calculator["styles"][3]["dimensions"];
    for (const auto& [name, value] : tuned["dimensions"].items()) {
        EXPECT_TRUE(value.is_number()) << name;
        EXPECT_TRUE(tuned["dimension_texts"][name].is_string()) << name;
    }
    // A loop's perimeter and height follow its factor; the tube stays.
    EXPECT_NEAR(tuned["dimensions"]["SmallLoopPerimeter"].get<double>(),
                small * std::stod(design["SmallLoopPerimeter"].get<std::string>()), 0.05);
    EXPECT_NEAR(tuned["dimensions"]["LargeLoopHeight"].get<double>(),
                large * std::stod(design["LargeLoopHeight"].get<std::string>()), 0.05);
    EXPECT_EQ(tuned["dimension_texts"]["TubeDiameter"], design["TubeDiameter"]);
    // The tuned antenna, modelled in full again, meets the limit and is rounder at the zenith.
    const nlohmann::json& before = tuned["before"];
    const nlohmann::json& after = tuned["after"];
    EXPECT_LE(std::fabs(after["impedance_ohm"]["x"].get<double>()), 1.0 + 1e-6);
    EXPECT_LT(after["axial_ratio_db"].get<double>(), before["axial_ratio_db"].get<double>());
    for (const nlohmann::json* model : {&before, &after}) {
        for (const char* key : {"loop_phase_deg", "loop_current_ratio", "zenith_rhcp_dbic",
                                "zenith_lhcp_dbic", "horizon_rhcp_dbic", "swr_z0_unmatched"}) {
            EXPECT_TRUE((*model)[key].is_number()) << key;
        }
    }
    EXPECT_GT(tuned["nec2c_runs"].get<int>(), 2);
}

TEST(DimsModel, GivesTheResonancesSensitivityToEachLoopOrNullWithoutOne) {
    const nlohmann::json model =
        nlohmann::json::parse(RunDims({"--model", "--json", "137.50"}).out);
    for (const nlohmann::json& style : model["styles"]) {
        const nlohmann::json& sensitivity = style["model"]["sensitivity_mhz_per_mm"];
        const bool resonates = style["model"]["resonance_mhz"].is_number();
        for (const char* loop : {"small", "large"}) {
            EXPECT_EQ(sensitivity[loop].is_number(), resonates) << style["style"] << loop;
        }
        // A longer small loop lowers resonance.
        if (resonates) {
            EXPECT_LT(sensitivity["small"].get<double>(), 0.0) << style["style"];
        }
    }
}

struct EndingSignal {
    int Signal;
    int Status;
};

class DimsTuneStopped : public testing::TestWithParam<EndingSignal> {};

TEST_P(DimsTuneStopped, StopsItsRunRemovesItsFolderAndExitsWith128PlusTheSignal) {
    zandrel::test_support::StandInEngine engine(zandrel::test_support::HangingEngine);
    const TemporaryFolder runs;
    const pid_t dims = zandrel::test_support::SpawnQuietly(
        {ZANDREL2_DIMS, "--tune", "OneTurn", "137.50"},
        {"PATH=" + engine.Folder().string(), "TMPDIR=" + runs.Path().string()});
    ASSERT_GT(dims, 0);

    // The engine and the child it started are running, in a folder of the run's.
    EXPECT_GE(engine.WaitForStarts(2, std::chrono::seconds(20)).size(), 2u);
    EXPECT_FALSE(runs.Empty());
    EXPECT_EQ(zandrel::test_support::ExitStatusAfter(dims, GetParam().Signal,
                                                     std::chrono::seconds(20)),
              GetParam().Status);
    EXPECT_TRUE(engine.StillRunning(std::chrono::seconds(5)).empty())
        << "the stand-in nec2c is still running";
    EXPECT_TRUE(runs.Empty());
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, DimsTuneStopped,
                         testing::Values(EndingSignal{SIGINT, 130}, EndingSignal{SIGTERM, 143},
                                         EndingSignal{SIGHUP, 129}),
                         [](const testing::TestParamInfo<EndingSignal>& tested) {
                             return std::string(sigabbrev_np(tested.param.Signal));
                         });

}  // namespace
