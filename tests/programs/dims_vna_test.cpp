// zandrel2-dims with a NanoVNA: --measure and --trim --vna against the tests' own device on a
// pseudo-terminal, serving the model's S11 of an antenna whose loops are known to be long, and
// each way the device fails. nec2c's outputs are replayed from recordings.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "fake_nanovna.h"
#include "loop_tuning.h"
#include "one_port.h"
#include "recorded_engine.h"
#include "scaled_models.h"
#include "stand_in_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace zandrel;
using namespace std::chrono_literals;
using test_support::FakeNanoVna;
using test_support::VnaFault;

const LoopDesign Design{&Styles[3], "137.50", Polarisation::Rhcp, std::nullopt, {}};
// The antenna as built: both loops long, the small one more.
const LoopScales Built{1.02, 1.01};

// The model's S11 of the antenna as built over the design frequency +-15 %, the band --trim
// sweeps, at the frequency nearest to each asked for.
FakeNanoVna::Reflection BuiltAntenna() {
    static const Measurement modelled = ModelMeasurement(
        Design, Built, SpreadFrequencies(137.5, 101, 0.15), 50.0, test_support::RecordedNec2c());
    return [](double hz) {
        const MeasuredPoint* nearest = &modelled.Points.front();
        for (const MeasuredPoint& point : modelled.Points) {
            if (std::abs(point.FrequencyMHz * 1e6 - hz) <
                std::abs(nearest->FrequencyMHz * 1e6 - hz)) {
                nearest = &point;
            }
        }
        return nearest->Reflection;
    };
}

struct Finished {
    int Status = -1;  // -1: killed at the deadline, or ended by a signal
    std::string Out;
    std::string Err;
};

