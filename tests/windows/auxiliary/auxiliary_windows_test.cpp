// The information and web link windows, and the INFO and WEBSITE buttons that show them.
#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>
#include <limits>

#include "event_loop.h"
#include "forms.h"
#include "information_window.h"
#include "main_window.h"
#include "web_link_window.h"

namespace {

const QString Address = QStringLiteral(ZANDREL2_WEB_ADDRESS);

// Expands "[n]" into n spaces and ends every line with CR LF.
QString Stored(const QStringList& lines) {
    static const QRegularExpression run(QStringLiteral("\\[(\\d+)\\]"));
    QString text;
    for (const QString& line : lines) {
        QString expanded = line;
        QRegularExpressionMatch match;
        while ((match = run.match(expanded)).hasMatch()) {
            expanded.replace(match.capturedStart(), match.capturedLength(),
                             QString(match.captured(1).toInt(), QLatin1Char(' ')));
        }
        text += expanded + QStringLiteral("\r\n");
    }
    return text;
}

const QString ResultsTable = Stored({
    "1/4 * .3[19]20[21].012mh[27]1[21]2.6[19]>6MHZ solid but lowest gain",
    ".[189]",
    "RCA[24]24[21].005[30]1.8[19]2.58[20]6[6]best above 30 degrees[1]",
    "[1]",
    "1/2 * .3[19]13[22].003[30]5[22]5.07 max gain[5]4[5]best horizon but nulls[4]",
    ".[189]",
    "1/2 * .44[17]16[22].00005[25]2.4[21]3.4[22]4.5[2]max gain at all angles[3]",
    ".[156]",
    "1 * .37[21]5[24].01[31]4[22]4.7[14]max gain at plus 30 degrees & up[2]",
    ".[189]",
    "1.5 * .1[18]121[13]1/4 wave[2]75 ohm[17]0[22]4.1[8]solid no nulls , max gain at 0 degrees[1]",
    "[48]series matching section[48]no gain above 20 degrees but[1]",
    "[133]easiest to match[1]",
    "[24]",
});

QString TextOf(QWidget* box) { return zandrel::BoxText(*box); }

struct Box {
    const char* name;
    int left, top, width, height;
    bool cyan, blue, border, multiLine;
    Qt::Alignment alignment;
};

const Box InfoBoxes[] = {
    {"resultsTableBox", 120, 3120, 8655, 2655, false, false, true, true, Qt::AlignLeft},
    {"noteHeader", 7680, 2640, 1095, 375, true, false, false, false, Qt::AlignLeft},
    {"bandwidthHeader", 6360, 2640, 1095, 495, true, false, false, true, Qt::AlignLeft},
    {"horizonGainHeader", 5280, 2640, 855, 495, true, false, false, true, Qt::AlignLeft},
    {"overheadGainHeader", 4080, 2640, 975, 495, true, false, false, true, Qt::AlignLeft},
    {"matchingHeader", 2520, 2640, 1215, 525, true, false, false, true, Qt::AlignLeft},
    {"ohmsHeader", 1440, 2640, 855, 285, true, false, false, false, Qt::AlignLeft},
    {"styleHeader", 120, 2640, 735, 285, true, false, false, false, Qt::AlignLeft},
    {"tableTitleCaption", 120, 2280, 8055, 285, true, false, false, false, Qt::AlignHCenter},
    {"impedanceWarningBox", 120, 1920, 8655, 285, false, true, false, false, Qt::AlignHCenter},
    {"notesBox", 120, 120, 8655, 1815, false, true, false, true, Qt::AlignLeft},
};

QRect Pixels(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

}  // namespace

class AuxWindowsTest : public QObject {
    Q_OBJECT

  public slots:
    void RecordUrl(const QUrl& url) { opened_ << url.toString(); }

  private:
    QStringList opened_;

