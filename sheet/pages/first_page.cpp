#include "first_page.h"

#include <QDate>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "helix_geometry.h"

namespace zandrel {

namespace {

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// Looking at the antenna from a side, level with it: where a point of a loop appears across
// the drawing and whether it is in front of the mast.
struct SideViewpoint {
    double AzimuthDegrees = 225.0;
    double Across(double azimuth, double radius) const {
        const double view = Radians(AzimuthDegrees);
        const double a = Radians(azimuth);
        return radius * (std::cos(a) * -std::sin(view) + std::sin(a) * std::cos(view));
    }
    bool InFront(double azimuth) const {
        return std::cos(Radians(azimuth) - Radians(AzimuthDegrees)) > 0.0;
    }
};

void PaintPlanView(MillimetreCanvas& canvas, const ConstructionSheet& sheet, const QRectF& area) {
    const QPointF centre = area.center();
    const double largest = std::max(sheet.LoopRadius(Loop::Small), sheet.LoopRadius(Loop::Large));
    const double scale = (area.width() / 2.0 - 7.0) / largest;
    auto at = [&centre](double azimuth, double radius) {
        return centre +
               QPointF(radius * std::cos(Radians(azimuth)), -radius * std::sin(Radians(azimuth)));
    };
    const double reach = area.width() / 2.0 - 5.0;
    canvas.Line(at(180, reach), at(0, reach), SheetPen(MidGrey, 0.12, Qt::DotLine));
    canvas.Line(at(270, reach), at(90, reach), SheetPen(MidGrey, 0.12, Qt::DotLine));
    const QFont label = SheetFont(7);
    canvas.Text(at(0, reach) + QPointF(0.5, 1.0), QStringLiteral("0°"), label, Qt::AlignLeft,
                MidGrey);
    canvas.Text(at(90, reach) + QPointF(0, -1.0), QStringLiteral("90°"), label, Qt::AlignHCenter,
                MidGrey);
    canvas.Text(at(180, reach) + QPointF(-0.5, 1.0), QStringLiteral("180°"), label, Qt::AlignRight,
                MidGrey);
    canvas.Text(at(270, reach) + QPointF(0, 3.0), QStringLiteral("270°"), label, Qt::AlignHCenter,
                MidGrey);

    QPainter& painter = canvas.Painter();
    const double mast = std::max(sheet.MastDiameterMm / 2.0 * scale, 0.8);
    painter.setPen(SheetPen(MidGrey, 0.15));
    painter.setBrush(LightGrey);
    painter.drawEllipse(centre, std::min(mast, reach / 3.0), std::min(mast, reach / 3.0));
    painter.setBrush(Qt::NoBrush);

    for (const Loop loop : {Loop::Small, Loop::Large}) {
        const QColor colour = ColourOf(loop);
        // Loops of (nearly) the same size are drawn apart, the small one inside.
        const double radius =
            loop == Loop::Large
                ? sheet.LoopRadius(loop) * scale
                : std::min(sheet.LoopRadius(loop), 0.8 * sheet.LoopRadius(Loop::Large)) * scale;
        const double top = ConstructionSheet::TopAzimuth(loop);
        const double twist = sheet.TwistDegrees();
        painter.setPen(SheetPen(colour, 0.15));
        painter.drawEllipse(centre, radius, radius);
        canvas.Line(at(top + 180.0, radius), at(top, radius), SheetPen(colour, 0.8));
        canvas.Line(at(top + 180.0 + twist, radius), at(top + twist, radius),
                    SheetPen(colour, 0.45, Qt::DashLine));
        for (const double start : {top, top + 180.0}) {
            QPolygonF element;
            constexpr int steps = 180;
            for (int i = 0; i <= steps; ++i) {
                element << at(start + twist * i / steps, radius);
            }
            painter.setPen(SheetPen(colour, 0.45));
            painter.drawPolyline(element);
            const double sign = twist < 0.0 ? -1.0 : 1.0;
            for (double travel = 45.0; travel < std::fabs(twist); travel += 90.0) {
                const double azimuth = start + sign * travel;
                const QPointF tangent(-std::sin(Radians(azimuth)) * sign,
                                      -std::cos(Radians(azimuth)) * sign);
                canvas.Arrowhead(at(azimuth, radius), tangent, colour);
            }
        }
    }
}

void PaintSideView(MillimetreCanvas& canvas, const ConstructionSheet& sheet, const QRectF& area) {
    const SideViewpoint view;
    const double widest = std::max(sheet.LoopRadius(Loop::Small), sheet.LoopRadius(Loop::Large));
    const double tallest = std::max(sheet.TopDepth(Loop::Small) + sheet.LoopHeight(Loop::Small),
                                    sheet.TopDepth(Loop::Large) + sheet.LoopHeight(Loop::Large));
    const double across = (area.width() / 2.0 - 10.0) / widest;
    const double down = (area.height() - 14.0) / tallest;
    const double top = area.top() + 7.0;
    const double middle = area.center().x();
    auto at = [&](double azimuth, double radius, double depth) {
        return QPointF(middle + view.Across(azimuth, radius) * across, top + depth * down);
    };
    QPainter& painter = canvas.Painter();
    const double mast = std::clamp(sheet.MastDiameterMm * across, 1.0, 6.0);
    canvas.Fill(QRectF(middle - mast / 2.0, top - 5.0, mast, tallest * down + 10.0), LightGrey);

    for (const Loop loop : {Loop::Small, Loop::Large}) {
        const QColor colour = ColourOf(loop);
        const double radius = sheet.LoopRadius(loop);
        const double topDepth = sheet.TopDepth(loop);
        const double height = sheet.LoopHeight(loop);
        const double start = ConstructionSheet::TopAzimuth(loop);
        const double twist = sheet.TwistDegrees();
        canvas.Line(at(start + 180.0, radius, topDepth), at(start, radius, topDepth),
                    SheetPen(colour, 0.8));
        canvas.Line(at(start + 180.0 + twist, radius, topDepth + height),
                    at(start + twist, radius, topDepth + height), SheetPen(colour, 0.45));
        for (const double first : {start, start + 180.0}) {
            constexpr int steps = 360;
            for (int i = 0; i < steps; ++i) {
                const double a0 = first + twist * i / steps;
                const double a1 = first + twist * (i + 1) / steps;
                const bool front = view.InFront((a0 + a1) / 2.0);
                canvas.Line(at(a0, radius, topDepth + height * i / steps),
                            at(a1, radius, topDepth + height * (i + 1) / steps),
                            front ? SheetPen(colour, 0.45) : SheetPen(colour.lighter(160), 0.25));
            }
            const double sign = twist < 0.0 ? -1.0 : 1.0;
            for (double travel = 45.0; travel < std::fabs(twist); travel += 90.0) {
                const double fraction = travel / std::fabs(twist);
                const double azimuth = first + sign * travel;
                if (!view.InFront(azimuth)) {
                    continue;
                }
                const QPointF here = at(azimuth, radius, topDepth + height * fraction);
                const QPointF next = at(azimuth + sign, radius,
                                        topDepth + height * (travel + 1.0) / std::fabs(twist));
                canvas.Arrowhead(here, next - here, colour);
            }
        }
    }
    painter.setPen(Qt::NoPen);
}

double PaintTable(MillimetreCanvas& canvas, double left, double top,
                  const std::vector<double>& stops, const std::vector<QString>& heads,
                  const std::vector<std::vector<QString>>& rows, const std::vector<bool>& bold) {
    constexpr double rowHeight = 4.2;
    const QFont head = SheetFont(7.5, true);
    double y = top + rowHeight;
    auto cells = [&](const std::vector<QString>& texts, const QFont& font) {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const bool first = i == 0;
            canvas.Text({left + stops[i], y}, texts[i], font,
                        first ? Qt::AlignLeft : Qt::AlignRight);
        }
        y += rowHeight;
    };
    cells(heads, head);
    canvas.Line({left, y - rowHeight + 1.2}, {left + stops.back(), y - rowHeight + 1.2},
                SheetPen(Qt::black, 0.15));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        cells(rows[r], SheetFont(8, bold[r]));
    }
    return y - rowHeight + 2.0;
}

}  // namespace

