// The main window as a user meets it: its layout, its COMPUTE buttons and its error reports.
#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <limits>

#include "event_loop.h"
#include "forms.h"
#include "main_window.h"
#include "worked_example.h"

using zandrel::MainWindow;

namespace {

// A control as the layout gives it, in twips.
struct Control {
    const char* name;
    int left, top, width, height;
    const char* text;
    double points;
    bool bold, italic;
    QRgb colour;
    Qt::Alignment alignment;
};

constexpr QRgb Blue = 0x0000FF, Red = 0xFF0000, Orange = 0xFF8000, DarkRed = 0xC00000,
               Magenta = 0xFF00FF;
// Not a colour: the box takes the system's window-text colour from the palette.
constexpr QRgb WindowText = 0x1000000;
constexpr Qt::Alignment Left = Qt::AlignLeft, Right = Qt::AlignRight, Centre = Qt::AlignHCenter;

const Control TextBoxes[] = {
    {"titleCaption", 0, 0, 8415, 375, "QUADRIFILAR  HELICOIDAL  ANTENNA   by  TEVRIQ", 13.5, true,
     true, Blue, Centre},
    {"frequencyCaption", 120, 600, 2655, 375, "INPUT  FREQUENCY", 9.75, true, false, Red, Left},
    {"frequencyBox", 2880, 480, 1215, 375, "137.50", 9.75, true, false, Blue, Centre},
    {"megahertzCaption", 4200, 480, 495, 255, "MHZ", 9.75, true, false, Blue, Left},
    {"tubeDiameterCaption", 120, 960, 2655, 375, "RECOMMENDED TUBE", 9.75, true, false, Orange,
     Left},
    {"tubeDiameterBox", 2880, 840, 1215, 375, "0.0", 9.75, true, false, Blue, Centre},
    {"quarterTurnCaption", 5040, 480, 2055, 375, "1/4 TURN .3 HIGH", 9.75, true, false, WindowText,
     Left},
    {"halfTurnRcaCaption", 5040, 840, 1695, 255, "1/2 TURN RCA", 9.75, true, false, WindowText,
     Left},
    {"halfTurnShortCaption", 5040, 1200, 1935, 255, "1/2 TURN .3 TALL", 9.75, true, false,
     WindowText, Left},
    {"halfTurnTallCaption", 4920, 1560, 2295, 285, "1/2 TURN .44 TALL", 9.75, true, false,
     WindowText, Centre},
    {"oneTurnCaption", 4800, 1920, 2295, 285, "1 TURN .37 TALL", 9.75, true, false, WindowText,
     Centre},
    {"oneAndHalfTurnCaption", 5040, 2280, 1335, 255, "1 1/2 TURN", 9.75, true, false, WindowText,
     Left},
    {"smallLoopPerimeterCaption", 3960, 2640, 2775, 255, "SMALL LOOP PERIMETER IS", 8.25, true,
     false, WindowText, Right},
    {"smallTopArmCaption", 4440, 3000, 2295, 255, "SMALL TOP ARMS ARE", 8.25, true, false,
     WindowText, Right},
    {"smallHelixLengthCaption", 4560, 3360, 2175, 285, "SMALL HELIX  LENGTH", 8.25, true, false,
     WindowText, Right},
    {"smallLoopHeightCaption", 4320, 3720, 2415, 285, "SMALL LOOP HEIGHT IS", 8.25, true, false,
     WindowText, Right},
    {"smallBottomArmCaption", 4200, 4080, 2535, 315, "SMALL BOTTOM ARM IS", 8.25, true, false,
     WindowText, Right},
    {"largeLoopPerimeterCaption", 3960, 4440, 2775, 255, "LARGE LOOP PERIMETER IS", 8.25, true,
     false, WindowText, Right},
    {"largeTopArmCaption", 4440, 4800, 2295, 285, "LARGE TOP ARMS ARE", 8.25, true, false,
     WindowText, Right},
    {"largeHelixLengthCaption", 4680, 5160, 2175, 255, "LARGE HELIX LENGTH", 8.25, true, false,
     WindowText, Left},
    {"largeLoopHeightCaption", 4440, 5520, 2295, 285, "LARGE LOOP HEIGHT IS", 8.25, true, false,
     WindowText, Right},
    {"largeBottomArmCaption", 4440, 5880, 2295, 285, "LARGE BOTTOM ARM IS", 8.25, true, false,
     WindowText, Right},
    {"smallLoopPerimeterBox", 6840, 2640, 1575, 300, "0.0", 9.75, true, false, Blue, Centre},
    {"smallTopArmBox", 6840, 3000, 1575, 300, "0.0", 9.75, true, false, Blue, Centre},
    {"smallHelixLengthBox", 6840, 3360, 1575, 300, "0.0", 8.25, true, false, Blue, Centre},
    {"smallLoopHeightBox", 6840, 3720, 1575, 300, "0.0", 9.75, true, false, Blue, Centre},
    {"smallBottomArmBox", 6840, 4080, 1575, 300, "0.0", 9.75, true, false, Blue, Centre},
    {"largeLoopPerimeterBox", 6840, 4440, 1575, 300, "0.0", 9.75, true, false, Magenta, Centre},
    {"largeTopArmBox", 6840, 4800, 1575, 300, "0.0", 9.75, true, false, Magenta, Centre},
    {"largeHelixLengthBox", 6840, 5160, 1575, 300, "0.0", 8.25, true, false, Magenta, Centre},
    {"largeLoopHeightBox", 6840, 5520, 1575, 300, "0.0", 9.75, true, false, Magenta, Centre},
    {"largeBottomArmBox", 6840, 5880, 1575, 300, "0.0", 9.75, true, false, Magenta, Centre},
};

const char* const CaptionBoxes[] = {"titleCaption",
                                    "frequencyCaption",
                                    "megahertzCaption",
                                    "tubeDiameterCaption",
                                    "quarterTurnCaption",
                                    "halfTurnRcaCaption",
                                    "halfTurnShortCaption",
                                    "halfTurnTallCaption",
                                    "oneTurnCaption",
                                    "oneAndHalfTurnCaption",
                                    "smallLoopPerimeterCaption",
                                    "smallTopArmCaption",
                                    "smallHelixLengthCaption",
                                    "smallLoopHeightCaption",
                                    "smallBottomArmCaption",
                                    "largeLoopPerimeterCaption",
                                    "largeTopArmCaption",
                                    "largeHelixLengthCaption",
                                    "largeLoopHeightCaption",
                                    "largeBottomArmCaption"};

struct Rect {
    const char* name;
    int left, top, width, height;
    const char* caption;
};

const Rect Buttons[] = {
    {"quarterTurnButton", 7440, 480, 975, 255, "COMPUTE"},
    {"halfTurnRcaButton", 7440, 840, 975, 255, "COMPUTE"},
    {"halfTurnShortButton", 7440, 1200, 975, 255, "COMPUTE"},
    {"halfTurnTallButton", 7440, 1560, 975, 255, "COMPUTE"},
    {"oneTurnButton", 7440, 1920, 975, 255, "COMPUTE"},
    {"oneAndHalfTurnButton", 7440, 2280, 975, 255, "COMPUTE"},
    {"infoButton", 3480, 3000, 855, 735, "INFO"},
    {"printButton", 3480, 4800, 855, 375, "PRINT"},
    {"websiteButton", 3480, 5640, 855, 375, "WEBSITE"},
};

const char* const TabOrder[] = {"titleCaption",
                                "frequencyCaption",
                                "frequencyBox",
                                "tubeDiameterCaption",
                                "tubeDiameterBox",
                                "megahertzCaption",
                                "quarterTurnCaption",
                                "halfTurnRcaCaption",
                                "halfTurnShortCaption",
                                "oneAndHalfTurnCaption",
                                "quarterTurnButton",
                                "halfTurnRcaButton",
                                "halfTurnShortButton",
                                "oneAndHalfTurnButton",
                                "smallLoopPerimeterCaption",
                                "smallLoopPerimeterBox",
                                "largeLoopPerimeterCaption",
                                "largeLoopPerimeterBox",
                                "smallTopArmCaption",
                                "smallTopArmBox",
                                "smallBottomArmCaption",
                                "smallBottomArmBox",
                                "smallLoopHeightCaption",
                                "smallLoopHeightBox",
                                "largeLoopHeightCaption",
                                "largeLoopHeightBox",
                                "largeTopArmCaption",
                                "largeTopArmBox",
                                "largeBottomArmCaption",
                                "largeBottomArmBox",
                                "helixPicture",
                                "infoButton",
                                "websiteButton",
                                "oneTurnButton",
                                "halfTurnTallButton",
                                "halfTurnTallCaption",
                                "oneTurnCaption",
                                "unitsCaption",
                                "smallHelixLengthBox",
                                "largeHelixLengthBox",
                                "printButton",
                                "smallHelixLengthCaption",
                                "largeHelixLengthCaption"};

// The result boxes in the order the worked example lists the quantities.
const char* const ResultBoxes[] = {
    "tubeDiameterBox",   "smallLoopPerimeterBox", "largeLoopPerimeterBox", "smallTopArmBox",
    "smallBottomArmBox", "smallLoopHeightBox",    "largeLoopHeightBox",    "largeTopArmBox",
    "largeBottomArmBox", "smallHelixLengthBox",   "largeHelixLengthBox"};

QStringList WorkedExampleColumn(int column) {
    const auto& texts = zandrel::test_support::WorkedExample.at(static_cast<std::size_t>(column));
    return {texts.begin(), texts.end()};
}

QRect Pixels(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

}  // namespace

class ZandrelTest : public QObject {
    Q_OBJECT

