// The sheet as written: read back from the PDF, the scale bar and the template measure what
// they should, the template spreads over overlapping pages, and the drawn twist follows the
// polarisation.
#include "sheet_pages.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

#include "helix_feed.h"
#include "loop_tuning.h"
#include "pdf_read_back.h"
#include "sheet_error.h"

namespace zandrel {
namespace {

using test_support::DrawnPath;
using test_support::DrawnWord;
using test_support::PdfPage;
using test_support::ScaleBars;

constexpr double Tolerance = 0.05;   // mm
constexpr double TileLeftMm = 12.0;  // a template tile starts at the page margin
const QDate Date(2024, 3, 5);

class SheetPdf : public testing::Test {
  protected:
    std::vector<PdfPage> Write(HelixStyle style, Polarisation sense, double mast, Paper paper,
                               const char* frequency = "137.50") {
        const QString path = folder_.filePath(QStringLiteral("sheet.pdf"));
        WriteConstructionSheetPdf(path, ComputeConstructionSheet(style, frequency, sense, mast),
                                  paper, Date);
        return test_support::ReadPdf(path);
    }

    std::vector<PdfPage> Write(const ConstructionSheet& sheet, Paper paper = Paper::A4) {
        const QString path = folder_.filePath(QStringLiteral("sheet.pdf"));
        WriteConstructionSheetPdf(path, sheet, paper, Date);
        return test_support::ReadPdf(path);
    }

    QTemporaryDir folder_;
};

bool Near(double a, double b, double tolerance = Tolerance) {
    return std::fabs(a - b) <= tolerance;
}

QString PageText(const PdfPage& page) {
    QStringList words;
    for (const DrawnWord& word : page.Words) {
        words << word.Text;
    }
    return words.join(QLatin1Char(' '));
}

// The solid vertical lines of a template page that run side by side the whole length of the
// tile's strip, left to right: the strip's two cut edges and the flap's edge.
std::vector<QRectF> CutEdgeLines(const PdfPage& page) {
    std::vector<QRectF> lines;
    for (const DrawnPath& path : page.Paths) {
        const QRectF bounds = path.Bounds();
        if (path.Stroked && !path.Dashed && !path.Curved && path.Points.size() == 2 &&
            bounds.width() < 0.01) {
            lines.push_back(bounds);
        }
    }
    std::vector<QRectF> edges;
    for (const QRectF& line : lines) {
        std::vector<QRectF> alongside;
        for (const QRectF& other : lines) {
            if (Near(other.top(), line.top(), 0.01) && Near(other.bottom(), line.bottom(), 0.01)) {
                alongside.push_back(other);
            }
        }
        if (alongside.size() >= 3 && (edges.empty() || line.height() > edges.front().height())) {
            edges = alongside;
        }
    }
    std::sort(edges.begin(), edges.end(),
              [](const QRectF& a, const QRectF& b) { return a.left() < b.left(); });
    return edges;
}

std::vector<double> CutEdges(const PdfPage& page) {
    std::vector<double> edges;
    for (const QRectF& line : CutEdgeLines(page)) {
        edges.push_back(line.left());
    }
    return edges;
}

// Circles drawn stroked and unfilled, as (centre, diameter).
std::vector<std::pair<QPointF, double>> Circles(const PdfPage& page) {
    std::vector<std::pair<QPointF, double>> circles;
    for (const DrawnPath& path : page.Paths) {
        const QRectF bounds = path.Bounds();
        if (path.Stroked && !path.Filled && path.Curved && Near(bounds.width(), bounds.height())) {
            circles.emplace_back(bounds.center(), bounds.width());
        }
    }
    return circles;
}

TEST(SheetPaper, IsOfOneSizeForTheLayoutAndForThePrinter) {
    for (const Paper paper : {Paper::A4, Paper::Letter}) {
        const QSizeF printed = PageSizeOf(paper).size(QPageSize::Millimeter);
        EXPECT_DOUBLE_EQ(printed.width(), PaperSizeOf(paper).Width) << PaperName(paper);
        EXPECT_DOUBLE_EQ(printed.height(), PaperSizeOf(paper).Height) << PaperName(paper);
    }
}

TEST_F(SheetPdf, HasAHundredMillimetreBarAndThePrintingInstructionOnEveryPage) {
    for (const Paper paper : {Paper::A4, Paper::Letter}) {
        const auto pages = Write(HelixStyle::QuarterTurn, Polarisation::Rhcp, 32.0, paper);
        ASSERT_GE(pages.size(), 2u);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const std::vector<QRectF> bars = ScaleBars(pages[i]);
            ASSERT_EQ(bars.size(), 1u) << "page " << i + 1;
            EXPECT_NEAR(bars[0].width(), 100.0, Tolerance) << "page " << i + 1;
            EXPECT_TRUE(PageText(pages[i]).contains(
                QStringLiteral("Print at 100 % (no fit to page); check the bar with a ruler")))
                << "page " << i + 1;
            EXPECT_TRUE(PageText(pages[i]).contains(
                QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size())));
        }
        const QSizeF size = paper == Paper::A4 ? QSizeF(210, 297) : QSizeF(215.9, 279.4);
        EXPECT_NEAR(pages[0].Size.width(), size.width(), 0.5);
        EXPECT_NEAR(pages[0].Size.height(), size.height(), 0.5);
    }
}