void PaintFirstPage(MillimetreCanvas& canvas, const ConstructionSheet& sheet,
                    const TemplateLayout& layout, const PageFrame& page, const QDate& date) {
    const double width = page.Size.width();
    double y = PageMargin + 5.0;
    canvas.Text({PageMargin, y}, QStringLiteral("zandrel2 construction sheet"),
                SheetFont(15, true));
    y += 6.5;
    canvas.Text({PageMargin, y},
                QStringLiteral("Style %1   Frequency %2 MHz   Polarisation %3   Date %4")
                    .arg(QtText(sheet.Style->Caption), QtText(sheet.FrequencyText),
                         QtText(PolarisationName(sheet.Sense)), date.toString(Qt::ISODate)),
                SheetFont(9.5));
    y += 2.5;
    canvas.Line({PageMargin, y}, {width - PageMargin, y}, SheetPen(Qt::black, 0.3));

    const double columnWidth = (width - 2 * PageMargin) * 0.5 - 3.0;
    const double left = PageMargin;
    double ly = y + 6.0;
    canvas.Text({left, ly}, QStringLiteral("Cut list (mm, as the calculator shows them)"),
                SheetFont(10, true));
    std::vector<std::vector<QString>> rows;
    std::vector<bool> bold;
    std::string group;
    for (const CutListLine& line : sheet.CutList) {
        if (line.Group != group) {
            group = line.Group;
            rows.push_back({QtText(group), {}, {}});
            bold.push_back(true);
        }
        rows.push_back({QStringLiteral("   ") + QtText(line.Part),
                        line.Group == "Tube" ? QString() : QString::number(line.Count),
                        QtText(line.LengthText)});
        bold.push_back(false);
    }
    ly = PaintTable(canvas, left, ly + 1.0, {0.0, columnWidth - 26.0, columnWidth},
                    {QStringLiteral("Part"), QStringLiteral("Count"), QStringLiteral("Length")},
                    rows, bold);

    ly += 5.0;
    canvas.Text({left, ly}, QStringLiteral("Mast holes (drill through)"), SheetFont(10, true));
    rows.clear();
    bold.clear();
    for (const MastHole& hole : sheet.Holes) {
        rows.push_back({QtText(hole.ArmName), QtText(hole.DistanceText),
                        QtText(hole.AzimuthText) + QStringLiteral("°"), QtText(hole.ElementText)});
        bold.push_back(false);
    }
    ly = PaintTable(canvas, left, ly + 1.0,
                    {0.0, columnWidth - 37.0, columnWidth - 18.0, columnWidth},
                    {QStringLiteral("Arm"), QStringLiteral("Below top"), QStringLiteral("Azimuth"),
                     QStringLiteral("Element")},
                    rows, bold);
    ly += 1.0;
    ly += canvas.TextBlock(QRectF(left, ly, columnWidth, 30.0),
                           QStringLiteral("Distances in mm below the centre of the top hole; "
                                          "azimuths in degrees, counter-clockwise seen from "
                                          "above, from a 0° line marked along the mast. "
                                          "Element: where the helical element that leaves the "
                                          "arm on that side has its other end."),
                           SheetFont(7.5));

    ly += 6.0;
    canvas.Text({left, ly}, QStringLiteral("Twist"), SheetFont(10, true));
    ly += 1.5;
    ly += canvas.TextBlock(QRectF(left, ly, columnWidth, 60.0), QtText(sheet.TwistInWords),
                           SheetFont(8.5));

    ly += 6.0;
    canvas.Text({left, ly}, QStringLiteral("Mast and template"), SheetFont(10, true));
    ly += 1.5;
    const QString pages = layout.Pages() == 1
                              ? QStringLiteral("page 2")
                              : QStringLiteral("pages 2 to %1").arg(layout.Pages() + 1);
    canvas.TextBlock(
        QRectF(left, ly, columnWidth, 60.0),
        QStringLiteral("Mast outside diameter %1 mm, circumference %2 mm. The drilling template "
                       "on %3 is drawn at 1:1: cut it out along the solid edges, join its tiles "
                       "(join marks on join marks), wrap it printed side out around the mast "
                       "with its top towards the top of the mast and its 0° line on the mark, "
                       "glue the flap under the other edge, then drill at the crosses.")
            .arg(QtText(FormatMillimetres(sheet.MastDiameterMm)),
                 QtText(FormatTenths(layout.Circumference)), pages),
        SheetFont(8.5));

    const double right = PageMargin + columnWidth + 6.0;
    const double rightWidth = width - PageMargin - right;
    double ry = y + 6.0;
    canvas.Text({right, ry}, QStringLiteral("Plan view, from above"), SheetFont(10, true));
    const double planSide = std::min(rightWidth, 80.0);
    PaintPlanView(canvas, sheet,
                  QRectF(right + (rightWidth - planSide) / 2.0, ry + 2.0, planSide, planSide));
    ry += planSide + 4.0;
    ry += canvas.TextBlock(QRectF(right, ry, rightWidth, 20.0),
                           QStringLiteral("Not to scale. Thick: top arms. Dashed: bottom arms. "
                                          "Arrows: each element from its top arm down to its "
                                          "bottom arm."),
                           SheetFont(7.5));
    ry += 3.5;
    canvas.Text({right, ry}, QStringLiteral("Small loop"), SheetFont(8, true), Qt::AlignLeft,
                SmallLoopColour);
    canvas.Text({right + 25.0, ry}, QStringLiteral("Large loop"), SheetFont(8, true), Qt::AlignLeft,
                LargeLoopColour);
    ry += 7.0;
    canvas.Text({right, ry}, QStringLiteral("Side view, from 225°, not to scale"),
                SheetFont(10, true));
    const double bottom = page.Size.height() - PageMargin - FooterHeight - 8.0;
    PaintSideView(canvas, sheet, QRectF(right, ry + 2.0, rightWidth, bottom - ry - 2.0));
    canvas.Text({right, bottom + 3.0},
                QStringLiteral("Pale: the part of each element behind the mast."), SheetFont(7.5));
    PaintFooter(canvas, page);
}
}  // namespace zandrel
