// A construction sheet on paper: the first page (cut list, mast holes, twist, plan and side
// views) and the 1:1 drilling template for the mast, tiled over as many pages as it needs.
#pragma once

#include <QDate>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <string_view>

#include "construction_sheet.h"

class QPagedPaintDevice;

namespace zandrel {

enum class Paper { A4, Letter };

// "a4" or "letter".
std::string_view PaperName(Paper paper);
QPageSize PageSizeOf(Paper paper);

// The most pages a sheet may have; a template that needs more raises CannotBeDrawn.
inline constexpr int MostSheetPages = 200;

// The drilling template: a strip as wide as the mast's circumference, with the distance ruler
// on its left, and a glue flap and the join marks on its right, cut into page-sized tiles that
// overlap. Lengths in mm; x from the strip's left edge (azimuth -45 degrees), y down from the
// centre of the top hole.
struct TemplateLayout {
    double Circumference = 0.0;
    QRectF Strip;    // the part that wraps around the mast
    QRectF Content;  // the strip with the ruler, the flap and the join marks
    QRectF Tile;     // where a tile sits on its page
    double Overlap = 0.0;
    int Columns = 0;
    int Rows = 0;

    int Pages() const { return Columns * Rows; }
    // The part of the content that tile (column, row) shows.
    QRectF Window(int column, int row) const;
    // Where on the strip an azimuth lies.
    double XOfAzimuth(double degrees) const;
};

// Lays the template out for `paper`. Raises SheetError CannotBeDrawn when it would need more
// than MostSheetPages pages.
TemplateLayout LayOutTemplate(const ConstructionSheet& sheet, Paper paper);

// The first page plus the template's tiles.
int SheetPageCount(const ConstructionSheet& sheet, Paper paper);

// Paints every page on `device` (a PDF writer or a printer) at 1:1, setting the page size and
// taking the device's margins into account. Raises CannotBeDrawn before it paints anything.
void PaintConstructionSheet(QPagedPaintDevice& device, const ConstructionSheet& sheet, Paper paper,
                            const QDate& date);

// Writes the sheet as a PDF to `path`, through a temporary file in the same folder that
// replaces `path` only when complete. Raises SheetError FileNotWritable when it cannot.
void WriteConstructionSheetPdf(const QString& path, const ConstructionSheet& sheet, Paper paper,
                               const QDate& date);

}  // namespace zandrel
