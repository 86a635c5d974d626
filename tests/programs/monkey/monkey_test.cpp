// A careless user: thousands of seeded random actions on the real windows, with the program's
// promises checked after every one. Every run replays the same seed unless ZANDREL2_MONKEY_SEED
// names another one, or says "random"; ZANDREL2_MONKEY_ACTIONS sets its length.
#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <optional>

#include "forms.h"
#include "information_window.h"
#include "main_window.h"
#include "web_link_window.h"

namespace {

constexpr quint32 DefaultSeed = 137500;

const char* const ResultBoxes[] = {
    "tubeDiameterBox",   "smallLoopPerimeterBox", "largeLoopPerimeterBox", "smallTopArmBox",
    "smallBottomArmBox", "smallLoopHeightBox",    "largeLoopHeightBox",    "largeTopArmBox",
    "largeBottomArmBox", "smallHelixLengthBox",   "largeHelixLengthBox"};

// The COMPUTE buttons with their style's index in zandrel2-dims's on-screen order.
const QList<QPair<QString, int>> ComputeButtons = {
    {"quarterTurnButton", 0},  {"halfTurnRcaButton", 1}, {"halfTurnShortButton", 2},
    {"halfTurnTallButton", 3}, {"oneTurnButton", 4},     {"oneAndHalfTurnButton", 5}};
const QStringList WindowButtons = {"infoButton", "websiteButton", "printButton"};

// Each style's column as zandrel2-dims computes it, or nothing where it reports an error.
using Columns = QList<std::optional<QStringList>>;

}  // namespace

class MonkeyTest : public QObject {
    Q_OBJECT

  public slots:
    void RecordUrl(const QUrl& url) { opened_ << url; }

  private:
    QRandomGenerator random_;
    QList<QUrl> opened_;
    QHash<QString, Columns> expectedColumns_;
    QStringList results_;  // what the result boxes must show now
    int computes_ = 0;
    int reports_ = 0;

    static zandrel::MainWindow* MainWindow() {
        return zandrel::MainWindowInstance().IsLoaded() ? &zandrel::MainWindowInstance().Get()
                                                        : nullptr;
    }

    QStringList Results() const {
        QStringList texts;
        for (const char* name : ResultBoxes) {
            texts << MainWindow()->findChild<QLineEdit*>(name)->text();
        }
        return texts;
    }

    const Columns& ExpectedColumns(const QString& frequency) {
        auto found = expectedColumns_.find(frequency);
        if (found != expectedColumns_.end()) {
            return *found;
        }
        QProcess dims;
        dims.start(QStringLiteral(ZANDREL2_DIMS), {"--json", "--", frequency});
        dims.waitForFinished(10000);
        const QJsonArray styles =
            QJsonDocument::fromJson(dims.readAllStandardOutput())["styles"].toArray();
        Columns columns;
        for (const QJsonValue style : styles) {
            if (style["error"].isObject()) {
                columns << std::nullopt;
                continue;
            }
            QStringList column;
            const QJsonObject dimensions = style["dimensions"].toObject();
            const QStringList order = {
                "TubeDiameter",   "SmallLoopPerimeter", "LargeLoopPerimeter", "SmallTopArm",
                "SmallBottomArm", "SmallLoopHeight",    "LargeLoopHeight",    "LargeTopArm",
                "LargeBottomArm", "SmallHelixLength",   "LargeHelixLength"};
            for (const QString& name : order) {
                column << dimensions[name].toString();
            }
            columns << column;
        }
        return *expectedColumns_.insert(frequency, columns);
    }

