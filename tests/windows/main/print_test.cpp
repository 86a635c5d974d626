// PRINT on a real printer queue (a PDF printer) and on a machine with no printer at all.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProcess>
#include <QtTest>

#include "forms.h"
#include "main_window.h"

class PrintTest : public QObject {
    Q_OBJECT

  private:
    // Where the PDF printer leaves the jobs, as the test command that set it up says.
    const QDir output_{qEnvironmentVariable("ZANDREL2_PRINTER_OUTPUT")};

    QStringList Printed() const {
        return output_.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }

    QString WaitForNewPrint(const QStringList& before) const {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 30000) {
            for (const QString& name : Printed()) {
                // A job's file appears under its name only once it is complete.
                if (!before.contains(name)) {
                    return output_.filePath(name);
                }
            }
            QTest::qWait(100);
        }
        return {};
    }

    static QString TextOf(const QString& pdf) {
        QProcess reader;
        reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
        reader.waitForFinished(30000);
        return QString::fromUtf8(reader.readAllStandardOutput());
    }

    static zandrel::MainWindow& MainWindow() {
        zandrel::MainWindowInstance().Show();
        return zandrel::MainWindowInstance().Get();
    }

    static void Click(const char* button) {
        QTest::mouseClick(MainWindow().findChild<QAbstractButton*>(button), Qt::LeftButton);
    }

    static QMessageBox* Report() {
        return MainWindow().findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
    }

  private slots:
    void initTestCase() { zandrel::InstallRuntimeDefaults(*qApp); }

    void cleanup() { zandrel::UnloadAllForms(); }

    void printsTheWindowAsItShowsBeforeAndAfterACompute() {
        if (!qEnvironmentVariableIsSet("ZANDREL2_PRINTER_OUTPUT")) {
            QSKIP("needs the PDF printer queue that the test command sets up");
        }
        QVERIFY(!QPrinterInfo::defaultPrinter().isNull());
        QVERIFY(QTest::qWaitForWindowExposed(&MainWindow()));

        QStringList before = Printed();
        Click("printButton");
        QVERIFY(Report() == nullptr);
        const QString first = WaitForNewPrint(before);
        QVERIFY2(!first.isEmpty(), "the first job did not arrive");
        const QString firstText = TextOf(first);
        QVERIFY2(firstText.contains("QUADRIFILAR"), qPrintable(firstText));
        QCOMPARE(firstText.count(QRegularExpression("\\b0\\.0\\b")), 11);
        QVERIFY(firstText.contains("137.50"));
        QVERIFY(!firstText.contains("2410.11"));

        Click("quarterTurnButton");
        before = Printed();
        Click("printButton");
        const QString second = WaitForNewPrint(before);
        QVERIFY2(!second.isEmpty(), "the second job did not arrive");
        const QString secondText = TextOf(second);
        for (const char* value : {"8.73", "2410.11", "2427.1", "129.27", "276", "912.47", "921.2",
                                  "937.84", "946.33"}) {
            QVERIFY2(secondText.contains(value), value);
        }
        QCOMPARE(secondText.count(QRegularExpression("\\b0\\.0\\b")), 0);
    }

    // Runs a CUPS command on the private print server's queue; true when it succeeded.
    static bool Queue(const char* command) {
        QProcess process;
        process.start(QString::fromLatin1(command), {QStringLiteral("ZandrelPDF")});
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    void aQueueThatCannotTakeTheJobIsReportedAndNothingIsPrinted_data() {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("restart");
        QTest::addColumn<QString>("reason");
        QTest::newRow("rejecting jobs") << "cupsreject"
                                        << "cupsaccept"
                                        << "is not accepting jobs";
        QTest::newRow("stopped") << "cupsdisable"
                                 << "cupsenable"
                                 << "is stopped";
    }

    void aQueueThatCannotTakeTheJobIsReportedAndNothingIsPrinted() {
        QFETCH(QString, stop);
        QFETCH(QString, restart);
        QFETCH(QString, reason);
        if (!qEnvironmentVariableIsSet("ZANDREL2_PRINTER_OUTPUT")) {
            QSKIP("needs the private print server that the test command sets up");
        }
        QVERIFY(QTest::qWaitForWindowExposed(&MainWindow()));
        QVERIFY(Queue(qPrintable(stop)));
        const QStringList before = Printed();
        Click("printButton");
        const bool restarted = Queue(qPrintable(restart));

        QMessageBox* report = Report();
        QVERIFY(report != nullptr);
        QCOMPARE(report->text(), QString("Run-time error '482':\n\nPrinter error"));
        QVERIFY2(report->informativeText().contains("ZandrelPDF " + reason),
                 qPrintable(report->informativeText()));
        report->accept();
        QVERIFY(restarted);
        QCOMPARE(Printed(), before);
        QProcess jobs;
        jobs.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), QStringLiteral("ZandrelPDF")});
        QVERIFY(jobs.waitForFinished(30000));
        QCOMPARE(jobs.readAllStandardOutput(), QByteArray());
    }

    void withNoPrinterPrintSaysSoAndTheProgramGoesOn() {
        if (!QPrinterInfo::defaultPrinter().isNull()) {
            QSKIP("a default printer is set up");
        }
        QVERIFY(QTest::qWaitForWindowExposed(&MainWindow()));
        Click("printButton");
        QMessageBox* report = Report();
        QVERIFY(report != nullptr);
        QCOMPARE(report->text(), QString("Run-time error '482':\n\nPrinter error"));
        QVERIFY2(report->informativeText().contains("no default printer is set up"),
                 qPrintable(report->informativeText()));
        report->accept();
        QTRY_VERIFY(Report() == nullptr);
        Click("halfTurnRcaButton");
        QCOMPARE(MainWindow().findChild<QLineEdit*>("tubeDiameterBox")->text(), QString("19.2"));
    }
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
