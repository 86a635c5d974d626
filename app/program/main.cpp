// zandrel2: starts the calculator's main window and runs until the last window is closed.
#include <QApplication>
#include <QIcon>

#include "forms.h"
#include "zandrel.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zandrel2"));
    QApplication::setApplicationVersion(QStringLiteral(ZANDREL2_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zandrel2"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/program/zandrel2.ico")));
    zandrel::InstallRuntimeDefaults(application);

    zandrel::ZandrelInstance().Show();
    const int status = QApplication::exec();
    // Windows still loaded at the end are unloaded while the application still exists.
    qDeleteAll(QApplication::topLevelWidgets());
    return status;
}
