// The forms runtime: pointer files, the browser, text boxes, clickable labels and error reports.
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <new>
#include <stdexcept>

#include "clickable_label.h"
#include "cursor_file.h"
#include "forms.h"
#include "forms_error.h"
#include "numeric_error.h"
#include "web_page.h"

namespace {

QByteArray HandCursor() {
    QFile file(QStringLiteral(ZANDREL2_SOURCE_DIR "/windows/web_link/hand.cur"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void SetLittleEndian16(QByteArray& data, int offset, int value) {
    data[offset] = static_cast<char>(value & 0xFF);
    data[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void ExpectRuntimeError(zandrel::FormsErrorKind kind, int number, const char* message,
                        const std::function<void()>& action) {
    try {
        action();
        QFAIL("no run-time error was raised");
    } catch (const zandrel::FormsError& error) {
        QCOMPARE(error.Kind(), kind);
        QCOMPARE(error.Number(), number);
        QCOMPARE(QString::fromStdString(error.Message()), QString(message));
    }
}

}  // namespace

class FormsTest : public QObject {
    Q_OBJECT

  public slots:
    void RecordUrl(const QUrl& url) { opened_ << url.toString(); }

  private:
    QStringList opened_;

  private slots:
    void initTestCase() { zandrel::InstallRuntimeDefaults(*qApp); }

    void cleanup() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        opened_.clear();
    }

    void readsTheHotSpotOfTheHandCursor() {
        const QByteArray file = HandCursor();
        QCOMPARE(file.size(), 326);
        QCOMPARE(zandrel::ReadCursorHotSpot(file), std::optional<QPoint>(QPoint(13, 9)));
        const QCursor cursor = zandrel::LoadCursorFile(
            QStringLiteral(ZANDREL2_SOURCE_DIR "/windows/web_link/hand.cur"));
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(13, 9));
    }

    void rejectsEveryTruncationOfTheCursorFile() {
        const QByteArray file = HandCursor();
        for (qsizetype size = 0; size < file.size(); ++size) {
            QVERIFY2(!zandrel::ReadCursorHotSpot(file.left(size)).has_value(),
                     qPrintable(QString::number(size)));
        }
    }

    void rejectsMalformedCursorFiles_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::newRow("reserved field set") << 0 << 1;
        QTest::newRow("an icon, not a cursor") << 2 << 1;
        QTest::newRow("no images") << 4 << 0;
        QTest::newRow("more images than entries") << 4 << 40;
        QTest::newRow("hot spot right of the image") << 10 << 32;
        QTest::newRow("hot spot below the image") << 12 << 300;
        QTest::newRow("image past the end") << 18 << 0x7FFF;
        QTest::newRow("image offset past the end") << 20 << 400;
    }

    void rejectsMalformedCursorFiles() {
        QFETCH(int, offset);
        QFETCH(int, value);
        QByteArray file = HandCursor();
        SetLittleEndian16(file, offset, value);
        QVERIFY(!zandrel::ReadCursorHotSpot(file).has_value());
    }

    void aFileThatIsNotACursorGivesTheArrow() {
        QCOMPARE(zandrel::LoadCursorFile(QStringLiteral("/nonexistent/hand.cur")).shape(),
                 Qt::ArrowCursor);
        QTemporaryDir folder;
        QFile broken(folder.filePath(QStringLiteral("broken.cur")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(HandCursor().left(100));
        broken.close();
        QCOMPARE(zandrel::LoadCursorFile(broken.fileName()).shape(), Qt::ArrowCursor);
    }

    void opensAnAbsoluteAddressInTheBrowser() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "RecordUrl");
        zandrel::OpenInBrowser(QStringLiteral("https://example.org/qfh?band=2m/"));
        QCOMPARE(opened_, QStringList{"https://example.org/qfh?band=2m/"});
    }

    void anAddressThatCannotBeOpenedRaisesFileNotFound() {
        for (const char* address : {"", "not an address", "/relative/page"}) {
            ExpectRuntimeError(zandrel::FormsErrorKind::FileNotFound, 53, "File not found",
                               [address] { zandrel::OpenInBrowser(QString::fromLatin1(address)); });
        }
    }

    void multiLineBoxesReadTheirBreaksAsCarriageReturnLineFeed() {
        QPlainTextEdit box;
        zandrel::SetBoxText(box, QStringLiteral("ONE\r\nTWO\r\n"));
        QCOMPARE(box.blockCount(), 3);
        QCOMPARE(zandrel::BoxText(box), QString("ONE\r\nTWO\r\n"));
        QLineEdit line;
        zandrel::SetBoxText(line, QStringLiteral("137.50"));
        QCOMPARE(zandrel::BoxText(line), QString("137.50"));
        QLabel label;
        QVERIFY_THROWS_EXCEPTION(std::logic_error, zandrel::BoxText(label));
    }

    void unloadingEveryFormAlsoUnloadsTheReportsOverThem() {
        QPointer<QWidget> form = new QWidget();
        form->show();
        zandrel::ReportRuntimeError(*form,
                                    zandrel::NumericError(zandrel::NumericErrorKind::Overflow),
                                    QStringLiteral("why"));
        QPointer<QMessageBox> report =
            form->findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
        QVERIFY(!report.isNull());
        QVERIFY(QApplication::topLevelWidgets().contains(report.data()));
        zandrel::UnloadAllForms();
        QVERIFY(form.isNull() && report.isNull());
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void everyErrorThatLeavesAHandlerIsReportedForWhatItIs_data() {
        QTest::addColumn<std::function<void()>>("handler");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("explanation");
        QTest::newRow("a run-time error with its detail") << std::function<void()>([] {
            throw zandrel::FormsError(zandrel::FormsErrorKind::PrinterError, "the printer said no");
        }) << "Run-time error '482':\n\nPrinter error"
                                                          << "The printer said no.";
        QTest::newRow("running out of memory")
            << std::function<void()>([] { throw std::bad_alloc(); })
            << "Run-time error '7':\n\nOut of memory"
            << "There was not enough memory to finish.";
        QTest::newRow("a standard exception")
            << std::function<void()>([] { throw std::out_of_range("index 12 of 11"); })
            << "Run-time error '51':\n\nInternal error"
            << "Index 12 of 11.";
        QTest::newRow("anything else")
            << std::function<void()>([] { throw 42; }) << "Run-time error '51':\n\nInternal error"
            << "An unknown error was raised.";
    }

    void everyErrorThatLeavesAHandlerIsReportedForWhatItIs() {
        QFETCH(std::function<void()>, handler);
        QFETCH(QString, text);
        QFETCH(QString, explanation);
        QWidget form;
        form.show();
        zandrel::RunReportingErrors(form, handler);
        auto* report = form.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
        QVERIFY(report != nullptr);
        QCOMPARE(report->text(), text);
        QCOMPARE(report->informativeText(), explanation);
        report->accept();
    }

    void theReportShowsMarkupAsPlainText() {
        QWidget form;
        form.show();
        const QString typed = QStringLiteral("<img src=\"x.png\"><a href=\"https://x\">137</a>");
        zandrel::ReportRuntimeError(
            form, zandrel::NumericError(zandrel::NumericErrorKind::TypeMismatch), typed);
        auto* report = form.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
        QVERIFY(report != nullptr);
        QCOMPARE(report->textFormat(), Qt::PlainText);
        QCOMPARE(report->informativeText(), typed);
        // What the labels of the report show, as a reader sees it.
        QStringList shown;
        for (const QLabel* label : report->findChildren<QLabel*>()) {
            QVERIFY2(label->textFormat() == Qt::PlainText || label->text().isEmpty() ||
                         !label->text().contains(QLatin1Char('<')),
                     qPrintable(label->objectName()));
            shown << label->text();
        }
        QVERIFY(shown.contains(typed));
        report->accept();
    }

    void aReportingSlotRunsItsWindowsHandlerOrAnyCallableAndReportsItsError() {
        struct Window : QWidget {
            int runs = 0;
            void Handle() {
                ++runs;
                throw zandrel::NumericError(zandrel::NumericErrorKind::Overflow);
            }
        } window;
        window.show();
        const auto explain = [](const zandrel::RuntimeError& error) {
            return QStringLiteral("explained %1").arg(error.Number());
        };
        auto* member = new QPushButton(&window);
        QObject::connect(member, &QPushButton::clicked, &window,
                         zandrel::ReportingErrors(&window, &Window::Handle, explain));
        auto* callable = new QPushButton(&window);
        QObject::connect(callable, &QPushButton::clicked, &window,
                         zandrel::ReportingErrors(
                             &window,
                             [&window] {
                                 window.runs += 10;
                                 throw zandrel::NumericError(
                                     zandrel::NumericErrorKind::DivisionByZero);
                             },
                             explain));
        for (QPushButton* button : {member, callable}) {
            QTest::mouseClick(button, Qt::LeftButton);
            auto* report = window.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
            QVERIFY(report != nullptr);
            QCOMPARE(report->informativeText(),
                     QString("explained %1").arg(button == member ? 6 : 11));
            delete report;
        }
        QCOMPARE(window.runs, 11);
    }

    void aClickableLabelIsClickedByALeftPressAndReleaseInsideIt() {
        QWidget form;
        auto* label = new zandrel::ClickableLabel(QStringLiteral("link"), &form);
        label->setGeometry(0, 40, 100, 20);
        form.show();
        int clicks = 0;
        QObject::connect(label, &zandrel::ClickableLabel::clicked, &form, [&clicks] { ++clicks; });
        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(95, 10));
        QCOMPARE(clicks, 1);
        QTest::mouseClick(label, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(150, 5));
        QCOMPARE(clicks, 1);
    }
};

QTEST_MAIN(FormsTest)
#include "forms_test.moc"
