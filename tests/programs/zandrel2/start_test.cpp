// Start-up: the application's identity, its icon, the main window alone on screen without the
// libraries of the model and construction sheet windows and of printing, and those windows
// loaded from their modules on the main window's request.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QSet>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

#include "forms.h"
#include "main_window.h"
#include "forms_error.h"
#include "start.h"
#include "window_modules.h"

namespace {

// The files mapped into this process: its program and every library loaded.
QSet<QString> MappedFiles() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    QSet<QString> files;
    if (!maps.open(QIODevice::ReadOnly)) {
        return files;
    }
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype path = line.indexOf('/');
        if (path >= 0) {
            files.insert(QString::fromUtf8(line.mid(path)));
        }
    }
    return files;
}

// Whether a library whose file name starts with `name` is loaded.
bool IsLoaded(const char* name) {
    const QSet<QString> files = MappedFiles();
    return std::any_of(files.begin(), files.end(), [name](const QString& file) {
        return QFileInfo(file).fileName().startsWith(QLatin1String(name));
    });
}

QWidget* TopLevelWindow(const char* name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String(name)) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

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
        // What only the model and sheet windows and PRINT need waits until they are first used.
        QVERIFY(IsLoaded("libQt6Widgets.so"));
        QVERIFY(!IsLoaded("libQt6Charts.so"));
        QVERIFY(!IsLoaded("libQt6OpenGL.so"));
        QVERIFY(!IsLoaded("libQt6Concurrent.so"));
        QVERIFY(!IsLoaded("libnlopt"));
        QVERIFY(!IsLoaded("libcups.so"));
        window.close();
        QTRY_VERIFY(!zandrel::MainWindowInstance().IsLoaded());
    }

    void theMainWindowsMenuOpensTheConstructionSheetForTheTypedFrequency() {
        zandrel::Start(*qApp);
        zandrel::MainWindow& window = zandrel::MainWindowInstance().Get();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(TopLevelWindow("ConstructionSheetWindow") == nullptr);
        emit window.constructionSheetRequested(QStringLiteral("145.80"));
        QWidget* sheet = TopLevelWindow("ConstructionSheetWindow");
        QVERIFY(sheet != nullptr);
        QVERIFY(window.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName) == nullptr);
        QTRY_VERIFY(sheet->isVisible());
        QCOMPARE(sheet->windowTitle(), QString("Construction sheet at 145.80 MHz"));
        const QString module = zandrel::ConstructionSheetWindowModuleFile();
        QVERIFY(!module.isEmpty());
        QVERIFY2(MappedFiles().contains(QFileInfo(module).canonicalFilePath()), qPrintable(module));
        // A second request brings the same window to the frequency asked for.
        emit window.constructionSheetRequested(QStringLiteral("137.50"));
        QCOMPARE(TopLevelWindow("ConstructionSheetWindow"), sheet);
        QCOMPARE(sheet->windowTitle(), QString("Construction sheet at 137.50 MHz"));
        zandrel::UnloadAllForms();
    }

    void theMainWindowsModelRequestOpensTheModelWindowAtTheTypedText() {
        zandrel::Start(*qApp);
        zandrel::MainWindow& window = zandrel::MainWindowInstance().Get();
        QVERIFY(TopLevelWindow("ModelWindow") == nullptr);
        emit window.modelRequested(QStringLiteral("145.80"));
        QWidget* model = TopLevelWindow("ModelWindow");
        QVERIFY(model != nullptr);
        QVERIFY(window.findChild<QMessageBox*>(zandrel::RuntimeErrorReportName) == nullptr);
        QCOMPARE(model->windowTitle(), QString("NEC-2 model at 145.80 MHz"));
        QVERIFY(model->isVisible());
        QVERIFY(IsLoaded("libQt6Charts.so"));
        // The module that the build, or the installation, put where the program looks for it.
        const QString expected = qEnvironmentVariable("ZANDREL2_TEST_MODEL_WINDOW_MODULE");
        if (!expected.isEmpty()) {
            const QString loaded = QFileInfo(expected).canonicalFilePath();
            QVERIFY2(!loaded.isEmpty(), qPrintable(expected));
            QVERIFY2(MappedFiles().contains(loaded), qPrintable(loaded));
        }
        model->close();
        window.close();
        QTRY_VERIFY(TopLevelWindow("ModelWindow") == nullptr);
        QTRY_VERIFY(!zandrel::MainWindowInstance().IsLoaded());
    }

    void aModuleOfTheOtherWindowIsNotTakenForTheSheetWindows() {
        // The model window's module under the sheet window's name is refused for what it is.
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString model = zandrel::ModelWindowModuleFile();
        const QString sheetName = QFileInfo(zandrel::ConstructionSheetWindowModuleFile()).fileName();
        QVERIFY(!model.isEmpty() && !sheetName.isEmpty());
        QVERIFY(QFile::copy(model, folder.filePath(sheetName)));
        try {
            zandrel::LoadConstructionSheetWindowModule({folder.path()});
            QFAIL("the model window's module was taken for the sheet window's");
        } catch (const zandrel::FormsError& error) {
            QCOMPARE(error.Kind(), zandrel::FormsErrorKind::ModuleNotLoaded);
            QVERIFY2(QString::fromStdString(error.Detail())
                         .endsWith("it is not the construction sheet window's module"),
                     error.Detail().c_str());
        }
        // And a folder without it names the file and the folder looked in.
        QTemporaryDir empty;
        try {
            zandrel::LoadConstructionSheetWindowModule({empty.path()});
            QFAIL("a module was loaded from an empty folder");
        } catch (const zandrel::FormsError& error) {
            QCOMPARE(error.Kind(), zandrel::FormsErrorKind::ModuleNotLoaded);
            const QString detail = QString::fromStdString(error.Detail());
            QVERIFY2(detail.contains(sheetName) && detail.contains(empty.path()),
                     qPrintable(detail));
        }
    }
};

QTEST_MAIN(StartTest)
#include "start_test.moc"
