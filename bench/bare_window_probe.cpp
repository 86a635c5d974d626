// bare_window_probe: what start-up costs at the least, for comparison with zandrel2: a program
// that links Qt Widgets alone, shows an empty window of the main window's size and exits once
// its first paint has been handled.
#include <QApplication>
#include <QWidget>
#include <cstdlib>

#include "first_paint.h"

int main(int argc, char** argv) {
    first_paint::StepLog log(std::getenv("ZANDREL2_PROBE_VERBOSE") != nullptr);
    QApplication application(argc, argv);
    log.Mark("QApplication constructed");
    auto* window = new QWidget();
    window->resize(565, 419);
    window->setWindowTitle(QStringLiteral("Zandrel"));
    window->show();
    const int status = first_paint::RunUntilFirstPaint(*window, log);
    delete window;
    log.Finish();
    return status;
}
