#include "start.h"

#include <QApplication>
#include <QIcon>

#include "forms.h"
#include "zandrel.h"

static void RegisterProgramResources() { Q_INIT_RESOURCE(program); }

namespace zandrel {

void Start(QApplication& application) {
    RegisterProgramResources();
    QApplication::setApplicationName(QStringLiteral("zandrel2"));
    QApplication::setApplicationVersion(QStringLiteral(ZANDREL2_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zandrel2"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/program/zandrel2.ico")));
    InstallRuntimeDefaults(application);
    ZandrelInstance().Show();
}

}  // namespace zandrel