TEST_F(SheetPdf, HeadsTheFirstPageWithTheProgramStyleFrequencyPolarisationAndDate) {
    const auto pages =
        Write(HelixStyle::HalfTurnTall, Polarisation::Lhcp, 32.0, Paper::A4, "145.8");
    ASSERT_FALSE(pages.empty());
    const QString text = PageText(pages[0]);
    for (const char* expected :
         {"zandrel2", "1/2 TURN .44 TALL", "145.8 MHz", "LHCP", "2024-03-05"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    }
    // Every figure of the cut list and the hole table is on the page as the sheet has it.
    const ConstructionSheet sheet =
        ComputeConstructionSheet(HelixStyle::HalfTurnTall, "145.8", Polarisation::Lhcp);
    for (const CutListLine& line : sheet.CutList) {
        EXPECT_TRUE(pages[0].HasWord(QString::fromStdString(line.LengthText))) << line.LengthText;
    }
    for (const MastHole& hole : sheet.Holes) {
        EXPECT_TRUE(pages[0].HasWord(QString::fromStdString(hole.DistanceText)))
            << hole.DistanceText;
    }
}

TEST_F(SheetPdf, DrawsTheTemplateAsWideAsTheMastsCircumferenceWithHolesOfTheTubesSize) {
    for (const double mast : {32.0, 25.0, 48.0}) {
        const auto pages = Write(HelixStyle::QuarterTurn, Polarisation::Rhcp, mast, Paper::A4);
        ASSERT_GE(pages.size(), 2u);
        const std::vector<double> edges = CutEdges(pages[1]);
        ASSERT_EQ(edges.size(), 3u) << mast;
        EXPECT_NEAR(edges[1] - edges[0], std::numbers::pi * mast, Tolerance) << mast;

        // The small loop's top arm: two holes of the tube's size, half way round from each other.
        std::vector<QPointF> topHoles;
        for (const auto& [centre, diameter] : Circles(pages[1])) {
            if (diameter < 5.0) {
                continue;  // a join mark
            }
            EXPECT_NEAR(diameter, 8.73, Tolerance);
            if (topHoles.empty() || Near(centre.y(), topHoles.front().y())) {
                topHoles.push_back(centre);
            }
        }
        ASSERT_EQ(topHoles.size(), 2u);
        EXPECT_NEAR(std::fabs(topHoles[1].x() - topHoles[0].x()), std::numbers::pi * mast / 2.0,
                    Tolerance);
    }
}

// Where the label "join N" of a template page is.
std::optional<QRectF> JoinLabel(const PdfPage& page, int number) {
    for (const DrawnWord& join : page.WordsReading(QStringLiteral("join"))) {
        for (const DrawnWord& word : page.WordsReading(QString::number(number))) {
            if (Near(word.Box.center().y(), join.Box.center().y(), 0.3) &&
                word.Box.left() > join.Box.right() && word.Box.left() < join.Box.right() + 3.0) {
                return join.Box.united(word.Box);
            }
        }
    }
    return std::nullopt;
}

// The ruler's numbers of a template page (the numbers just left of the strip, not those of a
// join mark), by value, with the height of their middle.
std::map<int, double> RulerNumbers(const PdfPage& page) {
    const std::vector<QRectF> edges = CutEdgeLines(page);
    std::map<int, double> numbers;
    if (edges.empty()) {
        return numbers;
    }
    const QRectF& edge = edges.front();
    for (const DrawnWord& word : page.Words) {
        bool isNumber = false;
        const int value = word.Text.toInt(&isNumber);
        if (!isNumber || word.Box.right() > edge.left() || word.Box.right() < edge.left() - 8.0 ||
            word.Box.center().y() < edge.top() || word.Box.center().y() > edge.bottom() ||
            (JoinLabel(page, value) && JoinLabel(page, value)->contains(word.Box.center()))) {
            continue;
        }
        numbers[value] = word.Box.center().y();
    }
    return numbers;
}

TEST_F(SheetPdf, SpreadsALongTemplateOverOverlappingPagesThatJoinUp) {
    for (const Paper paper : {Paper::A4, Paper::Letter}) {
        const auto pages = Write(HelixStyle::OneAndHalfTurn, Polarisation::Rhcp, 32.0, paper);
        const ConstructionSheet sheet =
            ComputeConstructionSheet(HelixStyle::OneAndHalfTurn, "137.50", Polarisation::Rhcp);
        ASSERT_GE(pages.size(), 3u);
        const double lowest = sheet.LowestHoleMm();  // 3030.8 mm
        std::set<int> covered;
        int previousMost = -1;
        for (std::size_t i = 1; i < pages.size(); ++i) {
            const auto numbers = RulerNumbers(pages[i]);
            ASSERT_FALSE(numbers.empty()) << "page " << i + 1;
            // Ten millimetres between the ruler's numbers, on every page.
            for (auto it = std::next(numbers.begin()); it != numbers.end(); ++it) {
                EXPECT_NEAR(it->second - std::prev(it)->second, (it->first - std::prev(it)->first),
                            Tolerance);
            }
            for (const auto& [value, y] : numbers) {
                covered.insert(value);
            }
            // Each page takes the strip on by most of a page, and the last one is needed.
            const bool last = i + 1 == pages.size();
            EXPECT_GT(numbers.rbegin()->first, previousMost + (last ? 0 : 180)) << "page " << i + 1;
            previousMost = numbers.rbegin()->first;
            if (last) {
                break;
            }
            // The next page repeats the end of this one: the same join mark and ruler numbers,
            // at the same distances from each other.
            const auto next = RulerNumbers(pages[i + 1]);
            const auto here = JoinLabel(pages[i], static_cast<int>(i));
            const auto there = JoinLabel(pages[i + 1], static_cast<int>(i));
            ASSERT_TRUE(here && there) << "join " << i;
            int shared = 0;
            for (const auto& [value, y] : numbers) {
                if (next.count(value) != 0) {
                    ++shared;
                    EXPECT_NEAR(y - here->center().y(), next.at(value) - there->center().y(),
                                Tolerance);
                }
            }
            EXPECT_GE(shared, 1) << "pages " << i + 1 << " and " << i + 2;
        }
        for (int value = 0; value <= static_cast<int>(lowest); value += 10) {
            EXPECT_EQ(covered.count(value), 1u) << value;
        }
        EXPECT_GT(previousMost, lowest - 10.0);
        EXPECT_TRUE(PageText(pages.back())
                        .contains(QString::fromStdString(sheet.Holes.back().DistanceText + " mm")));
        EXPECT_GE(pages.size(), 14u);  // 3 m of strip at under 250 mm a page
        // Every join mark's name is whole, "join 14" by the tile's left edge included.
        for (std::size_t i = 1; i < pages.size(); ++i) {
            for (const DrawnWord& join : pages[i].WordsReading(QStringLiteral("join"))) {
                EXPECT_GE(join.Box.left(), TileLeftMm - Tolerance) << "page " << i + 1;
            }
        }
    }
}

// +1 when the arrowheads inside the plan view's largest loop all point counter-clockwise seen
// from above, -1 when all point clockwise, 0 when they disagree or there are none.
int PlanViewTurn(const PdfPage& page) {
    const auto circles = Circles(page);
    if (circles.empty()) {
        return 0;
    }
    const auto largest =
        *std::max_element(circles.begin(), circles.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; });
    const QPointF centre = largest.first;
    const double reach = largest.second / 2.0 + 3.0;
    int counterClockwise = 0, clockwise = 0;
    for (const DrawnPath& path : page.Paths) {
        std::vector<QPointF> corners;
        for (const QPointF& point : path.Points) {
            if (std::none_of(corners.begin(), corners.end(), [&point](const QPointF& c) {
                    return Near(c.x(), point.x(), 1e-3) && Near(c.y(), point.y(), 1e-3);
                })) {
                corners.push_back(point);
            }
        }
        if (!path.Filled || path.Curved || corners.size() != 3) {
            continue;
        }
        const QPointF middle = (corners[0] + corners[1] + corners[2]) / 3.0;
        if (std::hypot(middle.x() - centre.x(), middle.y() - centre.y()) > reach) {
            continue;
        }
        // The tip faces the shortest side.
        std::size_t tip = 0;
        double shortest = 1e9;
        for (std::size_t i = 0; i < 3; ++i) {
            const QPointF side = corners[(i + 1) % 3] - corners[(i + 2) % 3];
            if (std::hypot(side.x(), side.y()) < shortest) {
                shortest = std::hypot(side.x(), side.y());
                tip = i;
            }
        }
        const QPointF pointing = corners[tip] - middle;
        const QPointF outward = middle - centre;
        // On paper y grows downwards: flip it to look from above with y to the north.
        const double turn = outward.x() * -pointing.y() - -outward.y() * pointing.x();
        (turn > 0 ? counterClockwise : clockwise)++;
    }
    if (counterClockwise > 0 && clockwise == 0) {
        return 1;
    }
    if (clockwise > 0 && counterClockwise == 0) {
        return -1;
    }
    return 0;
}

