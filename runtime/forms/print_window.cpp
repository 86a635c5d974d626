#include "print_window.h"

#include <cups/cups.h>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "forms_error.h"

namespace zandrel {

namespace {

constexpr int QueueStopped = 5;  // IPP printer-state "stopped"

[[noreturn]] void RaisePrinterError(const std::string& detail) {
    throw FormsError(FormsErrorKind::PrinterError, detail);
}

// Raises PrinterError when the queue is stopped or does not accept jobs: a job sent there
// would wait unseen, or vanish.
void CheckQueueTakesJobs(const std::string& queue) {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), nullptr);
    if (dest == nullptr) {
        RaisePrinterError("the printer " + queue + " cannot be reached");
    }
    const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const bool stopped = state != nullptr && std::atoi(state) == QueueStopped;
    const bool rejecting = accepting != nullptr && std::string(accepting) == "false";
    cupsFreeDests(1, dest);
    if (rejecting) {
        RaisePrinterError("the printer " + queue + " is not accepting jobs");
    }
    if (stopped) {
        RaisePrinterError("the printer " + queue + " is stopped");
    }
}

// The highest job number the queue has seen, or 0.
int NewestJob(const std::string& queue) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i) {
        newest = std::max(newest, jobs[i].id);
    }
    cupsFreeJobs(count, jobs);
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
    CheckQueueTakesJobs(queue);
    const int newestBefore = NewestJob(queue);
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
        printer.printerState() == QPrinter::Aborted || NewestJob(queue) <= newestBefore) {
        RaisePrinterError("the printer " + queue + " refused the job");
    }
}

}  // namespace zandrel
