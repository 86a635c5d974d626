// Start-up: the application's identity, its icon, and the main window alone on screen.
#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <QtTest>

#include "start.h"
#include "zandrel.h"

class StartTest : public QObject {
    Q_OBJECT

  private slots:
    void startShowsTheMainWindowAloneWithItsIdentityAndIcon() {
        QVERIFY(!zandrel::ZandrelInstance().IsLoaded());
        zandrel::Start(*qApp);

        QCOMPARE(QApplication::applicationName(), QString("zandrel2"));
        QCOMPARE(QApplication::applicationVersion(), QString("1.00"));
        const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));

        QVERIFY(zandrel::ZandrelInstance().IsLoaded());
        zandrel::Zandrel& window = zandrel::ZandrelInstance().Get();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(QApplication::topLevelWidgets().size(), 1);
        QCOMPARE(window.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        QCOMPARE(window.findChild<QLineEdit*>("Text3")->text(), QString("137.50"));
        QTRY_COMPARE(QApplication::focusWidget(), window.findChild<QWidget*>("Text1"));
        QCOMPARE(QApplication::font().pointSizeF(), 8.25);
        QCOMPARE(QApplication::style()->name(), QString("windows"));
        window.close();
        QTRY_VERIFY(!zandrel::ZandrelInstance().IsLoaded());
    }
};

QTEST_MAIN(StartTest)
#include "start_test.moc"
