#include "start.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include "forms.h"
#include "main_window.h"
#include "model_window.h"

static void RegisterProgramResources() { Q_INIT_RESOURCE(program); }

namespace zandrel {

void Start(QApplication& application) {
    RegisterProgramResources();
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
    MainWindowInstance().Show();
    // The main window's context menu asks for the model of its typed frequency.
    QObject::connect(&MainWindowInstance().Get(), &MainWindow::modelRequested, &application,
                     &ShowModelWindow);
}

}  // namespace zandrel
