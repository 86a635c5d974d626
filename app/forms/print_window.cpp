#include "print_window.h"

#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

#include "runtime_error.h"

namespace zandrel {

void PrintWindow(QWidget& form) {
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        throw RuntimeError(RuntimeErrorKind::PrinterError, "no default printer is set up");
    }
    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    // Without a real printer QPrinter quietly writes a PDF file instead; that is no print.
    if (!printer.isValid() || printer.outputFormat() != QPrinter::NativeFormat) {
        throw RuntimeError(RuntimeErrorKind::PrinterError, "no default printer is set up");
    }
    printer.setDocName(form.windowTitle());

    // Recorded as drawing commands rather than pixels, the texts stay text on the page.
    QPicture picture;
    {
        QPainter recorder(&picture);
        form.render(&recorder);
    }

    QPainter painter;
    if (!painter.begin(&printer)) {
        throw RuntimeError(
            RuntimeErrorKind::PrinterError,
            "the printer " + defaultPrinter.printerName().toStdString() + " refused the job");
    }
    // Played back on the printer, the picture keeps the window's size in inches.
    painter.drawPicture(0, 0, picture);
    if (!painter.end() || printer.printerState() == QPrinter::Error ||
        printer.printerState() == QPrinter::Aborted) {
        throw RuntimeError(
            RuntimeErrorKind::PrinterError,
            "the printer " + defaultPrinter.printerName().toStdString() + " refused the job");
    }
}

}  // namespace zandrel
