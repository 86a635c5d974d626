// A construction sheet on paper: the first page and the 1:1 drilling template's tiles, painted
// on a printer or written as a PDF.
#pragma once

#include <QDate>
#include <QPageSize>
#include <QString>

#include "construction_sheet.h"
#include "template_layout.h"

class QPagedPaintDevice;

namespace zandrel {

QPageSize PageSizeOf(Paper paper);

// Paints every page on `device` (a PDF writer or a printer) at 1:1, setting the page size and
// taking the device's margins into account. Raises CannotBeDrawn before it paints anything.
void PaintConstructionSheet(QPagedPaintDevice& device, const ConstructionSheet& sheet, Paper paper,
                            const QDate& date);

// Writes the sheet as a PDF to `path`, through a temporary file in the same folder that
// replaces `path` only when complete. Raises SheetError FileNotWritable when it cannot.
void WriteConstructionSheetPdf(const QString& path, const ConstructionSheet& sheet, Paper paper,
                               const QDate& date);

}  // namespace zandrel
