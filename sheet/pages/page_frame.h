// What every page of a sheet has: its size and number, and the footer with the 100 mm bar (and
// a 3 in bar for a sheet in inches), the printing instruction and the page number.
#pragma once

#include <QSizeF>
#include <QString>

#include "construction_sheet.h"
#include "millimetre_canvas.h"

namespace zandrel {

struct PageFrame {
    QSizeF Size;  // mm
    int Number;
    int Count;
    bool InchBar = false;  // a 3 in bar beside the 100 mm one, for a sheet in inches
};

void PaintFooter(MillimetreCanvas& canvas, const PageFrame& page);

// "1/2 TURN RCA, 137.50 MHz, RHCP": the antenna a sheet is for.
QString SheetSubject(const ConstructionSheet& sheet);

}  // namespace zandrel