TEST_F(SheetPdf, DrawsThePlanViewsArrowsTheWayThePolarisationTwists) {
    for (const HelixStyle style :
         {HelixStyle::QuarterTurn, HelixStyle::HalfTurnRca, HelixStyle::OneAndHalfTurn}) {
        const auto right = Write(style, Polarisation::Rhcp, 32.0, Paper::A4);
        ASSERT_FALSE(right.empty());
        EXPECT_EQ(PlanViewTurn(right[0]), 1) << StyleEntryOf(style).Name;
        const auto left = Write(style, Polarisation::Lhcp, 32.0, Paper::Letter);
        ASSERT_FALSE(left.empty());
        EXPECT_EQ(PlanViewTurn(left[0]), -1) << StyleEntryOf(style).Name;
    }
}

// The word drawn just above a template hole's circle, centred on it.
std::optional<QString> WordAbove(const PdfPage& page, QPointF centre, double radius) {
    for (const DrawnWord& word : page.Words) {
        if (Near(word.Box.center().x(), centre.x(), 0.3) &&
            word.Box.bottom() < centre.y() - radius &&
            word.Box.bottom() > centre.y() - radius - 6.0) {
            return word.Text;
        }
    }
    return std::nullopt;
}

TEST_F(SheetPdf, LabelsTheTopArmHolesWithTheCoaxConductorTheModelJoinsThemTo) {
    for (const Polarisation sense : {Polarisation::Rhcp, Polarisation::Lhcp}) {
        for (const HelixStyle style : {HelixStyle::QuarterTurn, HelixStyle::OneTurn}) {
            const ConstructionSheet sheet = ComputeConstructionSheet(style, "137.50", sense);
            const TemplateLayout layout = LayOutTemplate(sheet, Paper::A4);
            const auto pages = Write(sheet);
            ASSERT_GE(pages.size(), 2u);
            // Where the strip's point (x, depth) is on the first tile's page.
            const QPointF origin(layout.Tile.Left - layout.Content.Left,
                                 layout.Tile.Top - layout.Content.Top);
            const auto arms =
                FeedConnections(BuildHelixGeometry(StyleEntryOf(style), "137.50", sense));
            ASSERT_EQ(arms.size(), 4u);
            for (const FeedArm& arm : arms) {
                const double depth = arm.Part == WirePart::SmallTop ? 0.0 : 2.0 * 8.73;
                const QPointF expected = origin + QPointF(layout.XOfAzimuth(arm.AzimuthDeg), depth);
                const auto circles = Circles(pages[1]);
                std::optional<QString> label;
                for (const auto& [centre, diameter] : circles) {
                    if (Near(centre.x(), expected.x(), 0.1) &&
                        Near(centre.y(), expected.y(), 0.1)) {
                        label = WordAbove(pages[1], centre, diameter / 2.0);
                    }
                }
                const std::string what = std::string(StyleEntryOf(style).Name) + " " +
                                         std::string(PolarisationName(sense)) + " " +
                                         std::string(arm.ArmName) + " " +
                                         std::to_string(arm.AzimuthDeg);
                ASSERT_TRUE(label.has_value()) << what;
                EXPECT_EQ(label->toStdString(),
                          arm.Side == FeedSide::CoaxCentre ? "centre" : "braid")
                    << what;
            }
        }
    }
}

