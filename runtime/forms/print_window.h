// Printing a window: an image of it, as it shows now, on the default printer.
#pragma once

class QWidget;

namespace zandrel {

// Sends `form` to the default printer at its size on screen, at the top left of the page, with
// its texts as real text. Raises PrinterError when no default printer is set up or the printer
// does not take the job.
void PrintWindow(QWidget& form);

}  // namespace zandrel
