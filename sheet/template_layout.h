// The paper of a construction sheet and the drilling template laid out on it, in millimetres:
// the strip that wraps around the mast, its ruler, flap and join marks, and its tiling into
// overlapping pages.
#pragma once

#include <string_view>

#include "construction_sheet.h"

namespace zandrel {

enum class Paper { A4, Letter };

// "a4" or "letter".
std::string_view PaperName(Paper paper);

struct PaperSize {
    double Width = 0.0;  // mm
    double Height = 0.0;
};

PaperSize PaperSizeOf(Paper paper);

// What every page keeps free around its content, in mm.
inline constexpr double PageMargin = 12.0;    // on every side
inline constexpr double FooterHeight = 16.0;  // the scale bar, the printing instruction, the page
inline constexpr double TemplateHeaderHeight = 12.0;

// The most pages a sheet may have; a template that needs more raises CannotBeDrawn.
inline constexpr int MostSheetPages = 200;

// A rectangle on paper or on the template, in mm, y growing downwards.
struct PaperRect {
    double Left = 0.0;
    double Top = 0.0;
    double Width = 0.0;
    double Height = 0.0;

    double Right() const { return Left + Width; }
    double Bottom() const { return Top + Height; }
};

// The drilling template: a strip as wide as the mast's circumference, with the distance rulers
// (mm, and inches for a sheet in inches) on its left, and a glue flap and the join marks on its
// right, cut into page-sized tiles that overlap. Lengths in mm; x from the strip's left edge
// (azimuth -45 degrees), y down from the centre of the top hole.
struct TemplateLayout {
    static constexpr double MillimetreRulerWidth = 16.0;  // the millimetre ruler's labels
    static constexpr double InchRulerWidth = 13.0;        // the inch ruler's, left of them
    static constexpr double GlueFlap = 8.0;               // right of the strip

    double RulerGutter = MillimetreRulerWidth;  // left of the strip, for the rulers
    bool InchRuler = false;                     // an inch ruler beside the millimetre one

    double Circumference = 0.0;
    PaperRect Strip;    // the part that wraps around the mast
    PaperRect Content;  // the strip with the ruler, the flap and the join marks
    PaperRect Tile;     // where a tile sits on its page
    double Overlap = 0.0;
    int Columns = 0;
    int Rows = 0;

    int Pages() const { return Columns * Rows; }
    // The part of the content that tile (column, row) shows.
    PaperRect Window(int column, int row) const;
    // The tile's number, 1 for the top left one, counting along each row.
    int TileNumber(int column, int row) const { return row * Columns + column + 1; }
    // Where the join marks of rows `row - 1` and `row` lie: the middle of their overlap.
    double RowJoin(int row) const;
    // Where the join marks of columns `column - 1` and `column` lie.
    double ColumnJoin(int column) const;
    // Where on the strip an azimuth lies.
    double XOfAzimuth(double degrees) const;
};

// Lays the template out for `paper`. Raises SheetError CannotBeDrawn when it would need more
// than MostSheetPages pages.
TemplateLayout LayOutTemplate(const ConstructionSheet& sheet, Paper paper);

// The first page plus the template's tiles.
int SheetPageCount(const ConstructionSheet& sheet, Paper paper);

}  // namespace zandrel
