// The construction sheet window: its choices, its preview, saving and printing at 1:1, the
// reports of everything that can go wrong, the keyboard, a laptop's screen and the choices it
// remembers.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <functional>

#include "construction_sheet_window.h"
#include "fifo_reader.h"
#include "forms.h"
#include "pdf_read_back.h"
#include "stand_in_engine.h"
#include "window_reports.h"

using zandrel::ConstructionSheetWindow;

namespace {

ConstructionSheetWindow& Window() { return zandrel::ConstructionSheetWindowInstance().Get(); }

template <typename Control>
Control* Find(const char* name) {
    return Window().findChild<Control*>(QString::fromLatin1(name));
}

int PreviewPages() { return Find<QPrintPreviewWidget>("preview")->pageCount(); }

// Whether the preview, rather than the words saying why there is no sheet, is on show.
bool ShowsTheSheet() {
    return Find<QStackedWidget>("previewStack")->currentWidget() == Find<QWidget>("preview");
}

bool CanSaveAndPrint() {
    return Find<QPushButton>("saveButton")->isEnabled() &&
           Find<QPushButton>("printButton")->isEnabled();
}

int SheetPages(zandrel::HelixStyle style, zandrel::Paper paper, const char* frequency = "137.50") {
    return zandrel::SheetPageCount(
        zandrel::ComputeConstructionSheet(style, frequency, zandrel::Polarisation::Rhcp), paper);
}

QMessageBox* Report() {
    return Window().findChild<QMessageBox*>(QString::fromLatin1(zandrel::RuntimeErrorReportName));
}

// Runs `answer` on the next modal dialog once it is up.
void WhenADialogOpens(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start(20);
}

QString PageText(const zandrel::test_support::PdfPage& page) {
    QStringList words;
    for (const auto& word : page.Words) {
        words << word.Text;
    }
    return words.join(QLatin1Char(' '));
}

class SheetWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir settings_;  // the remembered choices, instead of the user's

  private slots:
    void initTestCase() {
        // As the program names itself, with its settings in a folder of the test's own.
        QVERIFY(settings_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
        QCoreApplication::setOrganizationName(QStringLiteral("zandrel2"));
        QCoreApplication::setApplicationName(QStringLiteral("zandrel2"));
    }

    void cleanup() {
        zandrel::UnloadAllForms();
        QTRY_VERIFY(!zandrel::ConstructionSheetWindowInstance().IsLoaded());
        QSettings().clear();  // every test opens the window as a first-time user does
    }

    void opensForTheFrequencyWithTheStylesInOnScreenOrder() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QVERIFY(Window().isVisible());
        QCOMPARE(Window().windowTitle(), QStringLiteral("Construction sheet at 137.50 MHz"));
        auto* styles = Find<QComboBox>("styleBox");
        QCOMPARE(styles->count(), static_cast<int>(zandrel::Styles.size()));
        for (int i = 0; i < styles->count(); ++i) {
            QCOMPARE(styles->itemText(i).toStdString(),
                     std::string(zandrel::Styles[static_cast<std::size_t>(i)].Caption));
        }
        QCOMPARE(styles->currentIndex(), 0);
        QCOMPARE(Find<QComboBox>("polarisationBox")->currentIndex(), 0);
        QCOMPARE(Find<QDoubleSpinBox>("mastDiameterBox")->value(), 32.0);
        const int pages = SheetPages(zandrel::HelixStyle::QuarterTurn, zandrel::Paper::A4);
        QTRY_COMPARE(PreviewPages(), pages);
        QVERIFY(ShowsTheSheet());
        QTRY_VERIFY(CanSaveAndPrint());  // once nec2c has given the match
        QVERIFY(Find<QLabel>("pageCountValue")->text().startsWith(QString("%1:").arg(pages)));
        // Pages as wide as the preview, where the cut list can be read.
        QCOMPARE(Find<QPrintPreviewWidget>("preview")->zoomMode(), QPrintPreviewWidget::FitToWidth);

        // One window: asking again shows the same one at the new frequency.
        ConstructionSheetWindow* first = &Window();
        zandrel::ShowConstructionSheetWindow(QStringLiteral("145.8"));
        QCOMPARE(&Window(), first);
        QCOMPARE(Window().windowTitle(), QStringLiteral("Construction sheet at 145.8 MHz"));
    }

