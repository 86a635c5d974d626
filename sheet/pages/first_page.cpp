#include "first_page.h"

#include <QDate>
#include <QPainterPath>
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

QString Unit(const ConstructionSheet& sheet) { return QtText(LengthUnitName(sheet.Units)); }

QString ScaleText(double scale) { return QString::number(scale, 'f', 4); }

// The four top arms at the feed seen from above, each pair joined to its conductor.
void PaintFeedView(MillimetreCanvas& canvas, const ConstructionSheet& sheet, const QRectF& area) {
    const QPointF centre = area.center();
    const double reach = std::min(area.width() / 2.0 - 7.0, area.height() / 2.0 - 4.0);
    auto at = [&centre](double azimuth, double radius) {
        return centre +
               QPointF(radius * std::cos(Radians(azimuth)), -radius * std::sin(Radians(azimuth)));
    };
    QPainter& painter = canvas.Painter();
    painter.setPen(SheetPen(MidGrey, 0.15));
    painter.setBrush(LightGrey);
    painter.drawEllipse(centre, 2.0, 2.0);
    painter.setBrush(Qt::NoBrush);
    const QFont label = SheetFont(6.5);
    for (const FeedArm& arm : sheet.Feed) {
        const Loop loop = arm.Part == WirePart::SmallTop ? Loop::Small : Loop::Large;
        canvas.Line(at(arm.AzimuthDeg, 2.6), at(arm.AzimuthDeg, reach),
                    SheetPen(ColourOf(loop), 0.8));
        const QPointF end = at(arm.AzimuthDeg, reach + 2.0);
        const double c = std::cos(Radians(arm.AzimuthDeg));
        const double sn = std::sin(Radians(arm.AzimuthDeg));
        canvas.Text(end + QPointF(0.0, sn < -0.5 ? 2.4 : (sn > 0.5 ? 0.0 : 1.0)),
                    QtText(FormatDegrees(arm.AzimuthDeg)) + QStringLiteral("°"), label,
                    c > 0.5 ? Qt::AlignLeft : (c < -0.5 ? Qt::AlignRight : Qt::AlignHCenter),
                    ColourOf(loop));
    }
    for (const FeedSide side : {FeedSide::CoaxCentre, FeedSide::CoaxBraid}) {
        std::vector<double> azimuths;
        for (const FeedArm& arm : sheet.Feed) {
            if (arm.Side == side) {
                azimuths.push_back(arm.AzimuthDeg);
            }
        }
        if (azimuths.size() != 2) {
            continue;
        }
        const bool centreSide = side == FeedSide::CoaxCentre;
        const QPen pen = SheetPen(Qt::black, 0.35, centreSide ? Qt::SolidLine : Qt::DashLine);
        const QPointF a = at(azimuths[0], reach * 0.55);
        const QPointF b = at(azimuths[1], reach * 0.55);
        canvas.Line(a, b, pen);
        for (const QPointF& point : {a, b}) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::black);
            painter.drawEllipse(point, 0.6, 0.6);
            painter.setBrush(Qt::NoBrush);
        }
        // The pair's label beyond the join, half way between its arms.
        const QPointF middle = (a + b) / 2.0;
        const QPointF outward = middle - centre;
        const double length = std::hypot(outward.x(), outward.y());
        const QPointF place = length > 0.0 ? centre + outward * ((reach * 0.75) / length) : middle;
        canvas.Text(place + QPointF(0.0, outward.y() > 0.0 ? 2.2 : 0.0),
                    centreSide ? QStringLiteral("centre") : QStringLiteral("braid"),
                    SheetFont(6.5, true), outward.x() > 0.0 ? Qt::AlignLeft : Qt::AlignRight);
    }
}

void PaintInductor(MillimetreCanvas& canvas, QPointF from, QPointF to) {
    const QPointF along = to - from;
    const bool vertical = std::fabs(along.y()) > std::fabs(along.x());
    const double length = vertical ? along.y() : along.x();
    constexpr int turns = 4;
    const double turn = length / turns;
    QPainterPath coil(from);
    for (int i = 0; i < turns; ++i) {
        const double start = i * turn;
        const QRectF arc =
            vertical
                ? QRectF(from.x() - std::fabs(turn) / 2.0, from.y() + start, std::fabs(turn), turn)
                : QRectF(from.x() + start, from.y() - std::fabs(turn) / 2.0, turn, std::fabs(turn));
        coil.arcTo(arc.normalized(), vertical ? 90.0 : 180.0, vertical ? 180.0 : -180.0);
    }
    QPainter& painter = canvas.Painter();
    painter.setPen(SheetPen(Qt::black, 0.3));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(coil);
}

