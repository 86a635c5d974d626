// zandrel2-dims --sheet as a script would use it: the PDF it writes, its messages and exit
// status, with and without a display.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "fifo_reader.h"
#include "pdf_read_back.h"
#include "stand_in_engine.h"

namespace {

struct DimsRun {
    int status = -1;
    QString out, err;
};

DimsRun RunDims(const QStringList& arguments,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZANDREL2_DIMS), arguments);
    DimsRun run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        run.status = process.exitCode();
    }
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString PageText(const zandrel::test_support::PdfPage& page) {
    QStringList words;
    for (const auto& word : page.Words) {
        words << word.Text;
    }
    return words.join(QLatin1Char(' '));
}

bool IsA(const QString& path, mode_t type) {
    struct stat status {};
    return lstat(QFile::encodeName(path).constData(), &status) == 0 &&
           (status.st_mode & S_IFMT) == type;
}

class DimsSheet : public testing::Test {
  protected:
    QString Output(const char* name = "sheet.pdf") const {
        return folder_.filePath(QString::fromLatin1(name));
    }
    // The pages of a PDF received whole, through a file of its own.
    std::vector<zandrel::test_support::PdfPage> PagesOf(const QByteArray& pdf) const {
        const QString copy = Output("received.pdf");
        QFile file(copy);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pdf);
        file.close();
        auto pages = zandrel::test_support::ReadPdf(copy);
        file.remove();
        return pages;
    }
    QStringList Files() const {
        return QDir(folder_.path())
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir folder_;
};