TEST_F(SheetPdf, ListsTheFeedAndTheMatchOnTheFirstPage) {
    ConstructionSheet sheet =
        ComputeConstructionSheet(HelixStyle::HalfTurnShort, "137.50", Polarisation::Lhcp);
    ModelFigures figures;
    figures.Impedance = {14.39, 14.35};
    AddModelledMatch(sheet, figures);
    const auto pages = Write(sheet);
    ASSERT_FALSE(pages.empty());
    const QString text = PageText(pages[0]);
    // The right-hand column, row by row.
    const QString rows = test_support::LinesIn(pages[0], 105.0, 210.0).join(QLatin1Char('\n'));
    for (const FeedArm& arm : sheet.Feed) {
        const QString line =
            QStringLiteral("%1 %2° %3")
                .arg(QString::fromUtf8(arm.ArmName.data(),
                                       static_cast<qsizetype>(arm.ArmName.size())))
                .arg(arm.AzimuthDeg)
                .arg(arm.Side == FeedSide::CoaxCentre ? "coax centre" : "coax braid");
        EXPECT_TRUE(rows.contains(line)) << line.toStdString() << "\n" << rows.toStdString();
    }
    // LHCP: the large loop's 270° arm pairs with the small loop's 0° arm.
    EXPECT_TRUE(rows.contains(QStringLiteral("Small loop top arm 0° coax centre")));
    EXPECT_TRUE(rows.contains(QStringLiteral("Large loop top arm 270° coax centre")));
    EXPECT_TRUE(text.contains(QStringLiteral("turns the beam downwards")));
    EXPECT_TRUE(text.contains(QStringLiteral("Match to 50 ohm")));
    // 14.39 + j14.35 ohm on 50 ohm: 22.64 ohm of series reactance in all, 8.29 of it to add,
    // 9.59 nH at 137.5 MHz; then 0.0315 S across the line, 36.4 pF.
    EXPECT_TRUE(text.contains(QStringLiteral("Series part: 9.59 nH inductor")));
    EXPECT_TRUE(text.contains(QStringLiteral("Shunt part: 36.4 pF capacitor")));
    EXPECT_TRUE(text.contains(QStringLiteral("coax's (line) side")));
    for (const char* label : {"9.59 nH", "36.4 pF", "centre arms", "braid arms", "coax centre"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(label))) << label;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("must not conduct: wood, PVC or fibreglass")));
}

