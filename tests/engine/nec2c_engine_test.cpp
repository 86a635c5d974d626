// nec2c run as a plain process: a real deck, a missing engine, a failing one and one that hangs.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "helix_geometry.h"
#include "model_error.h"
#include "model_figures.h"
#include "nec2c_engine.h"
#include "nec_deck.h"
#include "stand_in_engine.h"

namespace zandrel {
namespace {

namespace fs = std::filesystem;

// A private temporary folder for the runs and a PATH of the test's choice, both restored.
class Nec2cEngine : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zandrel2-engine-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "tmp");
        fs::create_directories(root_ / "bin");
        Save("TMPDIR", savedTmp_);
        Save("PATH", savedPath_);
        setenv("TMPDIR", (root_ / "tmp").c_str(), 1);
    }
    void TearDown() override {
        Restore("TMPDIR", savedTmp_);
        Restore("PATH", savedPath_);
        fs::remove_all(root_);
    }

    // Puts a stand-in nec2c with this shell script first on the PATH.
    void UseEngine(const std::string& script) {
        const fs::path engine = root_ / "bin" / "nec2c";
        std::ofstream(engine) << "#!/bin/sh\n" << script;
        fs::permissions(engine, fs::perms::owner_all);
        setenv("PATH",
               ((root_ / "bin").string() + ":" + savedPath_.value_or("/usr/bin:/bin")).c_str(), 1);
    }

    bool NothingLeftInTemporaryFolder() const { return fs::is_empty(root_ / "tmp"); }

    static ModelError ErrorOf(const std::string& deck, std::chrono::milliseconds limit) {
        try {
            RunDeckInNec2c(deck, EngineLimits{limit});
        } catch (const ModelError& error) {
            return error;
        }
        ADD_FAILURE() << "the run did not fail";
        return ModelError(ModelErrorKind::OutputUnreadable);
    }

    fs::path root_;

  private:
    static void Save(const char* name, std::optional<std::string>& saved) {
        const char* value = std::getenv(name);
        saved = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }
    static void Restore(const char* name, const std::optional<std::string>& saved) {
        if (saved) {
            setenv(name, saved->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }

    std::optional<std::string> savedTmp_;
    std::optional<std::string> savedPath_;
};

TEST_F(Nec2cEngine, RunsAZenithDeckAndReadsItsOneFrequencyAndPoint) {
    const HelixGeometry geometry = BuildHelixGeometry(Styles[3], "137.50", Polarisation::Rhcp);
    DeckRequest zenith;
    zenith.Runs = DeckRuns::Zenith;
    const NecOutput reduced = Nec2cEvaluator()(WriteNecDeck(geometry, zenith));
    ASSERT_EQ(reduced.Runs.size(), 1u);
    ASSERT_EQ(reduced.Runs.front().Pattern.size(), 1u);
    EXPECT_EQ(reduced.Runs.front().Pattern.front().ThetaDeg, 0.0);
    EXPECT_TRUE(NothingLeftInTemporaryFolder());

    // The same impedance and zenith as the whole model's.
    const ModelFigures whole =
        ComputeModelFigures(geometry, RunDeckInNec2c(WriteNecDeck(geometry)));
    EXPECT_NEAR(std::abs(InputImpedance(geometry, reduced.Runs.front()) - whole.Impedance), 0.0,
                1e-9);
    EXPECT_NEAR(AxialRatioDb(reduced.Runs.front().Pattern.front()), whole.AxialRatioDb, 1e-9);
}

TEST_F(Nec2cEngine, RunsAnImpedanceDeckAtEachFrequencyInTurn) {
    const HelixGeometry geometry = BuildHelixGeometry(Styles[1], "137.50", Polarisation::Rhcp);
    DeckRequest request;
    request.Runs = DeckRuns::Impedances;
    request.ImpedanceFrequenciesMHz = {130.0, 137.5, 151.25};
    const NecOutput output = RunDeckInNec2c(WriteNecDeck(geometry, request));
    ASSERT_EQ(output.Runs.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(output.Runs[i].FrequencyMHz, request.ImpedanceFrequenciesMHz[i], 0.01);
        EXPECT_TRUE(output.Runs[i].Pattern.empty());
        EXPECT_EQ(output.Runs[i].Sources.size(), 2u);
    }
    // At the design frequency, what the whole model gives there.
    const ModelFigures whole =
        ComputeModelFigures(geometry, RunDeckInNec2c(WriteNecDeck(geometry)));
    EXPECT_NEAR(std::abs(InputImpedance(geometry, output.Runs[1]) - whole.Impedance), 0.0, 1e-9);
}

TEST_F(Nec2cEngine, SaysWhichPackageToInstallWhenNec2cIsMissing) {
    setenv("PATH", (fs::temp_directory_path() / "no-such-folder").c_str(), 1);
    const ModelError error = ErrorOf("CE\nEN\n", Nec2cTimeLimit);
    EXPECT_EQ(error.Kind(), ModelErrorKind::EngineMissing);
    EXPECT_NE(error.Message().find("Debian package nec2c"), std::string::npos);
    EXPECT_TRUE(NothingLeftInTemporaryFolder());
}

TEST_F(Nec2cEngine, QuotesNec2cWhenItFailsWithItsInputFromDevNull) {
    UseEngine(
        "if read -r line; then echo 'read a line'; else echo 'input at its end'; fi\n"
        "echo 'GEOMETRY DATA CARD ERROR' >&2\nexit 255\n");
    const ModelError error = ErrorOf("CE\nEN\n", Nec2cTimeLimit);
    EXPECT_EQ(error.Kind(), ModelErrorKind::EngineFailed);
    EXPECT_EQ(error.Message(), "The NEC-2 engine nec2c failed");
    EXPECT_NE(error.Detail().find("GEOMETRY DATA CARD ERROR"), std::string::npos) << error.Detail();
    EXPECT_NE(error.Detail().find("input at its end"), std::string::npos) << error.Detail();
    EXPECT_TRUE(NothingLeftInTemporaryFolder());
}

TEST_F(Nec2cEngine, StopsARunThatOutlastsItsTimeLimit) {
    UseEngine("exec sleep 60\n");
    const auto started = std::chrono::steady_clock::now();
    const ModelError error = ErrorOf("CE\nEN\n", std::chrono::milliseconds(300));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(error.Kind(), ModelErrorKind::EngineFailed);
    EXPECT_EQ(error.Detail(), "nec2c did not finish within 300 ms and was stopped");
    EXPECT_TRUE(NothingLeftInTemporaryFolder());
}

// A window closing stops its runs from another thread: the run under way ends at once, and
// none starts after.
TEST_F(Nec2cEngine, StopsARunUnderWayAndStartsNoneOnceAskedToStop) {
    const fs::path started = root_ / "started.pid";
    UseEngine("echo $$ > '" + started.string() + ".part'\nmv '" + started.string() + ".part' '" +
              started.string() + "'\nexec sleep 60\n");
    const auto stop = std::make_shared<EngineStop>();
    const DeckEvaluator evaluate = Nec2cEvaluator(Nec2cTimeLimit, stop);
    std::future<void> run = std::async(std::launch::async, [&evaluate] { evaluate("CE\nEN\n"); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(started) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(fs::exists(started));
    std::string engine;
    std::ifstream(started) >> engine;

    stop->Stop();
    ASSERT_EQ(run.wait_until(deadline), std::future_status::ready);
    try {
        run.get();
        ADD_FAILURE() << "the stopped run returned an output";
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Kind(), ModelErrorKind::EngineFailed);
        EXPECT_EQ(error.Detail(), "the nec2c run was stopped");
    }
    EXPECT_FALSE(fs::exists("/proc/" + engine));  // killed and reaped
    EXPECT_TRUE(NothingLeftInTemporaryFolder());

    fs::remove(started);
    try {
        evaluate("CE\nEN\n");
        ADD_FAILURE() << "a run started after the stop";
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Detail(), "the nec2c run was stopped");
    }
    EXPECT_FALSE(fs::exists(started));
}

TEST_F(Nec2cEngine, StopsWhatTheEngineLeftRunningInItsProcessGroup) {
    const fs::path left = root_ / "left.pid";
    UseEngine("sleep 60 &\necho $! > '" + left.string() + "'\nexit 1\n");
    EXPECT_EQ(ErrorOf("CE\nEN\n", Nec2cTimeLimit).Kind(), ModelErrorKind::EngineFailed);
    std::string sleeper;
    std::ifstream(left) >> sleeper;
    ASSERT_FALSE(sleeper.empty());
    // Killed, it is soon gone, or a zombie until its new parent reaps it.
    const auto running = [&sleeper] {
        std::ifstream stat("/proc/" + sleeper + "/stat");
        std::string state;
        if (!std::getline(stat, state) || state.rfind(") ") == std::string::npos) {
            return false;
        }
        return state.at(state.rfind(") ") + 2) != 'Z';
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(running());
}

TEST_F(Nec2cEngine, SaysWhenNec2cRejectsTheGeometry) {
    UseEngine(
        "while [ \"$1\" != -o ]; do shift; done\n"
        "echo ' SEGMENT DATA ERROR: SEGMENT 12 IS TOO SHORT' > \"$2\"\nexit 255\n");
    const ModelError error = ErrorOf("CE\nEN\n", Nec2cTimeLimit);
    EXPECT_EQ(error.Kind(), ModelErrorKind::NotModellable);
    EXPECT_NE(error.Detail().find("SEGMENT DATA ERROR"), std::string::npos) << error.Detail();
}

TEST_F(Nec2cEngine, RefusesAFloodOfOutputWithoutReadingIt) {
    UseEngine("while [ \"$1\" != -o ]; do shift; done\nhead -c 20000000 /dev/zero > \"$2\"\n");
    const ModelError error = ErrorOf("CE\nEN\n", Nec2cTimeLimit);
    EXPECT_EQ(error.Kind(), ModelErrorKind::OutputUnreadable);
    EXPECT_EQ(error.Detail(),
              "nec2c wrote more than 16 MB of output (a real run writes about 300 KB) and was "
              "stopped");
    EXPECT_TRUE(NothingLeftInTemporaryFolder());
}

TEST_F(Nec2cEngine, RefusesAFloodOfErrorsWithoutReadingIt) {
    UseEngine(test_support::ErrorFloodingEngine);
    try {
        RunDeckInNec2c("CE\nEN\n", EngineLimits{std::chrono::seconds(30), 1 << 20, 4096});
        ADD_FAILURE() << "the run did not fail";
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Kind(), ModelErrorKind::OutputUnreadable);
        EXPECT_EQ(error.Detail(), "nec2c wrote more than 4 KB of errors and was stopped");
    }
    EXPECT_TRUE(NothingLeftInTemporaryFolder());
}

TEST_F(Nec2cEngine, RefusesAnOutputThatEndsEarlyOrIsEmpty) {
    for (const std::string& script :
         {std::string("while [ \"$1\" != -o ]; do shift; done\n"
                      "echo 'FREQUENCY : 137.5 MHz' > \"$2\"\n"),
          test_support::SilentEngine}) {
        UseEngine(script);
        const ModelError error = ErrorOf("CE\nEN\n", Nec2cTimeLimit);
        EXPECT_EQ(error.Kind(), ModelErrorKind::OutputUnreadable) << script;
        EXPECT_NE(error.Detail().find("truncated"), std::string::npos) << error.Detail();
        EXPECT_TRUE(NothingLeftInTemporaryFolder());
    }
}

TEST_F(Nec2cEngine, QuotesNec2csWordsWithoutControlCharacters) {
    UseEngine(test_support::ControlCharacterEngine);
    const ModelError error = ErrorOf("CE\nEN\n", Nec2cTimeLimit);
    EXPECT_EQ(error.Kind(), ModelErrorKind::EngineFailed);
    const std::string& words = error.Detail();
    EXPECT_NE(words.find("GEOMETRY DATA CARD ERROR"), std::string::npos) << words;
    EXPECT_NE(words.find("?[31mRED?[0m ?]0;a title?"), std::string::npos) << words;
    for (const char c : words) {
        EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << words;
    }
}

}  // namespace
}  // namespace zandrel