TEST_F(DimsSheet, WritesTheSheetOfTheNamedStyleWithTheGivenOptions) {
    const DimsRun run = RunDims(
        {QStringLiteral("--sheet"), QStringLiteral("HalfTurnRca"), QStringLiteral("137.50"),
         QStringLiteral("--lhcp"), QStringLiteral("--mast-diameter"), QStringLiteral("40"),
         QStringLiteral("--paper"), QStringLiteral("letter"), QStringLiteral("-o"), Output()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const auto pages = zandrel::test_support::ReadPdf(Output());
    ASSERT_GE(pages.size(), 2u);
    EXPECT_NEAR(pages[0].Size.width(), 215.9, 0.5);
    EXPECT_NEAR(pages[0].Size.height(), 279.4, 0.5);
    const QString first = PageText(pages[0]);
    for (const char* expected :
         {"1/2 TURN RCA", "137.50 MHz", "Polarisation LHCP",
          "Mast outside diameter 40 mm, circumference 125.7 mm", "745.11", "820.35"}) {
        EXPECT_TRUE(first.contains(QString::fromUtf8(expected))) << expected;
    }
    EXPECT_TRUE(PageText(pages[1]).contains(QStringLiteral("mast 40 mm")));
}

TEST_F(DimsSheet, NeedsNoDisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const DimsRun run = RunDims({QStringLiteral("--sheet"), QStringLiteral("QuarterTurn"),
                                 QStringLiteral("137.50"), QStringLiteral("-o"), Output()},
                                environment);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto pages = zandrel::test_support::ReadPdf(Output());
    ASSERT_FALSE(pages.empty());
    EXPECT_NEAR(pages[0].Size.width(), 210.0, 0.5);
    EXPECT_TRUE(PageText(pages[0]).contains(QStringLiteral("1/4 TURN .3 HIGH")));
}

TEST_F(DimsSheet, WritesIntoAFifoForItsReaderAndLeavesItAFifo) {
    const QString fifo = Output("viewer");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    zandrel::test_support::FifoReader reader(QFile::encodeName(fifo).toStdString());
    ASSERT_TRUE(reader.IsOpen());
    const DimsRun run = RunDims({QStringLiteral("--sheet"), QStringLiteral("QuarterTurn"),
                                 QStringLiteral("137.50"), QStringLiteral("-o"), fifo});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const std::string received = reader.Received();
    const auto pages = PagesOf(QByteArray::fromStdString(received));
    ASSERT_GE(pages.size(), 2u) << received.size() << " bytes";
    EXPECT_TRUE(PageText(pages[0]).contains(QStringLiteral("1/4 TURN .3 HIGH")));
    EXPECT_TRUE(IsA(fifo, S_IFIFO));
    EXPECT_EQ(Files(), QStringList{QStringLiteral("viewer")});
}

TEST_F(DimsSheet, WritesIntoADeviceAndLeavesTheDevice) {
    // A private node of the null device, where the test may make one.
    const QString device = Output("null");
    const QByteArray name = QFile::encodeName(device);
    if (mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "no device node can be made here";
    }
    if (!QFile(device).open(QIODevice::WriteOnly)) {
        GTEST_SKIP() << "device nodes cannot be opened here";
    }
    const DimsRun run = RunDims({QStringLiteral("--sheet"), QStringLiteral("OneTurn"),
                                 QStringLiteral("137.50"), QStringLiteral("-o"), device});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    struct stat status {};
    ASSERT_EQ(lstat(name.constData(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    EXPECT_EQ(status.st_rdev, makedev(1, 3));
    EXPECT_EQ(Files(), QStringList{QStringLiteral("null")});
}

TEST_F(DimsSheet, WritesThePdfToStandardOutputForADash) {
    QProcess process;
    process.setWorkingDirectory(folder_.path());
    process.start(QStringLiteral(ZANDREL2_DIMS),
                  {QStringLiteral("--sheet"), QStringLiteral("HalfTurnTall"),
                   QStringLiteral("137.50"), QStringLiteral("-o"), QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QByteArray pdf = process.readAllStandardOutput();
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    const auto pages = PagesOf(pdf);
    ASSERT_GE(pages.size(), 2u);
    EXPECT_TRUE(PageText(pages[0]).contains(QStringLiteral("1/2 TURN .44 TALL")));
    EXPECT_TRUE(Files().isEmpty());  // no file called "-"
}

TEST_F(DimsSheet, ExplainsWhatWentWrongExitsWithOneAndLeavesNoFile) {
    struct Case {
        QStringList arguments;
        const char* words;
    };
    const QString missingFolder = Output("no/such/folder/sheet.pdf");
    const Case cases[] = {
        {{QStringLiteral("abc")},
         "the frequency is not a number (run-time error 13: Type mismatch)"},
        {{QStringLiteral("0")}, "the frequency is zero"},
        {{QStringLiteral("137.50"), QStringLiteral("--mast-diameter"), QStringLiteral("0")},
         "the mast diameter must be from 1 to 500 mm (run-time error 380: Invalid property value)"},
        {{QStringLiteral("137.50"), QStringLiteral("--mast-diameter"), QStringLiteral("wide")},
         "the mast diameter \"wide\" is not a number"},
        {{QStringLiteral("10"), QStringLiteral("--mast-diameter"), QStringLiteral("450")},
         "the drilling template would need"},
        {{QStringLiteral("20")},
         "a 32 mm mast is not wider than the 60 mm holes for the tube: the holes would cut it "
         "through (run-time error 380: Invalid property value)"},
        {{QStringLiteral("1691")},
         "a 32 mm mast is not narrower than the small loop's bottom arm of 18.34 mm"},
        // 1 TURN's top arms are 107 mm from the feed to the corner.
        {{QStringLiteral("137.50"), QStringLiteral("--bend-radius"), QStringLiteral("110")},
         "a bend radius of 110.00 mm does not fit in the top arm of 107.00 mm"},
        {{QStringLiteral("137.50"), QStringLiteral("--bend-radius"), QStringLiteral("-1")},
         "the bend radius must be 0 or a positive number"},
        {{QStringLiteral("137.50"), QStringLiteral("--conductor-diameter"), QStringLiteral("32")},
         "a 32 mm mast is not wider than the 32 mm holes for the tube"},
    };
    for (const Case& c : cases) {
        const DimsRun run =
            RunDims(QStringList{QStringLiteral("--sheet"), QStringLiteral("OneTurn")} +
                    c.arguments + QStringList{QStringLiteral("-o"), Output()});
        EXPECT_EQ(run.status, 1) << c.words;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.words))) << run.err.toStdString();
        EXPECT_TRUE(Files().isEmpty()) << c.words;
    }
    const DimsRun unwritable =
        RunDims({QStringLiteral("--sheet"), QStringLiteral("OneTurn"), QStringLiteral("137.50"),
                 QStringLiteral("-o"), missingFolder});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains(missingFolder + QStringLiteral(" cannot be written")))
        << unwritable.err.toStdString();
    EXPECT_TRUE(unwritable.err.contains(QStringLiteral("run-time error 75")));
    EXPECT_TRUE(Files().isEmpty());

    // A sheet that fails leaves the file that was there untouched.
    QFile existing(Output());
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("an older sheet");
    existing.close();
    EXPECT_EQ(RunDims({QStringLiteral("--sheet"), QStringLiteral("OneTurn"), QStringLiteral("x"),
                       QStringLiteral("-o"), Output()})
                  .status,
              1);
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "an older sheet");
    EXPECT_EQ(Files(), QStringList{QStringLiteral("sheet.pdf")});
}

TEST_F(DimsSheet, DrawsTheBuildersPartsInTheUnitsAskedFor) {
    const DimsRun run =
        RunDims({QStringLiteral("--sheet"), QStringLiteral("HalfTurnTall"),
                 QStringLiteral("137.50"), QStringLiteral("--conductor-diameter"),
                 QStringLiteral("6"), QStringLiteral("--bend-radius"), QStringLiteral("30"),
                 QStringLiteral("--units"), QStringLiteral("in"), QStringLiteral("--z0"),
                 QStringLiteral("75"), QStringLiteral("-o"), Output()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto pages = zandrel::test_support::ReadPdf(Output());
    ASSERT_GE(pages.size(), 2u);
    const QString first = PageText(pages[0]);
    // 2363.91 mm less 4 x (2 - pi/2) x 30 mm is 2312.41 mm, 91.04 in; 870.29 mm is 34.26 in.
    for (const char* expected :
         {"Cut list (inches)", "34.26", "91.04", "Tube to cut, corners at r = 1.18 in",
          "your 6.00 mm tube or wire", "Match to 75 ohm", "on 75 ohm", "coax centre"}) {
        EXPECT_TRUE(first.contains(QString::fromUtf8(expected))) << expected;
    }
    EXPECT_TRUE(PageText(pages[1]).contains(QStringLiteral("in below")));
}

TEST_F(DimsSheet, DrawsTheLoopsTunedInNec2cWhoseModelHasNoReactanceLeft) {
    const DimsRun run =
        RunDims({QStringLiteral("--sheet"), QStringLiteral("QuarterTurn"), QStringLiteral("137.50"),
                 QStringLiteral("--tuned"), QStringLiteral("-o"), Output()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto pages = zandrel::test_support::ReadPdf(Output());
    ASSERT_GE(pages.size(), 2u);
    const QString first = PageText(pages[0]);
    EXPECT_TRUE(first.contains(QStringLiteral("Tuned in NEC-2: the small loop scaled by")));
    EXPECT_TRUE(first.contains(QStringLiteral(" tuned ")));
    // The tuned loops, modelled afresh for the match, meet the tuning's limit of 1 ohm.
    const QRegularExpression modelled(
        QStringLiteral("Modelled in NEC-2 at 137.50 MHz: ([0-9.]+) ([+-]) j([0-9.]+) ohm"));
    const QRegularExpressionMatch match = modelled.match(first);
    ASSERT_TRUE(match.hasMatch()) << first.toStdString();
    EXPECT_LE(match.captured(3).toDouble(), 1.0 + 0.005) << match.captured(0).toStdString();
    EXPECT_TRUE(PageText(pages[1]).contains(QStringLiteral("tuned (small loop x")));
}

TEST_F(DimsSheet, SaysThatThereIsNoMatchWithoutNec2cAndStillWritesTheSheet) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), folder_.filePath(QStringLiteral("no-such-folder")));
    const DimsRun run = RunDims({QStringLiteral("--sheet"), QStringLiteral("OneTurn"),
                                 QStringLiteral("137.50"), QStringLiteral("-o"), Output()},
                                environment);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("the sheet gives no match to 50 ohm: nec2c was "
                                        "not found on the PATH")))
        << run.err.toStdString();
    const auto pages = zandrel::test_support::ReadPdf(Output());
    ASSERT_FALSE(pages.empty());
    EXPECT_TRUE(
        PageText(pages[0]).contains(QStringLiteral("No match is given: nec2c was not found")));
    EXPECT_FALSE(PageText(pages[0]).contains(QStringLiteral(" nH ")));
}

TEST_F(DimsSheet, RefusesSizesThatAreNoneAndUnitsItDoesNotKnow) {
    struct Case {
        QStringList option;
        int status;
        const char* words;
    };
    const Case cases[] = {
        {{QStringLiteral("--units"), QStringLiteral("cm")}, 2, "the units are mm or in, not cm"},
        {{QStringLiteral("--conductor-diameter"), QStringLiteral("0")},
         1,
         "the conductor diameter must be a positive number of millimetres, not \"0\""},
        {{QStringLiteral("--conductor-diameter"), QStringLiteral("thick")},
         1,
         "the conductor diameter must be a positive number of millimetres, not \"thick\""},
        {{QStringLiteral("--z0"), QStringLiteral("-50")},
         1,
         "the line's impedance (--z0) must be a positive number of ohms, not \"-50\""},
    };
    for (const Case& c : cases) {
        const DimsRun run =
            RunDims(QStringList{QStringLiteral("--sheet"), QStringLiteral("OneTurn"),
                                QStringLiteral("137.50")} +
                    c.option + QStringList{QStringLiteral("-o"), Output()});
        EXPECT_EQ(run.status, c.status) << c.words;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.words))) << run.err.toStdString();
        EXPECT_TRUE(Files().isEmpty()) << c.words;
    }
}

