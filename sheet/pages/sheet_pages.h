// A construction sheet on paper: the first page and the 1:1 drilling template's tiles, painted
// on a printer or written as a PDF.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QPageSize>
#include <QString>

#include "construction_sheet.h"
#include "output_file.h"
#include "template_layout.h"

class QPagedPaintDevice;

namespace zandrel {

// The page size a printer or a PDF is given for `paper`: PaperSizeOf(paper), with its name.
QPageSize PageSizeOf(Paper paper);

// Paints every page on `device` (a PDF writer or a printer) at 1:1, setting the page size and
// taking the device's margins into account. Raises CannotBeDrawn before it paints anything.
void PaintConstructionSheet(QPagedPaintDevice& device, const ConstructionSheet& sheet, Paper paper,
                            const QDate& date);

// The sheet as a PDF document. Raises CannotBeDrawn as PaintConstructionSheet does.
QByteArray ConstructionSheetPdf(const ConstructionSheet& sheet, Paper paper, const QDate& date);

// Writes the sheet as a PDF to `path` as WriteOutputFile does: a regular file is replaced
// only by a complete sheet; a FIFO or a device is written to, never replaced. Raises SheetError
// FileNotWritable when it cannot, and CannotBeDrawn before it touches `path`. A FIFO that
// nobody reads is refused or waited for as `wait` says, `waiting` told as the wait begins.
void WriteConstructionSheetPdf(const QString& path, const ConstructionSheet& sheet, Paper paper,
                               const QDate& date, ReaderWait wait = ReaderWait::Refuse,
                               const std::function<void()>& waiting = {});

}  // namespace zandrel