    QString RandomText() {
        static const QStringList pieces = {
            "137.50", "137.5", "0",    "-",  "+",      ".",    "e",     "E",       "E+",
            "e-",     "1",     "9",    "38", "39",     "-15",  "1E+30", "4.4e-15", "1e-15",
            " ",      "abc",   "MHz",  ",",  "\t",     "\x01", "\x7f",  "Ω",       "١٢٣",
            "１２３", "Ж",     "频率", "😀",  "\u00A0", "nan",  "inf",   "0x1p3"};
        switch (random_.bounded(7)) {
            case 0:
            case 1:
            case 2: {
                // A number, from far below the overflow limits to far above the single range.
                const double magnitude = std::pow(10.0, random_.bounded(-17, 41));
                const double value =
                    (random_.bounded(5) == 0 ? -1.0 : 1.0) * magnitude * random_.generateDouble();
                const char format = "gef"[random_.bounded(3)];
                return QString::number(value, format, random_.bounded(0, 12));
            }
            case 3:
                return QString(random_.bounded(1000, 20000),
                               QChar(static_cast<char16_t>(u'0' + random_.bounded(10))));
            default: {
                QString text;
                for (int i = random_.bounded(1, 5); i > 0; --i) {
                    text += pieces[random_.bounded(pieces.size())];
                }
                return text;
            }
        }
    }