TEST_F(DimsSheet, RefusesAMastOutsideTheWindowsRangeAndNamesTheRange) {
    for (const char* diameter : {"0.001", "0.99", "500.5", "1e6", "-32", "-.5"}) {
        const DimsRun run =
            RunDims({QStringLiteral("--sheet"), QStringLiteral("OneTurn"), QStringLiteral("137.50"),
                     QStringLiteral("--mast-diameter"), QString::fromLatin1(diameter),
                     QStringLiteral("-o"), Output()});
        EXPECT_EQ(run.status, 1) << diameter;
        EXPECT_TRUE(run.err.contains(QStringLiteral("the mast diameter must be from 1 to 500 mm")))
            << run.err.toStdString();
        EXPECT_TRUE(Files().isEmpty()) << diameter;
    }
    // The thinnest mast, in the 0.71 mm tube's holes of 1 TURN at 1691 MHz.
    const DimsRun smallest = RunDims({QStringLiteral("--sheet"), QStringLiteral("OneTurn"),
                                      QStringLiteral("1691"), QStringLiteral("--mast-diameter"),
                                      QStringLiteral("1"), QStringLiteral("-o"), Output()});
    EXPECT_EQ(smallest.status, 0) << smallest.err.toStdString();
    const auto pages = zandrel::test_support::ReadPdf(Output());
    ASSERT_FALSE(pages.empty());
    EXPECT_TRUE(PageText(pages[0]).contains(QStringLiteral("Mast outside diameter 1 mm")));
}

