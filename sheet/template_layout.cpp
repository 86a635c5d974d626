#include "template_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "sheet_error.h"

namespace zandrel {

namespace {

constexpr double TileOverlap = 15.0;
constexpr double JoinMarkRoom = 16.0;  // right of the flap
constexpr double StripAboveTopHole = 25.0;
constexpr double StripBelowLowestHole = 25.0;
constexpr double SeamAzimuth = -45.0;  // where the strip's edges meet: never on a hole

// How many overlapping tiles of `tile` cover `length`.
double TilesAlong(double length, double tile, double overlap) {
    return length <= tile ? 1.0 : std::ceil((length - overlap) / (tile - overlap));
}

std::string PageCountText(double pages) {
    if (!std::isfinite(pages)) {
        return "too many";
    }
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", pages);
    return text;
}

}  // namespace

std::string_view PaperName(Paper paper) { return paper == Paper::A4 ? "a4" : "letter"; }

PaperSize PaperSizeOf(Paper paper) {
    return paper == Paper::A4 ? PaperSize{210.0, 297.0} : PaperSize{215.9, 279.4};
}

PaperRect TemplateLayout::Window(int column, int row) const {
    return {Content.Left + column * (Tile.Width - Overlap),
            Content.Top + row * (Tile.Height - Overlap), Tile.Width, Tile.Height};
}

double TemplateLayout::RowJoin(int row) const { return Window(0, row).Top + Overlap / 2.0; }

double TemplateLayout::ColumnJoin(int column) const {
    return Window(column, 0).Left + Overlap / 2.0;
}

double TemplateLayout::XOfAzimuth(double degrees) const {
    const double turned = std::fmod(std::fmod(degrees - SeamAzimuth, 360.0) + 360.0, 360.0);
    return turned / 360.0 * Circumference;
}

TemplateLayout LayOutTemplate(const ConstructionSheet& sheet, Paper paper) {
    TemplateLayout layout;
    layout.Circumference = std::numbers::pi * sheet.MastDiameterMm;
    const PaperSize page = PaperSizeOf(paper);
    layout.Tile = {PageMargin, PageMargin + TemplateHeaderHeight, page.Width - 2 * PageMargin,
                   page.Height - 2 * PageMargin - TemplateHeaderHeight - FooterHeight};
    layout.Overlap = TileOverlap;
    // Below the lowest hole the strip keeps room for its circle and label; it runs on to its
    // full margin unless that would take one more page.
    const double label = sheet.ConductorDiameterMm / 2.0 + 12.0;
    const double shortest = StripAboveTopHole + sheet.LowestHoleMm() + label;
    const double longest =
        StripAboveTopHole + sheet.LowestHoleMm() + std::max(label, StripBelowLowestHole);
    const double rows = TilesAlong(shortest, layout.Tile.Height, TileOverlap);
    const double length =
        TilesAlong(longest, layout.Tile.Height, TileOverlap) > rows ? shortest : longest;
    layout.Strip = {0.0, -StripAboveTopHole, layout.Circumference, length};
    layout.InchRuler = sheet.Units == LengthUnit::Inch;
    layout.RulerGutter = TemplateLayout::MillimetreRulerWidth +
                         (layout.InchRuler ? TemplateLayout::InchRulerWidth : 0.0);
    layout.Content = {
        -layout.RulerGutter, layout.Strip.Top,
        layout.RulerGutter + layout.Circumference + TemplateLayout::GlueFlap + JoinMarkRoom,
        layout.Strip.Height};
    const double columns = TilesAlong(layout.Content.Width, layout.Tile.Width, TileOverlap);
    const double pages = columns * rows;
    if (!(pages + 1.0 <= MostSheetPages)) {
        throw SheetError(SheetErrorKind::CannotBeDrawn,
                         "the drilling template would need " + PageCountText(pages) +
                             " pages, and a sheet has at most " + std::to_string(MostSheetPages));
    }
    layout.Columns = static_cast<int>(columns);
    layout.Rows = static_cast<int>(rows);
    return layout;
}

int SheetPageCount(const ConstructionSheet& sheet, Paper paper) {
    return LayOutTemplate(sheet, paper).Pages() + 1;
}

}  // namespace zandrel