void PaintCapacitor(MillimetreCanvas& canvas, QPointF from, QPointF to) {
    const QPointF along = to - from;
    const QPointF middle = (from + to) / 2.0;
    const double gap = 0.7;
    const double plate = 2.4;
    const bool vertical = std::fabs(along.y()) > std::fabs(along.x());
    const QPointF step = vertical ? QPointF(0.0, gap) : QPointF(gap, 0.0);
    const QPointF across = vertical ? QPointF(plate, 0.0) : QPointF(0.0, plate);
    const QPen wire = SheetPen(Qt::black, 0.3);
    canvas.Line(from, middle - step, wire);
    canvas.Line(middle + step, to, wire);
    const QPen plates = SheetPen(Qt::black, 0.45);
    canvas.Line(middle - step - across, middle - step + across, plates);
    canvas.Line(middle + step - across, middle + step + across, plates);
}

// One part of the network drawn from `from` to `to`, or a plain wire for none.
void PaintPart(MillimetreCanvas& canvas, const Matching& part, QPointF from, QPointF to) {
    switch (part.Kind) {
        case MatchingKind::Inductor:
            PaintInductor(canvas, from, to);
            break;
        case MatchingKind::Capacitor:
            PaintCapacitor(canvas, from, to);
            break;
        case MatchingKind::None:
            canvas.Line(from, to, SheetPen(Qt::black, 0.3));
            break;
    }
}

// The feed on the left, the coax on the right, the series part in the line from the centre
// arms and the shunt part across the two lines on its side.
void PaintMatchDiagram(MillimetreCanvas& canvas, const MatchSection& match, const QRectF& area) {
    const LNetwork& network = match.Network;
    const double top = area.top() + 6.0;
    const double bottom = area.bottom() - 5.0;
    const double left = area.left() + 13.0;
    const double right = area.right() - 16.0;
    const double width = right - left;
    const double seriesFrom = left + width * 0.40;
    const double seriesTo = left + width * 0.62;
    const double shuntX =
        network.Side == ShuntSide::Antenna ? left + width * 0.2 : left + width * 0.82;
    const QPen wire = SheetPen(Qt::black, 0.3);
    const QFont label = SheetFont(6.5);
    const QFont value = SheetFont(7, true);

    canvas.Line({left, top}, {seriesFrom, top}, wire);
    PaintPart(canvas, network.Series, {seriesFrom, top}, {seriesTo, top});
    canvas.Line({seriesTo, top}, {right, top}, wire);
    canvas.Line({left, bottom}, {right, bottom}, wire);
    if (network.Series.Kind != MatchingKind::None) {
        canvas.Text({(seriesFrom + seriesTo) / 2.0, top - 2.6},
                    QtText(ComponentValueText(network.Series)), value, Qt::AlignHCenter);
    }
    if (network.Shunt.Kind != MatchingKind::None) {
        const double from = top + (bottom - top) * 0.22;
        const double to = bottom - (bottom - top) * 0.22;
        canvas.Line({shuntX, top}, {shuntX, from}, wire);
        PaintPart(canvas, network.Shunt, {shuntX, from}, {shuntX, to});
        canvas.Line({shuntX, to}, {shuntX, bottom}, wire);
        QPainter& painter = canvas.Painter();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(QPointF(shuntX, top), 0.5, 0.5);
        painter.drawEllipse(QPointF(shuntX, bottom), 0.5, 0.5);
        painter.setBrush(Qt::NoBrush);
        const bool lineSide = network.Side == ShuntSide::Line;
        canvas.Text({shuntX + (lineSide ? -3.2 : 3.2), (top + bottom) / 2.0 + 1.0},
                    QtText(ComponentValueText(network.Shunt)), value,
                    lineSide ? Qt::AlignRight : Qt::AlignLeft);
    }
    // The feed's terminals on the left, the coax's on the right.
    QPainter& painter = canvas.Painter();
    painter.setPen(SheetPen(Qt::black, 0.25));
    painter.setBrush(Qt::white);
    for (const double x : {left, right}) {
        painter.drawEllipse(QPointF(x, top), 0.8, 0.8);
        painter.drawEllipse(QPointF(x, bottom), 0.8, 0.8);
    }
    painter.setBrush(Qt::NoBrush);
    canvas.Text({left - 1.6, top + 1.0}, QStringLiteral("centre arms"), label, Qt::AlignRight);
    canvas.Text({left - 1.6, bottom + 1.0}, QStringLiteral("braid arms"), label, Qt::AlignRight);
    canvas.Text({left - 1.6, (top + bottom) / 2.0 + 1.0}, QStringLiteral("feed"),
                SheetFont(6.5, true), Qt::AlignRight);
    canvas.Text({right + 1.6, top + 1.0}, QStringLiteral("coax centre"), label);
    canvas.Text({right + 1.6, bottom + 1.0}, QStringLiteral("coax braid"), label);
    canvas.Text({right + 1.6, (top + bottom) / 2.0 + 1.0},
                QStringLiteral("%1 ohm").arg(match.Z0Ohm), SheetFont(6.5, true));
}

}  // namespace

