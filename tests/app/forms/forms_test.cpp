// The runtime layer: pointer files, shell commands, text of text boxes and click binding.
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

#include "cursor_file.h"
#include "forms.h"
#include "runtime_error.h"
#include "shell.h"

namespace {

QByteArray HandCursor() {
    QFile file(QStringLiteral(ZANDREL2_SOURCE_DIR "/ui/aux/hand.cur"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void SetLittleEndian16(QByteArray& data, int offset, int value) {
    data[offset] = static_cast<char>(value & 0xFF);
    data[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void ExpectRuntimeError(zandrel::RuntimeErrorKind kind, int number, const char* message,
                        const std::function<void()>& action) {
    try {
        action();
        QFAIL("no run-time error was raised");
    } catch (const zandrel::RuntimeError& error) {
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
        const QCursor cursor =
            zandrel::LoadCursorFile(QStringLiteral(ZANDREL2_SOURCE_DIR "/ui/aux/hand.cur"));
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

    void startExeOpensItsArgumentInTheBrowser() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "RecordUrl");
        const double task =
            zandrel::Shell(QStringLiteral("start.exe https://example.org/qfh?band=2m/"),
                           zandrel::ShellWindow::Hidden);
        QVERIFY(task > 0);
        QCOMPARE(opened_, QStringList{"https://example.org/qfh?band=2m/"});
    }

    void startExeWithoutAnAddressRaisesFileNotFound() {
        ExpectRuntimeError(zandrel::RuntimeErrorKind::FileNotFound, 53, "File not found", [] {
            zandrel::Shell(QStringLiteral("start.exe"), zandrel::ShellWindow::Hidden);
        });
        ExpectRuntimeError(zandrel::RuntimeErrorKind::FileNotFound, 53, "File not found", [] {
            zandrel::Shell(QStringLiteral("start.exe not an address"),
                           zandrel::ShellWindow::Hidden);
        });
    }

    void otherProgramsStartDirectlyWithoutACommandInterpreter() {
        QTemporaryDir folder;
        const QString command = QStringLiteral("touch %1/plain %1/a;touch %1/b").arg(folder.path());
        QVERIFY(zandrel::Shell(command, zandrel::ShellWindow::Hidden) > 0);
        QTRY_VERIFY(QFile::exists(folder.filePath("plain")));
        QTRY_VERIFY(QFile::exists(folder.filePath("a;touch")));
        QVERIFY(!QFile::exists(folder.filePath("a")));
        ExpectRuntimeError(zandrel::RuntimeErrorKind::FileNotFound, 53, "File not found", [] {
            zandrel::Shell(QStringLiteral("no-such-program-here --flag"),
                           zandrel::ShellWindow::Hidden);
        });
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
                                    zandrel::RuntimeError(zandrel::RuntimeErrorKind::Overflow),
                                    QStringLiteral("why"));
        QPointer<QMessageBox> report =
            form->findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
        QVERIFY(!report.isNull());
        QVERIFY(QApplication::topLevelWidgets().contains(report.data()));
        zandrel::UnloadAllForms();
        QVERIFY(form.isNull() && report.isNull());
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void aBoundClickReportsARunTimeErrorAndTheProgramGoesOn() {
        QWidget form;
        auto* button = new QPushButton(&form);
        button->setObjectName("Command1");
        auto* label = new QLabel(QStringLiteral("link"), &form);
        label->setObjectName("lblWebPage");
        label->setGeometry(0, 40, 100, 20);
        int clicks = 0;
        zandrel::BindClick(form, "Command1", [] {
            throw zandrel::RuntimeError(zandrel::RuntimeErrorKind::PrinterError,
                                        "the printer said no");
        });
        zandrel::BindClick(form, "lblWebPage", [&clicks] { ++clicks; });
        QVERIFY_THROWS_EXCEPTION(std::logic_error, zandrel::BindClick(form, "Command2", [] {}));
        form.show();

        QTest::mouseClick(button, Qt::LeftButton);
        auto* report = form.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
        QVERIFY(report != nullptr);
        QCOMPARE(report->text(), QString("Run-time error '482':\n\nPrinter error"));
        QCOMPARE(report->informativeText(), QString("The printer said no."));
        report->accept();

        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(95, 10));
        QTest::mouseClick(label, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(150, 5));
        QCOMPARE(clicks, 1);
    }
};

QTEST_MAIN(FormsTest)
#include "forms_test.moc"