class DimsVna : public testing::Test {
  protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "zandrel2-vna-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        folder_ = name;
    }
    void TearDown() override { fs::remove_all(folder_); }

    pid_t Start(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), ZANDREL2_DIMS);
        std::vector<char*> words;
        for (std::string& word : arguments) {
            words.push_back(word.data());
        }
        words.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, (folder_ / "out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&files, STDERR_FILENO, (folder_ / "err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        if (posix_spawn(&pid, words.front(), &files, nullptr, words.data(), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&files);
        return pid;
    }

    // What the process ends with; it is killed when it has not ended within `limit`.
    Finished Wait(pid_t pid, std::chrono::milliseconds limit) const {
        Finished finished;
        const bool ended = test_support::EndsWithin(pid, limit);
        if (!ended) {
            kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (ended && WIFEXITED(status)) {
            finished.Status = WEXITSTATUS(status);
        }
        finished.Out = Read(folder_ / "out");
        finished.Err = Read(folder_ / "err");
        return finished;
    }

    Finished Run(const std::vector<std::string>& arguments, std::chrono::milliseconds limit = 60s) {
        return Wait(Start(arguments), limit);
    }

    static std::string Read(const fs::path& file) {
        std::ifstream stream(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    }

    std::string File(const std::string& name) const { return (folder_ / name).string(); }

    fs::path folder_;
};

TEST_F(DimsVna, MeasureWritesTheSweepTheDeviceServedAsTouchstoneInHertz) {
    FakeNanoVna device(BuiltAntenna());
    const Finished run = Run({"--measure", "--vna", device.Path(), "--from", "116.875", "--to",
                              "158.125", "-o", File("antenna.s1p")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string text = Read(File("antenna.s1p"));
    EXPECT_EQ(text.rfind("! Measured with the NanoVNA on " + device.Path() + " at ", 0), 0u);
    EXPECT_NE(text.find("\n! info: Board: zandrel2 test device\n"), std::string::npos);
    EXPECT_NE(text.find("\n# Hz S RI R 50\n116875000 "), std::string::npos) << text;
    const Measurement saved = ReadMeasurement(text);
    const auto served = device.Served();
    ASSERT_EQ(saved.Points.size(), 101u);
    ASSERT_EQ(served.size(), 101u);
    for (std::size_t i = 0; i < served.size(); ++i) {
        EXPECT_EQ(saved.Points[i].FrequencyMHz, served[i].Hz * 1e-6);
        EXPECT_EQ(saved.Points[i].Reflection, served[i].S11);
    }
}

TEST_F(DimsVna, TrimWithTheDeviceGivesTheAdviceOfTheFileItSaved) {
    FakeNanoVna device(BuiltAntenna());
    const Finished swept = Run({"--trim", "HalfTurnTall", "137.50", "--vna", device.Path(),
                                "--save-measurement", File("saved.s1p"), "--json"});
    ASSERT_EQ(swept.Status, 0) << swept.Err;
    nlohmann::json fromDevice = nlohmann::json::parse(swept.Out);
    EXPECT_EQ(fromDevice["measured"]["files"][0]["file"], "the NanoVNA on " + device.Path());
    EXPECT_EQ(fromDevice["measured"]["points"], 101);
    EXPECT_EQ(fromDevice["measured"]["low_mhz"], 116.875);
    EXPECT_EQ(fromDevice["measured"]["high_mhz"], 158.125);
    // Both loops found long, the small one more, as built.
    EXPECT_NEAR(fromDevice["fit"]["scale"]["small"].get<double>(), Built.Small, 0.002);
    EXPECT_NEAR(fromDevice["fit"]["scale"]["large"].get<double>(), Built.Large, 0.004);

    const Finished fromFile =
        Run({"--trim", "HalfTurnTall", "137.50", "--measured", File("saved.s1p"), "--json"});
    ASSERT_EQ(fromFile.Status, 0) << fromFile.Err;
    nlohmann::json advice = nlohmann::json::parse(fromFile.Out);
    advice["measured"]["files"][0].erase("file");
    fromDevice["measured"]["files"][0].erase("file");
    EXPECT_EQ(fromDevice, advice);
}

TEST_F(DimsVna, EachFailureOfTheDeviceIsSaidWithStatusThreeWithinTheTimeLimit) {
    const struct {
        VnaFault Fault;
        const char* Said;
    } failures[] = {
        {VnaFault::Silence, "The VNA did not answer in time: "},
        {VnaFault::Usage, "The VNA refused the command: "},
        {VnaFault::Garbled, "The VNA's answer could not be read: "},
        {VnaFault::ShortLine, "(2 words) when 101 lines of \"FREQ_HZ RE IM\""},
        {VnaFault::NonFinite, "(not three finite numbers)"},
        {VnaFault::Binary, "The device does not speak the NanoVNA's text shell: "},
        {VnaFault::FewerPoints, "sent 12 points before its prompt"},
        {VnaFault::Disconnect, "The VNA was disconnected: "},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.Said);
        FakeNanoVna device([](double) { return std::complex<double>(0.2, 0.1); }, failure.Fault,
                           12);
        const Finished run = Run({"--measure", "--vna", device.Path(), "--from", "120", "--to",
                                  "150", "--vna-timeout", "0.5", "-o", File("failed.s1p")},
                                 15s);
        EXPECT_EQ(run.Status, 3);
        EXPECT_EQ(run.Err.rfind("zandrel2-dims: ", 0), 0u);
        EXPECT_NE(run.Err.find(failure.Said), std::string::npos) << run.Err;
        EXPECT_NE(run.Err.find(device.Path()), std::string::npos) << run.Err;
        EXPECT_FALSE(fs::exists(File("failed.s1p")));
    }
}

TEST_F(DimsVna, APortThatCannotBeOpenedIsSaidWithItsUsualCause) {
    const Finished run = Run({"--measure", "--vna", File("ttyACM9"), "--from", "120", "--to", "150",
                              "-o", File("antenna.s1p")});
    EXPECT_EQ(run.Status, 3);
    EXPECT_EQ(run.Err, "zandrel2-dims: The VNA's port could not be opened: " + File("ttyACM9") +
                           ": No such file or directory: is the NanoVNA plugged in and switched "
                           "on? (--vna auto finds it)\n");
}

TEST_F(DimsVna, SigintStopsTheSweepAndGivesThePortItsSettingsBack) {
    FakeNanoVna device([](double) { return std::complex<double>(0.2, 0.1); }, VnaFault::Silence);
    const int watcher = open(device.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(watcher, 0);
    termios before{};
    tcgetattr(watcher, &before);
    before.c_lflag |= ECHO | ICANON;
    tcsetattr(watcher, TCSANOW, &before);
    const pid_t pid = Start({"--measure", "--vna", device.Path(), "--from", "120", "--to", "150",
                             "--vna-timeout", "600", "-o", File("stopped.s1p")});
    ASSERT_TRUE(device.WaitForCommands(1, 30s));
    EXPECT_EQ(test_support::ExitStatusAfter(pid, SIGINT, 30s), 130);
    termios after{};
    tcgetattr(watcher, &after);
    close(watcher);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_FALSE(fs::exists(File("stopped.s1p")));
}

TEST_F(DimsVna, RefusesASweepOrTimeLimitItCannotUse) {
    Finished run = Run(
        {"--measure", "--vna", "auto", "--from", "150", "--to", "120", "-o", File("antenna.s1p")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("the sweep must rise from --from to --to"), std::string::npos);
    run = Run({"--measure", "--vna", "auto", "--from", "120", "--to", "150", "--vna-timeout",
               "soon", "-o", File("antenna.s1p")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("--vna-timeout must be a positive number of seconds"),
              std::string::npos);
    run = Run({"--trim", "HalfTurnTall", "137.50", "--vna", "auto", "--measured", "a.s1p"});
    EXPECT_EQ(run.Status, 2);
}

}  // namespace