void PaintFirstPage(MillimetreCanvas& canvas, const ConstructionSheet& sheet,
                    const TemplateLayout& layout, const PageFrame& page, const QDate& date) {
    const double width = page.Size.width();
    const QString unit = Unit(sheet);
    const bool tuned = sheet.Tuned.has_value();
    double y = PageMargin + 5.0;
    canvas.Text({PageMargin, y}, QStringLiteral("zandrel2 construction sheet"),
                SheetFont(15, true));
    y += 6.5;
    canvas.Text({PageMargin, y},
                QStringLiteral("Style %1   Frequency %2 MHz   Polarisation %3   Date %4")
                    .arg(QtText(sheet.Style->Caption), QtText(sheet.FrequencyText),
                         QtText(PolarisationName(sheet.Sense)), date.toString(Qt::ISODate)),
                SheetFont(9.5));
    if (tuned) {
        y += 1.5;
        y += canvas.TextBlock(
            QRectF(PageMargin, y, width - 2 * PageMargin, 12.0),
            QStringLiteral("Tuned in NEC-2%3: the small loop scaled by %1, the large loop by %2 "
                           "(radius and height). Every length marked \"tuned\" is the tuned "
                           "loop's, not the calculator's.")
                .arg(ScaleText(sheet.Tuned->SmallScale), ScaleText(sheet.Tuned->LargeScale),
                     QtText(sheet.TunedFor)),
            SheetFont(8.5, true));
        y -= 2.0;
    }
    y += 2.5;
    canvas.Line({PageMargin, y}, {width - PageMargin, y}, SheetPen(Qt::black, 0.3));

    const double columnWidth = (width - 2 * PageMargin) * 0.5 - 3.0;
    const double left = PageMargin;
    double ly = y + 6.0;
    const QString listTitle =
        sheet.Units == LengthUnit::Inch
            ? QStringLiteral("Cut list (inches)")
            : (tuned ? QStringLiteral("Cut list (mm)")
                     : QStringLiteral("Cut list (mm, as the calculator shows them)"));
    canvas.Text({left, ly}, listTitle, SheetFont(10, true));
    std::vector<std::vector<QString>> rows;
    std::vector<bool> bold;
    std::string group;
    const QString tunedMark = QStringLiteral("tuned");
    for (const CutListLine& line : sheet.CutList) {
        if (line.Group != group) {
            group = line.Group;
            rows.push_back({QtText(group), {}, {}});
            bold.push_back(true);
        }
        rows.push_back(
            {QStringLiteral("   ") + QtText(line.Part),
             line.Count == 0 || line.Group == "Tube" ? QString() : QString::number(line.Count),
             QtText(line.LengthText)});
        if (tuned) {
            rows.back().push_back(line.Tuned ? tunedMark : QString());
        }
        bold.push_back(false);
    }
    const std::vector<double> listStops =
        tuned ? std::vector<double>{0.0, columnWidth - 32.0, columnWidth - 10.0, columnWidth}
              : std::vector<double>{0.0, columnWidth - 26.0, columnWidth};
    std::vector<QString> listHeads = {QStringLiteral("Part"), QStringLiteral("Count"),
                                      QStringLiteral("Length")};
    if (tuned) {
        listHeads.push_back(QString());
    }
    ly = PaintTable(canvas, left, ly + 1.0, listStops, listHeads, rows, bold);

    ly += 5.0;
    canvas.Text({left, ly}, QStringLiteral("Mast holes (drill through)"), SheetFont(10, true));
    rows.clear();
    bold.clear();
    for (const MastHole& hole : sheet.Holes) {
        rows.push_back(
            {QtText(hole.ArmName),
             QtText(hole.DistanceText) + (hole.Tuned ? QStringLiteral(" tuned") : QString()),
             QtText(hole.AzimuthText) + QStringLiteral("°"), QtText(hole.ElementText)});
        bold.push_back(false);
    }
    ly = PaintTable(canvas, left, ly + 1.0,
                    {0.0, columnWidth - 37.0, columnWidth - 18.0, columnWidth},
                    {QStringLiteral("Arm"), QStringLiteral("Below top"), QStringLiteral("Azimuth"),
                     QStringLiteral("Element")},
                    rows, bold);
    ly += 1.0;
    ly += canvas.TextBlock(
        QRectF(left, ly, columnWidth, 30.0),
        QStringLiteral("Distances in %1 below the centre of the top hole; "
                       "azimuths in degrees, counter-clockwise seen from "
                       "above, from a 0° line marked along the mast. "
                       "Element: where the helical element that leaves the "
                       "arm on that side has its other end.")
            .arg(sheet.Units == LengthUnit::Inch ? QStringLiteral("inches") : QStringLiteral("mm")),
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
    QString mastText =
        QStringLiteral(
            "Mast outside diameter %1 mm, circumference %2 mm. The mast must not "
            "conduct: wood, PVC or fibreglass, or the model does not hold. The "
            "drilling template on %3 is drawn at 1:1: cut it out along the solid "
            "edges, join its tiles (join marks on join marks), wrap it printed side "
            "out around the mast with its top towards the top of the mast and its 0° "
            "line on the mark, glue the flap under the other edge, then drill at the "
            "crosses.")
            .arg(QtText(FormatMillimetres(sheet.MastDiameterMm)),
                 QtText(FormatTenths(layout.Circumference)), pages);
    if (sheet.ConductorDiffers()) {
        mastText += QStringLiteral(
                        " The holes are drawn for your %1 mm tube or wire, not the "
                        "calculator's %2 mm tube; the feed and the match are "
                        "modelled with it.")
                        .arg(QtText(FormatHundredths(sheet.ConductorDiameterMm)),
                             QtText(FormatDimension(sheet.Dimensions.TubeDiameter)));
    }
    canvas.TextBlock(QRectF(left, ly, columnWidth, 80.0), mastText, SheetFont(8.5));

    const double right = PageMargin + columnWidth + 6.0;
    const double rightWidth = width - PageMargin - right;
    double ry = y + 6.0;
    canvas.Text({right, ry}, QStringLiteral("Plan view, from above"), SheetFont(10, true));
    const double planSide = std::min(rightWidth, 54.0);
    PaintPlanView(canvas, sheet,
                  QRectF(right + (rightWidth - planSide) / 2.0, ry + 1.0, planSide, planSide));
    ry += planSide + 3.0;
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

    // The feed: which top arm goes to which conductor of the coax.
    ry += 7.0;
    canvas.Text({right, ry}, QStringLiteral("Feed"), SheetFont(10, true));
    rows.clear();
    bold.clear();
    for (const FeedArm& arm : sheet.Feed) {
        rows.push_back({QtText(arm.ArmName),
                        QtText(FormatDegrees(arm.AzimuthDeg)) + QStringLiteral("°"),
                        QtText(FeedSideName(arm.Side))});
        bold.push_back(false);
    }
    const double feedTableWidth = 54.0;
    const double tableBottom =
        PaintTable(canvas, right, ry + 1.0, {0.0, 34.0, feedTableWidth},
                   {QStringLiteral("Top arm"), QStringLiteral("Azimuth"), QStringLiteral("Joins")},
                   rows, bold);
    const double viewWidth = rightWidth - feedTableWidth;
    constexpr double viewHeight = 28.0;
    PaintFeedView(canvas, sheet, QRectF(right + feedTableWidth, ry - 3.0, viewWidth, viewHeight));
    ry = std::max(tableBottom, ry - 3.0 + viewHeight) + 0.5;
    ry += canvas.TextBlock(
        QRectF(right, ry, rightWidth, 20.0),
        QStringLiteral("Seen from above, joined at the middle of the top arms. Joining one loop "
                       "the other way round, its two arms swapped at the coax, turns the beam "
                       "downwards, away from the sky. To trim each loop on its own, measure it "
                       "alone: take the other loop's two top arms off the coax, sweep, and put "
                       "them back."),
        SheetFont(7.5));

    // The match to the line.
    ry += 6.0;
    const MatchSection& match = sheet.Match;
    canvas.Text({right, ry}, QtText(MatchTitle(match)), SheetFont(10, true));
    ry += 1.5;
    if (match.Modelled) {
        const LNetwork& network = match.Network;
        auto partText = [](const Matching& part) {
            return part.Kind == MatchingKind::None
                       ? QStringLiteral("none")
                       : QtText(ComponentValueText(part)) + QLatin1Char(' ') +
                             QtText(ComponentName(part));
        };
        QString words =
            QStringLiteral(
                "Modelled in NEC-2 at %1 MHz: %2 %3 j%4 ohm, SWR %5 on %6 ohm with "
                "nothing fitted. Series part: %7, in the line from the centre arms. "
                "Shunt part: %8, across the %9 side.")
                .arg(QtText(sheet.FrequencyText), QString::number(match.Impedance.real(), 'f', 2),
                     match.Impedance.imag() < 0.0 ? QStringLiteral("-") : QStringLiteral("+"),
                     QString::number(std::fabs(match.Impedance.imag()), 'f', 2),
                     QString::number(match.SwrUnmatched, 'f', 1), QString::number(match.Z0Ohm),
                     partText(network.Series), partText(network.Shunt),
                     network.Side == ShuntSide::Antenna ? QStringLiteral("feed's (antenna)")
                                                        : QStringLiteral("coax's (line)"));
        for (const PartAdvice& advice : match.Parts) {
            const QString which =
                advice.Series ? QStringLiteral("series") : QStringLiteral("shunt");
            words += advice.LeftOut ? QStringLiteral(
                                          " The %1 part (%2) is left out: the other alone gives "
                                          "SWR %3.")
                                          .arg(which, partText(advice.Part),
                                               QString::number(advice.SwrWithout, 'f', 2))
                                    : QStringLiteral(
                                          " The %1 part is too small to buy: use a %2 mm %3 "
                                          "stub of %4 ohm coax, or leave it out for SWR %5.")
                                          .arg(which, QString::number(advice.StubLengthMm, 'f', 0),
                                               advice.Part.Kind == MatchingKind::Inductor
                                                   ? QStringLiteral("shorted")
                                                   : QStringLiteral("open"),
                                               QString::number(match.Z0Ohm),
                                               QString::number(advice.SwrWithout, 'f', 2));
        }
        if (!match.Installed.empty()) {
            words += QStringLiteral(" Modelled as installed: %1.").arg(QtText(match.Installed));
        }
        ry += canvas.TextBlock(QRectF(right, ry, rightWidth, 40.0), words, SheetFont(7.5));
        PaintMatchDiagram(canvas, match, QRectF(right + 8.0, ry, rightWidth - 8.0, 20.0));
        ry += 21.0;
        if (!match.ChokeRecipe.empty()) {
            ry += canvas.TextBlock(QRectF(right, ry, rightWidth, 30.0), QtText(match.ChokeRecipe),
                                   SheetFont(7.5));
        }
    } else {
        ry += canvas.TextBlock(
            QRectF(right, ry, rightWidth, 30.0),
            QStringLiteral("No match is given: %1. The two parts follow from the antenna's "
                           "impedance in a NEC-2 model; install nec2c and make the sheet again.")
                .arg(QtText(match.Unavailable)),
            SheetFont(7.5));
    }

    ry += 6.0;
    canvas.Text({right, ry}, QStringLiteral("Side view, from 225°, not to scale"),
                SheetFont(10, true));
    const double bottom = page.Size.height() - PageMargin - FooterHeight - 8.0;
    PaintSideView(canvas, sheet, QRectF(right, ry + 2.0, rightWidth, bottom - ry - 2.0));
    canvas.Text({right, bottom + 3.0},
                QStringLiteral("Pale: the part of each element behind the mast."), SheetFont(7.5));
    PaintFooter(canvas, page);
}
}  // namespace zandrel