    static zandrel::MainWindow& MainWindow() {
        zandrel::MainWindowInstance().Show();
        return zandrel::MainWindowInstance().Get();
    }
    static void Click(const char* button) {
        QTest::mouseClick(MainWindow().findChild<QAbstractButton*>(button), Qt::LeftButton);
    }
    static QWidget* InfoBox(const char* name) {
        return zandrel::InformationWindowInstance().Get().findChild<QWidget*>(name);
    }
    static int TopLevelsNamed(const QString& name) {
        int count = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            count += window->objectName() == name ? 1 : 0;
        }
        return count;
    }

  private slots:
    void initTestCase() { zandrel::InstallRuntimeDefaults(*qApp); }

    void init() { opened_.clear(); }

    void cleanup() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        zandrel::UnloadAllForms();
    }

    void infoIsCreatedOnFirstUseAndShownOnceBesideTheMainWindow() {
        QVERIFY(QTest::qWaitForWindowExposed(&MainWindow()));
        QVERIFY(!zandrel::InformationWindowInstance().IsLoaded());
        Click("infoButton");
        QVERIFY(zandrel::InformationWindowInstance().IsLoaded());
        QWidget& info = zandrel::InformationWindowInstance().Get();
        QVERIFY(QTest::qWaitForWindowExposed(&info));
        QVERIFY(info.parentWidget() == nullptr && !info.isModal());
        Click("infoButton");
        QCOMPARE(&zandrel::InformationWindowInstance().Get(), &info);
        QCOMPARE(TopLevelsNamed("InformationWindow"), 1);
        QVERIFY(MainWindow().isVisible() && MainWindow().isEnabled());
        Click("websiteButton");
        Click("websiteButton");
        QCOMPARE(TopLevelsNamed("WebLinkWindow"), 1);
        QVERIFY(info.isVisible() && zandrel::WebLinkWindowInstance().Get().isVisible());
        Click("quarterTurnButton");
        QCOMPARE(MainWindow().findChild<QLineEdit*>("tubeDiameterBox")->text(), QString("8.73"));
    }

    void infoHoldsItsStoredTextsExactly() {
        zandrel::InformationWindowInstance().Show();
        QWidget& info = zandrel::InformationWindowInstance().Get();
        QCOMPARE(info.windowTitle(), QString("INFO"));
        QCOMPARE(info.size(), QSize(592, 391));
        QCOMPARE(info.palette().color(QPalette::Window).rgb() & 0xFFFFFF, 0xC0FFFFu);
        QCOMPARE(ResultsTable.size(), 2018);
        QCOMPARE(TextOf(InfoBox("resultsTableBox")), ResultsTable);
        QCOMPARE(TextOf(InfoBox("noteHeader")), QString("NOTE"));
        QCOMPARE(TextOf(InfoBox("bandwidthHeader")), QString("BANDWIDTH\r\n        2:1\r\n"));
        QCOMPARE(TextOf(InfoBox("horizonGainHeader")), QString("GAIN AT\r\nHORIZON\r\n"));
        QCOMPARE(TextOf(InfoBox("overheadGainHeader")), QString("OVERHEAD\r\nGAIN\r\n"));
        QCOMPARE(TextOf(InfoBox("matchingHeader")), QString("MATCHING INDUCTANCE"));
        QCOMPARE(TextOf(InfoBox("ohmsHeader")), QString("OHMS"));
        QCOMPARE(TextOf(InfoBox("styleHeader")), QString("STYLE"));
        QCOMPARE(TextOf(InfoBox("tableTitleCaption")),
                 QString("THE FOLLOWING IS THE RESULTS OF COMPUTER MODELLING"));
        QCOMPARE(TextOf(InfoBox("impedanceWarningBox")),
                 QString("IMPEDANCE IS VERY LOW : FROM 20 OHMS DOWN TO 5, SO SOME FORM OF "
                         "MATCHING MUST BE USED."));
        QCOMPARE(info.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 11);
    }

    void infoNotesAreNineHandBrokenLinesInCapitalsThatFitTheBox() {
        zandrel::InformationWindowInstance().Show();
        auto* notes = qobject_cast<QPlainTextEdit*>(InfoBox("notesBox"));
        const QString text = TextOf(notes);
        QVERIFY(text.endsWith("\r\n"));
        const QStringList lines = text.chopped(2).split("\r\n");
        QCOMPARE(lines.size(), 9);
        const QFontMetrics metrics(notes->font());
        for (const QString& line : lines) {
            QString capitals = line;
            capitals.remove("5mm(3/16)").remove("12.5mm ( 1/2 inch)");
            QCOMPARE(capitals, capitals.toUpper());
            QVERIFY2(metrics.horizontalAdvance(line) < notes->viewport()->width(),
                     qPrintable(line));
        }
        for (const char* point : {"RESEARCH", "STARTING POINT FOR EXPERIMENTERS", "OTHER BANDS",
                                  "9 MM", "SPACING", "5mm(3/16)", "12.5mm ( 1/2 inch)", "IMPEDANCE",
                                  "WIRE", "1 DB", "EQUAL LENGTH", "RCA", "DIFFERENT PATTERNS"}) {
            QVERIFY2(text.contains(point), point);
        }
        QVERIFY(text.indexOf("RESEARCH") < text.indexOf("OTHER BANDS"));
        QVERIFY(text.indexOf("WIRE") < text.indexOf("EQUAL LENGTH"));
        QVERIFY(text.indexOf("RCA") < text.indexOf("DIFFERENT PATTERNS"));
    }

    void infoBoxesHaveTheirRectanglesColoursBordersAndAlignment() {
        zandrel::InformationWindowInstance().Show();
        for (const Box& b : InfoBoxes) {
            QWidget* box = InfoBox(b.name);
            QVERIFY2(box != nullptr, b.name);
            box->ensurePolished();
            QCOMPARE(box->geometry(), Pixels(b.left, b.top, b.width, b.height));
            QCOMPARE(box->font().pointSizeF(), 8.25);
            QVERIFY(!box->font().bold());
            const QRgb back = box->palette().color(QPalette::Base).rgb() & 0xFFFFFF;
            QCOMPARE(back, b.cyan ? 0xC0FFFFu : 0xFFFFFFu);
            const QRgb text = box->palette().color(QPalette::Text).rgb() & 0xFFFFFF;
            QCOMPARE(text, b.blue ? 0x0000FFu : 0x000000u);
            QCOMPARE(qobject_cast<QPlainTextEdit*>(box) != nullptr, b.multiLine);
            if (auto* line = qobject_cast<QLineEdit*>(box)) {
                QCOMPARE(line->hasFrame(), b.border);
                QCOMPARE(line->maxLength(), std::numeric_limits<int>::max());
                QCOMPARE(line->alignment() & Qt::AlignHorizontal_Mask, b.alignment);
            } else {
                auto* multi = qobject_cast<QPlainTextEdit*>(box);
                QCOMPARE(multi->frameShape() != QFrame::NoFrame, b.border);
                QCOMPARE(multi->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
                QCOMPARE(multi->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            }
            QVERIFY(!box->property("readOnly").toBool());
        }
        auto* matching = qobject_cast<QPlainTextEdit*>(InfoBox("matchingHeader"));
        QCOMPARE(matching->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QTRY_COMPARE(matching->document()->documentLayout()->documentSize().height() >= 2, true);
        QCOMPARE(matching->blockCount(), 1);
        QVERIFY(matching->document()->firstBlock().layout()->lineCount() == 2);
    }

    void theResultsTableWrapsSoThatEveryNoteCanBeSeen() {
        zandrel::InformationWindowInstance().Show();
        auto* table = qobject_cast<QPlainTextEdit*>(InfoBox("resultsTableBox"));
        QVERIFY(QTest::qWaitForWindowExposed(table->window()));
        QCOMPARE(table->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        const qreal width = table->viewport()->width();
        int wrappedRows = 0;
        for (QTextBlock block = table->document()->firstBlock(); block.isValid();
             block = block.next()) {
            QTextLayout* layout = block.layout();
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine line = layout->lineAt(i);
                const QString shown = block.text().mid(line.textStart(), line.textLength());
                QVERIFY2(line.naturalTextWidth() <= width || shown.trimmed().isEmpty(),
                         qPrintable(shown));
            }
            wrappedRows +=
                layout->lineCount() > 1 && !block.text().trimmed().startsWith('.') ? 1 : 0;
        }
        QVERIFY(wrappedRows > 0);
        QVERIFY(table->toPlainText().contains("solid but lowest gain"));
    }

    void infoTabVisitsTheBoxesInOrder() {
        zandrel::InformationWindowInstance().Show();
        QWidget& info = zandrel::InformationWindowInstance().Get();
        QVERIFY(QTest::qWaitForWindowActive(&info));
        QTRY_COMPARE(QApplication::focusWidget(), InfoBox("notesBox"));
        const char* order[] = {"impedanceWarningBox", "tableTitleCaption", "styleHeader",
                               "ohmsHeader",          "matchingHeader",    "overheadGainHeader",
                               "horizonGainHeader",   "bandwidthHeader",   "noteHeader",
                               "resultsTableBox",     "notesBox"};
        for (const char* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString(next));
        }
    }

    void closingInfoUnloadsItAndTheNextPressRestoresTheStoredTexts() {
        Click("infoButton");
        auto* table = qobject_cast<QPlainTextEdit*>(InfoBox("resultsTableBox"));
        table->setFocus();
        QTest::keyClicks(table, "typed");
        QTest::keyClicks(qobject_cast<QLineEdit*>(InfoBox("tableTitleCaption")), "more");
        QVERIFY(TextOf(table).contains("typed"));
        zandrel::InformationWindowInstance().Get().close();
        QTRY_VERIFY(!zandrel::InformationWindowInstance().IsLoaded());
        Click("infoButton");
        QCOMPARE(TextOf(InfoBox("resultsTableBox")), ResultsTable);
        QCOMPARE(TextOf(InfoBox("tableTitleCaption")),
                 QString("THE FOLLOWING IS THE RESULTS OF COMPUTER MODELLING"));
    }

    void resizingTheAuxiliaryWindowsMovesNothing() {
        Click("infoButton");
        Click("websiteButton");
        for (QWidget* window : {static_cast<QWidget*>(&zandrel::InformationWindowInstance().Get()),
                                static_cast<QWidget*>(&zandrel::WebLinkWindowInstance().Get())}) {
            QMap<QString, QRect> before;
            for (QWidget* control :
                 window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                before[control->objectName()] = control->geometry();
            }
            window->resize(window->size() * 2);
            QTRY_COMPARE(window->size().width() > 400, true);
            for (QWidget* control :
                 window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                QCOMPARE(control->geometry(), before[control->objectName()]);
            }
        }
    }

    void webShowsItsLabelsAtTheStoredPosition() {
        Click("websiteButton");
        QWidget& link = zandrel::WebLinkWindowInstance().Get();
        QVERIFY(QTest::qWaitForWindowExposed(&link));
        QCOMPARE(link.windowTitle(), QString("Web Page Link"));
        QCOMPARE(link.geometry(), QRect(142, 113, 221, 123));
        auto* page = link.findChild<QLabel*>("webPageLink");
        auto* label1 = link.findChild<QLabel*>("browserNoteLabel");
        auto* label2 = link.findChild<QLabel*>("clickPromptLabel");
        page->ensurePolished();
        QCOMPARE(page->text(), Address);
        QCOMPARE(page->geometry(), Pixels(525, 1335, 2205, 255));
        QCOMPARE(page->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF, 0x0000FFu);
        QVERIFY(page->font().underline() && !page->font().bold());
        QCOMPARE(page->font().pointSizeF(), 8.25);
        QCOMPARE(label2->text(), QString("Click Link Below to "));
        QCOMPARE(label2->geometry(), Pixels(450, 750, 2490, 345));
        QCOMPARE(label2->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(label1->text(), QString("The link will be opened in your default browser."));
        QCOMPARE(label1->geometry(), Pixels(525, 75, 2265, 390));
        QVERIFY(label1->wordWrap());
        QCOMPARE(label1->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        for (QLabel* label : {page, label1, label2}) {
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        }
    }

    void thePointerIsTheHandOverTheLinkOnlyWithItsHotSpotAtTheFingerTip() {
        Click("websiteButton");
        QWidget& link = zandrel::WebLinkWindowInstance().Get();
        auto* page = link.findChild<QLabel*>("webPageLink");
        QCOMPARE(page->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(page->cursor().hotSpot(), QPoint(13, 9));
        QCOMPARE(page->cursor().pixmap().size(), QSize(32, 32));
        QVERIFY(!link.testAttribute(Qt::WA_SetCursor));
        QCOMPARE(link.findChild<QLabel*>("browserNoteLabel")->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(link.findChild<QLabel*>("clickPromptLabel")->cursor().shape(), Qt::ArrowCursor);
    }

    void aClickAnywhereOnTheLinkOpensTheAddressWithASlashOnce_data() {
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<int>("opened");
        QTest::newRow("on the text") << QPoint(10, 8) << 1;
        QTest::newRow("right of the text") << QPoint(145, 8) << 1;
        QTest::newRow("bottom-right corner") << QPoint(146, 16) << 1;
    }

    void aClickAnywhereOnTheLinkOpensTheAddressWithASlashOnce() {
        QFETCH(QPoint, where);
        QFETCH(int, opened);
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "RecordUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "RecordUrl");
        Click("websiteButton");
        QWidget& link = zandrel::WebLinkWindowInstance().Get();
        auto* page = link.findChild<QLabel*>("webPageLink");
        QVERIFY(page->fontMetrics().horizontalAdvance(page->text()) < where.x() || where.x() < 20);
        QTest::mouseClick(page, Qt::LeftButton, {}, where);
        QCOMPARE(opened_.size(), opened);
        QCOMPARE(opened_.value(0), Address + "/");
        QVERIFY(link.isVisible());
        QTest::mouseClick(page, Qt::RightButton, {}, where);
        QCOMPARE(opened_.size(), opened);
    }

    void clicksBesideTheLinkOpenNothing() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "RecordUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "RecordUrl");
        Click("websiteButton");
        QWidget& link = zandrel::WebLinkWindowInstance().Get();
        QTest::mouseClick(link.findChild<QLabel*>("browserNoteLabel"), Qt::LeftButton);
        QTest::mouseClick(link.findChild<QLabel*>("clickPromptLabel"), Qt::LeftButton);
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(5, 118));
        QCOMPARE(opened_.size(), 0);
    }

    void withNoBrowserTheLinkSaysSoAndTheProgramGoesOn() {
        // The offscreen platform opens no addresses at all: as a machine without a browser.
        Click("websiteButton");
        QWidget& link = zandrel::WebLinkWindowInstance().Get();
        QTest::mouseClick(link.findChild<QLabel*>("webPageLink"), Qt::LeftButton);
        auto* report = link.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName);
        QVERIFY(report != nullptr);
        QCOMPARE(report->text(), QString("Run-time error '53':\n\nFile not found"));
        QVERIFY(report->informativeText().contains("No web browser could be opened"));
        QVERIFY(report->informativeText().contains(Address));
        report->accept();
        QTRY_VERIFY(link.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName) == nullptr);
        QVERIFY(link.isVisible());
        Click("halfTurnRcaButton");
        QCOMPARE(MainWindow().findChild<QLineEdit*>("tubeDiameterBox")->text(), QString("19.2"));
    }

    void closingTheMainWindowWithInfoOpenKeepsTheProgramUntilInfoCloses() {
        Click("infoButton");
        QPointer<QWidget> info = &zandrel::InformationWindowInstance().Get();
        QVERIFY(QTest::qWaitForWindowExposed(info));
        bool aliveAfterMainClosed = false;
        QTimer::singleShot(0, qApp, [] { zandrel::MainWindowInstance().Get().close(); });
        QTimer::singleShot(300, qApp, [&] {
            aliveAfterMainClosed = !zandrel::MainWindowInstance().IsLoaded() && !info.isNull();
            info->close();
        });
        QVERIFY(zandrel::test_support::RunUntilTheProgramEnds());
        QVERIFY(aliveAfterMainClosed);
    }
};

QTEST_MAIN(AuxWindowsTest)
#include "auxiliary_windows_test.moc"