  private:
    QPointer<MainWindow> window_;

    MainWindow& Window() { return *window_; }
    template <typename T = QWidget>
    T* Find(const char* name) {
        T* control = window_->findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) {
            qFatal("no control %s", name);
        }
        return control;
    }
    QStringList Results() {
        QStringList texts;
        for (const char* name : ResultBoxes) {
            texts << Find<QLineEdit>(name)->text();
        }
        return texts;
    }
    QStringList AllTexts() {
        QStringList texts;
        for (QLineEdit* box : window_->findChildren<QLineEdit*>()) {
            texts << box->objectName() + '=' + box->text();
        }
        return texts;
    }
    QMessageBox* Report() {
        return window_->findChild<QMessageBox*>(QLatin1String(zandrel::RuntimeErrorReportName));
    }
    void Click(const char* button) {
        QTest::mouseClick(Find<QAbstractButton>(button), Qt::LeftButton);
    }
    void SetFrequency(const QString& text) { Find<QLineEdit>("frequencyBox")->setText(text); }

  private slots:
    void initTestCase() { zandrel::InstallRuntimeDefaults(*qApp); }

    void init() {
        window_ = new MainWindow();
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
    }

    void cleanup() { delete window_; }

    void freshWindowHasTheCaptionSizeAndBackground() {
        QCOMPARE(Window().windowTitle(), QString("Zandrel"));
        QCOMPARE(Window().size(), QSize(565, 419));
        // On a high-density screen the window keeps its logical size and draws more pixels.
        const qreal ratio = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                                : 1.0;
        QCOMPARE(Window().devicePixelRatioF(), ratio);
        QCOMPARE(Window().grab().size(), QSize(565, 419) * ratio);
        QCOMPARE(Window().palette().color(QPalette::Window).rgb() & 0xFFFFFF, 0xFFE0C0u);
        QCOMPARE(Window().findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 43);
        QVERIFY(Window().findChildren<QLabel*>().size() == 1);  // the picture box only
    }