TEST_F(SheetPdf, SaysSoWhenThereIsNoModelToMatchFrom) {
    ConstructionSheet sheet =
        ComputeConstructionSheet(HelixStyle::OneTurn, "137.50", Polarisation::Rhcp);
    AddMissingModel(sheet, "nec2c was not found on the PATH");
    const auto pages = Write(sheet);
    ASSERT_FALSE(pages.empty());
    const QString text = PageText(pages[0]);
    EXPECT_TRUE(text.contains(QStringLiteral("Match to 50 ohm")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("No match is given: nec2c was not found on the PATH")));
    EXPECT_FALSE(text.contains(QStringLiteral(" nH"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral(" pF"))) << text.toStdString();
}

TEST_F(SheetPdf, DrawsTheHolesForTheBuildersConductorAndSaysItIsNotTheCalculatorsTube) {
    SheetRequest request;
    request.Style = HelixStyle::HalfTurnTall;
    request.FrequencyText = "137.50";
    request.ConductorDiameterMm = 2.0;
    const ConstructionSheet sheet = ComputeConstructionSheet(request);
    const TemplateLayout layout = LayOutTemplate(sheet, Paper::A4);
    const auto pages = Write(sheet);
    ASSERT_GE(pages.size(), 2u);
    const double topHole = layout.Tile.Top - layout.Content.Top;
    int holes = 0;
    for (const auto& [centre, diameter] : Circles(pages[1])) {
        if (Near(centre.y(), topHole, 0.1)) {
            EXPECT_NEAR(diameter, 2.0, Tolerance);
            ++holes;
        }
    }
    EXPECT_EQ(holes, 2);
    EXPECT_TRUE(PageText(pages[0]).contains(
        QStringLiteral("drawn for your 2.00 mm tube or wire, not the calculator's 8.73 mm tube")));
    EXPECT_FALSE(PageText(Write(ComputeConstructionSheet(HelixStyle::HalfTurnTall, "137.50",
                                                         Polarisation::Rhcp))[0])
                     .contains(QStringLiteral("tube or wire")));
}

TEST_F(SheetPdf, InInchesKeepsTheTemplateAtOneToOneAndAddsAnInchRuler) {
    SheetRequest request;
    request.Style = HelixStyle::HalfTurnTall;
    request.FrequencyText = "137.50";
    request.Units = LengthUnit::Inch;
    const ConstructionSheet sheet = ComputeConstructionSheet(request);
    const auto pages = Write(sheet, Paper::Letter);
    ASSERT_GE(pages.size(), 3u);
    const QString first = PageText(pages[0]);
    EXPECT_TRUE(first.contains(QStringLiteral("Cut list (inches)")));
    EXPECT_TRUE(test_support::LinesIn(pages[0], 0.0, 105.0)
                    .contains(QStringLiteral("Helical element 2 34.26")));
    EXPECT_TRUE(first.contains(QStringLiteral("Distances in inches")));
    // The strip is as wide as the mast's circumference whatever the unit.
    const std::vector<double> edges = CutEdges(pages[1]);
    ASSERT_EQ(edges.size(), 3u);
    EXPECT_NEAR(edges[1] - edges[0], std::numbers::pi * 32.0, Tolerance);
    // Inch numbers left of the millimetre ruler, 25.4 mm apart, 0 level with the top hole's 0.
    const QRectF strip = CutEdgeLines(pages[1]).front();
    std::map<int, double> inches;
    for (const DrawnWord& word : pages[1].Words) {
        bool isNumber = false;
        const int value = word.Text.toInt(&isNumber);
        const auto join = JoinLabel(pages[1], value);
        if (isNumber && word.Box.right() < strip.left() - 16.0 &&
            word.Box.center().y() > strip.top() && word.Box.center().y() < strip.bottom() &&
            !(join && join->contains(word.Box.center()))) {
            inches[value] = word.Box.center().y();
        }
    }
    const std::map<int, double> millimetres = RulerNumbers(pages[1]);
    ASSERT_GE(inches.size(), 8u);
    ASSERT_TRUE(millimetres.count(0) && inches.count(0));
    EXPECT_NEAR(inches.at(0), millimetres.at(0), Tolerance);
    for (auto it = std::next(inches.begin()); it != inches.end(); ++it) {
        EXPECT_NEAR(it->second - std::prev(it)->second, 25.4 * (it->first - std::prev(it)->first),
                    Tolerance);
    }
    EXPECT_TRUE(PageText(pages[1]).contains(QStringLiteral("0.69 in, 90°")));
    EXPECT_TRUE(PageText(pages[1]).contains(QStringLiteral("3 in")));
}

TEST_F(SheetPdf, SaysInItsHeadersThatTheLoopsAreTunedAndByHowMuch) {
    HelixDimensions design;
    ComputeHelixDimensions("137.50", StyleConstantsOf(HelixStyle::HalfTurnTall), design);
    SheetRequest request;
    request.Style = HelixStyle::HalfTurnTall;
    request.FrequencyText = "137.50";
    request.Tuned = TunedLoops{0.9871, 1.0213, ScaledDimensions(design, {0.9871, 1.0213})};
    const auto pages = Write(ComputeConstructionSheet(request));
    ASSERT_GE(pages.size(), 2u);
    EXPECT_TRUE(PageText(pages[0]).contains(QStringLiteral(
        "Tuned in NEC-2: the small loop scaled by 0.9871, the large loop by 1.0213")));
    const QStringList rows = test_support::LinesIn(pages[0], 0.0, 105.0);
    EXPECT_TRUE(rows.filter(QStringLiteral("Helical element 2"))
                    .value(0)
                    .endsWith(QStringLiteral(" tuned")))
        << rows.join('\n').toStdString();
    EXPECT_TRUE(rows.filter(QStringLiteral("Tube outside diameter"))
                    .value(0)
                    .endsWith(QStringLiteral("8.73")));
    EXPECT_TRUE(
        PageText(pages[1]).contains(QStringLiteral("tuned (small loop x0.9871, large x1.0213)")));
}

TEST_F(SheetPdf, IsNotWrittenWhereItCannotBeAndLeavesNoPartOfAFile) {
    const ConstructionSheet sheet =
        ComputeConstructionSheet(HelixStyle::OneTurn, "137.50", Polarisation::Rhcp);
    const QString missing = folder_.filePath(QStringLiteral("no/such/folder/sheet.pdf"));
    const QString folderItself = folder_.path();
    for (const QString& path : {missing, folderItself}) {
        try {
            WriteConstructionSheetPdf(path, sheet, Paper::A4, Date);
            FAIL() << path.toStdString();
        } catch (const SheetError& error) {
            EXPECT_EQ(error.Kind(), SheetErrorKind::FileNotWritable);
            EXPECT_EQ(error.Number(), 75);
            EXPECT_EQ(error.Message(), "Path/File access error");
            EXPECT_NE(error.Detail().find(path.toStdString()), std::string::npos) << error.Detail();
        }
    }
    EXPECT_TRUE(QDir(folder_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    // A template too long for any sheet leaves the file that was there as it was.
    const QString existing = folder_.filePath(QStringLiteral("sheet.pdf"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("before");
    file.close();
    try {
        WriteConstructionSheetPdf(
            existing,
            ComputeConstructionSheet(HelixStyle::OneTurn, "10", Polarisation::Rhcp, 450.0),
            Paper::A4, Date);
        FAIL() << "no error";
    } catch (const SheetError& error) {
        EXPECT_EQ(error.Kind(), SheetErrorKind::CannotBeDrawn);
        EXPECT_NE(error.Detail().find("pages"), std::string::npos) << error.Detail();
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "before");
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("sheet.pdf")});
}

}  // namespace
}  // namespace zandrel
