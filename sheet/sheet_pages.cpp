#include "sheet_pages.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPolygonF>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "sheet_error.h"

namespace zandrel {

namespace {

constexpr double PageMargin = 12.0;
constexpr double TemplateHeaderHeight = 12.0;
constexpr double FooterHeight = 16.0;
constexpr double TileOverlap = 15.0;
constexpr double RulerGutter = 16.0;
constexpr double GlueFlap = 8.0;
constexpr double JoinMarkRoom = 16.0;
constexpr double StripAboveTopHole = 25.0;
constexpr double StripBelowLowestHole = 25.0;
constexpr double SeamAzimuth = -45.0;  // where the strip's edges meet: never on a hole
constexpr double ScaleBarLength = 100.0;
constexpr double ScaleBarHeight = 2.5;
constexpr int PdfResolution = 1200;
constexpr const char* Face = "Liberation Sans";

const QColor SmallLoopColour(0, 80, 190);
const QColor LargeLoopColour(190, 40, 0);
const QColor LightGrey(225, 225, 225);
const QColor MidGrey(140, 140, 140);

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont Font(double points, bool bold = false) {
    QFont font(QString::fromLatin1(Face));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QPen Pen(const QColor& colour, double widthMm, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(colour, widthMm, style, Qt::FlatCap, Qt::MiterJoin);
    pen.setCosmetic(false);
    return pen;
}

QColor ColourOf(Loop loop) { return loop == Loop::Small ? SmallLoopColour : LargeLoopColour; }

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// A painter whose unit is the millimetre on paper, with the origin at the paper's corner.
// Text keeps its size in points whatever the scale.
class Canvas {
  public:
    explicit Canvas(QPainter& painter) : painter_(painter) {}

    QPainter& Painter() { return painter_; }

    double DotsPerMm() const { return painter_.device()->logicalDpiX() / 25.4; }

    double Width(const QString& text, const QFont& font) const {
        return QFontMetricsF(font, painter_.device()).horizontalAdvance(text) / DotsPerMm();
    }

    // Draws `text` on the baseline through `at`, starting, centred or ending there.
    void Text(QPointF at, const QString& text, const QFont& font,
              Qt::Alignment alignment = Qt::AlignLeft, const QColor& colour = Qt::black) {
        if (alignment & Qt::AlignRight) {
            at.rx() -= Width(text, font);
        } else if (alignment & Qt::AlignHCenter) {
            at.rx() -= Width(text, font) / 2.0;
        }
        const QPointF device = painter_.transform().map(at);
        painter_.save();
        painter_.setTransform(QTransform());
        painter_.setFont(font);
        painter_.setPen(colour);
        painter_.drawText(device, text);
        painter_.restore();
    }

    // Draws `text` word-wrapped in `box`; returns the height it took, in mm.
    double TextBlock(const QRectF& box, const QString& text, const QFont& font) {
        const QRectF device = painter_.transform().mapRect(box);
        QRectF used;
        painter_.save();
        painter_.setTransform(QTransform());
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        painter_.drawText(device, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text, &used);
        painter_.restore();
        return used.height() / DotsPerMm();
    }

    void Line(QPointF from, QPointF to, const QPen& pen) {
        painter_.setPen(pen);
        painter_.drawLine(QLineF(from, to));
    }

    void Fill(const QRectF& rect, const QColor& colour) { painter_.fillRect(rect, colour); }

    void Arrowhead(QPointF at, QPointF direction, const QColor& colour, double length = 2.8) {
        const double norm = std::hypot(direction.x(), direction.y());
        if (norm == 0.0) {
            return;
        }
        const QPointF along = direction / norm;
        const QPointF across(-along.y(), along.x());
        const QPolygonF head({at + along * (length * 0.6),
                              at - along * (length * 0.4) + across * (length * 0.38),
                              at - along * (length * 0.4) - across * (length * 0.38)});
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(colour);
        painter_.drawPolygon(head);
        painter_.setBrush(Qt::NoBrush);
    }

  private:
    QPainter& painter_;
};

struct PageFrame {
    QSizeF Size;
    int Number;
    int Count;
};

// The foot of every page: the 100 mm bar, the printing instruction and the page number.
void PaintFooter(Canvas& canvas, const PageFrame& page) {
    const double left = PageMargin;
    const double top = page.Size.height() - PageMargin - FooterHeight + 4.0;
    constexpr int cells = 10;
    const double cell = ScaleBarLength / cells;
    for (int i = 0; i < cells; i += 2) {
        canvas.Fill(QRectF(left + i * cell, top, cell, ScaleBarHeight), Qt::black);
    }
    canvas.Painter().setPen(Pen(Qt::black, 0.15));
    canvas.Painter().setBrush(Qt::NoBrush);
    canvas.Painter().drawRect(QRectF(left, top, ScaleBarLength, ScaleBarHeight));
    const QFont small = Font(6.5);
    const double labels = top + ScaleBarHeight + 3.0;
    canvas.Text({left, labels}, QStringLiteral("0"), small, Qt::AlignHCenter);
    canvas.Text({left + ScaleBarLength / 2.0, labels}, QStringLiteral("50"), small,
                Qt::AlignHCenter);
    canvas.Text({left + ScaleBarLength, labels}, QStringLiteral("100 mm"), small, Qt::AlignHCenter);
    const double baseline = page.Size.height() - PageMargin;
    canvas.Text({left, baseline},
                QStringLiteral("Print at 100 % (no fit to page); check the bar with a ruler"),
                Font(8, true));
    canvas.Text({page.Size.width() - PageMargin, baseline},
                QStringLiteral("Page %1 of %2").arg(page.Number).arg(page.Count), Font(8),
                Qt::AlignRight);
}

QString Subject(const ConstructionSheet& sheet) {
    return QStringLiteral("%1, %2 MHz, %3")
        .arg(Q(sheet.Style->Caption), Q(sheet.FrequencyText), Q(PolarisationName(sheet.Sense)));
}

QString Millimetres(double value) { return Q(FormatTenths(value)); }

QString ShortArmName(const MastHole& hole) {
    return QStringLiteral("%1 %2 arm")
        .arg(hole.OfLoop == Loop::Small ? QStringLiteral("small") : QStringLiteral("large"),
             hole.Arm == ArmPosition::Top ? QStringLiteral("top") : QStringLiteral("bottom"));
}

// ---- the first page ----

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

void PaintPlanView(Canvas& canvas, const ConstructionSheet& sheet, const QRectF& area) {
    const QPointF centre = area.center();
    const double largest = std::max(sheet.LoopRadius(Loop::Small), sheet.LoopRadius(Loop::Large));
    const double scale = (area.width() / 2.0 - 7.0) / largest;
    auto at = [&centre](double azimuth, double radius) {
        return centre +
               QPointF(radius * std::cos(Radians(azimuth)), -radius * std::sin(Radians(azimuth)));
    };
    const double reach = area.width() / 2.0 - 5.0;
    canvas.Line(at(180, reach), at(0, reach), Pen(MidGrey, 0.12, Qt::DotLine));
    canvas.Line(at(270, reach), at(90, reach), Pen(MidGrey, 0.12, Qt::DotLine));
    const QFont label = Font(7);
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
    painter.setPen(Pen(MidGrey, 0.15));
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
        painter.setPen(Pen(colour, 0.15));
        painter.drawEllipse(centre, radius, radius);
        canvas.Line(at(top + 180.0, radius), at(top, radius), Pen(colour, 0.8));
        canvas.Line(at(top + 180.0 + twist, radius), at(top + twist, radius),
                    Pen(colour, 0.45, Qt::DashLine));
        for (const double start : {top, top + 180.0}) {
            QPolygonF element;
            constexpr int steps = 180;
            for (int i = 0; i <= steps; ++i) {
                element << at(start + twist * i / steps, radius);
            }
            painter.setPen(Pen(colour, 0.45));
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

void PaintSideView(Canvas& canvas, const ConstructionSheet& sheet, const QRectF& area) {
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
                    Pen(colour, 0.8));
        canvas.Line(at(start + 180.0 + twist, radius, topDepth + height),
                    at(start + twist, radius, topDepth + height), Pen(colour, 0.45));
        for (const double first : {start, start + 180.0}) {
            constexpr int steps = 360;
            for (int i = 0; i < steps; ++i) {
                const double a0 = first + twist * i / steps;
                const double a1 = first + twist * (i + 1) / steps;
                const bool front = view.InFront((a0 + a1) / 2.0);
                canvas.Line(at(a0, radius, topDepth + height * i / steps),
                            at(a1, radius, topDepth + height * (i + 1) / steps),
                            front ? Pen(colour, 0.45) : Pen(colour.lighter(160), 0.25));
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

double PaintTable(Canvas& canvas, double left, double top, const std::vector<double>& stops,
                  const std::vector<QString>& heads, const std::vector<std::vector<QString>>& rows,
                  const std::vector<bool>& bold) {
    constexpr double rowHeight = 4.2;
    const QFont head = Font(7.5, true);
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
                Pen(Qt::black, 0.15));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        cells(rows[r], Font(8, bold[r]));
    }
    return y - rowHeight + 2.0;
}

void PaintFirstPage(Canvas& canvas, const ConstructionSheet& sheet, const TemplateLayout& layout,
                    const PageFrame& page, const QDate& date) {
    const double width = page.Size.width();
    double y = PageMargin + 5.0;
    canvas.Text({PageMargin, y}, QStringLiteral("zandrel2 construction sheet"), Font(15, true));
    y += 6.5;
    canvas.Text({PageMargin, y},
                QStringLiteral("Style %1   Frequency %2 MHz   Polarisation %3   Date %4")
                    .arg(Q(sheet.Style->Caption), Q(sheet.FrequencyText),
                         Q(PolarisationName(sheet.Sense)), date.toString(Qt::ISODate)),
                Font(9.5));
    y += 2.5;
    canvas.Line({PageMargin, y}, {width - PageMargin, y}, Pen(Qt::black, 0.3));

    const double columnWidth = (width - 2 * PageMargin) * 0.5 - 3.0;
    const double left = PageMargin;
    double ly = y + 6.0;
    canvas.Text({left, ly}, QStringLiteral("Cut list (mm, as the calculator shows them)"),
                Font(10, true));
    std::vector<std::vector<QString>> rows;
    std::vector<bool> bold;
    std::string group;
    for (const CutListLine& line : sheet.CutList) {
        if (line.Group != group) {
            group = line.Group;
            rows.push_back({Q(group), {}, {}});
            bold.push_back(true);
        }
        rows.push_back({QStringLiteral("   ") + Q(line.Part),
                        line.Group == "Tube" ? QString() : QString::number(line.Count),
                        Q(line.LengthText)});
        bold.push_back(false);
    }
    ly = PaintTable(canvas, left, ly + 1.0, {0.0, columnWidth - 26.0, columnWidth},
                    {QStringLiteral("Part"), QStringLiteral("Count"), QStringLiteral("Length")},
                    rows, bold);

    ly += 5.0;
    canvas.Text({left, ly}, QStringLiteral("Mast holes (drill through)"), Font(10, true));
    rows.clear();
    bold.clear();
    for (const MastHole& hole : sheet.Holes) {
        rows.push_back({Q(hole.ArmName), Q(hole.DistanceText),
                        Q(hole.AzimuthText) + QStringLiteral("°"), Q(hole.ElementText)});
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
                           Font(7.5));

    ly += 6.0;
    canvas.Text({left, ly}, QStringLiteral("Twist"), Font(10, true));
    ly += 1.5;
    ly += canvas.TextBlock(QRectF(left, ly, columnWidth, 60.0), Q(sheet.TwistInWords), Font(8.5));

    ly += 6.0;
    canvas.Text({left, ly}, QStringLiteral("Mast and template"), Font(10, true));
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
            .arg(Q(FormatDegrees(sheet.MastDiameterMm)), Millimetres(layout.Circumference), pages),
        Font(8.5));

    const double right = PageMargin + columnWidth + 6.0;
    const double rightWidth = width - PageMargin - right;
    double ry = y + 6.0;
    canvas.Text({right, ry}, QStringLiteral("Plan view, from above"), Font(10, true));
    const double planSide = std::min(rightWidth, 80.0);
    PaintPlanView(canvas, sheet,
                  QRectF(right + (rightWidth - planSide) / 2.0, ry + 2.0, planSide, planSide));
    ry += planSide + 4.0;
    ry += canvas.TextBlock(QRectF(right, ry, rightWidth, 20.0),
                           QStringLiteral("Not to scale. Thick: top arms. Dashed: bottom arms. "
                                          "Arrows: each element from its top arm down to its "
                                          "bottom arm."),
                           Font(7.5));
    ry += 3.5;
    canvas.Text({right, ry}, QStringLiteral("Small loop"), Font(8, true), Qt::AlignLeft,
                SmallLoopColour);
    canvas.Text({right + 25.0, ry}, QStringLiteral("Large loop"), Font(8, true), Qt::AlignLeft,
                LargeLoopColour);
    ry += 7.0;
    canvas.Text({right, ry}, QStringLiteral("Side view, from 225°, not to scale"), Font(10, true));
    const double bottom = page.Size.height() - PageMargin - FooterHeight - 8.0;
    PaintSideView(canvas, sheet, QRectF(right, ry + 2.0, rightWidth, bottom - ry - 2.0));
    canvas.Text({right, bottom + 3.0},
                QStringLiteral("Pale: the part of each element behind the mast."), Font(7.5));
    PaintFooter(canvas, page);
}

// ---- the template ----

void PaintJoinMark(Canvas& canvas, QPointF at, const QString& name) {
    QPainter& painter = canvas.Painter();
    painter.setPen(Pen(Qt::black, 0.15));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(at, 1.8, 1.8);
    canvas.Line(at - QPointF(3.0, 0), at + QPointF(3.0, 0), Pen(Qt::black, 0.15));
    canvas.Line(at - QPointF(0, 3.0), at + QPointF(0, 3.0), Pen(Qt::black, 0.15));
    canvas.Text(at + QPointF(0.0, -3.8), name, Font(5.5), Qt::AlignHCenter);
}

// Whether a text at depth `y` would run into a hole's circle or label.
bool NearAHole(const ConstructionSheet& sheet, double y) {
    return std::any_of(sheet.Holes.begin(), sheet.Holes.end(), [&sheet, y](const MastHole& hole) {
        const double radius = sheet.Shown(&HelixDimensions::TubeDiameter) / 2.0;
        return y > hole.DistanceMm - radius - 4.0 && y < hole.DistanceMm + radius + 12.0;
    });
}

bool Shows(const QRectF& window, double y, double margin = 0.0) {
    return y >= window.top() + margin && y <= window.bottom() - margin;
}

void PaintTemplateContent(Canvas& canvas, const ConstructionSheet& sheet,
                          const TemplateLayout& layout, const QRectF& window) {
    const QRectF& strip = layout.Strip;
    const double circumference = layout.Circumference;
    const double first = std::max(strip.top(), window.top());
    const double last = std::min(strip.bottom(), window.bottom());

    // Long lines are drawn only as far as the tile shows them.
    canvas.Fill(QRectF(strip.right(), first, GlueFlap, last - first), LightGrey);
    for (double y = std::ceil(first / 40.0) * 40.0 + 20.0; y < last - 2.0; y += 40.0) {
        canvas.Text({strip.right() + GlueFlap / 2.0, y}, QStringLiteral("glue"), Font(5.5),
                    Qt::AlignHCenter, MidGrey);
    }

    for (const double azimuth : {0.0, 90.0, 180.0, 270.0}) {
        const double x = layout.XOfAzimuth(azimuth);
        const bool reference = azimuth == 0.0;
        canvas.Line(
            {x, first}, {x, last},
            reference ? Pen(Qt::black, 0.3, Qt::DashDotLine) : Pen(MidGrey, 0.15, Qt::DotLine));
        for (double y = std::ceil((first - 50.0) / 100.0) * 100.0 + 50.0; y < last - 6.0;
             y += 100.0) {
            if (y < first + 2.0 || NearAHole(sheet, y)) {
                continue;
            }
            canvas.Text({x + 0.8, y},
                        reference ? QStringLiteral("0° reference line")
                                  : Q(FormatDegrees(azimuth)) + QStringLiteral("°"),
                        Font(5.5), Qt::AlignLeft, reference ? Qt::black : MidGrey);
        }
    }

    const QPen edge = Pen(Qt::black, 0.3);
    for (const double x : {strip.left(), strip.right(), strip.right() + GlueFlap}) {
        canvas.Line({x, first}, {x, last}, edge);
    }
    for (const double y : {strip.top(), strip.bottom()}) {
        if (Shows(window, y)) {
            canvas.Line({strip.left(), y}, {strip.right() + GlueFlap, y}, edge);
        }
    }
    if (Shows(window, strip.top() + 6.0, 1.0)) {
        canvas.Text({circumference / 2.0, strip.top() + 6.0},
                    QStringLiteral("TOP: towards the top of the mast"), Font(7, true),
                    Qt::AlignHCenter);
        canvas.Text({circumference / 2.0, strip.top() + 10.0},
                    QStringLiteral("%1 mm mast, printed side out")
                        .arg(Q(FormatDegrees(sheet.MastDiameterMm))),
                    Font(6), Qt::AlignHCenter);
    }

    // The ruler: distance below the centre of the top hole.
    const QFont ruler = Font(5.5);
    for (double y = std::max(0.0, std::ceil(first / 5.0) * 5.0); y <= last; y += 5.0) {
        const bool ten = std::fmod(y, 10.0) == 0.0;
        canvas.Line({ten ? -4.0 : -2.0, y}, {0.0, y}, Pen(Qt::black, 0.12));
        if (ten && Shows(window, y, 1.5)) {
            canvas.Text({-4.8, y + 0.8}, Q(FormatDegrees(y)), ruler, Qt::AlignRight);
        }
    }
    if (Shows(window, strip.top() + 6.0, 1.0)) {
        canvas.Text({-RulerGutter + 1.0, strip.top() + 6.0}, QStringLiteral("mm below"), ruler);
        canvas.Text({-RulerGutter + 1.0, strip.top() + 8.5}, QStringLiteral("top hole"), ruler);
    }

    const double tubeRadius = sheet.Shown(&HelixDimensions::TubeDiameter) / 2.0;
    for (const MastHole& hole : sheet.Holes) {
        const double y = hole.DistanceMm;
        if (y < window.top() - tubeRadius - 12.0 || y > window.bottom() + tubeRadius + 3.0) {
            continue;
        }
        const double x = layout.XOfAzimuth(hole.AzimuthDegrees);
        QPainter& painter = canvas.Painter();
        painter.setPen(Pen(ColourOf(hole.OfLoop), 0.25));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(x, y), tubeRadius, tubeRadius);
        const double arm = tubeRadius + 2.5;
        canvas.Line({x - arm, y}, {x + arm, y}, Pen(Qt::black, 0.15));
        canvas.Line({x, y - arm}, {x, y + arm}, Pen(Qt::black, 0.15));
        const double label = y + arm + 2.2;
        if (Shows(window, label, 0.5)) {
            canvas.Text({x, label}, ShortArmName(hole), Font(5.5, true), Qt::AlignHCenter,
                        ColourOf(hole.OfLoop));
        }
        if (Shows(window, label + 2.3, 0.5)) {
            canvas.Text({x, label + 2.3},
                        QStringLiteral("%1 mm, %2°").arg(Q(hole.DistanceText), Q(hole.AzimuthText)),
                        Font(5.5), Qt::AlignHCenter);
        }
        if (Shows(window, label + 4.6, 0.5)) {
            canvas.Text({x, label + 4.6}, QStringLiteral("element ") + Q(hole.ElementText),
                        Font(5.5), Qt::AlignHCenter, MidGrey);
        }
    }

    const QRectF& content = layout.Content;
    for (int row = 1; row < layout.Rows; ++row) {
        const double y = layout.Window(0, row).top() + layout.Overlap / 2.0;
        if (!Shows(window, y, 0.0)) {
            continue;
        }
        const QString name = QStringLiteral("join %1").arg(row);
        PaintJoinMark(canvas, {content.left() + 2.5, y}, name);
        PaintJoinMark(canvas, {content.right() - 7.5, y}, name);
    }
    for (int column = 1; column < layout.Columns; ++column) {
        const double x = layout.Window(column, 0).left() + layout.Overlap / 2.0;
        if (x < window.left() || x > window.right()) {
            continue;
        }
        for (double y = std::ceil(first / 60.0) * 60.0 + 30.0; y < last - 5.0; y += 60.0) {
            PaintJoinMark(canvas, {x, y}, QStringLiteral("join %1").arg(QChar('A' + column - 1)));
        }
    }
}

void PaintTemplatePage(Canvas& canvas, const ConstructionSheet& sheet, const TemplateLayout& layout,
                       int column, int row, const PageFrame& page) {
    const QRectF& tile = layout.Tile;
    const QRectF window = layout.Window(column, row);
    const int index = row * layout.Columns + column + 1;
    canvas.Text({PageMargin, PageMargin + 3.5},
                QStringLiteral("zandrel2 drilling template: %1, mast %2 mm")
                    .arg(Subject(sheet), Q(FormatDegrees(sheet.MastDiameterMm))),
                Font(8.5, true));
    QString where = QStringLiteral("Tile %1 of %2").arg(index).arg(layout.Pages());
    if (layout.Columns > 1) {
        where += QStringLiteral(" (column %1 of %2, row %3 of %4)")
                     .arg(column + 1)
                     .arg(layout.Columns)
                     .arg(row + 1)
                     .arg(layout.Rows);
    }
    canvas.Text({PageMargin, PageMargin + 7.5}, where, Font(7.5));

    const QPen seam = Pen(Qt::black, 0.2, Qt::DashLine);
    const QFont note = Font(6);
    // The content's part on this page, in page coordinates.
    const QRectF shown =
        layout.Content.translated(tile.topLeft() - window.topLeft()).intersected(tile);
    if (row + 1 < layout.Rows) {
        const QRectF band(shown.left(), tile.bottom() - layout.Overlap, shown.width(),
                          layout.Overlap);
        canvas.Fill(band, QColor(255, 246, 200));
        canvas.Line(band.topLeft(), band.topRight(), seam);
        canvas.Text({shown.right(), tile.bottom() + 3.0},
                    QStringLiteral("Glue band: the top edge of tile %1 goes on the dashed line")
                        .arg(index + layout.Columns),
                    note, Qt::AlignRight);
    }
    if (column + 1 < layout.Columns) {
        const QRectF band(tile.right() - layout.Overlap, shown.top(), layout.Overlap,
                          shown.height());
        canvas.Fill(band, QColor(255, 246, 200));
        canvas.Line(band.topLeft(), band.bottomLeft(), seam);
    }

    QPainter& painter = canvas.Painter();
    painter.save();
    painter.setClipRect(tile);
    painter.translate(tile.topLeft() - window.topLeft());
    PaintTemplateContent(canvas, sheet, layout, window);
    painter.restore();

    if (row > 0) {
        canvas.Line({shown.left(), tile.top()}, {shown.right(), tile.top()}, seam);
        canvas.Text({shown.right(), tile.top() - 1.0},
                    QStringLiteral("Cut along the dashed line; lay this edge on the dashed line "
                                   "of tile %1")
                        .arg(index - layout.Columns),
                    note, Qt::AlignRight);
    }
    if (column > 0) {
        canvas.Line({tile.left(), shown.top()}, {tile.left(), shown.bottom()}, seam);
    }
    PaintFooter(canvas, page);
}

}  // namespace

std::string_view PaperName(Paper paper) { return paper == Paper::A4 ? "a4" : "letter"; }

QPageSize PageSizeOf(Paper paper) {
    return QPageSize(paper == Paper::A4 ? QPageSize::A4 : QPageSize::Letter);
}

QRectF TemplateLayout::Window(int column, int row) const {
    return QRectF(Content.left() + column * (Tile.width() - Overlap),
                  Content.top() + row * (Tile.height() - Overlap), Tile.width(), Tile.height());
}

double TemplateLayout::XOfAzimuth(double degrees) const {
    const double turned = std::fmod(std::fmod(degrees - SeamAzimuth, 360.0) + 360.0, 360.0);
    return turned / 360.0 * Circumference;
}

TemplateLayout LayOutTemplate(const ConstructionSheet& sheet, Paper paper) {
    TemplateLayout layout;
    layout.Circumference = std::numbers::pi * sheet.MastDiameterMm;
    const QSizeF page = PageSizeOf(paper).size(QPageSize::Millimeter);
    layout.Tile =
        QRectF(PageMargin, PageMargin + TemplateHeaderHeight, page.width() - 2 * PageMargin,
               page.height() - 2 * PageMargin - TemplateHeaderHeight - FooterHeight);
    layout.Overlap = TileOverlap;
    auto tiles = [](double length, double tile, double overlap) {
        return length <= tile ? 1.0 : std::ceil((length - overlap) / (tile - overlap));
    };
    // Below the lowest hole the strip keeps room for its circle and label; it runs on to its
    // full margin unless that would take one more page.
    const double label = sheet.Shown(&HelixDimensions::TubeDiameter) / 2.0 + 12.0;
    const double shortest = StripAboveTopHole + sheet.LowestHoleMm() + label;
    const double longest =
        StripAboveTopHole + sheet.LowestHoleMm() + std::max(label, StripBelowLowestHole);
    const double rows = tiles(shortest, layout.Tile.height(), TileOverlap);
    const double length =
        tiles(longest, layout.Tile.height(), TileOverlap) > rows ? shortest : longest;
    layout.Strip = QRectF(0.0, -StripAboveTopHole, layout.Circumference, length);
    layout.Content =
        QRectF(-RulerGutter, layout.Strip.top(),
               RulerGutter + layout.Circumference + GlueFlap + JoinMarkRoom, layout.Strip.height());
    const double columns = tiles(layout.Content.width(), layout.Tile.width(), TileOverlap);
    const double pages = columns * rows;
    if (!(pages + 1.0 <= MostSheetPages)) {
        throw SheetError(
            SheetErrorKind::CannotBeDrawn,
            "the drilling template would need " +
                (std::isfinite(pages) ? FormatDegrees(pages) : std::string("too many")) +
                " pages, and a sheet has at most " + std::to_string(MostSheetPages));
    }
    layout.Columns = static_cast<int>(columns);
    layout.Rows = static_cast<int>(rows);
    return layout;
}

int SheetPageCount(const ConstructionSheet& sheet, Paper paper) {
    return LayOutTemplate(sheet, paper).Pages() + 1;
}

void PaintConstructionSheet(QPagedPaintDevice& device, const ConstructionSheet& sheet, Paper paper,
                            const QDate& date) {
    const TemplateLayout layout = LayOutTemplate(sheet, paper);
    // A printer that cannot print to the paper's edge keeps its margins; the origin below
    // makes up for them.
    if (!device.setPageLayout(QPageLayout(PageSizeOf(paper), QPageLayout::Portrait,
                                          QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter))) {
        device.setPageSize(PageSizeOf(paper));
    }
    QPainter painter;
    if (!painter.begin(&device)) {
        throw SheetError(SheetErrorKind::FileNotWritable, "the pages could not be started");
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const double dotsPerMm = device.logicalDpiX() / 25.4;
    // Wherever the device puts the origin (at its margins), draw from the paper's corner.
    const QRectF paintable = device.pageLayout().paintRect(QPageLayout::Millimeter);
    painter.scale(dotsPerMm, dotsPerMm);
    painter.translate(-paintable.topLeft());
    Canvas canvas(painter);

    const QSizeF size = PageSizeOf(paper).size(QPageSize::Millimeter);
    const int count = layout.Pages() + 1;
    PaintFirstPage(canvas, sheet, layout, {size, 1, count}, date);
    for (int row = 0; row < layout.Rows; ++row) {
        for (int column = 0; column < layout.Columns; ++column) {
            device.newPage();
            PaintTemplatePage(canvas, sheet, layout, column, row,
                              {size, 2 + row * layout.Columns + column, count});
        }
    }
    painter.end();
}

void WriteConstructionSheetPdf(const QString& path, const ConstructionSheet& sheet, Paper paper,
                               const QDate& date) {
    LayOutTemplate(sheet, paper);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw SheetError(
            SheetErrorKind::FileNotWritable,
            (path + QStringLiteral(" cannot be written: ") + file.errorString()).toStdString());
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(PdfResolution);
        writer.setCreator(QStringLiteral("zandrel2"));
        writer.setTitle(QStringLiteral("zandrel2 construction sheet: ") + Subject(sheet));
        PaintConstructionSheet(writer, sheet, paper, date);
    }
    if (!file.commit()) {
        throw SheetError(
            SheetErrorKind::FileNotWritable,
            (path + QStringLiteral(" could not be written: ") + file.errorString()).toStdString());
    }
}

}  // namespace zandrel