    void freshWindowShowsEveryTextBoxAsLaidOut_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(TextBoxes)); ++i) {
            QTest::newRow(TextBoxes[i].name) << i;
        }
    }

    void freshWindowShowsEveryTextBoxAsLaidOut() {
        QFETCH(int, index);
        const Control& c = TextBoxes[index];
        auto* box = Find<QLineEdit>(c.name);
        box->ensurePolished();
        QCOMPARE(box->text(), QString(c.text));
        QCOMPARE(box->geometry(), Pixels(c.left, c.top, c.width, c.height));
        QCOMPARE(box->font().pointSizeF(), c.points);
        QCOMPARE(box->font().bold(), c.bold);
        QCOMPARE(box->font().italic(), c.italic);
        QCOMPARE(QFontInfo(box->font()).family(), QString("Liberation Sans"));
        const QRgb expected = c.colour == WindowText
                                  ? QApplication::palette().color(QPalette::Text).rgb() & 0xFFFFFF
                                  : c.colour;
        QCOMPARE(box->palette().color(QPalette::Text).rgb() & 0xFFFFFF, expected);
        QCOMPARE(box->alignment() & Qt::AlignHorizontal_Mask, c.alignment);
        QVERIFY(box->isEnabled() && !box->isReadOnly());
        QCOMPARE(box->maxLength(), std::numeric_limits<int>::max());
        QCOMPARE(box->focusPolicy(), Qt::StrongFocus);
        const bool caption =
            std::find_if(std::begin(CaptionBoxes), std::end(CaptionBoxes), [&c](const char* n) {
                return qstrcmp(n, c.name) == 0;
            }) != std::end(CaptionBoxes);
        QCOMPARE(box->hasFrame(), !caption);
        const QRgb background = box->palette().color(QPalette::Base).rgb() & 0xFFFFFF;
        QCOMPARE(background, caption ? 0xFFE0C0u : 0xFFFFFFu);
    }

    void freshWindowHasTheMultiLineBoxThePictureAndTheButtons() {
        auto* note = Find<QPlainTextEdit>("unitsCaption");
        note->ensurePolished();
        QCOMPARE(note->toPlainText(), QString("ALL DIMENSIONS IN MM"));
        QCOMPARE(note->geometry(), Pixels(3600, 1560, 1215, 735));
        QCOMPARE(note->font().pointSizeF(), 8.25);
        QVERIFY(note->font().bold() && note->font().italic());
        QCOMPARE(note->palette().color(QPalette::Text).rgb() & 0xFFFFFF, DarkRed);
        QCOMPARE(note->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(note->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

        auto* picture = Find<QLabel>("helixPicture");
        QCOMPARE(picture->geometry(), Pixels(120, 1320, 3165, 4725));
        QCOMPARE(picture->pixmap().size(), QSize(204, 313));
        QVERIFY(!picture->hasScaledContents());
        QCOMPARE(picture->alignment(), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(picture->frameShadow(), QFrame::Sunken);
        // Right of the 204-pixel picture the box shows the button face, not the window colour.
        const QImage drawn = picture->grab().toImage();
        const qreal ratio = picture->devicePixelRatioF();
        QCOMPARE(drawn.pixelColor(QPoint(207, 100) * ratio),
                 QApplication::palette().color(QPalette::Button));
        QVERIFY(drawn.pixelColor(QPoint(100, 100) * ratio) !=
                QApplication::palette().color(QPalette::Button));

        for (const Rect& b : Buttons) {
            auto* button = Find<QPushButton>(b.name);
            QCOMPARE(button->text(), QString(b.caption));
            QCOMPARE(button->geometry(), Pixels(b.left, b.top, b.width, b.height));
            QCOMPARE(button->font().pointSizeF(), 8.25);
            QVERIFY(!button->font().bold());
            QVERIFY(!button->isDefault() && !button->autoDefault());
            QVERIFY(button->shortcut().isEmpty());
        }
    }

    void everyTextFitsItsBoxInTheStandInFace() {
        QCOMPARE(QFontInfo(Find("titleCaption")->font()).family(), QString("Liberation Sans"));
        for (const Control& c : TextBoxes) {
            auto* box = Find<QLineEdit>(c.name);
            box->ensurePolished();
            const int width = QFontMetrics(box->font()).horizontalAdvance(box->text());
            QVERIFY2(width <= box->width() - 4, c.name);
        }
        for (const Rect& b : Buttons) {
            auto* button = Find<QPushButton>(b.name);
            QVERIFY2(QFontMetrics(button->font()).horizontalAdvance(button->text()) <
                         button->width() - 6,
                     b.name);
        }
    }

    void focusStartsOnTheTitleAndTabVisitsEveryControlInOrder() {
        QApplication::setActiveWindow(&Window());
        QTRY_COMPARE(QApplication::focusWidget(), Find("titleCaption"));
        for (int step = 1; step <= 43; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString(TabOrder[step % 43]));
        }
    }

    void enterOrEscapeInTheFrequencyBoxPressesNoButton() {
        int clicks = 0;
        for (QAbstractButton* button : Window().findChildren<QAbstractButton*>()) {
            connect(button, &QAbstractButton::clicked, this, [&clicks] { ++clicks; });
        }
        auto* frequency = Find<QLineEdit>("frequencyBox");
        frequency->setFocus();
        QTest::keyClick(frequency, Qt::Key_Return);
        QTest::keyClick(frequency, Qt::Key_Enter);
        QTest::keyClick(frequency, Qt::Key_Escape);
        QCOMPARE(clicks, 0);
        QCOMPARE(Results(), QStringList(11, "0.0"));
        QCOMPARE(frequency->text(), QString("137.50"));
    }

    void eachComputeButtonFillsItsStyleColumn_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("column");
        QTest::newRow("quarterTurnButton QuarterTurn") << "quarterTurnButton" << 0;
        QTest::newRow("halfTurnRcaButton HalfTurnRca") << "halfTurnRcaButton" << 1;
        QTest::newRow("halfTurnShortButton HalfTurnShort") << "halfTurnShortButton" << 2;
        QTest::newRow("halfTurnTallButton HalfTurnTall") << "halfTurnTallButton" << 3;
        QTest::newRow("oneTurnButton OneTurn") << "oneTurnButton" << 4;
        QTest::newRow("oneAndHalfTurnButton OneAndHalfTurn") << "oneAndHalfTurnButton" << 5;
    }

    void eachComputeButtonFillsItsStyleColumn() {
        QFETCH(QString, button);
        QFETCH(int, column);
        Click(button.toLatin1().constData());
        QCOMPARE(Results(), WorkedExampleColumn(column));
        QCOMPARE(Find<QLineEdit>("frequencyBox")->text(), QString("137.50"));
        QVERIFY(Report() == nullptr);
    }

    void anotherButtonReplacesAllElevenAndCaptionsStayUntouched() {
        const QStringList before = AllTexts();
        Click("quarterTurnButton");
        QCOMPARE(Results(), WorkedExampleColumn(0));
        Click("halfTurnRcaButton");
        QCOMPARE(Results(), WorkedExampleColumn(1));
        Click("halfTurnRcaButton");
        QCOMPARE(Results(), WorkedExampleColumn(1));
        SetFrequency(" 1.375E+2 ");
        Click("oneAndHalfTurnButton");
        QCOMPARE(Results(), WorkedExampleColumn(5));
        QCOMPARE(Find<QLineEdit>("frequencyBox")->text(), QString(" 1.375E+2 "));
        for (const char* caption : CaptionBoxes) {
            QVERIFY(before.contains(QString(caption) + '=' + Find<QLineEdit>(caption)->text()));
        }
    }

    void badFrequencyIsReportedAndChangesNoBox_data() {
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("explanation");
        QTest::newRow("empty") << ""
                               << "quarterTurnButton" << 13 << "Type mismatch"
                               << "not a number";
        QTest::newRow("word") << "abc"
                              << "halfTurnRcaButton" << 13 << "Type mismatch"
                              << "not a number";
        QTest::newRow("comma") << "137,50"
                               << "halfTurnShortButton" << 13 << "Type mismatch"
                               << "not a number";
        QTest::newRow("zero") << "0"
                              << "halfTurnTallButton" << 11 << "Division by zero"
                              << "is zero";
        QTest::newRow("beyond single") << "1E+39"
                                       << "oneTurnButton" << 6 << "Overflow"
                                       << "too large";
        QTest::newRow("QuarterTurn overflow") << "1e-15"
                                              << "quarterTurnButton" << 6 << "Overflow"
                                              << "too small";
        QTest::newRow("HalfTurnRca overflow") << "4.3e-15"
                                              << "halfTurnRcaButton" << 6 << "Overflow"
                                              << "too small";
    }

    void badFrequencyIsReportedAndChangesNoBox() {
        QFETCH(QString, frequency);
        QFETCH(QString, button);
        QFETCH(int, number);
        QFETCH(QString, message);
        QFETCH(QString, explanation);

        Click("halfTurnShortButton");
        const QStringList before = AllTexts();
        SetFrequency(frequency);
        Click(button.toLatin1().constData());

        QMessageBox* report = Report();
        QVERIFY(report != nullptr);
        QTRY_VERIFY(report->isVisible());
        QCOMPARE(report->windowModality(), Qt::WindowModal);
        QCOMPARE(report->text(), QString("Run-time error '%1':\n\n%2").arg(number).arg(message));
        QVERIFY2(report->informativeText().contains(explanation),
                 qPrintable(report->informativeText()));
        QVERIFY(report->informativeText().contains("have not changed"));
        QStringList expected = before;
        expected.replaceInStrings(QRegularExpression("^frequencyBox=.*$"),
                                  "frequencyBox=" + frequency);
        QCOMPARE(AllTexts(), expected);

        QTest::keyClick(report, Qt::Key_Return);
        QTRY_VERIFY(Report() == nullptr);
        QVERIFY(Window().isVisible());
        QCOMPARE(Find<QLineEdit>("frequencyBox")->text(), frequency);

        SetFrequency("137.50");
        Click("quarterTurnButton");
        QCOMPARE(Results(), WorkedExampleColumn(0));
    }

    void aVeryLongBadFrequencyIsKeptWholeAndQuotedShortened() {
        SetFrequency(QString(100000, 'x'));
        Click("quarterTurnButton");
        QCOMPARE(Find<QLineEdit>("frequencyBox")->text().size(), 100000);
        QVERIFY(Report() != nullptr);
        QVERIFY(Report()->informativeText().size() < 400);
        QVERIFY(Report()->informativeText().contains(QChar(0x2026)));
    }

    void markupTypedAsAFrequencyIsReportedAsTheTextItIs() {
        const QString typed = QStringLiteral("<img src=\"h.png\"><b>137</b>");
        SetFrequency(typed);
        Click("quarterTurnButton");
        QMessageBox* report = Report();
        QVERIFY(report != nullptr);
        const auto* explanation = report->findChild<QLabel*>("qt_msgbox_informativelabel");
        QVERIFY(explanation != nullptr);
        QCOMPARE(explanation->textFormat(), Qt::PlainText);
        QVERIFY2(explanation->text().contains(typed), qPrintable(explanation->text()));
    }

    void captionsTakeTheSystemsWindowTextColour() {
        const QPalette system = QApplication::palette();
        QPalette green = system;
        green.setColor(QPalette::Text, QColor(0, 128, 0));
        QApplication::setPalette(green);
        MainWindow window;
        QApplication::setPalette(system);
        for (const char* caption :
             {"quarterTurnCaption", "smallLoopPerimeterCaption", "largeHelixLengthCaption"}) {
            const auto* box = window.findChild<QLineEdit*>(caption);
            QCOMPARE(box->palette().color(QPalette::Text), QColor(0, 128, 0));
        }
        QCOMPARE(
            window.findChild<QLineEdit*>("smallLoopPerimeterBox")->palette().color(QPalette::Text),
            QColor(0, 0, 255));
        QCOMPARE(window.findChild<QLineEdit*>("frequencyCaption")->palette().color(QPalette::Text),
                 QColor(255, 0, 0));
    }

    // Opens the context menu of `target` as `reason` does, and chooses its item `chosen`;
    // returns the menu's item texts.
    static QStringList ChooseFromContextMenu(QWidget* target, QContextMenuEvent::Reason reason,
                                             int chosen) {
        return ChooseFromMenuOpenedBy(
            [target, reason] {
                QContextMenuEvent event(reason, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
                QApplication::sendEvent(target, &event);
            },
            chosen);
    }
    // Runs `open`, and chooses the item `chosen` of the menu it opens, or none when it is -1;
    // returns the menu's item texts.
    static QStringList ChooseFromMenuOpenedBy(const std::function<void()>& open, int chosen) {
        QStringList items;
        QTimer::singleShot(0, [&items, chosen] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                return;
            }
            for (const QAction* action : menu->actions()) {
                items << (action->isSeparator() ? QStringLiteral("-") : action->text());
            }
            if (chosen >= 0) {
                menu->actions().at(chosen)->trigger();
            }
            menu->close();
        });
        open();
        return items;
    }

    void theContextMenuOffersTheModelAndTheSheetForTheTypedFrequency() {
        QVERIFY(QTest::qWaitForWindowExposed(&Window()));
        QSignalSpy model(&Window(), &MainWindow::modelRequested);
        QSignalSpy sheet(&Window(), &MainWindow::constructionSheetRequested);
        SetFrequency("145.80");

        const QStringList onTheWindow =
            ChooseFromContextMenu(&Window(), QContextMenuEvent::Mouse, 0);
        QCOMPARE(onTheWindow, QStringList({"&Model in NEC-2...", "Construction &sheet..."}));
        QCOMPARE(model.count(), 1);
        QCOMPARE(model.takeFirst().at(0).toString(), QString("145.80"));

        // A text box keeps its own editing menu, below the window's two items.
        const QStringList onABox =
            ChooseFromContextMenu(Find<QLineEdit>("frequencyBox"), QContextMenuEvent::Keyboard, 1);
        QCOMPARE(onABox.mid(0, 3),
                 QStringList({"&Model in NEC-2...", "Construction &sheet...", "-"}));
        QVERIFY(onABox.size() > 5);
        // Each entry's mnemonic picks it alone, the box's own entries included.
        QStringList mnemonics;
        for (const QString& item : onABox) {
            const qsizetype marker = item.indexOf(QLatin1Char('&'));
            if (marker >= 0 && marker + 1 < item.size()) {
                const QString key = item.mid(marker + 1, 1).toLower();
                QVERIFY2(!mnemonics.contains(key), qPrintable(item));
                mnemonics << key;
            }
        }
        QVERIFY(mnemonics.contains("m") && mnemonics.contains("s"));
        QCOMPARE(sheet.count(), 1);
        QCOMPARE(sheet.takeFirst().at(0).toString(), QString("145.80"));
        QCOMPARE(Find<QLineEdit>("frequencyBox")->text(), QString("145.80"));
    }

    void shiftF10OpensTheContextMenuOnTheWindowAndInEveryBox() {
        QSignalSpy model(&Window(), &MainWindow::modelRequested);
        // The key goes to the active window; a closed menu hands the activation back later.
        const auto shiftF10In = [this](QWidget* control, int chosen) {
            Window().activateWindow();
            if (!QTest::qWaitForWindowActive(&Window())) {
                return QStringList({"the window did not become active"});
            }
            control->setFocus();
            return ChooseFromMenuOpenedBy(
                [control] { QTest::keyClick(control, Qt::Key_F10, Qt::ShiftModifier); }, chosen);
        };

        // A button has no menu of its own: the window's opens.
        QCOMPARE(shiftF10In(Find("quarterTurnButton"), 0),
                 QStringList({"&Model in NEC-2...", "Construction &sheet..."}));
        QCOMPARE(model.count(), 1);
        for (const Control& c : TextBoxes) {
            const QStringList items = shiftF10In(Find(c.name), -1);
            QVERIFY2(items.mid(0, 3) ==
                             QStringList({"&Model in NEC-2...", "Construction &sheet...", "-"}) &&
                         items.size() > 5,
                     qPrintable(QString(c.name) + ": " + items.join('|')));
        }
        QCOMPARE(model.count(), 1);
    }

    void typingIntoACaptionOrResultBoxChangesOnlyThatBox() {
        for (const char* name :
             {"smallLoopPerimeterCaption", "smallBottomArmBox", "titleCaption"}) {
            const QStringList before = AllTexts();
            auto* box = Find<QLineEdit>(name);
            box->setFocus();
            box->end(false);
            QTest::keyClicks(box, "XY");
            QStringList expected = before;
            const QString old = QString(name) + '=' + box->text().chopped(2);
            expected.replace(expected.indexOf(old), QString(name) + '=' + box->text());
            QCOMPARE(AllTexts(), expected);
        }
        auto* note = Find<QPlainTextEdit>("unitsCaption");
        note->setFocus();
        QTest::keyClicks(note, "Z");
        QVERIFY(note->toPlainText().contains('Z'));
    }

    void resizingMovesNoControl() {
        QMap<QString, QRect> before;
        for (QWidget* control :
             Window().findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            before[control->objectName()] = control->geometry();
        }
        for (const QSize size : {QSize(900, 700), QSize(200, 150), QSize(565, 419)}) {
            Window().resize(size);
            QTRY_COMPARE(Window().size(), size);
            for (QWidget* control :
                 Window().findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                QCOMPARE(control->geometry(), before[control->objectName()]);
            }
        }
        Window().showMaximized();
        QTest::qWait(50);
        QCOMPARE(Find("printButton")->geometry(), before["printButton"]);
    }

    void closingTheMainWindowEndsTheProgram() {
        QTimer::singleShot(0, window_, [this] { window_->close(); });
        QVERIFY(zandrel::test_support::RunUntilTheProgramEnds());
        QTRY_VERIFY(window_.isNull());
    }

    void theDefaultInstanceIsCreatedOnceAndLoadedAfreshAfterAClose() {
        zandrel::DefaultInstance<MainWindow>& instance = zandrel::MainWindowInstance();
        QVERIFY(!instance.IsLoaded());
        instance.Show();
        MainWindow* first = &instance.Get();
        QCOMPARE(&instance.Get(), first);
        first->findChild<QLineEdit*>("frequencyBox")->setText("typed");
        first->close();
        QTRY_VERIFY(!instance.IsLoaded());
        QCOMPARE(instance.Get().findChild<QLineEdit*>("frequencyBox")->text(), QString("137.50"));
        delete &instance.Get();
    }
};

QTEST_MAIN(ZandrelTest)
#include "main_window_test.moc"
