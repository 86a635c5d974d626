// Start-up: the application's identity, its icon, the main window alone on screen, and the
// model window on the main window's request.
#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

#include "construction_sheet_window.h"
#include "forms.h"
#include "main_window.h"
#include "model_window.h"
#include "start.h"

class StartTest : public QObject {
    Q_OBJECT

    QTemporaryDir settings_;  // the windows' remembered choices, instead of the user's

  private slots:
    void initTestCase() {
        QVERIFY(settings_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    }

    void startShowsTheMainWindowAloneWithItsIdentityAndIcon() {
        QVERIFY(!zandrel::MainWindowInstance().IsLoaded());
        zandrel::Start(*qApp);

        QCOMPARE(QApplication::applicationName(), QString("zandrel2"));
        QCOMPARE(QApplication::organizationName(), QString("zandrel2"));  // where settings go
        QCOMPARE(QApplication::applicationVersion(), QString("1.00"));
        const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));

        QVERIFY(zandrel::MainWindowInstance().IsLoaded());
        zandrel::MainWindow& window = zandrel::MainWindowInstance().Get();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(QApplication::topLevelWidgets().size(), 1);
        QCOMPARE(window.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        QCOMPARE(window.findChild<QLineEdit*>("frequencyBox")->text(), QString("137.50"));
        QTRY_COMPARE(QApplication::focusWidget(), window.findChild<QWidget*>("titleCaption"));
        QCOMPARE(QApplication::font().pointSizeF(), 8.25);
        QCOMPARE(QApplication::style()->name(), QString("windows"));
        window.close();
        QTRY_VERIFY(!zandrel::MainWindowInstance().IsLoaded());
    }

    void theMainWindowsMenuOpensTheConstructionSheetForTheTypedFrequency() {
        zandrel::Start(*qApp);
        zandrel::MainWindow& window = zandrel::MainWindowInstance().Get();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        emit window.constructionSheetRequested(QStringLiteral("145.80"));
        QVERIFY(zandrel::ConstructionSheetWindowInstance().IsLoaded());
        QWidget& sheet = zandrel::ConstructionSheetWindowInstance().Get();
        QTRY_VERIFY(sheet.isVisible());
        QCOMPARE(sheet.windowTitle(), QString("Construction sheet at 145.80 MHz"));
        zandrel::UnloadAllForms();
    }

    void theMainWindowsModelRequestOpensTheModelWindowAtTheTypedText() {
        zandrel::Start(*qApp);
        zandrel::MainWindow& window = zandrel::MainWindowInstance().Get();
        QVERIFY(!zandrel::ModelWindowInstance().IsLoaded());
        emit window.modelRequested(QStringLiteral("145.80"));
        QVERIFY(zandrel::ModelWindowInstance().IsLoaded());
        zandrel::ModelWindow& model = zandrel::ModelWindowInstance().Get();
        QCOMPARE(model.windowTitle(), QString("NEC-2 model at 145.80 MHz"));
        QVERIFY(model.isVisible());
        model.close();
        window.close();
        QTRY_VERIFY(!zandrel::ModelWindowInstance().IsLoaded());
        QTRY_VERIFY(!zandrel::MainWindowInstance().IsLoaded());
    }
};

QTEST_MAIN(StartTest)
#include "start_test.moc"
