// The runner of nec2c: all six styles, cancelling, and how a failure of the engine (whose own
// failure modes the engine's tests try) reaches every style as its numbered error, with nothing
// left running.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "model_error.h"
#include "model_runner.h"
#include "numeric_error.h"
#include "sensitivity_runner.h"
#include "stand_in_engine.h"

namespace zandrel {
namespace {

bool WaitFor(const std::function<bool()>& done, int limitMs = 30000) {
    const QDeadlineTimer deadline(limitMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return done();
}

// A private temporary folder for the runs, and a PATH of the test's choice, both restored.
class RunnerTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temporary_.isValid());
        savedTmp_ = qgetenv("TMPDIR");
        savedPath_ = qgetenv("PATH");
        qputenv("TMPDIR", temporary_.path().toUtf8());
    }
    void TearDown() override {
        qputenv("TMPDIR", savedTmp_);
        qputenv("PATH", savedPath_);
    }

    QStringList LeftInTemporaryFolder() const {
        return QDir(temporary_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    // Makes a stand-in with the script the only nec2c on the PATH.
    void UseEngine(const std::string& script) {
        standIn_ = std::make_unique<test_support::StandInEngine>(
            script, engineFolder_.path().toStdString());
        qputenv("PATH", QByteArray::fromStdString(standIn_->Folder().string()));
    }

    // Runs the six styles with the limits to their end, which must come within `deadlineMs`.
    void RunToTheEnd(ModelRunner& runner, const EngineLimits& limits, int deadlineMs = 20000,
                     const std::string& frequency = "137.50") {
        runner.SetLimits(limits);
        runner.Start(frequency, Polarisation::Rhcp);
        ASSERT_TRUE(WaitFor([&] { return !runner.IsRunning(); }, deadlineMs))
            << "the runs did not end within " << deadlineMs << " ms";
    }

    // Every style failed with the error numbered `number`, whose detail holds `words`; no
    // engine the stand-in started is left, nor any folder.
    void ExpectEveryStyleFailed(const ModelRunner& runner, int number, const std::string& words) {
        ASSERT_EQ(runner.Models().size(), 6u);
        for (const StyleModel& model : runner.Models()) {
            ASSERT_TRUE(model.Error) << model.Style->Name;
            EXPECT_EQ(model.Error->Number(), number) << model.Error->Detail();
            EXPECT_NE(model.Error->Detail().find(words), std::string::npos)
                << model.Error->Detail();
            EXPECT_FALSE(model.Figures);
        }
        if (standIn_) {
            const std::vector<pid_t>& started =
                standIn_->WaitForStarts(6, std::chrono::milliseconds(0));
            EXPECT_GE(started.size(), 6u);
            for (const pid_t pid : started) {
                EXPECT_TRUE(test_support::EndsWithin(pid, std::chrono::seconds(5)))
                    << "process " << pid << " of the stand-in is still running";
            }
        }
        EXPECT_TRUE(LeftInTemporaryFolder().isEmpty())
            << LeftInTemporaryFolder().join(' ').toStdString();
    }

    static EngineLimits Limits(std::chrono::milliseconds time,
                               std::uintmax_t outputBytes = 1 << 20,
                               std::uintmax_t errorBytes = 4096) {
        return {time, outputBytes, errorBytes};
    }

    QTemporaryDir temporary_;
    std::unique_ptr<test_support::StandInEngine> standIn_;
    QTemporaryDir engineFolder_;
    QByteArray savedTmp_;
    QByteArray savedPath_;
};

TEST_F(RunnerTest, ModelsTheSixStylesReportingEachAsItFinishes) {
    ModelRunner runner;
    std::vector<int> finished;
    int allFinished = 0;
    QObject::connect(&runner, &ModelRunner::StyleFinished,
                     [&finished](int index) { finished.push_back(index); });
    QObject::connect(&runner, &ModelRunner::AllFinished, [&allFinished] { ++allFinished; });
    runner.Start("137.50", Polarisation::Rhcp);
    EXPECT_TRUE(runner.IsRunning());
    ASSERT_TRUE(WaitFor([&] { return allFinished > 0; }));
    EXPECT_EQ(allFinished, 1);
    std::sort(finished.begin(), finished.end());
    EXPECT_EQ(finished, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    for (const StyleModel& model : runner.Models()) {
        EXPECT_FALSE(model.Error) << model.Style->Name << ": " << model.Error->Detail();
        ASSERT_TRUE(model.Figures);
        EXPECT_EQ(model.Figures->ZenithSense, "RIGHT");
    }
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_TRUE(LeftInTemporaryFolder().isEmpty())
        << LeftInTemporaryFolder().join(' ').toStdString();
}

TEST_F(RunnerTest, ModelsOneHelixBuiltElsewhereMatchedToItsLine) {
    // 1/2 TURN .44 TALL of 2 mm wire in place of the 8.73 mm tube: about +40 ohm of reactance at
    // 137.50 MHz where the tube gives about +14.
    GeometryOptions wire;
    wire.ConductorDiameterMm = 2.0;
    const HelixGeometry geometry = BuildHelixGeometry(StyleEntryOf(HelixStyle::HalfTurnTall),
                                                      "137.50", Polarisation::Rhcp, wire);
    ModelRunner runner;
    int finished = 0;
    QObject::connect(&runner, &ModelRunner::AllFinished, [&finished] { ++finished; });
    runner.StartGeometry(geometry, {75.0, 0.66});
    ASSERT_TRUE(WaitFor([&] { return !runner.IsRunning(); }));
    EXPECT_EQ(finished, 1);
    ASSERT_EQ(runner.Models().size(), 1u);
    const StyleModel& model = runner.Models().front();
    ASSERT_TRUE(model.Figures) << (model.Error ? model.Error->Detail() : "");
    EXPECT_EQ(model.Style, &StyleEntryOf(HelixStyle::HalfTurnTall));
    EXPECT_EQ(model.Geometry->ConductorDiameterMm, 2.0);
    EXPECT_EQ(model.Figures->Line.Z0Ohm, 75.0);
    EXPECT_NEAR(model.Figures->Impedance.imag(), 39.9, 3.0);
    EXPECT_TRUE(LeftInTemporaryFolder().isEmpty());
}

TEST_F(RunnerTest, CancellingStopsTheRunsAndLeavesNoTemporaryFolder) {
    ModelRunner runner;
    int finished = 0;
    QObject::connect(&runner, &ModelRunner::StyleFinished, [&finished] { ++finished; });
    runner.Start("137.50", Polarisation::Lhcp);
    // The runs' folders exist meanwhile.
    ASSERT_TRUE(WaitFor([&] { return !LeftInTemporaryFolder().isEmpty(); }));
    runner.Cancel();
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_TRUE(LeftInTemporaryFolder().isEmpty())
        << LeftInTemporaryFolder().join(' ').toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished, 0);
}

TEST_F(RunnerTest, DestroyingTheRunnerMidRunLeavesNoTemporaryFolder) {
    {
        ModelRunner runner;
        runner.Start("137.50", Polarisation::Rhcp);
    }
    EXPECT_TRUE(LeftInTemporaryFolder().isEmpty());
}

TEST_F(RunnerTest, SaysWhichPackageToInstallWhenNec2cIsMissing) {
    qputenv("PATH", engineFolder_.path().toUtf8());
    ModelRunner runner;
    try {
        runner.Start("137.50", Polarisation::Rhcp);
        FAIL() << "started without nec2c";
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Kind(), ModelErrorKind::EngineMissing);
        EXPECT_EQ(error.Number(), 1001);
        EXPECT_NE(error.Message().find("Debian package nec2c"), std::string::npos);
        EXPECT_TRUE(IsEngineError(error));
    }
}

TEST_F(RunnerTest, QuotesNec2cWhenItExitsWithAnError) {
    UseEngine(test_support::StandInPrologue + "echo 'GEOMETRY DATA CARD ERROR' >&2\nexit 255\n");
    ModelRunner runner;
    runner.Start("137.50", Polarisation::Rhcp);
    ASSERT_TRUE(WaitFor([&] { return !runner.IsRunning(); }));
    for (const StyleModel& model : runner.Models()) {
        ASSERT_TRUE(model.Error);
        const std::optional<RuntimeError>& error = model.Error;
        EXPECT_EQ(error->Number(), 1002);
        EXPECT_TRUE(IsEngineError(*error));
        EXPECT_EQ(error->Message(), "The NEC-2 engine nec2c failed");
        EXPECT_NE(error->Detail().find("GEOMETRY DATA CARD ERROR"), std::string::npos)
            << error->Detail();
    }
    EXPECT_TRUE(LeftInTemporaryFolder().isEmpty());
}

TEST_F(RunnerTest, FinishesAStyleWhoseDimensionsFailWithTheCalculatorsError) {
    ModelRunner runner;
    int allFinished = 0;
    QObject::connect(&runner, &ModelRunner::AllFinished, [&allFinished] { ++allFinished; });
    runner.Start("abc", Polarisation::Rhcp);
    EXPECT_EQ(allFinished, 1);
    EXPECT_FALSE(runner.IsRunning());
    for (const StyleModel& model : runner.Models()) {
        ASSERT_TRUE(model.Error);
        EXPECT_EQ(model.Error->Number(), 13);
        EXPECT_EQ(model.Error->Message(), "Type mismatch");
        EXPECT_FALSE(IsEngineError(*model.Error));
    }
}

TEST_F(RunnerTest, RefusesToModelANegativeFrequency) {
    ModelRunner runner;
    runner.Start("-137.5", Polarisation::Rhcp);
    for (const StyleModel& model : runner.Models()) {
        ASSERT_TRUE(model.Error);
        EXPECT_EQ(model.Error->Number(), 1005);
    }
}

TEST_F(RunnerTest, StopsAnEngineThatOutlastsTheTimeLimitAndWhatItStarted) {
    UseEngine(test_support::HangingEngine);
    ModelRunner runner;
    RunToTheEnd(runner, Limits(std::chrono::milliseconds(300)));
    ExpectEveryStyleFailed(runner, 1002, "did not finish within 300 ms and was stopped");
    EXPECT_TRUE(IsEngineError(*runner.Models()[0].Error));
}

TEST_F(RunnerTest, StopsAnEngineWhoseOutputPassesTheRunnersLimitAsUnreadable) {
    UseEngine(test_support::OutputFloodingEngine);
    ModelRunner runner;
    RunToTheEnd(runner, Limits(std::chrono::seconds(30), 1 << 20));
    ExpectEveryStyleFailed(runner, 1003, "more than 1 MB of output");
    EXPECT_TRUE(IsEngineError(*runner.Models()[0].Error));
}

TEST_F(RunnerTest, ReportsAGeometryThatNec2cRejectsAsNotModellable) {
    UseEngine(test_support::GeometryRejectingEngine);
    ModelRunner runner;
    RunToTheEnd(runner, EngineLimits{});
    ExpectEveryStyleFailed(runner, 1005, "nec2c said: SEGMENT DATA ERROR");
    EXPECT_FALSE(IsEngineError(*runner.Models()[0].Error));
    EXPECT_EQ(runner.Models()[0].Error->Message(),
              "No NEC-2 model can be built for these dimensions");
}

TEST_F(RunnerTest, RefusesDimensionsThatRoundToNothingBeforeNec2cSeesThem) {
    UseEngine(test_support::GeometryRejectingEngine);
    ModelRunner runner;
    runner.Start("1E+25", Polarisation::Rhcp);
    EXPECT_FALSE(runner.IsRunning());
    for (const StyleModel& model : runner.Models()) {
        ASSERT_TRUE(model.Error);
        EXPECT_EQ(model.Error->Number(), 1005);
        EXPECT_EQ(model.Error->Detail(), "at this frequency the tube diameter is 0 mm");
        EXPECT_FALSE(model.Geometry);
    }
    EXPECT_TRUE(standIn_->WaitForStarts(1, std::chrono::milliseconds(0)).empty());
}

TEST_F(RunnerTest, NamesATemporaryFolderThatIsMissingOrNotAFolderAndMakesNothingElsewhere) {
    const QString missing = temporary_.filePath(QStringLiteral("missing"));
    const QString file = engineFolder_.filePath(QStringLiteral("a file"));
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
    for (const auto& [folder, problem] :
         {std::pair{missing, "does not exist"}, std::pair{file, "is not a folder"}}) {
        qputenv("TMPDIR", folder.toUtf8());
        ModelRunner runner;
        try {
            runner.Start("137.50", Polarisation::Rhcp);
            ADD_FAILURE() << "started in " << folder.toStdString();
        } catch (const ModelError& error) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::DeckNotWritten);
            EXPECT_EQ(error.Detail(),
                      "the temporary folder " + folder.toStdString() + " (TMPDIR) " + problem);
        }
        EXPECT_FALSE(runner.IsRunning());
    }
    EXPECT_TRUE(LeftInTemporaryFolder().isEmpty());
    EXPECT_TRUE(QDir::root().entryList({QStringLiteral("model_runner_test-*")}).isEmpty());
}

