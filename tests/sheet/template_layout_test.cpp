// The drilling template laid out in millimetres: a strip as wide as the mast's circumference
// that holds every hole, cut into tiles that fit the page and overlap, and refused when no
// sheet can hold it.
#include "template_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "sheet_error.h"

namespace zandrel {
namespace {

struct LayoutCase {
    HelixStyle Style;
    const char* Frequency;
    double Mast;
    Paper PaperSize;
};

const LayoutCase Cases[] = {
    {HelixStyle::QuarterTurn, "137.50", 32.0, Paper::A4},
    {HelixStyle::HalfTurnRca, "137.50", 25.0, Paper::Letter},
    {HelixStyle::OneAndHalfTurn, "137.50", 32.0, Paper::A4},  // many rows
    {HelixStyle::OneTurn, "29.6", 300.0, Paper::Letter},      // several columns
    {HelixStyle::HalfTurnTall, "540", 75.0, Paper::A4},       // columns, one row
};

std::string Named(const LayoutCase& c) {
    return std::string(StyleEntryOf(c.Style).Name) + " " + c.Frequency + " MHz, mast " +
           std::to_string(c.Mast) + ", " + std::string(PaperName(c.PaperSize));
}

TEST(TemplateLayout, CutsTheContentIntoTilesThatFitThePageOverlapAndCoverIt) {
    for (const LayoutCase& c : Cases) {
        const ConstructionSheet sheet =
            ComputeConstructionSheet(c.Style, c.Frequency, Polarisation::Rhcp, c.Mast);
        const TemplateLayout layout = LayOutTemplate(sheet, c.PaperSize);
        const PaperSize paper = PaperSizeOf(c.PaperSize);
        SCOPED_TRACE(Named(c));
        EXPECT_GE(layout.Tile.Left, PageMargin);
        EXPECT_LE(layout.Tile.Right(), paper.Width - PageMargin + 1e-9);
        EXPECT_GE(layout.Tile.Top, PageMargin);
        EXPECT_LE(layout.Tile.Bottom(), paper.Height - PageMargin - FooterHeight + 1e-9);
        EXPECT_EQ(SheetPageCount(sheet, c.PaperSize), layout.Columns * layout.Rows + 1);

        const PaperRect first = layout.Window(0, 0);
        EXPECT_DOUBLE_EQ(first.Left, layout.Content.Left);
        EXPECT_DOUBLE_EQ(first.Top, layout.Content.Top);
        for (int column = 1; column < layout.Columns; ++column) {
            EXPECT_NEAR(layout.Window(column - 1, 0).Right() - layout.Window(column, 0).Left,
                        layout.Overlap, 1e-9);
        }
        for (int row = 1; row < layout.Rows; ++row) {
            EXPECT_NEAR(layout.Window(0, row - 1).Bottom() - layout.Window(0, row).Top,
                        layout.Overlap, 1e-9);
        }
        // The last tiles reach the content's end, and none of them is needless.
        const PaperRect last = layout.Window(layout.Columns - 1, layout.Rows - 1);
        EXPECT_GE(last.Right(), layout.Content.Right() - 1e-9);
        EXPECT_GE(last.Bottom(), layout.Content.Bottom() - 1e-9);
        if (layout.Columns > 1) {
            EXPECT_LT(layout.Window(layout.Columns - 2, 0).Right(), layout.Content.Right());
        }
        if (layout.Rows > 1) {
            EXPECT_LT(layout.Window(0, layout.Rows - 2).Bottom(), layout.Content.Bottom());
        }
        EXPECT_EQ(layout.TileNumber(layout.Columns - 1, layout.Rows - 1), layout.Pages());
    }
}

TEST(TemplateLayout, WrapsTheMastWithAStripThatHoldsEveryHoleAwayFromItsSeam) {
    for (const LayoutCase& c : Cases) {
        const ConstructionSheet sheet =
            ComputeConstructionSheet(c.Style, c.Frequency, Polarisation::Lhcp, c.Mast);
        const TemplateLayout layout = LayOutTemplate(sheet, c.PaperSize);
        SCOPED_TRACE(Named(c));
        EXPECT_NEAR(layout.Strip.Width, std::numbers::pi * c.Mast, 1e-9);
        EXPECT_LE(layout.Strip.Left, layout.Content.Left + layout.RulerGutter);
        const double tubeRadius = sheet.Shown(&HelixDimensions::TubeDiameter) / 2.0;
        EXPECT_LT(layout.Strip.Top, -tubeRadius);
        EXPECT_GT(layout.Strip.Bottom(), sheet.LowestHoleMm() + tubeRadius);
        for (const MastHole& hole : sheet.Holes) {
            const double x = layout.XOfAzimuth(hole.AzimuthDegrees);
            EXPECT_GT(x, layout.Strip.Left) << hole.ArmName << " " << hole.AzimuthText;
            EXPECT_LT(x, layout.Strip.Right()) << hole.ArmName << " " << hole.AzimuthText;
            // Half way round the mast is half the strip's width away.
            const double opposite = layout.XOfAzimuth(hole.AzimuthDegrees + 180.0);
            EXPECT_NEAR(std::fabs(opposite - x), layout.Strip.Width / 2.0, 1e-9);
        }
    }
}

TEST(TemplateLayout, RefusesATemplateThatNeedsMorePagesThanASheetHas) {
    struct Refused {
        const char* Frequency;
        double Mast;
        const char* Count;  // how many pages the detail says, when it can say
        double FittingMast;
    };
    const Refused cases[] = {
        {"5", 450.0, nullptr, 450.0},         // an antenna some 25 m long around a wide mast
        {"137.50", 1e308, "too many", 32.0},  // a strip whose width is beyond any number
    };
    const std::string need = "the drilling template would need ";
    for (const Refused& c : cases) {
        // A mast of any size, whether it fits the loops or not, for the layout alone.
        ConstructionSheet sheet = ComputeConstructionSheet(HelixStyle::OneTurn, c.Frequency,
                                                           Polarisation::Rhcp, c.FittingMast);
        sheet.MastDiameterMm = c.Mast;
        try {
            LayOutTemplate(sheet, Paper::A4);
            FAIL() << c.Frequency;
        } catch (const SheetError& error) {
            EXPECT_EQ(error.Kind(), SheetErrorKind::CannotBeDrawn);
            EXPECT_EQ(error.Number(), 17);
            EXPECT_EQ(error.Message(), "Can't perform requested operation");
            ASSERT_EQ(error.Detail().rfind(need, 0), 0u) << error.Detail();
            const std::string count = error.Detail().substr(need.size());
            if (c.Count != nullptr) {
                EXPECT_EQ(count.rfind(c.Count, 0), 0u) << error.Detail();
            } else {
                std::size_t digits = 0;
                EXPECT_GT(std::stod(count, &digits), MostSheetPages - 1) << error.Detail();
                EXPECT_EQ(count.substr(digits, 7), " pages,") << error.Detail();
            }
            EXPECT_NE(error.Detail().find("pages, and a sheet has at most 200"), std::string::npos)
                << error.Detail();
        }
    }
}

}  // namespace
}  // namespace zandrel