TEST_F(DimsSheet, TakesANegativeFrequencyAfterTheEndOfTheOptions) {
    const DimsRun run =
        RunDims({QStringLiteral("--sheet"), QStringLiteral("OneTurn"), QStringLiteral("-o"),
                 Output(), QStringLiteral("--"), QStringLiteral("-137.5")});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("at -137.5 MHz the TubeDiameter is -8.73 mm")))
        << run.err.toStdString();
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(RunDims({QStringLiteral("--sheet"), QStringLiteral("-o"), Output(),
                       QStringLiteral("--"), QStringLiteral("OneTurn"), QStringLiteral("137.5")})
                  .status,
              0);
    EXPECT_EQ(Files(), QStringList{QStringLiteral("sheet.pdf")});
}

TEST_F(DimsSheet, ExitsWithTwoOnAUsageError) {
    const QString out = Output();
    const QStringList cases[] = {
        {QStringLiteral("--sheet"), QStringLiteral("QuarterTurn"), QStringLiteral("137.5")},
        {QStringLiteral("--sheet"), QStringLiteral("Quarter"), QStringLiteral("137.5"),
         QStringLiteral("-o"), out},
        {QStringLiteral("--sheet"), QStringLiteral("137.5"), QStringLiteral("-o"), out},
        {QStringLiteral("--sheet"), QStringLiteral("OneTurn"), QStringLiteral("137.5"),
         QStringLiteral("--paper"), QStringLiteral("a3"), QStringLiteral("-o"), out},
        {QStringLiteral("--sheet"), QStringLiteral("OneTurn"), QStringLiteral("137.5"),
         QStringLiteral("--rhcp"), QStringLiteral("-o"), out},
        {QStringLiteral("--sheet"), QStringLiteral("OneTurn"), QStringLiteral("137.5"),
         QStringLiteral("-o")},
    };
    for (const QStringList& arguments : cases) {
        const DimsRun run = RunDims(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("usage: zandrel2-dims --sheet")));
    }
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(RunDims({QStringLiteral("--sheet"), QStringLiteral("--help")}).status, 0);
}

