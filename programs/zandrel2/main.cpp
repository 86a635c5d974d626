// zandrel2: starts the calculator's main window and runs until the last window is closed.
#include <QApplication>

#include "forms.h"
#include "start.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    zandrel::Start(application);
    const int status = QApplication::exec();
    zandrel::UnloadAllForms();
    return status;
}
