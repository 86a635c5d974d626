#include "start.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include "forms.h"
#include "main_window.h"
#include "sheet_window_module.h"
#include "window_modules.h"

static void RegisterProgramResources() { Q_INIT_RESOURCE(program); }

namespace zandrel {

void Start(QApplication& application) {
    RegisterProgramResources();
    // The windows' remembered choices live under these names (~/.config/zandrel2/zandrel2.conf).
    QApplication::setOrganizationName(QStringLiteral("zandrel2"));
    QApplication::setApplicationName(QStringLiteral("zandrel2"));
    QApplication::setApplicationVersion(QStringLiteral(ZANDREL2_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zandrel2"));
    QIcon icon;
    for (const char* size : {"16", "32"}) {
        icon.addPixmap(QPixmap::fromImage(
            ReadImage(QStringLiteral(":/program/zandrel2-%1.png").arg(QLatin1String(size)))));
    }
    QApplication::setWindowIcon(icon);
    InstallRuntimeDefaults(application);
    // The main window's context menu asks for the model or the sheet of its typed frequency.
    MainWindow& window = MainWindowInstance().Get();
    QObject::connect(
        &window, &MainWindow::modelRequested, &window, [&window](const QString& frequencyText) {
            RunReportingErrors(window, [&frequencyText] { ShowModelWindow(frequencyText); });
        });
    QObject::connect(&window, &MainWindow::constructionSheetRequested, &window,
                     [&window](const QString& frequencyText) {
                         RunReportingErrors(window, [&frequencyText] {
                             LoadConstructionSheetWindowModule().ShowConstructionSheetWindow(
                                 frequencyText);
                         });
                     });
    MainWindowInstance().Show();
}

}  // namespace zandrel
