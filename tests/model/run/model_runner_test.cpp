// The runner of nec2c: all six styles, cancelling, and each error it reports.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "model_error.h"
#include "model_runner.h"
#include "numeric_error.h"

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

    // Puts a stand-in nec2c that fails with its own words first on the PATH.
    void UseFailingEngine() {
        const QString bin = engineFolder_.filePath(QStringLiteral("bin"));
        QDir().mkpath(bin);
        QFile script(bin + QStringLiteral("/nec2c"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho 'GEOMETRY DATA CARD ERROR' >&2\nexit 255\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.toUtf8());
    }

    QTemporaryDir temporary_;
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

TEST_F(RunnerTest, CancellingStopsTheRunsAndLeavesNoTemporaryFolder) {
    ModelRunner runner;
    int finished = 0;
    QObject::connect(&runner, &ModelRunner::StyleFinished, [&finished] { ++finished; });
    runner.Start("137.50", Polarisation::Lhcp);
    EXPECT_FALSE(LeftInTemporaryFolder().isEmpty());  // the runs' folders exist meanwhile
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
    UseFailingEngine();
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

}  // namespace
}  // namespace zandrel

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