TEST_F(RunnerTest, NeedsNeitherEngineNorFolderForAFrequencyTheCalculatorRejects) {
    qputenv("PATH", engineFolder_.path().toUtf8());
    qputenv("TMPDIR", temporary_.filePath(QStringLiteral("missing")).toUtf8());
    ModelRunner runner;
    runner.Start("abc", Polarisation::Rhcp);
    for (const StyleModel& model : runner.Models()) {
        ASSERT_TRUE(model.Error);
        EXPECT_EQ(model.Error->Number(), 13);
    }
}

// A model with a resonance in its sweep, for a sensitivity to start from.
ModelFigures FiguresWithAResonance() {
    ModelFigures figures;
    figures.FrequencyMHz = 137.5;
    figures.ResonanceMHz = 137.5;
    for (int i = -2; i <= 2; ++i) {
        figures.Sweep.push_back({137.5 + i, {50.0, 4.0 * i}});
    }
    return figures;
}

TEST_F(RunnerTest, SensitivityDropsAnOutcomeThatArrivesAfterCancel) {
    UseEngine(test_support::SilentEngine);
    SensitivityRunner sensitivity;
    int finished = 0;
    QObject::connect(&sensitivity, &SensitivityRunner::Finished, [&finished] { ++finished; });
    const LoopDesign design{&Styles[2], "137.50", Polarisation::Rhcp, std::nullopt, {}};
    sensitivity.Start(2, design, FiguresWithAResonance());
    // The stand-in ends at once: its outcome is on its way, or already waiting, when cancelled.
    ASSERT_EQ(standIn_->WaitForStarts(1, std::chrono::seconds(20)).size(), 1u);
    ASSERT_TRUE(test_support::EndsWithin(standIn_->WaitForStarts(1, {}).front(),
                                         std::chrono::seconds(20)));
    sensitivity.Cancel();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(sensitivity.OutcomeOf(2), nullptr);

    // Started again, its outcome arrives: the empty output is unreadable.
    sensitivity.Start(2, design, FiguresWithAResonance());
    ASSERT_TRUE(WaitFor([&] { return finished == 1; }));
    const SensitivityRunner::Outcome* outcome = sensitivity.OutcomeOf(2);
    ASSERT_NE(outcome, nullptr);
    ASSERT_TRUE(outcome->Error);
    EXPECT_EQ(outcome->Error->Number(), 1003);
    EXPECT_TRUE(LeftInTemporaryFolder().isEmpty());
}

}  // namespace
}  // namespace zandrel

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