    void redrawsThePreviewForTheChosenStyleAndPaper() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        Find<QComboBox>("styleBox")->setCurrentIndex(5);
        QTRY_COMPARE(PreviewPages(),
                     SheetPages(zandrel::HelixStyle::OneAndHalfTurn, zandrel::Paper::A4));
        Find<QComboBox>("paperBox")->setCurrentIndex(1);
        QTRY_COMPARE(PreviewPages(),
                     SheetPages(zandrel::HelixStyle::OneAndHalfTurn, zandrel::Paper::Letter));
        QVERIFY(SheetPages(zandrel::HelixStyle::OneAndHalfTurn, zandrel::Paper::Letter) !=
                SheetPages(zandrel::HelixStyle::OneAndHalfTurn, zandrel::Paper::A4));
        QVERIFY(Report() == nullptr);
    }

    void savesThePdfOfTheChosenSettingsWhereTheUserSays() {
        QTemporaryDir folder;
        // Saved under the name offered, in a folder of the test's own.
        const QString path =
            folder.filePath(QStringLiteral("zandrel2-OneTurn-137.50MHz-LHCP-a4.pdf"));
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        Find<QComboBox>("styleBox")->setCurrentIndex(4);
        Find<QComboBox>("polarisationBox")->setCurrentIndex(1);
        Find<QDoubleSpinBox>("mastDiameterBox")->setValue(40.0);
        QTRY_VERIFY(CanSaveAndPrint());
        bool asked = false;
        WhenADialogOpens([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            asked = files != nullptr;
            QVERIFY(files != nullptr);
            QVERIFY2(files->selectedFiles().value(0).endsWith(
                         QStringLiteral("zandrel2-OneTurn-137.50MHz-LHCP-a4.pdf")),
                     qPrintable(files->selectedFiles().value(0)));
            files->setDirectory(folder.path());
            files->selectFile(QFileInfo(path).fileName());
            QMetaObject::invokeMethod(files, "accept");
        });
        Find<QPushButton>("saveButton")->click();
        QVERIFY(asked);
        QVERIFY(Report() == nullptr);
        const auto pages = zandrel::test_support::ReadPdf(path);
        QVERIFY(!pages.empty());
        const QString first = PageText(pages[0]);
        QVERIFY(first.contains(QStringLiteral("1 TURN .37 TALL")));
        QVERIFY(first.contains(QStringLiteral("Polarisation LHCP")));
        QVERIFY(first.contains(QStringLiteral("Mast outside diameter 40 mm")));
    }

    void savesIntoAFifoForItsReaderAndLeavesItAFifo() {
        QTemporaryDir folder;
        const QByteArray fifo = QFile::encodeName(folder.filePath(QStringLiteral("viewer")));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        zandrel::test_support::FifoReader reader(fifo.toStdString());
        QVERIFY(reader.IsOpen());
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_VERIFY(!Window().IsModelling());
        zandrel::RunReportingErrors(Window(), [&] { Window().SavePdfTo(QFile::decodeName(fifo)); });
        QVERIFY(Report() == nullptr);
        QFile received(folder.filePath(QStringLiteral("received.pdf")));
        QVERIFY(received.open(QIODevice::WriteOnly));
        received.write(QByteArray::fromStdString(reader.Received()));
        received.close();
        QVERIFY(zandrel::test_support::ReadPdf(received.fileName()).size() >= 2);
        struct stat status {};
        QCOMPARE(lstat(fifo.constData(), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
    }

    void saysThatNobodyIsReadingAFifoInsteadOfWaitingForAReader() {
        QTemporaryDir folder;
        const QByteArray fifo = QFile::encodeName(folder.filePath(QStringLiteral("viewer")));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_VERIFY(!Window().IsModelling());
        zandrel::RunReportingErrors(Window(), [&] { Window().SavePdfTo(QFile::decodeName(fifo)); });
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY2(Report()->informativeText().contains(QStringLiteral("nobody is reading it")),
                 qPrintable(Report()->informativeText()));
        struct stat status {};
        QCOMPARE(lstat(fifo.constData(), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
    }

    void printsAtOneToOneWhateverThePrintersMargins() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("printed.pdf"));
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_VERIFY(!Window().IsModelling());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageMargins(QMarginsF(15, 20, 15, 20), QPageLayout::Millimeter);
        Window().PrintOn(printer);
        const auto pages = zandrel::test_support::ReadPdf(path);
        QCOMPARE(static_cast<int>(pages.size()),
                 SheetPages(zandrel::HelixStyle::QuarterTurn, zandrel::Paper::A4));
        for (const auto& page : pages) {
            const auto bars = zandrel::test_support::ScaleBars(page);
            QCOMPARE(bars.size(), 1u);
            QVERIFY2(std::fabs(bars[0].width() - 100.0) < 0.05,
                     qPrintable(QString::number(bars[0].width())));
            // Drawn from the paper's corner, not from the margins.
            QVERIFY(std::fabs(bars[0].left() - 12.0) < 0.05);
        }
    }

    // On a printer whose own default is the other paper: the dialog says how many pages it is
    // about to print, and its printer's properties show the paper the window has.
    void printNamesThePageCountAndTheWindowsPaper_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("printersDefault");
        QTest::newRow("A4 on a Letter printer") << static_cast<int>(zandrel::Paper::A4) << "A4"
                                                << "Letter";
        QTest::newRow("Letter on an A4 printer")
            << static_cast<int>(zandrel::Paper::Letter) << "Letter"
            << "A4";
    }

    void printNamesThePageCountAndTheWindowsPaper() {
        QFETCH(int, paper);
        QFETCH(QString, shown);
        QFETCH(QString, printersDefault);
        // Only on the private print server that the test command starts.
        if (!qEnvironmentVariableIsSet("ZANDREL2_PRINTER_OUTPUT")) {
            QSKIP("no private printer: run under tests/support/with-private-print-server");
        }
        // A printer with a description of its own (a PPD), as real printers have; a raw queue
        // offers every paper and has no default.
        QString lpadmin = QStandardPaths::findExecutable(QStringLiteral("lpadmin"));
        if (lpadmin.isEmpty()) {
            lpadmin = QStandardPaths::findExecutable(
                QStringLiteral("lpadmin"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        }
        QVERIFY(!lpadmin.isEmpty());
        const auto administer = [&lpadmin](const QStringList& arguments) {
            QProcess run;  // its warning that printer descriptions are deprecated is left unread
            run.start(lpadmin, arguments);
            return run.waitForFinished(30000) && run.exitStatus() == QProcess::NormalExit &&
                   run.exitCode() == 0;
        };
        QVERIFY(administer({"-p", "ZandrelDescribed", "-E", "-v", "file:///dev/null", "-m",
                            "drv:///sample.drv/generic.ppd", "-o",
                            "PageSize-default=" + printersDefault}));
        QVERIFY(administer({"-d", "ZandrelDescribed"}));

        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        Find<QComboBox>("paperBox")->setCurrentIndex(paper);
        QTRY_VERIFY(CanSaveAndPrint());
        const int pages =
            SheetPages(zandrel::HelixStyle::QuarterTurn, static_cast<zandrel::Paper>(paper));
        bool asked = false;
        QString title;
        QString paperShown;
        WhenADialogOpens([&](QWidget* dialog) {
            auto* print = qobject_cast<QPrintDialog*>(dialog);
            asked = print != nullptr;
            QVERIFY(print != nullptr);
            title = print->windowTitle();
            // The paper as the printer's properties show it.
            WhenADialogOpens([&](QWidget* properties) {
                auto* size = properties->findChild<QComboBox*>(QStringLiteral("pageSizeCombo"));
                paperShown = size != nullptr ? size->currentText() : QString("no paper size");
                qobject_cast<QDialog*>(properties)->reject();
            });
            auto* button = print->findChild<QPushButton*>(QStringLiteral("properties"));
            if (button != nullptr) {
                button->click();
            }
            print->reject();
        });
        Find<QPushButton>("printButton")->click();
        QVERIFY(asked);
        QVERIFY2(title.contains(QString("%1 pages").arg(pages)), qPrintable(title));
        QVERIFY2(paperShown.contains(shown), qPrintable(paperShown));
        QVERIFY(Report() == nullptr);
    }

    // With no printer, Print says so and offers the PDF instead, under the default name.
    void withNoPrinterPrintOffersToSaveThePdf() {
        if (!QPrinterInfo::availablePrinters().isEmpty()) {
            QSKIP("a printer is set up: run with CUPS_SERVER naming no server");
        }
        QTemporaryDir folder;
        const QString name = QStringLiteral("zandrel2-QuarterTurn-145.8MHz-RHCP-a4.pdf");
        zandrel::ShowConstructionSheetWindow(QStringLiteral("145.8"));
        QTRY_VERIFY(CanSaveAndPrint());
        QString question;
        QString offered;
        WhenADialogOpens([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box != nullptr);
            question = box->text() + QLatin1Char(' ') + box->informativeText();
            QAbstractButton* save = box->defaultButton();
            QVERIFY(save != nullptr);
            QCOMPARE(save->text(), QString("Save P&DF..."));
            // The file dialog comes up once the question has gone.
            WhenADialogOpens([&](QWidget* next) {
                auto* files = qobject_cast<QFileDialog*>(next);
                QVERIFY(files != nullptr);
                offered = files->selectedFiles().value(0);
                files->setDirectory(folder.path());
                files->selectFile(name);
                QMetaObject::invokeMethod(files, "accept");
            });
            save->click();
        });
        Find<QPushButton>("printButton")->click();
        QVERIFY2(question.contains("No printer is set up"), qPrintable(question));
        const int pages = SheetPages(zandrel::HelixStyle::QuarterTurn, zandrel::Paper::A4, "145.8");
        QVERIFY2(question.contains(QString("%1 pages").arg(pages)), qPrintable(question));
        QVERIFY2(offered.endsWith(name), qPrintable(offered));
        QCOMPARE(static_cast<int>(zandrel::test_support::ReadPdf(folder.filePath(name)).size()),
                 pages);
        QVERIFY(Report() == nullptr);
    }

    void reportsABadFrequencyAndGoesOn() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("abc"));
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY2(Report()->text().contains(
                     QStringLiteral("The frequency \u201Cabc\u201D is not a number")),
                 qPrintable(Report()->text()));
        QVERIFY(!Report()->text().contains(QStringLiteral("Error 13")));
        QVERIFY(Report()->detailedText().startsWith(QStringLiteral("Error 13: Type mismatch")));
        Report()->close();
        QTRY_VERIFY(Report() == nullptr);

        // In place of the preview the window says why; there is nothing to save or print.
        QVERIFY(!ShowsTheSheet());
        QVERIFY(Find<QLabel>("noSheetMessage")
                    ->text()
                    .contains(QStringLiteral("The frequency \u201Cabc\u201D is not a number")));
        QVERIFY(!Find<QPushButton>("saveButton")->isEnabled());
        QVERIFY(!Find<QPushButton>("printButton")->isEnabled());
        QVERIFY(Window().isVisible());
    }

    // Asked again, the window follows the main window's frequency: a frequency with no sheet
    // never leaves the last good sheet on show, and a good one brings a sheet back.
    void followsTheFrequencyAndNeverShowsAStaleSheet() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("145.8"));
        QTRY_COMPARE(PreviewPages(),
                     SheetPages(zandrel::HelixStyle::QuarterTurn, zandrel::Paper::A4, "145.8"));
        QTRY_VERIFY(CanSaveAndPrint());

        zandrel::ShowConstructionSheetWindow(QStringLiteral("abc"));
        QCOMPARE(Find<QLabel>("frequencyValue")->text(), QString("abc MHz"));
        QVERIFY(!ShowsTheSheet());
        QVERIFY(!Find<QPushButton>("saveButton")->isEnabled());
        QVERIFY(!Find<QPushButton>("printButton")->isEnabled());
        QTRY_VERIFY(Report() != nullptr);
        Report()->close();

        zandrel::ShowConstructionSheetWindow(QString());
        QCOMPARE(Window().windowTitle(), QString("Construction sheet: no frequency given"));
        QVERIFY(!ShowsTheSheet());
        QTRY_VERIFY(Report() != nullptr);
        Report()->close();

        // At 1296 MHz the 1/4 TURN's loops are under 30 mm across: the 32 mm mast no longer
        // fits, and the window takes the widest that does and says so.
        zandrel::ShowConstructionSheetWindow(QStringLiteral("1296"));
        QVERIFY(ShowsTheSheet());
        QTRY_VERIFY(CanSaveAndPrint());
        const double mast = Find<QDoubleSpinBox>("mastDiameterBox")->value();
        QVERIFY2(mast < 32.0, qPrintable(QString::number(mast)));
        QVERIFY(Find<QLabel>("mastDiameterRange")
                    ->text()
                    .contains(QStringLiteral("32.0 mm is outside, so the nearest")));
        QTRY_COMPARE(PreviewPages(),
                     zandrel::SheetPageCount(
                         zandrel::ComputeConstructionSheet(zandrel::HelixStyle::QuarterTurn, "1296",
                                                           zandrel::Polarisation::Rhcp, mast),
                         zandrel::Paper::A4));
    }

    void reportsASheetTooLongToPrint() {
        // At 20 MHz the 1/4 TURN's 60 mm tube would cut the 32 mm mast through: the window
        // takes the thinnest mast the holes leave and says so.
        zandrel::ShowConstructionSheetWindow(QStringLiteral("20"));
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        QCOMPARE(Find<QDoubleSpinBox>("mastDiameterBox")->value(), 60.1);
        const QString said = Find<QLabel>("mastDiameterRange")->text();
        // The word stays when the field is passed through.
        Find<QDoubleSpinBox>("mastDiameterBox")->setFocus();
        QTest::keyClick(Find<QDoubleSpinBox>("mastDiameterBox"), Qt::Key_Tab);
        QCOMPARE(Find<QLabel>("mastDiameterRange")->text(), said);
        QVERIFY2(said.startsWith(QStringLiteral("60.1 to 500.0 mm: wider than the 60 mm holes")) &&
                     said.endsWith(QStringLiteral("32.0 mm is outside, so the nearest, 60.1 mm, "
                                                  "is used.")),
                 qPrintable(said));
        QVERIFY(Report() == nullptr);
        // Once the 60.1 mm mast's sheet is modelled, nothing redraws it behind the report below.
        QTRY_VERIFY(CanSaveAndPrint());
        // A 450 mm mast fits, and needs more template pages than a sheet has.
        Find<QDoubleSpinBox>("mastDiameterBox")->setValue(450.0);
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY(Report()->detailedText().startsWith(QStringLiteral("Error 17: ")));
        QVERIFY(Report()->text().contains(QStringLiteral("drilling template would need")));
        QVERIFY(!Report()->text().contains(QStringLiteral("17")));
        Report()->close();
        QTRY_VERIFY(Report() == nullptr);
        QVERIFY(!ShowsTheSheet());
        QVERIFY(Find<QLabel>("noSheetMessage")->text().contains("drilling template would need"));
        QVERIFY(!Find<QPushButton>("printButton")->isEnabled());
        // Printed anyway, it is refused with the same words.
        zandrel::RunReportingInWords(Window(), [] { Window().Print(); });
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY(Report()->text().contains("drilling template would need"));
    }

    void reportsAFileThatCannotBeWritten() {
        QTemporaryDir folder;
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        const QString path = folder.filePath(QStringLiteral("missing/sheet.pdf"));
        zandrel::RunReportingInWords(Window(), [&] { Window().SavePdfTo(path); });
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY(Report()->detailedText().startsWith(
            QStringLiteral("Error 75: Path/File access error")));
        QVERIFY(Report()->text().contains(path));
        QCOMPARE(Report()->informativeText(),
                 QString("Choose a folder you can write to, or another name, and save again."));
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    // The mast field shows the diameters it takes, from the same rule as the command line, with
    // its ends rounded as the field shows them; a typed diameter outside them is kept as typed
    // and explained, and the sheet keeps the last good one.
    void theMastFieldShowsItsRangeAndSaysWhenItCorrects() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        zandrel::SheetRequest request;
        request.Style = zandrel::HelixStyle::QuarterTurn;
        request.FrequencyText = "137.50";
        const zandrel::MastDiameterRange allowed = zandrel::AllowedMastDiameters(request);
        auto* mast = Find<QDoubleSpinBox>("mastDiameterBox");
        QCOMPARE(mast->minimum(), allowed.LeastMm);
        QCOMPARE(mast->maximum(), allowed.MostMm);
        // 8.73 mm holes in loops 276 mm across.
        QCOMPARE(Find<QLabel>("mastDiameterRange")->text(),
                 QString("8.8 to 267.2 mm: wider than the 8.73 mm holes for the tube and "
                         "narrower than the small loop's bottom arm less one tube diameter"));

        mast->setFocus();
        mast->selectAll();
        QTest::keyClicks(mast, QStringLiteral("0"));
        QTest::keyClick(mast, Qt::Key_Return);
        QCOMPARE(mast->text(), QStringLiteral("0 mm"));
        QCOMPARE(mast->value(), 32.0);
        QCOMPARE(Find<QLabel>("mastDiameterNote")->text(),
                 QStringLiteral("Mast outside diameter: 0 mm is outside 8.8 to 267.2 mm. Type a "
                                "value in that range; until then 32.0 mm is used."));
        QCOMPARE(Window().CurrentRequest().MastDiameterMm, 32.0);
        mast->selectAll();
        QTest::keyClicks(mast, QString::number(allowed.LeastMm));
        QTest::keyClick(mast, Qt::Key_Return);
        QCOMPARE(mast->value(), allowed.LeastMm);
        QVERIFY(Find<QLabel>("mastDiameterNote")->isHidden());
        QTRY_COMPARE(PreviewPages(),
                     zandrel::SheetPageCount(zandrel::ComputeConstructionSheet(
                                                 zandrel::HelixStyle::QuarterTurn, "137.50",
                                                 zandrel::Polarisation::Rhcp, allowed.LeastMm),
                                             zandrel::Paper::A4));

        // The widest mast the loops take makes a wide template, and the window counts its pages.
        mast->setValue(allowed.MostMm);
        const int pages = zandrel::SheetPageCount(
            zandrel::ComputeConstructionSheet(zandrel::HelixStyle::QuarterTurn, "137.50",
                                              zandrel::Polarisation::Rhcp, allowed.MostMm),
            zandrel::Paper::A4);
        QVERIFY(Find<QLabel>("pageCountValue")->text().startsWith(QString("%1:").arg(pages)));

        // Another style and frequency bring their own range: 1 TURN at 1691 MHz is under 20 mm
        // across.
        Find<QComboBox>("styleBox")->setCurrentIndex(4);
        zandrel::ShowConstructionSheetWindow(QStringLiteral("1691"));
        QCOMPARE(mast->maximum(), 17.6);
        QCOMPARE(mast->value(), 17.6);
        QVERIFY(Report() == nullptr);
    }

    // Zoom as a viewer does: buttons, Ctrl and the wheel, Ctrl+plus and Ctrl+minus.
    // Every number field keeps each keystroke: a value outside its range stays as typed, is
    // explained under the field, whether Tab or Enter leaves it, and the sheet keeps the value
    // before it until the text is corrected.
    void aTypedValueOutsideItsRangeIsKeptExplainedAndChangesNothing_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("leavingKey");
        QTest::addColumn<QString>("explained");
        QTest::addColumn<double>("corrected");
        QTest::newRow("a 400 mm mast, left with Tab")
            << "mastDiameterBox"
            << "400" << int(Qt::Key_Tab)
            << "Mast outside diameter: 400 mm is outside 8.8 to 267.2 mm. Type a value in that "
               "range; until then 32.0 mm is used."
            << 40.0;
        QTest::newRow("a line of 1500 ohm, left with Enter")
            << "z0Box"
            << "1500" << int(Qt::Key_Return)
            << "Line Z0: 1500 ohm is outside 1.0 to 1000.0 ohm. Type a value in that range; "
               "until then 50.0 ohm is used."
            << 75.0;
        QTest::newRow("a line of 0 ohm, left with Tab")
            << "z0Box"
            << "0" << int(Qt::Key_Tab)
            << "Line Z0: 0 ohm is outside 1.0 to 1000.0 ohm. Type a value in that range; until "
               "then 50.0 ohm is used."
            << 93.0;
        QTest::newRow("a 999 mm tube, left with Enter")
            << "conductorDiameterBox"
            << "999" << int(Qt::Key_Return)
            << "Tube or wire: 999 mm is outside 0.00 to 200.00 mm. Type a value in that range; "
               "until then the calculator's tube is used."
            << 6.0;
        QTest::newRow("a 9999 mm bend radius, left with Tab")
            << "bendRadiusBox"
            << "9999" << int(Qt::Key_Tab)
            << "Corner bends: 9999 mm is outside 0.0 to 1000.0 mm. Type a value in that range; "
               "until then sharp corners is used."
            << 10.0;
        QTest::newRow("a line with a decimal too many, left with Tab")
            << "z0Box"
            << "50.55" << int(Qt::Key_Tab)
            << "Line Z0: 50.55 has more than 1 decimal. Type a value from 1.0 to 1000.0 ohm; "
               "until then 50.0 ohm is used."
            << 50.5;
        QTest::newRow("a line that is no number, left with Enter")
            << "z0Box"
            << "5o" << int(Qt::Key_Return)
            << "Line Z0: \u201C5o\u201D is not a number. Type a value from 1.0 to 1000.0 ohm; "
               "until then 50.0 ohm is used."
            << 50.0;
    }
    void aTypedValueOutsideItsRangeIsKeptExplainedAndChangesNothing() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, leavingKey);
        QFETCH(QString, explained);
        QFETCH(double, corrected);
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        QTRY_VERIFY(CanSaveAndPrint());
        auto* box = Find<QDoubleSpinBox>(qPrintable(field));
        auto* note = Find<QLabel>(qPrintable(field.chopped(3) + QStringLiteral("Note")));
        QVERIFY(note->isHidden());
        const double before = box->value();
        const zandrel::SheetRequest asked = Window().CurrentRequest();

        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, static_cast<Qt::Key>(leavingKey));
        QCOMPARE(box->cleanText(), typed);
        QCOMPARE(box->value(), before);
        QVERIFY(note->isVisible());
        QCOMPARE(note->text(), explained);
        const zandrel::SheetRequest kept = Window().CurrentRequest();
        QCOMPARE(kept.MastDiameterMm, asked.MastDiameterMm);
        QCOMPARE(kept.ConductorDiameterMm, asked.ConductorDiameterMm);
        QCOMPARE(kept.BendRadiusMm, asked.BendRadiusMm);
        QCOMPARE(kept.Z0Ohm, asked.Z0Ohm);
        QVERIFY(Report() == nullptr);

        // Passing through the field again changes nothing either.
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(box->cleanText(), typed);
        QVERIFY(note->isVisible());

        // Corrected, the value is taken and the note goes.
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QString::number(corrected));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->value(), corrected);
        QVERIFY(note->isHidden());
        QTRY_VERIFY(CanSaveAndPrint());
    }

    // With "Tuned in NEC-2" on, a frequency the calculator refuses is said in the same plain
    // words as with it off, and nothing is tuned; the error's number is behind Show Details.
    void aRefusedFrequencyIsSaidInTheSameWordsTunedOrNot() {
        QSettings().setValue(QStringLiteral("tuned"), QStringLiteral("true"));
        zandrel::ShowConstructionSheetWindow(QStringLiteral("abc"));
        QVERIFY(Find<QCheckBox>("tunedBox")->isChecked());
        QTRY_VERIFY(Report() != nullptr);
        const QString words = Report()->text();
        QVERIFY2(words.contains(QStringLiteral("The frequency \u201Cabc\u201D is not a number")),
                 qPrintable(words));
        QVERIFY2(!words.contains(QStringLiteral("Error 13")) && !words.contains("Type mismatch") &&
                     !words.contains("tuned"),
                 qPrintable(words));
        QVERIFY(Report()->detailedText().startsWith(QStringLiteral("Error 13: Type mismatch")));
        QVERIFY(!Window().IsModelling());
        Report()->close();
        QTRY_VERIFY(Report() == nullptr);

        Find<QCheckBox>("tunedBox")->setChecked(false);
        QTRY_VERIFY(Report() != nullptr);
        QCOMPARE(Report()->text(), words);
    }

    // The sheet's match is to the line of Line Z0, and the window remembers it.
    void theMatchIsToTheLineOfLineZ0() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_VERIFY(CanSaveAndPrint());
        QVERIFY(Find<QLabel>("matchValue")->text().startsWith(QStringLiteral("to 50 ohm")));
        Find<QDoubleSpinBox>("z0Box")->setValue(75.0);
        QTRY_VERIFY(CanSaveAndPrint());
        QVERIFY2(Find<QLabel>("matchValue")->text().startsWith(QStringLiteral("to 75 ohm")),
                 qPrintable(Find<QLabel>("matchValue")->text()));
        QCOMPARE(Window().CurrentSheet().Match.Z0Ohm, 75.0);
        QCOMPARE(QSettings().value(QStringLiteral("z0Ohm")).toDouble(), 75.0);
    }

    // The preview takes the keyboard for scrolling and shows a frame in the highlight colour
    // while it has it.
    void thePreviewShowsAMarkWhileItHasTheKeyboard() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        QTRY_VERIFY(ShowsTheSheet());
        auto* view = Find<QPrintPreviewWidget>("preview")->findChild<QGraphicsView*>();
        QVERIFY(view != nullptr);
        const QColor highlight = view->palette().color(QPalette::Highlight);
        const auto edge = [view] {
            return view->grab().toImage().pixelColor(view->width() / 2, 0);
        };
        QVERIFY(edge() != highlight);
        view->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(view->hasFocus());
        QTRY_COMPARE(edge(), highlight);
        Find<QWidget>("closeButton")->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(edge() != highlight);
    }

    void thePreviewZoomsInAndOut() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        auto* preview = Find<QPrintPreviewWidget>("preview");
        QTRY_VERIFY(preview->pageCount() > 0);
        const auto zoomed = [preview](const std::function<void()>& action) {
            const qreal before = preview->zoomFactor();
            action();
            return preview->zoomFactor() / before;
        };
        QVERIFY(zoomed([] { Find<QPushButton>("zoomInButton")->click(); }) > 1.0);
        QVERIFY(zoomed([] { Find<QPushButton>("zoomOutButton")->click(); }) < 1.0);
        QWidget* pages = preview->findChild<QGraphicsView*>()->viewport();
        const auto wheel = [pages](int delta) {
            QWheelEvent turn(QPointF(50, 50), pages->mapToGlobal(QPointF(50, 50)), QPoint(),
                             QPoint(0, delta), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                             false);
            QApplication::sendEvent(pages, &turn);
        };
        QVERIFY(zoomed([&] { wheel(120); }) > 1.0);
        QVERIFY(zoomed([&] { wheel(-120); }) < 1.0);
        QVERIFY(zoomed([] { QTest::keyClick(&Window(), Qt::Key_Plus, Qt::ControlModifier); }) >
                1.0);
        QVERIFY(zoomed([] { QTest::keyClick(&Window(), Qt::Key_Minus, Qt::ControlModifier); }) <
                1.0);
        Find<QPushButton>("fitWidthButton")->click();
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
    }

    // Tab reaches every button, and Escape closes the window as its Close button does.
    void theKeyboardReachesEveryButtonAndEscapeCloses() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_COMPARE(QApplication::activeWindow(), &Window());
        QTRY_VERIFY(CanSaveAndPrint());
        Find<QComboBox>("styleBox")->setFocus();
        QList<QWidget*> reached;
        for (int press = 0; press < 18; ++press) {
            reached << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (QPushButton* button : Window().findChildren<QPushButton*>()) {
            QVERIFY2(reached.contains(button), qPrintable(button->objectName()));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!zandrel::ConstructionSheetWindowInstance().IsLoaded());
    }

    // It opens within a 1366 x 768 screen less a title bar and a panel, and at its smallest
    // every button stays whole and in the window.
    void itFitsALaptopScreenAndStaysUsableAtItsSmallest() {
        ConstructionSheetWindow& window = Window();
        const QSize room(1300, 640);  // 1366 x 768 less a panel, a frame and its title bar
        QVERIFY2(room.expandedTo(window.size()) == room,
                 qPrintable(QString("%1x%2").arg(window.width()).arg(window.height())));
        QVERIFY(room.expandedTo(window.minimumSizeHint()) == room);

        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        window.resize(window.minimumSizeHint());
        QTRY_COMPARE(window.size(), window.minimumSizeHint());
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
            const QRect place(button->mapTo(&window, QPoint(0, 0)), button->size());
            QVERIFY2(window.rect().contains(place), qPrintable(button->objectName()));
            QVERIFY2(button->width() >= button->sizeHint().width(),
                     qPrintable(button->objectName()));
        }
        QVERIFY(ShowsTheSheet());
    }

    // The builder's tube or wire, bent corners and units reach the sheet, and come back in the
    // next window.
    void theBuildersPartsReachTheSheetAndAreRemembered() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        Find<QComboBox>("styleBox")->setCurrentIndex(3);
        QCOMPARE(Find<QDoubleSpinBox>("conductorDiameterBox")->text(),
                 QString("the calculator's tube"));
        QCOMPARE(Find<QDoubleSpinBox>("bendRadiusBox")->text(), QString("sharp corners"));
        Find<QDoubleSpinBox>("conductorDiameterBox")->setValue(6.0);
        Find<QDoubleSpinBox>("bendRadiusBox")->setValue(30.0);
        Find<QComboBox>("unitsBox")->setCurrentIndex(1);
        QTRY_VERIFY(CanSaveAndPrint());
        zandrel::ConstructionSheet sheet = Window().CurrentSheet();
        QCOMPARE(sheet.ConductorDiameterMm, 6.0);
        QVERIFY(sheet.Units == zandrel::LengthUnit::Inch);
        QCOMPARE(sheet.BendRadiusMm, 30.0);
        // 2363.91 mm less 4 x (2 - pi/2) x 30 mm is 2312.41 mm, 91.04 in.
        const auto bent = std::find_if(sheet.CutList.begin(), sheet.CutList.end(),
                                       [](const zandrel::CutListLine& line) {
                                           return line.Part.rfind("Tube to cut", 0) == 0;
                                       });
        QVERIFY(bent != sheet.CutList.end());
        QCOMPARE(QString::fromStdString(bent->LengthText), QString("91.04"));
        // The holes' circles have the wire's size: its model is the sheet's.
        QCOMPARE(sheet.Geometry.ConductorDiameterMm, 6.0);
        Window().close();
        QTRY_VERIFY(!zandrel::ConstructionSheetWindowInstance().IsLoaded());

        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QCOMPARE(Find<QDoubleSpinBox>("conductorDiameterBox")->value(), 6.0);
        QCOMPARE(Find<QDoubleSpinBox>("bendRadiusBox")->value(), 30.0);
        QCOMPARE(Find<QComboBox>("unitsBox")->currentIndex(), 1);
        // Letter paper leaves the unit alone.
        Find<QComboBox>("unitsBox")->setCurrentIndex(0);
        Find<QComboBox>("paperBox")->setCurrentIndex(1);
        QTRY_VERIFY(ShowsTheSheet());
        QVERIFY(Window().CurrentSheet().Units == zandrel::LengthUnit::Millimetre);
        // A bend that does not fit in the top arms is refused in words.
        Find<QDoubleSpinBox>("bendRadiusBox")->setValue(200.0);
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY2(Report()->text().contains(QStringLiteral("does not fit in the top arm")),
                 qPrintable(Report()->text()));
        Report()->close();
        QVERIFY(!ShowsTheSheet());
    }

    // The match is modelled in nec2c as the sheet's antenna is built; without nec2c the window
    // says so and the sheet is made all the same.
    void theMatchComesFromNec2cOrTheSheetSaysWhyNot() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        QTRY_VERIFY(!Window().IsModelling());
        const zandrel::ConstructionSheet modelled = Window().CurrentSheet();
        QVERIFY(modelled.Match.Modelled);
        // The two parts put back in front of the modelled antenna leave no reflection.
        QVERIFY(std::fabs(zandrel::SwrOn(modelled.Match.Network.InputImpedance(
                                             modelled.Match.Impedance, 137.5),
                                         50.0) -
                          1.0) < 1e-6);
        QVERIFY2(
            Find<QLabel>("matchValue")->text().startsWith(QStringLiteral("to 50 ohm: series ")),
            qPrintable(Find<QLabel>("matchValue")->text()));

        const QByteArray path = qgetenv("PATH");
        QTemporaryDir nowhere;
        qputenv("PATH", QFile::encodeName(nowhere.path()));
        Find<QDoubleSpinBox>("conductorDiameterBox")->setValue(5.0);
        qputenv("PATH", path);
        QVERIFY(ShowsTheSheet());
        QVERIFY(CanSaveAndPrint());
        QVERIFY2(Find<QLabel>("matchValue")->text().contains(QStringLiteral("nec2c was not found")),
                 qPrintable(Find<QLabel>("matchValue")->text()));
        QVERIFY(!Window().CurrentSheet().Match.Modelled);
        QVERIFY(Report() == nullptr);
    }

    // Tuned in NEC-2: the sheet waits for the tuning, then draws the tuned loops, whose model
    // has the reactance the tuning promised.
    void tunedInNec2cDrawsTheTunedLoopsOnceTheyAreTuned() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        Find<QCheckBox>("tunedBox")->setChecked(true);
        QVERIFY(!ShowsTheSheet());
        QVERIFY(Find<QLabel>("noSheetMessage")->text().startsWith(QStringLiteral("Tuning")));
        QVERIFY(!CanSaveAndPrint());
        QTRY_VERIFY_WITH_TIMEOUT(ShowsTheSheet() && CanSaveAndPrint(), 180000);
        const zandrel::ConstructionSheet sheet = Window().CurrentSheet();
        QVERIFY(sheet.Tuned.has_value());
        QVERIFY(sheet.Tuned->SmallScale != 1.0 || sheet.Tuned->LargeScale != 1.0);
        QCOMPARE(sheet.Geometry.SmallLoopScale, sheet.Tuned->SmallScale);
        QVERIFY(sheet.Match.Modelled);
        QVERIFY2(std::fabs(sheet.Match.Impedance.imag()) <= 1.0 + 1e-6,
                 qPrintable(QString::number(sheet.Match.Impedance.imag())));
        QVERIFY(Report() == nullptr);
        // Unticked, the calculator's loops come back at once: nothing is tuned twice.
        Find<QCheckBox>("tunedBox")->setChecked(false);
        QTRY_VERIFY(CanSaveAndPrint());
        QVERIFY(!Window().CurrentSheet().Tuned.has_value());
        Find<QCheckBox>("tunedBox")->setChecked(true);
        QVERIFY(ShowsTheSheet());
    }

    // Closed while nec2c tunes the loops (here a nec2c that never ends), the window stops the
    // tuning and the sheet's modelling at once: no engine is left running and no folder is left.
    void closingWhileTuningLeavesNoEngineAndNoFolder() {
        zandrel::test_support::StandInEngine engine(zandrel::test_support::HangingEngine);
        const QTemporaryDir runs;
        QVERIFY(runs.isValid());
        const QByteArray savedPath = qgetenv("PATH");
        const QByteArray savedTmp = qgetenv("TMPDIR");
        qputenv("PATH", QByteArray::fromStdString(engine.Folder().string()));
        qputenv("TMPDIR", runs.path().toUtf8());
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        Find<QCheckBox>("tunedBox")->setChecked(true);
        // The sheet's model and the tuning each start an engine, and each engine its child.
        const std::vector<pid_t> started = engine.WaitForStarts(4, std::chrono::seconds(20));
        Window().close();
        QTRY_VERIFY(!zandrel::ConstructionSheetWindowInstance().IsLoaded());
        qputenv("PATH", savedPath);
        qputenv("TMPDIR", savedTmp);
        QCOMPARE(started.size(), std::size_t{4});
        QVERIFY2(engine.StillRunning(std::chrono::seconds(5)).empty(),
                 "the stand-in nec2c is still running");
        QTRY_VERIFY2(QDir(runs.path()).isEmpty(),
                     qPrintable(QDir(runs.path())
                                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                                    .join(QLatin1Char(' '))));
    }

    // Style, polarisation, paper and mast come back in the next window, and in the next run
    // of the program; the default file name follows them.
    void theWindowRemembersItsChoices() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        Find<QComboBox>("styleBox")->setCurrentIndex(3);
        Find<QComboBox>("polarisationBox")->setCurrentIndex(1);
        Find<QComboBox>("paperBox")->setCurrentIndex(1);
        Find<QDoubleSpinBox>("mastDiameterBox")->setValue(40.5);
        QCOMPARE(Window().DefaultFileName(),
                 QString("zandrel2-HalfTurnTall-137.50MHz-LHCP-letter.pdf"));
        Window().close();
        QTRY_VERIFY(!zandrel::ConstructionSheetWindowInstance().IsLoaded());

        zandrel::ShowConstructionSheetWindow(QStringLiteral("145.80"));
        QCOMPARE(Find<QComboBox>("styleBox")->currentIndex(), 3);
        QCOMPARE(Find<QComboBox>("polarisationBox")->currentIndex(), 1);
        QCOMPARE(Find<QComboBox>("paperBox")->currentIndex(), 1);
        QCOMPARE(Find<QDoubleSpinBox>("mastDiameterBox")->value(), 40.5);
        QTRY_COMPARE(PreviewPages(),
                     zandrel::SheetPageCount(zandrel::ComputeConstructionSheet(
                                                 zandrel::HelixStyle::HalfTurnTall, "145.80",
                                                 zandrel::Polarisation::Lhcp, 40.5),
                                             zandrel::Paper::Letter));
        QCOMPARE(Window().DefaultFileName(),
                 QString("zandrel2-HalfTurnTall-145.80MHz-LHCP-letter.pdf"));
        const QSettings stored(settings_.filePath(QStringLiteral("zandrel2/zandrel2.conf")),
                               QSettings::IniFormat);
        QCOMPARE(stored.value("paper").toString(), QString("letter"));
        QCOMPARE(stored.value("mastDiameterMm").toDouble(), 40.5);
    }

    void readsTheTunedChoiceOnlyFromTrueOrFalse() {
        for (const QString& written : {QStringLiteral("99"), QStringLiteral("1"),
                                       QStringLiteral("yes"), QStringLiteral("false")}) {
            QSettings stored(settings_.filePath(QStringLiteral("zandrel2/zandrel2.conf")),
                             QSettings::IniFormat);
            stored.setValue("tuned", written);
            stored.sync();
            zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
            QVERIFY2(!Find<QCheckBox>("tunedBox")->isChecked(), qPrintable(written));
            Window().close();
            QTRY_VERIFY(!zandrel::ConstructionSheetWindowInstance().IsLoaded());
        }
    }
};

}  // namespace

QTEST_MAIN(SheetWindowTest)
#include "sheet_window_test.moc"