// A signal that asks zandrel2-dims --sheet to end while nec2c runs, with or without --tuned.
struct EndingSignal {
    int Signal;
    int Status;
    bool Tuned;
};

class DimsSheetStopped : public testing::TestWithParam<EndingSignal> {};

TEST_P(DimsSheetStopped, StopsItsRunLeavesNoFolderNorSheetAndExitsWith128PlusTheSignal) {
    zandrel::test_support::StandInEngine engine(zandrel::test_support::HangingEngine);
    const QTemporaryDir runs;
    const QTemporaryDir output;
    const QTemporaryDir session;  // Qt's runtime folder, kept out of the runs' folder
    const std::string pdf = output.filePath(QStringLiteral("qfh.pdf")).toStdString();
    std::vector<std::string> words = {ZANDREL2_DIMS, "--sheet", "OneTurn", "137.50", "-o", pdf};
    if (GetParam().Tuned) {
        words.emplace_back("--tuned");
    }
    const pid_t dims = zandrel::test_support::SpawnQuietly(
        words, {"PATH=" + engine.Folder().string(), "TMPDIR=" + runs.path().toStdString(),
                "XDG_RUNTIME_DIR=" + session.path().toStdString()});
    ASSERT_GT(dims, 0);

    // The engine and the child it started are running, in a folder of the run's.
    EXPECT_GE(engine.WaitForStarts(2, std::chrono::seconds(20)).size(), 2u);
    EXPECT_FALSE(QDir(runs.path()).isEmpty());
    EXPECT_EQ(zandrel::test_support::ExitStatusAfter(dims, GetParam().Signal,
                                                     std::chrono::seconds(20)),
              GetParam().Status);
    EXPECT_TRUE(engine.StillRunning(std::chrono::seconds(5)).empty())
        << "the stand-in nec2c is still running";
    EXPECT_TRUE(QDir(runs.path()).isEmpty())
        << QDir(runs.path())
               .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
               .join(' ')
               .toStdString();
    EXPECT_TRUE(QDir(output.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, DimsSheetStopped,
                         testing::Values(EndingSignal{SIGTERM, 143, false},
                                         EndingSignal{SIGINT, 130, true}),
                         [](const testing::TestParamInfo<EndingSignal>& tested) {
                             return std::string(sigabbrev_np(tested.param.Signal)) +
                                    (tested.param.Tuned ? "WhileTuning" : "WhileModelling");
                         });

}  // namespace
