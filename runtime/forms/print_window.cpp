#include "print_window.h"

#include <cups/cups.h>
#include <QLibrary>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "forms_error.h"

namespace zandrel {

namespace {

constexpr int QueueStopped = 5;  // IPP printer-state "stopped"

[[noreturn]] void RaisePrinterError(const std::string& detail) {
    throw FormsError(FormsErrorKind::PrinterError, detail);
}

// The print server's functions that printing asks, from its library, which is loaded the first
// time a window is printed: loading it and the libraries it needs at start-up would cost every
// start of the program about a tenth of its work.
struct PrintServer {
    decltype(&cupsGetNamedDest) GetNamedDest = nullptr;
    decltype(&cupsGetOption) GetOption = nullptr;
    decltype(&cupsFreeDests) FreeDests = nullptr;
    decltype(&cupsGetJobs2) GetJobs2 = nullptr;
    decltype(&cupsFreeJobs) FreeJobs = nullptr;
};

template <typename Function>
bool Resolve(QLibrary& library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}

const PrintServer& LoadPrintServer() {
    static QString failure;
    static const std::optional<PrintServer> server = []() -> std::optional<PrintServer> {
        // Stays loaded when `library` goes.
        QLibrary library(QStringLiteral("cups"), 2);
        PrintServer functions;
        if (!Resolve(library, "cupsGetNamedDest", functions.GetNamedDest) ||
            !Resolve(library, "cupsGetOption", functions.GetOption) ||
            !Resolve(library, "cupsFreeDests", functions.FreeDests) ||
            !Resolve(library, "cupsGetJobs2", functions.GetJobs2) ||
            !Resolve(library, "cupsFreeJobs", functions.FreeJobs)) {
            failure = library.errorString();
            return std::nullopt;
        }
        return functions;
    }();
    if (!server) {
        RaisePrinterError("the print server's library could not be loaded: " +
                          failure.toStdString());
    }
    return *server;
}

// Raises PrinterError when the queue is stopped or does not accept jobs: a job sent there
// would wait unseen, or vanish.
void CheckQueueTakesJobs(const PrintServer& cups, const std::string& queue) {
    cups_dest_t* dest = cups.GetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), nullptr);
    if (dest == nullptr) {
        RaisePrinterError("the printer " + queue + " cannot be reached");
    }
    const char* state = cups.GetOption("printer-state", dest->num_options, dest->options);
    const char* accepting =
        cups.GetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const bool stopped = state != nullptr && std::atoi(state) == QueueStopped;
    const bool rejecting = accepting != nullptr && std::string(accepting) == "false";
    cups.FreeDests(1, dest);
    if (rejecting) {
        RaisePrinterError("the printer " + queue + " is not accepting jobs");
    }
    if (stopped) {
        RaisePrinterError("the printer " + queue + " is stopped");
    }
}

// The highest job number the queue has seen, or 0.
int NewestJob(const PrintServer& cups, const std::string& queue) {
    cups_job_t* jobs = nullptr;
    const int count =
        cups.GetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i) {
        newest = std::max(newest, jobs[i].id);
    }
    cups.FreeJobs(count, jobs);
    return newest;
}

}  // namespace

void PrintWindow(QWidget& form) {
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        RaisePrinterError("no default printer is set up");
    }
    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    // Without a real printer QPrinter quietly writes a PDF file instead; that is no print.
    if (!printer.isValid() || printer.outputFormat() != QPrinter::NativeFormat) {
        RaisePrinterError("no default printer is set up");
    }
    const std::string queue = defaultPrinter.printerName().toStdString();
    const PrintServer& cups = LoadPrintServer();
    CheckQueueTakesJobs(cups, queue);
    const int newestBefore = NewestJob(cups, queue);
    printer.setDocName(form.windowTitle());

    // Recorded as drawing commands rather than pixels, the texts stay text on the page.
    QPicture picture;
    {
        QPainter recorder(&picture);
        form.render(&recorder);
    }

    QPainter painter;
    if (!painter.begin(&printer)) {
        RaisePrinterError("the printer " + queue + " refused the job");
    }
    // Played back on the printer, the picture keeps the window's size in inches.
    painter.drawPicture(0, 0, picture);
    if (!painter.end() || printer.printerState() == QPrinter::Error ||
        printer.printerState() == QPrinter::Aborted || NewestJob(cups, queue) <= newestBefore) {
        RaisePrinterError("the printer " + queue + " refused the job");
    }
}

}  // namespace zandrel
