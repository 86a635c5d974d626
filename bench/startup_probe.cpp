// startup_probe: starts zandrel2 and exits once the main window's first paint has been handled,
// so timing a whole run times zandrel2's start-up to first paint.
#include <QApplication>
#include <cstdlib>

#include "first_paint.h"
#include "forms.h"
#include "main_window.h"
#include "start.h"

int main(int argc, char** argv) {
    first_paint::StepLog log(std::getenv("ZANDREL2_PROBE_VERBOSE") != nullptr);
    QApplication application(argc, argv);
    log.Mark("QApplication constructed");
    zandrel::Start(application);
    const int status =
        first_paint::RunUntilFirstPaint(zandrel::MainWindowInstance().Get(), log);
    zandrel::UnloadAllForms();
    log.Finish();
    return status;
}
