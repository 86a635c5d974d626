// The model window as a user meets it, loaded from its module: rows filling in as nec2c
// finishes, the plots, the polarisation, line and conductor choices, the deck, one window at a
// time, every error as a report in plain words, the keyboard, a laptop's screen and the choices
// it remembers; tuning, a measurement laid over the model with its trim (from a file or from a
// NanoVNA of the tests' own), and the model's Touchstone file.
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPolarChart>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolTip>
#include <QValueAxis>
#include <QtTest>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <utility>
#include <vector>

#include "fake_nanovna.h"
#include "forms.h"
#include "forms_error.h"
#include "loop_tuning.h"
#include "main_window.h"
#include "model_runner.h"
#include "model_texts.h"
#include "nec2c_engine.h"
#include "nec_deck.h"
#include "one_port.h"
#include "resonance_sensitivity.h"
#include "scaled_models.h"
#include "sheet_window_module.h"
#include "stand_in_engine.h"
#include "tune_texts.h"
#include "window_modules.h"

using zandrel::Polarisation;

namespace {

constexpr int NecLimitMs = 120000;
const QString Modelling = QStringLiteral("modelling...");

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The rows zandrel2-dims --model prints, from a runner of the test's own: the INFO table's
// columns, the phasing and the match to the line, then how far each loop may be off, found in
// nec2c as the command line finds its sensitivity. Empty, with the reason as a warning, when a
// style was not modelled in time.
std::vector<QStringList> CommandLineRows(const std::string& frequency, Polarisation sense,
                                         const zandrel::ModelSettings& settings = {}) {
    zandrel::ModelRunner runner;
    runner.Start(frequency, sense, settings);
    const QDeadlineTimer deadline(NecLimitMs);
    while (runner.IsRunning() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    std::vector<QStringList> rows;
    for (const zandrel::StyleModel& model : runner.Models()) {
        if (!model.Figures) {
            qWarning("%s was not modelled: %s", qPrintable(Text(model.Style->Name)),
                     model.Error ? model.Error->Detail().c_str() : "nec2c did not finish in time");
            return {};
        }
        const zandrel::ModelFigures& figures = *model.Figures;
        QStringList row{Text(model.Style->Caption)};
        for (const std::string& text : zandrel::FigureTexts(figures, sense)) {
            row << QString::fromStdString(text);
        }
        row << QString::fromStdString(zandrel::PhasingText(figures.Phasing));
        for (const std::string& text : zandrel::LineMatchTexts(figures)) {
            row << QString::fromStdString(text);
        }
        const zandrel::ResonanceSensitivity sensitivity = zandrel::ComputeResonanceSensitivity(
            {model.Style, frequency, sense, settings.Geometry.ConductorDiameterMm, {}}, figures,
            zandrel::Nec2cEvaluator());
        for (const std::optional<double>& slope :
             {sensitivity.SmallMHzPerMm, sensitivity.LargeMHzPerMm}) {
            row << QString::fromStdString(
                zandrel::ResonanceToleranceText(slope, figures.ResonanceMHz));
        }
        rows.push_back(row);
    }
    return rows;
}

zandrel::ModelSettings LineOf(double z0Ohm) {
    zandrel::ModelSettings settings;
    settings.Line.Z0Ohm = z0Ohm;
    return settings;
}

void WriteScript(const QString& path, const QByteArray& text) {
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(text);
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

}  // namespace

class ModelWindowTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir scratch_;   // the test's own files, outside the runs' folder
    QTemporaryDir settings_;  // the remembered choices, instead of the user's
    QTemporaryDir runsFolder_;
    QByteArray savedTmp_;
    QByteArray savedPath_;
    QString nec2c_;

    // The model window while it is loaded.
    static QWidget* LoadedWindow() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("ModelWindow")) {
                return window;
            }
        }
        return nullptr;
    }
    static QWidget& Window() {
        QWidget* window = LoadedWindow();
        if (window == nullptr) {
            qFatal("the model window is not loaded");
        }
        return *window;
    }
    template <typename T>
    static T* Find(const char* name) {
        T* control = Window().findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) {
            qFatal("no control %s", name);
        }
        return control;
    }
    static QTableView* Table() { return Find<QTableView>("modelTable"); }
    static QAbstractItemModel* Rows() { return Table()->model(); }
    static QString Cell(int row, int column, int role = Qt::DisplayRole) {
        return Rows()->index(row, column).data(role).toString();
    }
    static QString Header(int column, int role = Qt::DisplayRole) {
        return Rows()->headerData(column, Qt::Horizontal, role).toString();
    }
    static int CurrentRow() { return Table()->currentIndex().row(); }
    static QProgressBar* Progress() { return Find<QProgressBar>("progressBar"); }
    static QMessageBox* Report() {
        return Window().findChild<QMessageBox*>(QLatin1String(zandrel::RuntimeErrorReportName));
    }
    // Whether the report is in plain words, with the error's number and message only behind
    // its details.
    static bool ReportsInWords(int number, const QString& message) {
        const QString text = Report() != nullptr ? Report()->text() : QString();
        return Report() != nullptr &&
               !text.contains(QStringLiteral("error %1").arg(number), Qt::CaseInsensitive) &&
               !text.contains(QStringLiteral("'%1'").arg(number)) &&
               Report()->detailedText().startsWith(
                   QStringLiteral("Error %1: %2").arg(number).arg(message));
    }
    static QStringList RowTexts(int row) {
        QStringList texts;
        for (int column = 0; column < Rows()->columnCount(); ++column) {
            texts << Cell(row, column);
        }
        return texts;
    }
    static int FilledRows() {
        int filled = 0;
        for (int row = 0; row < Rows()->rowCount(); ++row) {
            filled += Cell(row, 1) != Modelling ? 1 : 0;
        }
        return filled;
    }
    static QStringList Headers() {
        QStringList headers;
        for (int column = 0; column < Rows()->columnCount(); ++column) {
            headers << Header(column);
        }
        return headers;
    }
    static QLineSeries* SweepCurve(const QString& name) {
        for (QAbstractSeries* series : Find<QChartView>("sweepView")->chart()->series()) {
            if (series->name() == name) {
                return qobject_cast<QLineSeries*>(series);
            }
        }
        return nullptr;
    }
    // The value a sweep curve shows at a frequency nec2c computed.
    static double SweepValueAt(const QLineSeries& curve, double frequencyMHz) {
        for (const QPointF& point : curve.points()) {
            if (std::fabs(point.x() - frequencyMHz) < 1e-9 * frequencyMHz) {
                return point.y();
            }
        }
        qFatal("no point at %g MHz on %s", frequencyMHz, qPrintable(curve.name()));
    }
    // Waits until every row shows what the command line's functions give, the loops' lengths
    // included, which follow the rows.
    static void WaitForRows(const std::vector<QStringList>& expected) {
        QCOMPARE(expected.size(), std::size_t{6});
        for (int row = 0; row < 6; ++row) {
            QTRY_COMPARE_WITH_TIMEOUT(RowTexts(row), expected[static_cast<std::size_t>(row)],
                                      NecLimitMs);
        }
    }
    static void Choose(const char* box, double value) {
        Find<QDoubleSpinBox>(box)->setValue(value);
        QCOMPARE(Find<QDoubleSpinBox>(box)->value(), value);
    }
    // The gain a pattern curve shows at the zenith.
    static double ZenithOf(const QString& curve) {
        for (QAbstractSeries* series : Find<QChartView>("patternView")->chart()->series()) {
            if (series->name() == curve) {
                return qobject_cast<QLineSeries*>(series)->at(0).y();
            }
        }
        qFatal("no curve %s", qPrintable(curve));
    }
    QStringList LeftInRunsFolder() const {
        return QDir(runsFolder_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }
    // A PATH of the test's own: the given programs linked or written into a private folder.
    QString PrivateBin(const char* name) {
        const QString bin = scratch_.filePath(QString::fromLatin1(name));
        QDir().mkpath(bin);
        qputenv("PATH", bin.toUtf8());
        return bin;
    }
    void LinkNec2c(const QString& bin) const {
        QVERIFY(QFile::link(nec2c_, bin + QStringLiteral("/nec2c")));
    }
    static void WaitForAllRows() {
        QTRY_COMPARE_WITH_TIMEOUT(Progress()->value(), Progress()->maximum(), NecLimitMs);
    }
    // Every text the window shows: its rows, its plots' titles, its captions and its report.
    static QStringList ShownTexts() {
        QStringList texts;
        for (int row = 0; row < Rows()->rowCount(); ++row) {
            texts << RowTexts(row);
        }
        for (const char* view : {"patternView", "sweepView"}) {
            texts << Find<QChartView>(view)->chart()->title();
        }
        texts << Window().windowTitle() << Progress()->text()
              << Find<QLabel>("selectionCaption")->text();
        if (Report() != nullptr) {
            texts << Report()->text() << Report()->informativeText();
        }
        return texts;
    }

    // The tool tip on show, if any.
    static QWidget* VisibleToolTip() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->inherits("QTipLabel") && window->isVisible()) {
                return window;
            }
        }
        return nullptr;
    }
    // Waits for the work in the background to end: Tune comes back when it has.
    static void WaitForWork() {
        QTRY_VERIFY_WITH_TIMEOUT(Find<QPushButton>("tuneButton")->isEnabled(), NecLimitMs);
    }
    // Presses the button and chooses the file in the dialog it opens.
    static void ChooseFile(const char* button, const char* dialogName, const QString& path) {
        QTest::mouseClick(Find<QAbstractButton>(button), Qt::LeftButton);
        auto* dialog = Window().findChild<QFileDialog*>(QString::fromLatin1(dialogName));
        QVERIFY(dialog != nullptr);
        emit dialog->fileSelected(path);
        dialog->close();
    }
    // Opens a measurement file and waits until the window has read it.
    static void OpenMeasurement(const QString& path) {
        ChooseFile("openMeasurementButton", "openMeasurementDialog", path);
        QTRY_VERIFY(!Find<QLabel>("workStatus")->text().startsWith("Reading "));
    }
    // The points of each sweep curve, by name.
    static QMap<QString, int> SweepCurves() {
        QMap<QString, int> curves;
        for (QAbstractSeries* series : Find<QChartView>("sweepView")->chart()->series()) {
            curves[series->name()] = qobject_cast<QXYSeries*>(series)->count();
        }
        return curves;
    }
    // The labels of the sweep plot's legend, of its visible entries, as the series name them and
    // as the legend draws them: cut short where the legend lacks room for them.
    static std::pair<QStringList, QStringList> LegendLabels() {
        QLegend& legend = *Find<QChartView>("sweepView")->chart()->legend();
        QStringList named;
        for (const QLegendMarker* marker : legend.markers()) {
            if (marker->isVisible()) {
                named << marker->label();
            }
        }
        QStringList drawn;
        QList<QGraphicsItem*> items = legend.childItems();
        while (!items.isEmpty()) {
            QGraphicsItem* item = items.takeLast();
            items << item->childItems();
            const auto* text = qgraphicsitem_cast<QGraphicsTextItem*>(item);
            if (text != nullptr && text->isVisible()) {
                drawn << text->toPlainText();
            }
        }
        named.sort();
        drawn.sort();
        return {named, drawn};
    }
    // A VNA's file of 1/2 TURN .44 TALL built with the loops scaled so: the model's S11 over
    // the design frequency +-10 % on 50 ohm.
    QString BuiltMeasurementFile(zandrel::LoopScales built,
                                 zandrel::FedLoops fed = zandrel::FedLoops::Both) const {
        const zandrel::Measurement measured =
            zandrel::ModelMeasurement(TallDesign(), built, zandrel::SpreadFrequencies(137.5), 50.0,
                                      zandrel::Nec2cEvaluator(), fed);
        const QString path =
            scratch_.filePath(fed == zandrel::FedLoops::Both ? QStringLiteral("built.s1p")
                                                             : QStringLiteral("alone.s1p"));
        zandrel::WriteTouchstoneFile(path.toStdString(), measured);
        return path;
    }
    // 1/2 TURN .44 TALL at 137.50 MHz, as the tests below model it themselves.
    static zandrel::LoopDesign TallDesign() {
        return {&zandrel::Styles[3], "137.50", Polarisation::Rhcp, std::nullopt, {}};
    }
    // The window at 137.50 MHz with every style modelled, the loops' lengths too, and 1/2 TURN
    // .44 TALL chosen.
    static void ShowTallModelled() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        WaitForAllRows();
        for (int row = 0; row < 6; ++row) {
            QTRY_VERIFY_WITH_TIMEOUT(!RowTexts(row).contains(Modelling), NecLimitMs);
        }
        Table()->selectRow(3);
    }
  private slots:
    void initTestCase() {
        zandrel::InstallRuntimeDefaults(*qApp);
        QVERIFY(scratch_.isValid());
        QVERIFY(runsFolder_.isValid());
        savedTmp_ = qgetenv("TMPDIR");
        savedPath_ = qgetenv("PATH");
        nec2c_ = QStandardPaths::findExecutable(QStringLiteral("nec2c"));
        QVERIFY2(!nec2c_.isEmpty(), "nec2c is not installed");
        qputenv("TMPDIR", runsFolder_.path().toUtf8());
        // As the program names itself, with its settings in a folder of the test's own.
        QVERIFY(settings_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        QCoreApplication::setOrganizationName(QStringLiteral("zandrel2"));
        QCoreApplication::setApplicationName(QStringLiteral("zandrel2"));
    }
    void cleanupTestCase() {
        qputenv("TMPDIR", savedTmp_);
        qputenv("PATH", savedPath_);
    }
    void cleanup() {
        if (LoadedWindow() != nullptr) {
            Window().close();
            QTRY_VERIFY(LoadedWindow() == nullptr);
        }
        qputenv("PATH", savedPath_);
        QVERIFY2(LeftInRunsFolder().isEmpty(), qPrintable(LeftInRunsFolder().join(' ')));
        QSettings().clear();  // every test opens the window as a first-time user does
    }

    void rowsFillInAsStylesFinishWithTheCommandLinesTexts() {
        const std::vector<QStringList> expected = CommandLineRows("137.50", Polarisation::Rhcp);
        QCOMPARE(expected.size(), std::size_t{6});

        // Without xnec2c on the PATH, its button is not offered.
        LinkNec2c(PrivateBin("bin-nec2c-only"));
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QCOMPARE(Window().windowTitle(), QString("NEC-2 model at 137.50 MHz"));
        QVERIFY(Find<QAbstractButton>("openInXnec2cButton")->isHidden());
        QCOMPARE(Progress()->value(), 0);
        QCOMPARE(FilledRows(), 0);
        QCOMPARE(Headers(),
                 QStringList({"STYLE", "OHMS", "MATCHING", "OVERHEAD GAIN (RHCP)",
                              "GAIN AT HORIZON (RHCP)", "2:1 BANDWIDTH", "RESONANCE",
                              "FRONT-TO-BACK", "AXIAL RATIO", "PHASING", "SWR ON 50 OHM",
                              "L-NETWORK TO 50 OHM", "2:1 BAND ON 50 OHM", "QUARTER-WAVE TO 50 OHM",
                              "SMALL LOOP LENGTH", "LARGE LOOP LENGTH"}));
        // Every header says what its figure is.
        for (int column = 0; column < Rows()->columnCount(); ++column) {
            QVERIFY2(!Header(column, Qt::ToolTipRole).isEmpty(), qPrintable(Headers().at(column)));
        }

        // Each step of the progress bar comes with one more row filled in, and its words count
        // the styles modelled.
        std::vector<std::pair<int, int>> steps;
        QStringList words;
        const QMetaObject::Connection stepping =
            connect(Progress(), &QProgressBar::valueChanged, this, [&steps, &words](int done) {
                steps.emplace_back(done, FilledRows());
                words << Progress()->text();
            });
        WaitForAllRows();
        disconnect(stepping);
        QCOMPARE(steps.size(), std::size_t{6});
        for (std::size_t i = 0; i < steps.size(); ++i) {
            QCOMPARE(steps[i].first, static_cast<int>(i) + 1);
            QCOMPARE(steps[i].second, steps[i].first);
        }
        QCOMPARE(Progress()->text(), QString("6 of 6 styles modelled"));
        WaitForRows(expected);
        // The RCA style has no resonance in the sweep, so no length keeps it.
        QCOMPARE(RowTexts(1).at(15), QString("no resonance in the sweep"));

        // The selected style's plots: four pattern cuts, and R, X and both SWRs at every
        // frequency.
        Table()->selectRow(2);
        const QList<QAbstractSeries*> cuts = Find<QChartView>("patternView")->chart()->series();
        QCOMPARE(cuts.size(), 4);
        QVERIFY(Find<QChartView>("patternView")->chart()->title().contains("1/2 TURN .3 TALL"));
        for (const char* name : {"R", "X", "SWR on 50 \u03A9", "SWR on R"}) {
            const QLineSeries* curve = SweepCurve(QString::fromUtf8(name));
            QVERIFY2(curve != nullptr, name);
            QCOMPARE(curve->count(), static_cast<int>(zandrel::SweepFrequencies(137.5).size()));
        }
        QVERIFY(Report() == nullptr);
    }

    void closingMidRunStopsTheRunsAndLeavesNoTemporaryFolder() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QVERIFY(Progress()->value() < Progress()->maximum());
        // The runs' folders exist meanwhile, as soon as their threads have made them.
        QTRY_VERIFY(!LeftInRunsFolder().isEmpty());
        Window().close();
        QVERIFY2(LeftInRunsFolder().isEmpty(), qPrintable(LeftInRunsFolder().join(' ')));
        QTRY_VERIFY(LoadedWindow() == nullptr);
    }

    void closingMidRunKillsAnEngineThatIgnoresSignalsAndWhatItStarted() {
        zandrel::test_support::StandInEngine engine(zandrel::test_support::HangingEngine,
                                                    scratch_.path().toStdString());
        qputenv("PATH", QByteArray::fromStdString(engine.Folder().string()));
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QVERIFY(engine.WaitForStarts(2, std::chrono::seconds(20)).size() >= 2);
        Window().close();
        for (const pid_t pid : engine.WaitForStarts(0, std::chrono::milliseconds(0))) {
            QVERIFY2(zandrel::test_support::EndsWithin(pid, std::chrono::seconds(5)),
                     qPrintable(QStringLiteral("process %1 of the stand-in is running").arg(pid)));
        }
        QVERIFY2(LeftInRunsFolder().isEmpty(), qPrintable(LeftInRunsFolder().join(' ')));
        QTRY_VERIFY(LoadedWindow() == nullptr);
    }

    void theLhcpChoiceRemodelsTheMirrorImage() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        WaitForAllRows();
        const QString impedance = RowTexts(1).at(1);
        QVERIFY(ZenithOf("RHCP \u03C6 0\u00B0") > ZenithOf("LHCP \u03C6 0\u00B0"));

        QTest::mouseClick(Find<QRadioButton>("lhcpButton"), Qt::LeftButton);
        QCOMPARE(Progress()->value(), 0);
        QCOMPARE(FilledRows(), 0);
        WaitForAllRows();
        QVERIFY(ZenithOf("LHCP \u03C6 0\u00B0") > ZenithOf("RHCP \u03C6 0\u00B0"));
        QCOMPARE(RowTexts(1).at(1), impedance);
        // The gain columns say which hand they show, and show the LHCP antenna's own gain.
        QCOMPARE(Header(3), QString("OVERHEAD GAIN (LHCP)"));
        QCOMPARE(Header(4), QString("GAIN AT HORIZON (LHCP)"));
        const std::vector<QStringList> left = CommandLineRows("137.50", Polarisation::Lhcp);
        QCOMPARE(left.size(), std::size_t{6});
        QTRY_COMPARE_WITH_TIMEOUT(RowTexts(1), left[1], NecLimitMs);
        QVERIFY(Report() == nullptr);
    }

    void oneWindowAtATimeAskingAgainRemodelsAndComesToTheFront() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);

        zandrel::ShowModelWindow(QStringLiteral("145.80"));
        int modelWindows = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            modelWindows += window->inherits("zandrel::ModelWindow") ? 1 : 0;
        }
        QCOMPARE(modelWindows, 1);
        QCOMPARE(Window().windowTitle(), QString("NEC-2 model at 145.80 MHz"));
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        WaitForAllRows();
        const std::vector<QStringList> expected = CommandLineRows("145.80", Polarisation::Rhcp);
        QCOMPARE(expected.size(), std::size_t{6});
        QTRY_COMPARE_WITH_TIMEOUT(RowTexts(4), expected[4], NecLimitMs);
    }

    // The line's impedance names the match's columns and the sweep's SWR, and the match is made
    // to it: through its L-network every style sees SWR 1 at the design frequency.
    // Each number field keeps what is typed: a value outside its range stays as typed and is
    // explained under the field, whether Tab or Enter leaves it, and the model stays as it was
    // until the text is corrected.
    void aTypedValueOutsideItsRangeIsKeptExplainedAndTheModelStays_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("leavingKey");
        QTest::addColumn<QString>("explained");
        QTest::newRow("a line of 1500 ohm, left with Tab")
            << "z0Box"
            << "1500" << int(Qt::Key_Tab)
            << "Line Z0: 1500 ohm is outside 1.0 to 1000.0 ohm. Type a value in that range; "
               "until then 50.0 ohm is used.";
        QTest::newRow("a line of 0 ohm, left with Enter")
            << "z0Box"
            << "0" << int(Qt::Key_Return)
            << "Line Z0: 0 ohm is outside 1.0 to 1000.0 ohm. Type a value in that range; until "
               "then 50.0 ohm is used.";
        QTest::newRow("a 999 mm tube, left with Tab")
            << "conductorDiameterBox"
            << "999" << int(Qt::Key_Tab)
            << "Tube or wire: 999 mm is outside 0.00 to 200.00 mm. Type a value in that range; "
               "until then the calculator's tube is used.";
        QTest::newRow("a satellite at 99999 km, left with Enter")
            << "altitudeBox"
            << "99999" << int(Qt::Key_Return)
            << "Satellite's altitude: 99999 km is outside 150 to 36000 km. Type a value in that "
               "range; until then 850 km is used.";
    }
    void aTypedValueOutsideItsRangeIsKeptExplainedAndTheModelStays() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, leavingKey);
        QFETCH(QString, explained);
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        WaitForAllRows();
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        auto* pages =
            qobject_cast<QTabWidget*>(Find<QWidget>("passTab")->parentWidget()->parentWidget());
        QVERIFY(pages != nullptr);
        pages->setCurrentWidget(Find<QWidget>("passTab"));
        auto* box = Find<QDoubleSpinBox>(qPrintable(field));
        auto* note = Find<QLabel>(qPrintable(field + QStringLiteral("Note")));
        QVERIFY(note->isHidden());
        const double before = box->value();
        const QStringList headers = Headers();
        const QStringList row = RowTexts(3);
        QSignalSpy remodelled(Progress(), &QProgressBar::valueChanged);

        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, static_cast<Qt::Key>(leavingKey));
        QCOMPARE(box->cleanText(), typed);
        QCOMPARE(box->value(), before);
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(), explained);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(box->cleanText(), typed);
        QVERIFY(note->isVisible());
        // Nothing was modelled again.
        QCOMPARE(remodelled.count(), 0);
        QCOMPARE(Headers(), headers);
        QCOMPARE(RowTexts(3), row);
        QVERIFY(Report() == nullptr);

        // Corrected, the value is taken and the note goes.
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QString::number(before));
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(note->isHidden());
        QCOMPARE(box->value(), before);
    }

    // The line, the tube, the hand and the style are the same in the model and sheet windows:
    // a change in either shows at once in the other, which works with it.
    void theSharedChoicesFollowEachOtherBetweenTheModelAndSheetWindows() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        WaitForAllRows();
        QPointer<QWidget> sheet =
            &zandrel::LoadConstructionSheetWindowModule().ShowConstructionSheetWindow(
                QStringLiteral("137.50"));
        auto* sheetZ0 = sheet->findChild<QDoubleSpinBox*>(QStringLiteral("z0Box"));
        auto* sheetMatch = sheet->findChild<QLabel*>(QStringLiteral("matchValue"));
        QVERIFY(sheetZ0 != nullptr && sheetMatch != nullptr);
        QCOMPARE(sheetZ0->value(), 50.0);

        Choose("z0Box", 75.0);
        QTRY_COMPARE(sheetZ0->value(), 75.0);
        QTRY_VERIFY2(sheetMatch->text().startsWith(QStringLiteral("to 75 ohm")),
                     qPrintable(sheetMatch->text()));
        WaitForAllRows();

        sheetZ0->setValue(93.0);
        QTRY_COMPARE(Find<QDoubleSpinBox>("z0Box")->value(), 93.0);
        QTRY_COMPARE(Headers().at(10), QStringLiteral("SWR ON 93 OHM"));
        WaitForAllRows();

        sheet->findChild<QDoubleSpinBox*>(QStringLiteral("conductorDiameterBox"))->setValue(6.0);
        QTRY_COMPARE(Find<QDoubleSpinBox>("conductorDiameterBox")->value(), 6.0);
        zandrel::ModelSettings six;
        six.Geometry.ConductorDiameterMm = 6.0;
        six.Line.Z0Ohm = 93.0;
        WaitForRows(CommandLineRows("137.50", Polarisation::Rhcp, six));
        Choose("conductorDiameterBox", 0.0);
        QTRY_COMPARE(
            sheet->findChild<QDoubleSpinBox*>(QStringLiteral("conductorDiameterBox"))->value(),
            0.0);
        WaitForAllRows();

        sheet->findChild<QComboBox*>(QStringLiteral("polarisationBox"))->setCurrentIndex(1);
        QTRY_VERIFY(Find<QRadioButton>("lhcpButton")->isChecked());
        sheet->findChild<QComboBox*>(QStringLiteral("styleBox"))->setCurrentIndex(3);
        QTRY_COMPARE(CurrentRow(), 3);
        Table()->selectRow(1);
        QTRY_COMPARE(sheet->findChild<QComboBox*>(QStringLiteral("styleBox"))->currentIndex(), 1);
        WaitForAllRows();
        QVERIFY(Report() == nullptr);
        sheet->close();
        QTRY_VERIFY(sheet.isNull());
    }

    void aLineOf75OhmRenamesTheMatchAndMatchesToIt() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        WaitForAllRows();
        const QString fiftyOhmSwr = RowTexts(0).at(10);
        Choose("z0Box", 75.0);
        QCOMPARE(FilledRows(), 0);  // modelled again
        WaitForAllRows();
        QCOMPARE(Headers().mid(10, 4),
                 QStringList({"SWR ON 75 OHM", "L-NETWORK TO 75 OHM", "2:1 BAND ON 75 OHM",
                              "QUARTER-WAVE TO 75 OHM"}));
        QVERIFY(Header(10, Qt::ToolTipRole).contains("75 ohm"));
        WaitForRows(CommandLineRows("137.50", Polarisation::Rhcp, LineOf(75.0)));
        QVERIFY(RowTexts(0).at(10) != fiftyOhmSwr);

        for (int row = 0; row < 6; ++row) {
            Table()->selectRow(row);
            const QLineSeries* matched = SweepCurve(QString::fromUtf8("SWR on 75 \u03A9"));
            QVERIFY(matched != nullptr);
            QCOMPARE(QString::number(SweepValueAt(*matched, 137.5), 'f', 2), QString("1.00"));
        }
        const auto* swrAxis = qobject_cast<QValueAxis*>(
            Find<QChartView>("sweepView")->chart()->axes(Qt::Vertical).value(1));
        QVERIFY(swrAxis != nullptr);
        QCOMPARE(swrAxis->titleText(), QString::fromUtf8("SWR on 75 \u03A9, L-network fitted"));
        QVERIFY(Report() == nullptr);
    }

    // The builder's tube or wire is every wire of the model: the saved deck's radii are half
    // its diameter, and the rows are its model's.
    void theBuildersTubeOrWireIsModelled() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        Choose("conductorDiameterBox", 6.0);
        zandrel::ModelSettings six;
        six.Geometry.ConductorDiameterMm = 6.0;
        WaitForRows(CommandLineRows("137.50", Polarisation::Rhcp, six));

        Table()->selectRow(3);
        QTest::mouseClick(Find<QAbstractButton>("saveDeckButton"), Qt::LeftButton);
        auto* dialog = Window().findChild<QFileDialog*>("saveDeckDialog");
        QVERIFY(dialog != nullptr);
        const QString path = scratch_.filePath(QStringLiteral("six-mm.nec"));
        emit dialog->fileSelected(path);
        dialog->close();
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
        int wires = 0;
        for (const QString& line : QString::fromUtf8(saved.readAll()).split('\n')) {
            const QStringList fields = line.simplified().split(' ');
            if (fields.value(0) == QLatin1String("GW")) {
                QCOMPARE(fields.size(), 10);
                QCOMPARE(fields.at(9).toDouble(), 0.003);  // metres
                ++wires;
            }
        }
        QVERIFY(wires > 0);
        QVERIFY(Report() == nullptr);
    }

    // Thicker than every style's smaller loop's radius (110 to 170 mm at 137.50 MHz): each row
    // and the report say that the tube or wire is what cannot be modelled.
    void aTubeOrWireThatDoesNotFitIsRefusedInPlainWords() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        Choose("conductorDiameterBox", 200.0);
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY2(ReportsInWords(1005, "No NEC-2 model can be built for these dimensions"),
                 qPrintable(Report()->detailedText()));
        QCOMPARE(Report()->text(),
                 QString("1/4 TURN .3 HIGH cannot be modelled with a tube or wire of 200 mm: the "
                         "conductor diameter 200.00 mm must be smaller than the smaller loop's "
                         "radius 138.00 mm.\nNo style was modelled."));
        for (int row = 0; row < 6; ++row) {
            const QString words = RowTexts(row).at(1);
            QVERIFY2(words.startsWith(Text(zandrel::Styles[static_cast<std::size_t>(row)].Caption) +
                                      " cannot be modelled with a tube or wire of 200 mm"),
                     qPrintable(words));
        }
        QCOMPARE(Progress()->text(), QString("0 of 6 styles modelled"));
    }

    void theSelectedDeckIsSavedAndAnUnwritablePathIsReported() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        WaitForAllRows();
        Table()->selectRow(3);
        const auto save = [](const QString& path) {
            QTest::mouseClick(Find<QAbstractButton>("saveDeckButton"), Qt::LeftButton);
            auto* dialog = Window().findChild<QFileDialog*>("saveDeckDialog");
            QVERIFY(dialog != nullptr);
            QVERIFY(dialog->selectedFiles().value(0).endsWith("HalfTurnTall-137.50MHz-RHCP.nec"));
            emit dialog->fileSelected(path);
            dialog->close();
        };

        const QString good = scratch_.filePath(QStringLiteral("tall.nec"));
        save(good);
        QVERIFY(Report() == nullptr);
        QFile saved(good);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const std::string deck = zandrel::WriteNecDeck(
            zandrel::BuildHelixGeometry(zandrel::Styles[3], "137.50", Polarisation::Rhcp));
        QCOMPARE(saved.readAll().toStdString(), deck);

        // A folder that is a file cannot hold the deck, whoever runs the test.
        QFile blocker(scratch_.filePath(QStringLiteral("a-file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString unwritable = blocker.fileName() + QStringLiteral("/tall.nec");
        save(unwritable);
        QMessageBox* report = Report();
        QVERIFY(report != nullptr);
        QVERIFY2(ReportsInWords(1004, "The NEC-2 deck could not be written"),
                 qPrintable(report->detailedText()));
        QVERIFY2(report->text().contains(unwritable), qPrintable(report->text()));
        QVERIFY(report->text().contains("Nothing was written."));
        QCOMPARE(report->informativeText(),
                 QString("Choose a folder you can write to, or another name, and save again."));
        QVERIFY(!QFile::exists(unwritable));
    }

    void openInXnec2cHandsItTheSelectedDeckAndLeavesNoFileBehind() {
        const QString bin = scratch_.filePath(QStringLiteral("bin-viewer"));
        const QString out = scratch_.filePath(QStringLiteral("viewer-out"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(out));
        WriteScript(bin + QStringLiteral("/xnec2c"),
                    QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1/arguments.part'\n"
                                   "/bin/cat \"$2\" > '%1/deck.nec'\n"
                                   "/bin/mv '%1/arguments.part' '%1/arguments'\n")
                        .arg(out)
                        .toUtf8());
        qputenv("PATH", bin.toUtf8() + ':' + savedPath_);

        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        Table()->selectRow(4);
        auto* button = Find<QAbstractButton>("openInXnec2cButton");
        QVERIFY(!button->isHidden());
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out + QStringLiteral("/arguments")), 20000);
        QFile arguments(out + QStringLiteral("/arguments"));
        QVERIFY(arguments.open(QIODevice::ReadOnly));
        const QStringList given = QString::fromUtf8(arguments.readAll()).split('\n');
        QCOMPARE(given.value(0), QString("-i"));
        QVERIFY2(given.value(1).startsWith(runsFolder_.path()), qPrintable(given.value(1)));
        QFile deck(out + QStringLiteral("/deck.nec"));
        QVERIFY(deck.open(QIODevice::ReadOnly));
        QCOMPARE(deck.readAll().toStdString(),
                 zandrel::WriteNecDeck(zandrel::BuildHelixGeometry(zandrel::Styles[4], "137.50",
                                                                   Polarisation::Rhcp)));
        QVERIFY(Report() == nullptr);
        // cleanup() checks that closing the window removes the deck handed to xnec2c.
    }

    void nec2cMissingIsReportedWithItsPackageAndEveryRowSaysSo() {
        PrivateBin("bin-empty");
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QMessageBox* report = Report();
        QVERIFY(report != nullptr);
        QVERIFY2(ReportsInWords(1001,
                                "The NEC-2 engine nec2c is not installed "
                                "(Debian package nec2c)"),
                 qPrintable(report->detailedText()));
        QVERIFY2(report->text().contains("install the Debian package nec2c"),
                 qPrintable(report->text()));
        for (int row = 0; row < 6; ++row) {
            QCOMPARE(RowTexts(row).at(1),
                     QString("The NEC-2 engine nec2c is not installed (Debian package nec2c)."));
        }
        QCOMPARE(Progress()->text(), QString("0 of 6 styles modelled"));
        QVERIFY(!Find<QAbstractButton>("saveDeckButton")->isEnabled());
        QCOMPARE(Find<QChartView>("patternView")->chart()->series().size(), 0);
    }

    // nec2c's own words are kept for the details; the rows and the report say what failed.
    void nec2cFailingIsReportedOnceWithItsWordsInTheDetails_data() {
        QTest::addColumn<QByteArray>("said");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("row");
        QTest::newRow("an error") << QByteArray("GEOMETRY DATA CARD ERROR")
                                  << "Error 1002: The NEC-2 engine nec2c failed"
                                  << "nec2c failed while modelling ";
        QTest::newRow("wires it refuses")
            << QByteArray("SEGMENT DATA ERROR")
            << "Error 1005: No NEC-2 model can be built for these dimensions"
            << "nec2c refused the wires of ";
    }

    void nec2cFailingIsReportedOnceWithItsWordsInTheDetails() {
        QFETCH(QByteArray, said);
        QFETCH(QString, error);
        QFETCH(QString, row);
        const QString bin = PrivateBin("bin-failing");
        WriteScript(bin + QStringLiteral("/nec2c"),
                    "#!/bin/sh\necho ' " + said + "' >&2\nexit 255\n");
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        WaitForAllRows();
        QTRY_VERIFY(Report() != nullptr);
        QCOMPARE(Window().findChildren<QMessageBox*>().size(), 1);
        QVERIFY2(Report()->detailedText().startsWith(error), qPrintable(Report()->detailedText()));
        QVERIFY2(Report()->detailedText().contains(QString::fromLatin1(said)),
                 qPrintable(Report()->detailedText()));
        QVERIFY2(Report()->text().startsWith(row), qPrintable(Report()->text()));
        QVERIFY(Report()->text().endsWith("No style was modelled."));
        for (int index = 0; index < 6; ++index) {
            QVERIFY2(RowTexts(index).at(1).startsWith(row), qPrintable(RowTexts(index).at(1)));
            QVERIFY(Cell(index, 1, Qt::ToolTipRole).contains(QString::fromLatin1(said)));
        }
        QVERIFY(!ShownTexts().join(' ').contains(QString::fromLatin1(said)));
        QCOMPARE(Progress()->text(), QString("0 of 6 styles modelled"));
        QVERIFY(!Find<QAbstractButton>("saveDeckButton")->isEnabled());
        QVERIFY(!Find<QAbstractButton>("openInXnec2cButton")->isEnabled());
    }

    void aRejectedFrequencyIsReportedInComputesWords_data() {
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<int>("number");
        QTest::newRow("not a number") << "137,50" << 13;
        QTest::newRow("a word") << "abc" << 13;
        QTest::newRow("empty") << "" << 13;
        QTest::newRow("zero") << "0" << 11;
        QTest::newRow("too large") << "1E+39" << 6;
        QTest::newRow("too small") << "1e-15" << 6;
    }

    void aRejectedFrequencyIsReportedInComputesWords() {
        QFETCH(QString, frequency);
        QFETCH(int, number);
        zandrel::MainWindow main;
        main.findChild<QLineEdit*>("frequencyBox")->setText(frequency);
        main.findChild<QAbstractButton*>("quarterTurnButton")->click();
        auto* compute =
            main.findChild<QMessageBox*>(QLatin1String(zandrel::RuntimeErrorReportName));
        QVERIFY(compute != nullptr);

        zandrel::ShowModelWindow(frequency);
        QCOMPARE(Window().windowTitle(), frequency.isEmpty()
                                             ? QString("NEC-2 model: no frequency given")
                                             : QString("NEC-2 model at %1 MHz").arg(frequency));
        QTRY_VERIFY(Report() != nullptr);
        // The main window's report keeps its number in its text; this window's words do not.
        QVERIFY(compute->text().contains(QString("'%1'").arg(number)));
        QVERIFY2(ReportsInWords(number, compute->text().section(QStringLiteral("\n\n"), 1)),
                 qPrintable(Report()->detailedText()));
        const QString problem = compute->informativeText().section('\n', 0, 0);
        QCOMPARE(Report()->text().section('\n', 0, 0), problem);
        QCOMPARE(Report()->text().section('\n', 1), QString("No style was modelled."));
        // Every row says it in the same words; nothing claims a model or names a style's plot.
        for (int row = 0; row < 6; ++row) {
            QCOMPARE(RowTexts(row).at(1), problem);
        }
        QCOMPARE(Progress()->text(), QString("0 of 6 styles modelled"));
        for (const char* view : {"patternView", "sweepView"}) {
            const QString title = Find<QChartView>(view)->chart()->title();
            QVERIFY2(!title.contains("TURN"), qPrintable(title));
        }
        QVERIFY(!Find<QAbstractButton>("saveDeckButton")->isEnabled());
    }

    // Far above any satellite band the dimensions round to 0 mm: the model is refused before
    // nec2c sees it, and the window says why in plain words, the same in every row.
    void aFrequencyThatCannotBeModelledIsExplainedWithoutTheEnginesWords() {
        zandrel::ShowModelWindow(QStringLiteral("1E+30"));
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY2(ReportsInWords(1005, "No NEC-2 model can be built for these dimensions"),
                 qPrintable(Report()->detailedText()));
        const QString why = QString::fromUtf8(
            "The frequency \u201C1E+30\u201D cannot be modelled: at this frequency the tube "
            "diameter is 0 mm.");
        QCOMPARE(Report()->text(), why + QString("\nNo style was modelled."));
        for (int row = 0; row < 6; ++row) {
            QCOMPARE(RowTexts(row).at(1), why);
        }
        // Behind the details, the error alone: nec2c never saw the model.
        QVERIFY2(!Report()->detailedText().contains("nec2c"), qPrintable(Report()->detailedText()));
        const QString shown = ShownTexts().join(' ');
        QVERIFY2(!shown.contains("nec2c said") && !shown.contains("SEGMENT DATA ERROR"),
                 qPrintable(shown));
        QCOMPARE(Progress()->text(), QString("0 of 6 styles modelled"));
        for (int row = 0; row < 6; ++row) {
            Table()->selectRow(row);
            QVERIFY(!Find<QAbstractButton>("saveDeckButton")->isEnabled());
            QVERIFY(!Find<QAbstractButton>("openInXnec2cButton")->isEnabled());
        }
    }

    // Tab leaves the table for the buttons (Cancel only while there is work to stop), the arrows
    // still move between its rows, and Escape closes the window as its Close button does.
    void theKeyboardReachesEveryButtonAndEscapeCloses() {
        LinkNec2c(PrivateBin("bin-keyboard"));
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        WaitForAllRows();
        Table()->setFocus();
        QTest::keyClick(Table(), Qt::Key_Down);
        QCOMPARE(CurrentRow(), 1);
        QTest::keyClick(Table(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Find<QWidget>("tuneButton"));
        QList<QWidget*> reached;
        for (int press = 0; press < 16; ++press) {
            reached << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (QPushButton* button : Window().findChildren<QPushButton*>()) {
            if (button->isVisible() && button->isEnabled()) {
                QVERIFY2(reached.contains(button), qPrintable(button->objectName()));
            }
        }
        QVERIFY(reached.contains(Table()));  // and round again

        // The run row's fields are reached by their captions' letters.
        QTest::keyClick(&Window(), Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Find<QWidget>("z0Box"));
        QTest::keyClick(&Window(), Qt::Key_W, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Find<QWidget>("conductorDiameterBox"));
        QTest::keyClick(&Window(), Qt::Key_G, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Find<QWidget>("groundBox"));
        QTest::keyClick(&Window(), Qt::Key_F, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), Find<QWidget>("feedlineBox"));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(LoadedWindow() == nullptr);
    }

    // It opens within a 1366 x 768 screen less a title bar and a panel, and at its smallest
    // every button and the table's header stay whole; with a measurement's advice beside the
    // plots, the sweep's legend names every curve in full at both sizes.
    void itFitsALaptopScreenAndStaysUsableAtItsSmallest() {
        ShowTallModelled();
        QWidget& window = Window();
        // 1366 x 768 less a panel and a window frame with its title bar.
        const QSize room(1300, 640);
        QVERIFY2(room.expandedTo(window.size()) == room,
                 qPrintable(QString("%1x%2").arg(window.width()).arg(window.height())));
        QVERIFY(room.expandedTo(window.minimumSizeHint()) == room);
        // The small loop 1.5 % short and the large one 2 % long, as the measurement test has it.
        OpenMeasurement(BuiltMeasurementFile({0.985, 1.02}));
        WaitForWork();
        QVERIFY(Find<QPlainTextEdit>("adviceText")->isVisible());
        QVERIFY(room.expandedTo(window.size()) == room);
        QVERIFY(room.expandedTo(window.minimumSizeHint()) == room);
        QCOMPARE(LegendLabels().first,
                 QStringList({"R", "SWR bare", "SWR on 50 \u03A9", "X", "measured"}));
        QTRY_COMPARE(LegendLabels().second, LegendLabels().first);
        window.resize(window.minimumSizeHint());
        QTRY_COMPARE(window.size(), window.minimumSizeHint());
        QTRY_COMPARE(LegendLabels().second, LegendLabels().first);
        const QRect inside = window.rect();
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            if (!button->isHidden()) {
                const QRect place(button->mapTo(&window, QPoint(0, 0)), button->size());
                QVERIFY2(inside.contains(place), qPrintable(button->objectName()));
                QVERIFY2(button->width() >= button->sizeHint().width(),
                         qPrintable(button->objectName()));
            }
        }
        // Columns are never cut: narrower than its columns, the table scrolls sideways.
        for (int column = 0; column < Rows()->columnCount(); ++column) {
            QVERIFY(Table()->columnWidth(column) >=
                    static_cast<QAbstractItemView*>(Table())->sizeHintForColumn(column));
        }
        QVERIFY(Table()->horizontalScrollBar()->maximum() > 0);
        QVERIFY(Table()->height() >= Table()->minimumHeight());
    }

    // Polarisation, line, tube or wire and style come back in the next window, even after the
    // program ends.
    void theWindowRemembersItsChoices() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QVERIFY(Find<QRadioButton>("rhcpButton")->isChecked());
        QCOMPARE(Find<QDoubleSpinBox>("z0Box")->value(), 50.0);
        QCOMPARE(Find<QDoubleSpinBox>("conductorDiameterBox")->text(),
                 QString("the calculator's tube"));
        QCOMPARE(CurrentRow(), 0);
        QTest::mouseClick(Find<QRadioButton>("lhcpButton"), Qt::LeftButton);
        Choose("z0Box", 75.0);
        Choose("conductorDiameterBox", 6.0);
        Table()->selectRow(4);
        Window().close();
        QTRY_VERIFY(LoadedWindow() == nullptr);

        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QVERIFY(Find<QRadioButton>("lhcpButton")->isChecked());
        QCOMPARE(Find<QDoubleSpinBox>("z0Box")->value(), 75.0);
        QCOMPARE(Find<QDoubleSpinBox>("conductorDiameterBox")->value(), 6.0);
        QCOMPARE(CurrentRow(), 4);
        QCOMPARE(Header(3), QString("OVERHEAD GAIN (LHCP)"));
        // Where the next run of the program reads them.
        const QSettings stored(settings_.filePath(QStringLiteral("zandrel2/zandrel2.conf")),
                               QSettings::IniFormat);
        QCOMPARE(stored.value("polarisation").toString(), QString("LHCP"));
        QCOMPARE(stored.value("style").toString(), QString("OneTurn"));
        QCOMPARE(stored.value("z0Ohm").toDouble(), 75.0);
        QCOMPARE(stored.value("conductorDiameterMm").toDouble(), 6.0);
    }

    // The Pass plot draws every modelled style's signal over a pass, the chosen one named with its
    // weakest signal as zandrel2-dims --pass 137.50 gives it (1/2 TURN .44 TALL: -10.76 dB at
    // 10° for 850 km, -12.51 dB for 420 km at 145.80 MHz, the same pattern), and follows the
    // altitude without running nec2c again; the altitude is remembered.
    void thePassPlotShowsEveryStyleAndFollowsTheAltitude() {
        ShowTallModelled();
        const QChart* pass = Find<QChartView>("passView")->chart();
        QCOMPARE(pass->series().size(), 7);  // six styles and the 10° line
        const QString minus(QChar(0x2212));
        QCOMPARE(pass->title(), "Signal over a pass at 850 km: 1/2 TURN .44 TALL, weakest " +
                                    minus + "10.8 dB at 10°");
        Find<QDoubleSpinBox>("altitudeBox")->setValue(420.0);
        QCOMPARE(pass->title(), "Signal over a pass at 420 km: 1/2 TURN .44 TALL, weakest " +
                                    minus + "12.5 dB at 10°");
        Table()->selectRow(5);
        QVERIFY2(pass->title().contains("1 1/2 TURN, weakest " + minus), qPrintable(pass->title()));
        QVERIFY(Find<QPushButton>("tuneButton")->isEnabled());
        const QSettings stored(settings_.filePath(QStringLiteral("zandrel2/zandrel2.conf")),
                               QSettings::IniFormat);
        QCOMPARE(stored.value("altitudeKm").toDouble(), 420.0);
    }

    // The installation's fields model the antenna installed, and come back in the next window.
    void theWindowAppliesAndRemembersItsInstallation() {
        {
            QSettings settings;
            settings.setValue("installationGround", "perfect");
            settings.setValue("installationHeightM", 5.0);
            settings.setValue("installationMast", "metal");
            settings.setValue("installationFeedline", "choked");
        }
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QCOMPARE(Find<QComboBox>("groundBox")->currentData().toString(), QString("perfect"));
        QCOMPARE(Find<QDoubleSpinBox>("heightBox")->value(), 5.0);
        QCOMPARE(Header(4), QString("GAIN AT 10\u00B0 ELEVATION (RHCP)"));
        WaitForAllRows();
        // Over the ground there is no nadir: no front-to-back ratio.
        QTRY_COMPARE_WITH_TIMEOUT(RowTexts(3).value(7), QString("\u2014"), NecLimitMs);
        QVERIFY(Report() == nullptr);

        auto* feedline = Find<QComboBox>("feedlineBox");
        feedline->setCurrentIndex(feedline->findData(QStringLiteral("bare")));
        WaitForAllRows();
        auto* ground = Find<QComboBox>("groundBox");
        ground->setCurrentIndex(ground->findData(QStringLiteral("free")));
        QVERIFY(!Find<QDoubleSpinBox>("heightBox")->isEnabled());
        QCOMPARE(Header(4), QString("GAIN AT HORIZON (RHCP)"));
        WaitForAllRows();
        Window().close();
        QTRY_VERIFY(LoadedWindow() == nullptr);

        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QCOMPARE(Find<QComboBox>("groundBox")->currentData().toString(), QString("free"));
        QCOMPARE(Find<QComboBox>("mastBox")->currentData().toString(), QString("metal"));
        QCOMPARE(Find<QComboBox>("feedlineBox")->currentData().toString(), QString("bare"));
        WaitForAllRows();
        const QSettings stored(settings_.filePath(QStringLiteral("zandrel2/zandrel2.conf")),
                               QSettings::IniFormat);
        QCOMPARE(stored.value("installationGround").toString(), QString("free"));
        QCOMPARE(stored.value("installationHeightM").toDouble(), 5.0);
        QCOMPARE(stored.value("installationFeedline").toString(), QString("bare"));
    }

    // Tuning runs in the background, then shows the tuned row under its style's and the tuned
    // dimensions beside the calculator's, in the texts zandrel2-dims --tune prints.
    void tuningShowsTheTunedRowAndDimensionsAsTheCommandLineDoes() {
        ShowTallModelled();
        auto* tune = Find<QPushButton>("tuneButton");
        QVERIFY(tune->isEnabled());
        QTest::mouseClick(tune, Qt::LeftButton);
        // Nothing else starts meanwhile, and the window goes on answering.
        QVERIFY(!tune->isEnabled());
        QVERIFY(!Find<QPushButton>("openMeasurementButton")->isEnabled());
        QVERIFY(!Find<QPushButton>("saveTouchstoneButton")->isEnabled());
        QVERIFY(Find<QPushButton>("cancelWorkButton")->isEnabled());
        Table()->selectRow(1);
        QVERIFY(!tune->isEnabled());
        Table()->selectRow(3);
        WaitForWork();
        QVERIFY(Report() == nullptr);

        // What zandrel2-dims --tune HalfTurnTall 137.50 prints of the tuned antenna (its scale
        // factors, impedance, phasing, gains, axial ratio and resonance), with the figures that
        // only the model table shows: the match to the 50 ohm line and how far each tuned loop may
        // be off, found around the tuned factors.
        const QStringList row{
            QStringLiteral("1/2 TURN .44 TALL, tuned for the zenith (0.9760, 1.0004)"),
            QStringLiteral("21.90 -j0.97"),
            QStringLiteral("1.13 nH inductor"),
            QStringLiteral("4.11 dBic"),
            QStringLiteral("-2.02 dBic"),
            QStringLiteral("7.19 MHz"),
            QStringLiteral("137.69 MHz, 21.7 ohm"),
            QStringLiteral("6.05 dB"),
            QStringLiteral("1.34 dB"),
            QStringLiteral("-49°, 0.53"),
            QStringLiteral("2.28"),
            QStringLiteral("29.8 nH series, 26.2 pF across the line"),
            QStringLiteral("6.94 MHz"),
            QStringLiteral("33.1 ohm; 50 ohm coax, 360 mm, SWR 2.28; no better than none: two 75 "
                           "ohm coax in parallel (37.5 ohm), SWR 1.28"),
            QStringLiteral("±23 mm keeps resonance within ±1 %"),
            QStringLiteral("±1194 mm keeps resonance within ±1 %")};
        QCOMPARE(Rows()->rowCount(), 7);
        QTRY_COMPARE_WITH_TIMEOUT(RowTexts(4), row, NecLimitMs);
        QCOMPARE(RowTexts(5).at(0), Text(zandrel::Styles[4].Caption));
        // The calculator's dimensions and the tuned ones, as zandrel2-dims --tune prints them.
        const QStringList headers{"DIMENSION (mm)", "CALCULATOR", "TUNED"};
        const std::array<std::array<const char*, 2>, 11> lengths{{{"8.73", "8.73"},
                                                                  {"2363.91", "2307.26"},
                                                                  {"2382.31", "2383.25"},
                                                                  {"152.66", "148.85"},
                                                                  {"317.98", "310.36"},
                                                                  {"712.86", "695.78"},
                                                                  {"724.06", "724.35"},
                                                                  {"152.66", "152.72"},
                                                                  {"317.98", "318.11"},
                                                                  {"870.29", "849.44"},
                                                                  {"879.49", "879.84"}}};
        auto* shown = Find<QTableWidget>("tunedDimensionsTable");
        QVERIFY(shown->isVisible());
        QCOMPARE(shown->rowCount(), 11);
        for (int column = 0; column < 3; ++column) {
            QCOMPARE(shown->horizontalHeaderItem(column)->text(), headers.at(column));
            for (int line = 0; column > 0 && line < 11; ++line) {
                QCOMPARE(shown->item(line, column)->text(),
                         QString(lengths[static_cast<std::size_t>(line)]
                                        [static_cast<std::size_t>(column - 1)]));
            }
        }
        // Each dimension is named as the main window's caption beside its box names it.
        const zandrel::MainWindow main;
        for (int line = 0; line < 11; ++line) {
            QString field = Text(zandrel::DisplayOrder[static_cast<std::size_t>(line)].Name);
            field[0] = field[0].toLower();
            const auto* caption = main.findChild<QLineEdit*>(field + QStringLiteral("Caption"));
            QVERIFY2(caption != nullptr, qPrintable(field));
            QCOMPARE(shown->item(line, 0)->text(),
                     caption->text().simplified().remove(QRegularExpression(" (IS|ARE)$")));
        }
        // Its progress counted every nec2c run: the tuning's and the tuned model's.
        QVERIFY2(
            Find<QLabel>("workStatus")->text().endsWith(QStringLiteral("done in 38 nec2c runs.")),
            qPrintable(Find<QLabel>("workStatus")->text()));

        // The tuned row stands for its style; the tuned loops become a trim target; a new
        // design takes the row away.
        Table()->selectRow(4);
        QVERIFY(Find<QChartView>("patternView")->chart()->title().contains("1/2 TURN .44 TALL"));
        QVERIFY(Find<QComboBox>("trimTargetBox")->isEnabled());
        Table()->selectRow(2);
        QVERIFY(!Find<QComboBox>("trimTargetBox")->isEnabled());
        QTest::mouseClick(Find<QRadioButton>("lhcpButton"), Qt::LeftButton);
        QCOMPARE(Rows()->rowCount(), 6);
        QVERIFY(!shown->isVisible());
    }

    // Chosen, the tuned row is the tuned antenna everywhere: its plots, its saved deck and its
    // Touchstone file, named with "tuned" and the loops' factors. Its style's row stays the design.
    void theTunedRowIsTheTunedAntennaInThePlotsTheDeckAndTheTouchstoneFile() {
        // What zandrel2-dims --tune HalfTurnTall 137.50 prints of the tuned antenna: its factors
        // and its impedance at 137.50 MHz; and the deck of its loops, kept beside this test.
        const QString name = QStringLiteral("HalfTurnTall-tuned-0.9760-1.0004-137.50MHz");
        const std::complex<double> tunedOhm(21.90, -0.97);
        const double printed = 0.005;  // ohm, the last digit's rounding
        ShowTallModelled();
        QVERIFY(Find<QPushButton>("tuneButton")->isEnabled());
        QTest::mouseClick(Find<QPushButton>("tuneButton"), Qt::LeftButton);
        WaitForWork();
        QCOMPARE(Rows()->rowCount(), 7);

        Table()->selectRow(4);
        QVERIFY(Find<QChartView>("patternView")->chart()->title().contains("tuned for the zenith"));
        QVERIFY(std::abs(SweepValueAt(*SweepCurve("R"), 137.5) - tunedOhm.real()) <= printed);
        QVERIFY(std::abs(SweepValueAt(*SweepCurve("X"), 137.5) - tunedOhm.imag()) <= printed);

        const QString deckPath = scratch_.filePath(QStringLiteral("tuned.nec"));
        QTest::mouseClick(Find<QAbstractButton>("saveDeckButton"), Qt::LeftButton);
        auto* deckDialog = Window().findChild<QFileDialog*>("saveDeckDialog");
        QVERIFY(deckDialog != nullptr);
        QVERIFY2(deckDialog->selectedFiles().value(0).endsWith(name + QStringLiteral("-RHCP.nec")),
                 qPrintable(deckDialog->selectedFiles().value(0)));
        emit deckDialog->fileSelected(deckPath);
        deckDialog->close();
        QFile deck(deckPath);
        QVERIFY(deck.open(QIODevice::ReadOnly));
        QFile tunedDeck(QStringLiteral(ZANDREL2_TUNED_DECK));
        QVERIFY(tunedDeck.open(QIODevice::ReadOnly));
        QCOMPARE(deck.readAll(), tunedDeck.readAll());

        const QString touchstonePath = scratch_.filePath(QStringLiteral("tuned.s1p"));
        QTest::mouseClick(Find<QAbstractButton>("saveTouchstoneButton"), Qt::LeftButton);
        auto* touchstoneDialog = Window().findChild<QFileDialog*>("saveTouchstoneDialog");
        QVERIFY(touchstoneDialog != nullptr);
        QVERIFY2(touchstoneDialog->selectedFiles().value(0).endsWith(name + QStringLiteral(".s1p")),
                 qPrintable(touchstoneDialog->selectedFiles().value(0)));
        emit touchstoneDialog->fileSelected(touchstonePath);
        touchstoneDialog->close();
        WaitForWork();
        QVERIFY(Report() == nullptr);
        const zandrel::Measurement saved =
            zandrel::ReadMeasurementFile(touchstonePath.toStdString());
        QCOMPARE(saved.Points.size(), std::size_t{41});
        QVERIFY(qFuzzyCompare(saved.Points[20].FrequencyMHz, 137.5));
        const std::complex<double> savedOhm =
            zandrel::ImpedanceOf(saved.Points[20].Reflection, 50.0);
        QVERIFY(std::abs(savedOhm.real() - tunedOhm.real()) <= printed);
        QVERIFY(std::abs(savedOhm.imag() - tunedOhm.imag()) <= printed);

        Table()->selectRow(3);
        QVERIFY(!Find<QChartView>("patternView")->chart()->title().contains("tuned"));
        QTest::mouseClick(Find<QAbstractButton>("saveDeckButton"), Qt::LeftButton);
        deckDialog = Window().findChild<QFileDialog*>("saveDeckDialog");
        QVERIFY(deckDialog != nullptr);
        QVERIFY(deckDialog->selectedFiles().value(0).endsWith("HalfTurnTall-137.50MHz-RHCP.nec"));
        deckDialog->close();
    }

    // The tuned panel, the measurement and its trim advice belong to the style they were made
    // for: shown beside its rows only, and named, greyed, while another style is chosen.
    void thePanelsAndTheMeasuredPointsFollowTheChosenRow() {
        ShowTallModelled();
        QTest::mouseClick(Find<QPushButton>("tuneButton"), Qt::LeftButton);
        WaitForWork();
        Table()->selectRow(3);
        OpenMeasurement(BuiltMeasurementFile({0.985, 1.02}));
        WaitForWork();
        QVERIFY(Report() == nullptr);
        auto* dimensions = Find<QTableWidget>("tunedDimensionsTable");
        auto* advice = Find<QPlainTextEdit>("adviceText");
        auto* note = Find<QLabel>("tunedCaption");
        const QString advised = advice->toPlainText();
        QVERIFY2(advised.startsWith("Trim for 1/2 TURN .44 TALL"), qPrintable(advised));

        auto* tabs = Find<QTabWidget>("plotTabs");
        for (const int row : {3, 4}) {
            Table()->selectRow(row);
            QVERIFY(tabs->isTabVisible(tabs->indexOf(dimensions)));
            QVERIFY(advice->isVisible());
            QVERIFY(note->isEnabled());
            QVERIFY(SweepCurves().contains("R measured"));
        }
        Table()->selectRow(1);
        QVERIFY(!tabs->isTabVisible(tabs->indexOf(dimensions)));
        QVERIFY(!advice->isVisible());
        QVERIFY(!SweepCurves().contains("R measured"));
        QVERIFY(!Find<QComboBox>("trimTargetBox")->isEnabled());
        QVERIFY(note->isVisible());
        QVERIFY(!note->isEnabled());
        QCOMPARE(note->text(), QString("1/2 TURN .44 TALL keeps its tuned loops; 1/2 TURN .44 TALL "
                                       "keeps its measurement and its trim advice: choose its row "
                                       "to see them."));

        Table()->selectRow(3);
        QVERIFY(tabs->isTabVisible(tabs->indexOf(dimensions)));
        QCOMPARE(advice->toPlainText(), advised);
        QVERIFY(SweepCurves().contains("R measured"));
    }

    // A new line or tube keeps the tuned loops, the measurement and its advice: the tuned row is
    // matched to the new line, and marked once its tube is no longer the window's, while the
    // trim is fitted again to the new tube's model. Asked again for the same frequency, the
    // window changes nothing.
    void aNewLineOrTubeKeepsTheTuneAndTheMeasurement() {
        const zandrel::LoopDesign design = TallDesign();
        const zandrel::DeckEvaluator evaluate = zandrel::Nec2cEvaluator();
        const zandrel::TuneResult tuned = zandrel::TuneLoops(design, evaluate);
        ShowTallModelled();
        QTest::mouseClick(Find<QPushButton>("tuneButton"), Qt::LeftButton);
        WaitForWork();
        Table()->selectRow(3);
        OpenMeasurement(BuiltMeasurementFile({0.985, 1.02}));
        WaitForWork();
        auto* advice = Find<QPlainTextEdit>("adviceText");
        const QString advised = advice->toPlainText();
        const QString tunedCaption = RowTexts(4).at(0);

        Choose("z0Box", 75.0);
        QCOMPARE(Rows()->rowCount(), 7);
        const zandrel::ModelFigures at75 =
            zandrel::ModelScaled(design, tuned.Scales, evaluate, LineOf(75.0).Line);
        QStringList row{tunedCaption};
        for (const std::string& text : zandrel::FigureTexts(at75, Polarisation::Rhcp)) {
            row << QString::fromStdString(text);
        }
        row << QString::fromStdString(zandrel::PhasingText(at75.Phasing));
        for (const std::string& text : zandrel::LineMatchTexts(at75)) {
            row << QString::fromStdString(text);
        }
        QCOMPARE(RowTexts(4).mid(0, row.size()), row);
        QVERIFY(advice->isVisible());
        QCOMPARE(advice->toPlainText(), advised);
        WaitForAllRows();
        QVERIFY(SweepCurves().contains("R measured"));
        QTRY_VERIFY_WITH_TIMEOUT(!RowTexts(4).contains(Modelling), NecLimitMs);
        QVERIFY(Find<QComboBox>("trimTargetBox")->isEnabled());

        const QStringList kept = RowTexts(4);
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        QCOMPARE(Rows()->rowCount(), 7);
        QCOMPARE(RowTexts(4), kept);
        QCOMPARE(advice->toPlainText(), advised);

        const QString calculatorsTube = Text(zandrel::FormatDimension(
            zandrel::BuildScaledGeometry(design, {}).Dimensions.TubeDiameter));
        Choose("conductorDiameterBox", 6.0);
        QCOMPARE(Rows()->rowCount(), 7);
        QCOMPARE(
            RowTexts(4).at(0),
            QStringLiteral("%1: tuned for %2 mm: Tune again").arg(tunedCaption, calculatorsTube));
        QVERIFY2(advice->toPlainText().startsWith("Fitted to the model before the tube"),
                 qPrintable(advice->toPlainText()));
        QTRY_VERIFY_WITH_TIMEOUT(advice->toPlainText().startsWith("Trim for"), NecLimitMs);
        QVERIFY2(advice->toPlainText().contains("Modelled with your 6.00 mm tube or wire."),
                 qPrintable(advice->toPlainText()));
        WaitForWork();
        QVERIFY2(Find<QLabel>("workStatus")->text().startsWith("Fitting 1/2 TURN .44 TALL"),
                 qPrintable(Find<QLabel>("workStatus")->text()));
        QVERIFY(Report() == nullptr);
    }

    // Read at a glance on the laptop's screen: the tuned dimensions whole in their tab, the
    // advice's cuts in sight beside the tuned panel, each style's name beside the far columns,
    // the columns' tips wrapped, the pattern's rings numbered and the table's focus marked.
    void theTablesTipsAndPlotsReadAtAGlance() {
        ShowTallModelled();
        OpenMeasurement(BuiltMeasurementFile({0.985, 1.02}));
        WaitForWork();
        QTest::mouseClick(Find<QPushButton>("tuneButton"), Qt::LeftButton);
        WaitForWork();
        Table()->selectRow(4);
        auto* dimensions = Find<QTableWidget>("tunedDimensionsTable");
        QVERIFY(dimensions->isVisible());
        QCOMPARE(dimensions->verticalScrollBar()->maximum(), 0);
        QVERIFY(dimensions->rowHeight(0) < 2 * dimensions->fontMetrics().height());
        QVERIFY(Find<QLabel>("tunedCaption")->isVisible());
        auto* advice = Find<QPlainTextEdit>("adviceText");
        for (const char* loop : {"The small loop is", "The large loop is"}) {
            QTextCursor line = advice->document()->find(QString::fromLatin1(loop));
            QVERIFY2(!line.isNull(), loop);
            QTRY_VERIFY2(advice->viewport()->rect().contains(advice->cursorRect(line)), loop);
            line.movePosition(QTextCursor::EndOfBlock);
            QVERIFY2(advice->viewport()->rect().contains(advice->cursorRect(line)), loop);
        }

        // Scrolled to its far columns, the table keeps each row's style in sight, row by row.
        auto* frozen = Table()->findChild<QTableView*>("frozenFirstColumn");
        QVERIFY(frozen != nullptr);
        QVERIFY(!frozen->isVisible());
        QScrollBar* sideways = Table()->horizontalScrollBar();
        QVERIFY(sideways->maximum() > 0);
        sideways->setValue(sideways->maximum());
        QVERIFY(frozen->isVisible());
        const QPoint styleColumn = Table()->viewport()->geometry().topLeft() + QPoint(4, 4);
        QCOMPARE(Table()->childAt(styleColumn)->parentWidget(), frozen);
        QCOMPARE(frozen->columnWidth(0), Table()->columnWidth(0));
        for (const int row : {0, 3, 6}) {
            const QModelIndex style = frozen->model()->index(row, 0);
            QCOMPARE(frozen->viewport()->mapTo(Table(), frozen->visualRect(style).topLeft()).y(),
                     Table()->viewport()->mapTo(Table(), Table()->visualRect(style).topLeft()).y());
        }
        sideways->setValue(0);
        QVERIFY(!frozen->isVisible());

        // The quarter-wave column's definition, the longest, wraps to a tip of a readable width.
        const auto quarterWave = static_cast<int>(Headers().indexOf("QUARTER-WAVE TO 50 OHM"));
        QVERIFY(quarterWave > 0);
        QToolTip::showText(Table()->mapToGlobal(QPoint(10, 10)),
                           Header(quarterWave, Qt::ToolTipRole), Table());
        QWidget* tip = nullptr;
        QTRY_VERIFY((tip = VisibleToolTip()) != nullptr);
        QVERIFY2(tip->width() < 700, qPrintable(QString::number(tip->width())));
        QToolTip::hideText();

        // The rings carry their gains.
        Find<QTabWidget>("plotTabs")->setCurrentIndex(0);
        QStringList drawn;
        for (const QGraphicsItem* item : Find<QChartView>("patternView")->scene()->items()) {
            if (const auto* text = qgraphicsitem_cast<const QGraphicsTextItem*>(item);
                text != nullptr && text->isVisible()) {
                drawn << text->toPlainText();
            }
        }
        for (const char* ring : {"-20", "-10", "10"}) {
            QVERIFY2(drawn.contains(QString::fromLatin1(ring)), qPrintable(drawn.join(' ')));
        }

        // With the keyboard's focus, the table is framed in the highlight's colour.
        Window().activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        const QColor highlight = Table()->palette().color(QPalette::Highlight);
        const auto frame = [] {
            const QImage shown = Table()->grab().toImage();
            return shown.pixelColor(0, shown.height() / 2);
        };
        Table()->setFocus();
        QTRY_VERIFY(Table()->hasFocus());
        QCOMPARE(frame(), highlight);
        Find<QPushButton>("tuneButton")->setFocus();
        QTRY_VERIFY(!Table()->hasFocus());
        QVERIFY(frame() != highlight);
    }

    // Tuned for a pass, the loops were weighed on the line's match: on another line the tuned row
    // is matched to it and marked to be tuned again, and back on the line it was tuned for the
    // mark goes.
    void aPassTunedForAnotherLineIsMarkedToBeTunedAgain() {
        ShowTallModelled();
        Find<QComboBox>("tuneObjectiveBox")->setCurrentIndex(1);
        QTest::mouseClick(Find<QPushButton>("tuneButton"), Qt::LeftButton);
        WaitForWork();
        QCOMPARE(Rows()->rowCount(), 7);
        const QString caption = RowTexts(4).at(0);
        QVERIFY2(caption.contains("tuned for a pass at 850 km"), qPrintable(caption));
        Choose("z0Box", 75.0);
        QCOMPARE(RowTexts(4).at(0), caption + QStringLiteral(": tuned for 50 ohm: Tune again"));
        QVERIFY(Find<QLabel>("tunedCaption")->text().contains("tuned for 50 ohm: Tune again"));
        Choose("z0Box", 50.0);
        QCOMPARE(RowTexts(4).at(0), caption);
        QTRY_VERIFY_WITH_TIMEOUT(!RowTexts(4).contains(Modelling), NecLimitMs);
        QVERIFY(Report() == nullptr);
    }

    // Escape in a field being edited puts its number back and keeps the window open; a second
    // Escape closes it, with nothing half-typed remembered.
    void escapeInAnEditedFieldUndoesTheEditBeforeClosing() {
        zandrel::ShowModelWindow(QStringLiteral("137.50"));
        Window().activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        auto* z0 = Find<QDoubleSpinBox>("z0Box");
        const QString shown = z0->text();
        z0->setFocus();
        QTRY_VERIFY(z0->hasFocus());
        z0->selectAll();
        QTest::keyClicks(z0, QStringLiteral("75"));
        QVERIFY2(z0->text().startsWith("75"), qPrintable(z0->text()));
        QTest::keyClick(z0, Qt::Key_Escape);
        QVERIFY(LoadedWindow() != nullptr);
        QVERIFY(Window().isVisible());
        QCOMPARE(z0->text(), shown);
        QCOMPARE(z0->value(), 50.0);
        QTest::keyClick(z0, Qt::Key_Escape);
        QTRY_VERIFY(LoadedWindow() == nullptr);
        QCOMPARE(QSettings().value("z0Ohm", 50.0).toDouble(), 50.0);
    }

    void cancellingOrClosingMidTuneLeavesNoProcessAndNoFolder_data() {
        QTest::addColumn<bool>("closing");
        QTest::newRow("Cancel") << false;
        QTest::newRow("closing the window") << true;
    }

    void cancellingOrClosingMidTuneLeavesNoProcessAndNoFolder() {
        QFETCH(bool, closing);
        ShowTallModelled();
        zandrel::test_support::StandInEngine engine(zandrel::test_support::HangingEngine,
                                                    scratch_.path().toStdString());
        qputenv("PATH", QByteArray::fromStdString(engine.Folder().string()));
        QTest::mouseClick(Find<QPushButton>("tuneButton"), Qt::LeftButton);
        QVERIFY(engine.WaitForStarts(2, std::chrono::seconds(20)).size() >= 2);
        QVERIFY(!LeftInRunsFolder().isEmpty());
        if (closing) {
            Window().close();
            // Closed, the window has stopped its work: nothing is left behind.
            QVERIFY2(LeftInRunsFolder().isEmpty(), qPrintable(LeftInRunsFolder().join(' ')));
        } else {
            QTest::mouseClick(Find<QPushButton>("cancelWorkButton"), Qt::LeftButton);
            WaitForWork();
            QVERIFY2(Find<QLabel>("workStatus")->text().endsWith("cancelled; nothing changed."),
                     qPrintable(Find<QLabel>("workStatus")->text()));
            QCOMPARE(Rows()->rowCount(), 6);
            QVERIFY(Report() == nullptr);
            QVERIFY2(LeftInRunsFolder().isEmpty(), qPrintable(LeftInRunsFolder().join(' ')));
        }
        // The one run under way was killed with what it started, and no other began.
        const std::vector<pid_t> started = engine.WaitForStarts(0, std::chrono::milliseconds(0));
        QCOMPARE(started.size(), std::size_t{2});
        for (const pid_t pid : started) {
            QVERIFY2(zandrel::test_support::EndsWithin(pid, std::chrono::seconds(5)),
                     qPrintable(QStringLiteral("process %1 of the stand-in is running").arg(pid)));
        }
    }

    // An antenna built with known loops, measured (here modelled and written as a VNA's file),
    // is laid over the model, and the advice cuts what the loops are too long by.
    void aMeasurementOfKnownLoopsIsLaidOverTheModelAndItsMillimetresFollow() {
        ShowTallModelled();
        const zandrel::LoopDesign design = TallDesign();
        // The two loops of this style differ by 1 %: the small one shorter keeps them apart.
        const zandrel::LoopScales built{0.985, 1.02};
        OpenMeasurement(BuiltMeasurementFile(built));
        const QMap<QString, int> curves = SweepCurves();
        for (const char* name : {"R measured", "X measured", "SWR measured"}) {
            QCOMPARE(curves.value(QString::fromUtf8(name)), 41);
        }
        QCOMPARE(curves.value("R"), 11);  // the model's own, still there
        WaitForWork();
        QVERIFY(Report() == nullptr);

        const QString advice = Find<QPlainTextEdit>("adviceText")->toPlainText();
        const zandrel::HelixDimensions d = zandrel::BuildScaledGeometry(design, {}).Dimensions;
        const auto follows = [&advice](const char* loop, double scale, float perimeter,
                                       const char* sense, const char* todo) {
            const QRegularExpressionMatch said =
                QRegularExpression(
                    QStringLiteral("The %1 loop is (\\d+) mm \\(([0-9.]+) %\\) too "
                                   "%2: %3")
                        .arg(QLatin1String(loop), QLatin1String(sense), QLatin1String(todo)))
                    .match(advice);
            QVERIFY2(said.hasMatch(), qPrintable(advice));
            // Within 2 mm per element, and half of it off or onto each element.
            const double perimeterMm = zandrel::DisplayedMillimetres(perimeter);
            const double error = said.captured(1).toDouble();
            QVERIFY2(std::fabs(error - std::fabs(scale - 1.0) * perimeterMm) <= 4.0,
                     qPrintable(said.captured(0)));
            QVERIFY2(std::fabs(said.captured(3).toDouble() - error / 2.0) <= 0.6,
                     qPrintable(said.captured(0)));
        };
        follows("small", built.Small, d.SmallLoopPerimeter, "short",
                "each of its two helical elements must be ([0-9.]+) mm longer");
        follows("large", built.Large, d.LargeLoopPerimeter, "long",
                "cut ([0-9.]+) mm off each of its two helical elements");
        // Trimmed to the design, it is the design: the style's own row.
        QVERIFY2(advice.contains(
                     QStringLiteral("Target (the calculator's design), at 137.50 MHz: %1 ohm, SWR ")
                         .arg(RowTexts(3).at(1))),
                 qPrintable(advice));
        QVERIFY(advice.contains(
            "Measured: built.s1p, 41 points from 123.75 to 151.25 MHz on 50.0 ohm"));
    }

    // "Measure with NanoVNA..." sweeps the device in the background, lays the sweep over the
    // model and fits it as a file; "Save measurement..." keeps what it served.
    void aNanoVnaSweepFillsThePlotAndGivesTheAdvice() {
        ShowTallModelled();
        const zandrel::LoopScales built{1.02, 1.01};
        const zandrel::Measurement modelled = zandrel::ModelMeasurement(
            TallDesign(), built, zandrel::SpreadFrequencies(137.5, 101, 0.15), 50.0,
            zandrel::Nec2cEvaluator());
        zandrel::test_support::FakeNanoVna device([&modelled](double hz) {
            const auto nearest = std::min_element(modelled.Points.begin(), modelled.Points.end(),
                                                  [hz](const auto& a, const auto& b) {
                                                      return std::fabs(a.FrequencyMHz * 1e6 - hz) <
                                                             std::fabs(b.FrequencyMHz * 1e6 - hz);
                                                  });
            return nearest->Reflection;
        });
        QTest::mouseClick(Find<QPushButton>("measureVnaButton"), Qt::LeftButton);
        auto* dialog = Window().findChild<QDialog*>(QStringLiteral("vnaMeasureDialog"));
        QVERIFY(dialog != nullptr);
        dialog->findChild<QComboBox*>(QStringLiteral("vnaPortBox"))
            ->setEditText(QString::fromStdString(device.Path()));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("vnaMeasureButton")),
                          Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(SweepCurves().value("SWR measured"), 101, NecLimitMs);
        QCOMPARE(dialog->findChild<QProgressBar*>(QStringLiteral("vnaProgress"))->value(), 101);
        WaitForWork();
        QVERIFY(Report() == nullptr);
        const QString advice = Find<QPlainTextEdit>("adviceText")->toPlainText();
        QVERIFY2(advice.contains(QStringLiteral("Measured: the NanoVNA on %1, 101 points from "
                                                "116.88 to 158.12 MHz")
                                     .arg(QString::fromStdString(device.Path()))),
                 qPrintable(advice));

        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("vnaSaveButton")),
                          Qt::LeftButton);
        auto* save = dialog->findChild<QFileDialog*>(QStringLiteral("saveVnaMeasurementDialog"));
        QVERIFY(save != nullptr);
        const QString path = scratch_.filePath(QStringLiteral("swept.s1p"));
        emit save->fileSelected(path);
        save->close();
        const zandrel::Measurement saved = zandrel::ReadMeasurementFile(path.toStdString());
        const auto served = device.Served();
        QCOMPARE(saved.Points.size(), served.size());
        QCOMPARE(saved.Points.back().Reflection, served.back().S11);
        dialog->close();
    }

    // A file of the small loop alone joins the whole antenna's: its SWR in a colour of its own
    // under its own legend entry, and both files in the advice, fitted together.
    void aLoopMeasuredAloneIsFittedWithTheWholeAntenna() {
        ShowTallModelled();
        const zandrel::LoopScales built{0.985, 1.02};
        OpenMeasurement(BuiltMeasurementFile(built));
        WaitForWork();
        Find<QComboBox>("measuredPartBox")->setCurrentIndex(1);
        OpenMeasurement(BuiltMeasurementFile(built, zandrel::FedLoops::SmallAlone));
        WaitForWork();
        QVERIFY(Report() == nullptr);
        QVERIFY(LegendLabels().first.contains("small loop alone"));
        QCOMPARE(SweepCurves().value("small loop alone"), 41);
        QCOMPARE(SweepCurves().value("SWR measured"), 41);
        const QString advice = Find<QPlainTextEdit>("adviceText")->toPlainText();
        QVERIFY2(advice.contains("Measured: built.s1p, 41 points") &&
                     advice.contains("Measured: alone.s1p, 41 points from 123.75 to 151.25 MHz on "
                                     "50.0 ohm, the small loop alone"),
                 qPrintable(advice));
        QVERIFY2(advice.contains("at 22 frequencies"), qPrintable(advice));
    }

    // The file is read on a thread of its own: a measurement still being written (here into a
    // FIFO) leaves the window answering, and is laid over the model once it is whole.
    void aMeasurementIsReadInTheBackgroundWithTheWindowAnswering() {
        ShowTallModelled();
        QFile built(BuiltMeasurementFile({0.985, 1.02}));
        QVERIFY(built.open(QIODevice::ReadOnly));
        const QByteArray text = built.readAll();
        const QString fifo = scratch_.filePath(QStringLiteral("vna.s1p"));
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        ChooseFile("openMeasurementButton", "openMeasurementDialog", fifo);
        QCOMPARE(Find<QLabel>("workStatus")->text(), QString("Reading vna.s1p..."));
        QVERIFY(!Find<QPushButton>("openMeasurementButton")->isEnabled());
        Table()->selectRow(2);  // the window answers meanwhile
        QCOMPARE(CurrentRow(), 2);
        Table()->selectRow(3);
        QFile writer(fifo);
        QVERIFY(writer.open(QIODevice::WriteOnly));
        QCOMPARE(writer.write(text), text.size());
        writer.close();
        QTRY_COMPARE(SweepCurves().value("R measured"), 41);
        WaitForWork();
        QVERIFY(Report() == nullptr);
        QVERIFY(Find<QPlainTextEdit>("adviceText")->toPlainText().contains("Measured: vna.s1p"));
    }

    void aMeasurementThatCannotBeReadIsReportedByLineAndChangesNothing_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("line");
        const QByteArray points = "137.0 0.1 0.2\n137.5 0.1 0.2\n138.0 0.1 0.2\n139 0.1 0.2\n";
        QTest::newRow("a value that is not a number")
            << QByteArray("# MHz S RI R 50\n136.5 0.1 0.2\n136.8 x 0.2\n") + points << "line 3";
        QTest::newRow("frequencies that fall")
            << QByteArray("! a VNA's file\n# MHz S RI R 50\n") + points + "138.5 0.1 0.2\n"
            << "line 7";
    }

    void aMeasurementThatCannotBeReadIsReportedByLineAndChangesNothing() {
        QFETCH(QByteArray, text);
        QFETCH(QString, line);
        ShowTallModelled();
        const QMap<QString, int> before = SweepCurves();
        const QString path = scratch_.filePath(QStringLiteral("broken.s1p"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();

        OpenMeasurement(path);
        QVERIFY(Report() != nullptr);
        QVERIFY2(ReportsInWords(1102, "The measurement file could not be read"),
                 qPrintable(Report()->detailedText()));
        QVERIFY2(Report()->text().contains(line), qPrintable(Report()->text()));
        QVERIFY(Report()->text().contains(path));
        QVERIFY(Report()->text().endsWith("Nothing was changed."));
        QVERIFY2(Report()->informativeText().startsWith("Check that the file is the VNA's"),
                 qPrintable(Report()->informativeText()));
        QCOMPARE(SweepCurves(), before);
        QVERIFY(Find<QPushButton>("tuneButton")->isEnabled());  // no fit started
        QVERIFY(Find<QLabel>("workStatus")->text().isEmpty());
        QVERIFY(!Find<QPlainTextEdit>("adviceText")->isVisible());
    }

    // The file VNA software lays over a measurement reads back to the model's impedance.
    void theSavedTouchstoneFileReadsBackToTheModelsImpedance() {
        ShowTallModelled();
        const QString path = scratch_.filePath(QStringLiteral("model.s1p"));
        QTest::mouseClick(Find<QAbstractButton>("saveTouchstoneButton"), Qt::LeftButton);
        auto* dialog = Window().findChild<QFileDialog*>("saveTouchstoneDialog");
        QVERIFY(dialog != nullptr);
        QVERIFY(dialog->selectedFiles().value(0).endsWith("HalfTurnTall-137.50MHz.s1p"));
        emit dialog->fileSelected(path);
        dialog->close();
        WaitForWork();
        QVERIFY(Report() == nullptr);

        const zandrel::Measurement saved = zandrel::ReadMeasurementFile(path.toStdString());
        QCOMPARE(saved.ReferenceOhm, 50.0);
        QCOMPARE(saved.Points.size(), std::size_t{41});
        QVERIFY(qFuzzyCompare(saved.Points.front().FrequencyMHz, 123.75));
        QVERIFY(qFuzzyCompare(saved.Points.back().FrequencyMHz, 151.25));
        const zandrel::HelixGeometry geometry =
            zandrel::BuildHelixGeometry(zandrel::Styles[3], "137.50", Polarisation::Rhcp);
        const std::complex<double> model =
            zandrel::ComputeModelFigures(geometry,
                                         zandrel::RunDeckInNec2c(zandrel::WriteNecDeck(geometry)))
                .Impedance;
        const zandrel::MeasuredPoint& design = saved.Points[20];
        QVERIFY(qFuzzyCompare(design.FrequencyMHz, 137.5));
        QVERIFY(std::abs(zandrel::ImpedanceOf(design.Reflection, 50.0) - model) < 1e-6);
    }

    void aMissingOrBrokenModuleIsReportedAndNothingOpens_data() {
        QTest::addColumn<QString>("module");  // what stands where the module should be
        QTest::newRow("no file") << QString();
        QTest::newRow("not a library") << QStringLiteral("text");
        QTest::newRow("a module of another kind")
            << QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                   QStringLiteral("/platforms/libqoffscreen.so");
    }

    void aMissingOrBrokenModuleIsReportedAndNothingOpens() {
        QFETCH(QString, module);
        QTemporaryDir folder(scratch_.filePath(QStringLiteral("modules-XXXXXX")));
        const QString file =
            folder.filePath(QFileInfo(zandrel::ModelWindowModuleFile()).fileName());
        QVERIFY(!QFileInfo(file).fileName().isEmpty());
        if (module == QLatin1String("text")) {
            WriteScript(file, "this is not a library\n");
        } else if (!module.isEmpty()) {
            QVERIFY2(QFile::copy(module, file), qPrintable(module));
        }
        const QStringList folders{folder.path()};
        try {
            zandrel::LoadModelWindowModule(folders);
            QFAIL("a module was loaded");
        } catch (const zandrel::FormsError& error) {
            QCOMPARE(error.Kind(), zandrel::FormsErrorKind::ModuleNotLoaded);
            QCOMPARE(error.Number(), 48);
            QCOMPARE(error.Message(), std::string("Error in loading DLL"));
            QVERIFY2(QString::fromStdString(error.Detail()).contains(folder.path()),
                     error.Detail().c_str());
        }

        // Over the window that asked for it, as a report; the program goes on.
        QWidget asking;
        asking.show();
        zandrel::RunReportingErrors(asking,
                                    [&folders] { zandrel::LoadModelWindowModule(folders); });
        auto* report = asking.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
        QVERIFY(report != nullptr);
        QCOMPARE(report->text(), QString("Run-time error '48':\n\nError in loading DLL"));
        QVERIFY2(report->informativeText().startsWith("The model window's module "),
                 qPrintable(report->informativeText()));
        QVERIFY(LoadedWindow() == nullptr);
    }
};

QTEST_MAIN(ModelWindowTest)
#include "model_window_test.moc"
