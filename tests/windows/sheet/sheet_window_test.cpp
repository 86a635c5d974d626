// The construction sheet window: its choices, its preview, saving and printing at 1:1, and the
// reports of everything that can go wrong.
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "construction_sheet_window.h"
#include "fifo_reader.h"
#include "forms.h"
#include "pdf_read_back.h"

using zandrel::ConstructionSheetWindow;

namespace {

ConstructionSheetWindow& Window() { return zandrel::ConstructionSheetWindowInstance().Get(); }

template <typename Control>
Control* Find(const char* name) {
    return Window().findChild<Control*>(QString::fromLatin1(name));
}

int PreviewPages() { return Find<QPrintPreviewWidget>("preview")->pageCount(); }

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

  private slots:
    void cleanup() {
        zandrel::UnloadAllForms();
        QTRY_VERIFY(!zandrel::ConstructionSheetWindowInstance().IsLoaded());
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
        QTRY_COMPARE(PreviewPages(),
                     SheetPages(zandrel::HelixStyle::QuarterTurn, zandrel::Paper::A4));

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
        const QString path = folder.filePath(QStringLiteral("mast.pdf"));
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        Find<QComboBox>("styleBox")->setCurrentIndex(4);
        Find<QComboBox>("polarisationBox")->setCurrentIndex(1);
        Find<QDoubleSpinBox>("mastDiameterBox")->setValue(40.0);
        bool asked = false;
        WhenADialogOpens([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            asked = files != nullptr;
            QVERIFY(files != nullptr);
            QVERIFY(files->selectedFiles().value(0).endsWith(
                QStringLiteral("zandrel2-OneTurn-137.50.pdf")));
            files->selectFile(path);
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

    void printsAtOneToOneWhateverThePrintersMargins() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("printed.pdf"));
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
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

    void printAsksForAPrinterAndCancellingPrintsNothing() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        bool asked = false;
        WhenADialogOpens([&](QWidget* dialog) {
            asked = qobject_cast<QPrintDialog*>(dialog) != nullptr;
            QVERIFY(asked);
            qobject_cast<QDialog*>(dialog)->reject();
        });
        Find<QPushButton>("printButton")->click();
        QVERIFY(asked);
        QVERIFY(Report() == nullptr);
    }

    void reportsABadFrequencyAndGoesOn() {
        zandrel::ShowConstructionSheetWindow(QStringLiteral("abc"));
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY(Report()->text().contains(QStringLiteral("Run-time error '13'")));
        QVERIFY(Report()->text().contains(QStringLiteral("Type mismatch")));
        QVERIFY(Report()->informativeText().contains(
            QStringLiteral("The frequency \u201Cabc\u201D is not a number")));
        Report()->close();
        QTRY_VERIFY(Report() == nullptr);

        // Saving says the same and asks for no file.
        Find<QPushButton>("saveButton")->click();
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY(Report()->informativeText().startsWith(
            QStringLiteral("The sheet could not be saved.")));
        QVERIFY(QApplication::activeModalWidget() == nullptr ||
                qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) == nullptr);
        QVERIFY(Window().isVisible());
    }

    void reportsASheetTooLongToPrint() {
        // At 20 MHz the 1/4 TURN's 60 mm tube would cut the 32 mm mast through.
        zandrel::ShowConstructionSheetWindow(QStringLiteral("20"));
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY(Report()->text().contains(QStringLiteral("Run-time error '380'")));
        QVERIFY(Report()->informativeText().contains(QStringLiteral("32 mm mast")));
        Report()->close();
        QTRY_VERIFY(Report() == nullptr);
        // A 450 mm mast fits, and needs more template pages than a sheet has.
        Find<QDoubleSpinBox>("mastDiameterBox")->setValue(450.0);
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY(Report()->text().contains(QStringLiteral("Run-time error '17'")));
        QVERIFY(
            Report()->informativeText().contains(QStringLiteral("drilling template would need")));
        Report()->close();
        QTRY_VERIFY(Report() == nullptr);
        Find<QPushButton>("printButton")->click();
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY(Report()->informativeText().startsWith(
            QStringLiteral("The sheet could not be printed.")));
    }

    void reportsAFileThatCannotBeWritten() {
        QTemporaryDir folder;
        zandrel::ShowConstructionSheetWindow(QStringLiteral("137.50"));
        const QString path = folder.filePath(QStringLiteral("missing/sheet.pdf"));
        zandrel::RunReportingErrors(Window(), [&] { Window().SavePdfTo(path); });
        QTRY_VERIFY(Report() != nullptr);
        QVERIFY(Report()->text().contains(QStringLiteral("Run-time error '75'")));
        QVERIFY(Report()->text().contains(QStringLiteral("Path/File access error")));
        QVERIFY(Report()->informativeText().contains(path));
        QVERIFY(QDir(folder.path()).isEmpty());
    }
};

}  // namespace

QTEST_MAIN(SheetWindowTest)
#include "sheet_window_test.moc"