    QList<QWidget*> TextBoxes() const {
        QList<QWidget*> boxes;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            for (QWidget* box : window->findChildren<QLineEdit*>()) {
                boxes << box;
            }
            for (QWidget* box : window->findChildren<QPlainTextEdit*>()) {
                boxes << box;
            }
        }
        return boxes;
    }

    // An open report, over `window` only when one is given: a report blocks its own window.
    static QMessageBox* OpenReport(const QWidget* window = nullptr) {
        for (QWidget* candidate : QApplication::topLevelWidgets()) {
            auto* report = qobject_cast<QMessageBox*>(candidate);
            if (report != nullptr && report->isVisible() &&
                (window == nullptr || report->parentWidget() == window)) {
                return report;
            }
        }
        return nullptr;
    }

    void ClickButton(const QString& name) {
        auto* button = MainWindow()->findChild<QAbstractButton*>(name);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void TypeIntoABox() {
        const QList<QWidget*> boxes = TextBoxes();
        // Half the time the frequency box, which a user types into most.
        QWidget* box = random_.bounded(2) == 0 ? MainWindow()->findChild<QWidget*>("frequencyBox")
                                               : boxes[random_.bounded(boxes.size())];
        const QString text = RandomText();
        if (text.size() < 40 && random_.bounded(4) == 0) {
            box->setFocus();
            for (const QChar c : text) {
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
            }
        } else {
            zandrel::SetBoxText(*box, text);
        }
        if (box->window() == MainWindow()) {
            const qsizetype result = QStringList(std::begin(ResultBoxes), std::end(ResultBoxes))
                                         .indexOf(box->objectName());
            if (result >= 0) {
                results_[result] = qobject_cast<QLineEdit*>(box)->text();
            }
        }
    }

    void Compute() {
        const auto& [button, style] = ComputeButtons[random_.bounded(ComputeButtons.size())];
        const QString frequency = MainWindow()->findChild<QLineEdit*>("frequencyBox")->text();
        const bool blocked = OpenReport(MainWindow()) != nullptr;
        ClickButton(button);
        ++computes_;
        const std::optional<QStringList>& column = ExpectedColumns(frequency)[style];
        const QStringList shown = Results();
        // A report over the main window may keep the click from reaching the button.
        if (column) {
            QVERIFY2(shown == *column || (blocked && shown == results_),
                     qPrintable("wrong column for " + frequency.left(60)));
            results_ = shown;
        } else {
            QCOMPARE(shown, results_);
            QVERIFY2(OpenReport(MainWindow()) != nullptr,
                     qPrintable("no report for " + frequency.left(60)));
            ++reports_;
        }
        QCOMPARE(MainWindow()->findChild<QLineEdit*>("frequencyBox")->text(), frequency);
    }

    void Act() {
        const int action = random_.bounded(100);
        if (action < 30) {
            TypeIntoABox();
        } else if (action < 60) {
            Compute();
        } else if (action < 70) {
            ClickButton(WindowButtons[random_.bounded(WindowButtons.size())]);
        } else if (action < 78) {
            if (QMessageBox* report = OpenReport()) {
                QTest::keyClick(report, random_.bounded(2) == 0 ? Qt::Key_Return : Qt::Key_Escape);
            }
        } else if (action < 84) {
            for (QWidget* window :
                 {static_cast<QWidget*>(zandrel::InformationWindowInstance().IsLoaded()
                                            ? &zandrel::InformationWindowInstance().Get()
                                            : nullptr),
                  static_cast<QWidget*>(zandrel::WebLinkWindowInstance().IsLoaded()
                                            ? &zandrel::WebLinkWindowInstance().Get()
                                            : nullptr)}) {
                if (window != nullptr && OpenReport(window) == nullptr && random_.bounded(2) == 0) {
                    window->close();
                }
            }
        } else if (action < 90) {
            if (zandrel::WebLinkWindowInstance().IsLoaded()) {
                QWidget* link =
                    zandrel::WebLinkWindowInstance().Get().findChild<QWidget*>("webPageLink");
                QTest::mouseClick(
                    link, Qt::LeftButton, {},
                    QPoint(random_.bounded(link->width()), random_.bounded(link->height())));
            }
        } else if (action < 95) {
            if (QWidget* focus = QApplication::focusWidget()) {
                QTest::keyClick(focus, random_.bounded(3) == 0 ? Qt::Key_Return : Qt::Key_Tab);
            }
        } else {
            MainWindow()->resize(random_.bounded(100, 1200), random_.bounded(80, 900));
        }
        QCoreApplication::processEvents();
    }

    void CheckInvariants() {
        QVERIFY(MainWindow() != nullptr && MainWindow()->isVisible());
        QCOMPARE(Results(), results_);
        int infos = 0;
        int links = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            infos += window->objectName() == QLatin1String("InformationWindow") ? 1 : 0;
            links += window->objectName() == QLatin1String("WebLinkWindow") ? 1 : 0;
        }
        QVERIFY(infos <= 1 && links <= 1);
        for (const QUrl& url : opened_) {
            QCOMPARE(url.toString(), QStringLiteral(ZANDREL2_WEB_ADDRESS "/"));
        }
    }

  private slots:
    void initTestCase() {
        zandrel::InstallRuntimeDefaults(*qApp);
        // Printing goes nowhere: PRINT must report the missing printer every time.
        QVERIFY(qEnvironmentVariable("CUPS_SERVER").startsWith('/'));
    }

    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        zandrel::UnloadAllForms();
    }

    void survivesACarelessUser() {
        const QString asked = qEnvironmentVariable("ZANDREL2_MONKEY_SEED");
        const quint32 seed = asked.isEmpty() ? DefaultSeed
                             : asked == QLatin1String("random")
                                 ? QRandomGenerator::global()->generate()
                                 : asked.toUInt();
        const int actions = qEnvironmentVariableIntValue("ZANDREL2_MONKEY_ACTIONS") > 0
                                ? qEnvironmentVariableIntValue("ZANDREL2_MONKEY_ACTIONS")
                                : 3000;
        qInfo("monkey seed %u (replay with ZANDREL2_MONKEY_SEED=%u), %d actions", seed, seed,
              actions);
        random_.seed(seed);
        // Half the runs have a browser that takes the address, half have none.
        if (seed % 2 == 0) {
            QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "RecordUrl");
            QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "RecordUrl");
        }

        zandrel::MainWindowInstance().Show();
        QVERIFY(QTest::qWaitForWindowExposed(MainWindow()));
        results_ = Results();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < actions; ++i) {
            Act();
            if (QTest::currentTestFailed()) {
                qInfo("failed at action %d of seed %u", i, seed);
                return;
            }
            CheckInvariants();
            if (QTest::currentTestFailed()) {
                qInfo("invariant broken after action %d of seed %u", i, seed);
                return;
            }
        }
        qInfo("%d actions in %lld ms: %d computes, %d reported frequencies, %lld links opened",
              actions, timer.elapsed(), computes_, reports_,
              static_cast<long long>(opened_.size()));
        QVERIFY(computes_ > actions / 5);
    }
};

QTEST_MAIN(MonkeyTest)
#include "monkey_test.moc"
