#include "template_page.h"

#include <algorithm>
#include <cmath>

namespace zandrel {

namespace {

QString ShortArmName(const MastHole& hole) {
    return QStringLiteral("%1 %2 arm")
        .arg(hole.OfLoop == Loop::Small ? QStringLiteral("small") : QStringLiteral("large"),
             hole.Arm == ArmPosition::Top ? QStringLiteral("top") : QStringLiteral("bottom"));
}

// A join mark with its name above it: centred, or starting at the mark's left for a mark by the
// tile's left edge, where a centred name would be cut.
void PaintJoinMark(MillimetreCanvas& canvas, QPointF at, const QString& name,
                   Qt::Alignment label = Qt::AlignHCenter) {
    QPainter& painter = canvas.Painter();
    painter.setPen(SheetPen(Qt::black, 0.15));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(at, 1.8, 1.8);
    canvas.Line(at - QPointF(3.0, 0), at + QPointF(3.0, 0), SheetPen(Qt::black, 0.15));
    canvas.Line(at - QPointF(0, 3.0), at + QPointF(0, 3.0), SheetPen(Qt::black, 0.15));
    canvas.Text(at + QPointF(label == Qt::AlignLeft ? -2.0 : 0.0, -3.8), name, SheetFont(5.5),
                label);
}

// Whether a text at depth `y` would run into a hole's circle or labels.
bool NearAHole(const ConstructionSheet& sheet, double y) {
    return std::any_of(sheet.Holes.begin(), sheet.Holes.end(), [&sheet, y](const MastHole& hole) {
        const double radius = sheet.ConductorDiameterMm / 2.0;
        return y > hole.DistanceMm - radius - 5.0 && y < hole.DistanceMm + radius + 12.0;
    });
}

bool Shows(const QRectF& window, double y, double margin = 0.0) {
    return y >= window.top() + margin && y <= window.bottom() - margin;
}

void PaintTemplateContent(MillimetreCanvas& canvas, const ConstructionSheet& sheet,
                          const TemplateLayout& layout, const QRectF& window) {
    const QRectF strip = QtRect(layout.Strip);
    const double circumference = layout.Circumference;
    const double first = std::max(strip.top(), window.top());
    const double last = std::min(strip.bottom(), window.bottom());

    // Long lines are drawn only as far as the tile shows them.
    canvas.Fill(QRectF(strip.right(), first, TemplateLayout::GlueFlap, last - first), LightGrey);
    for (double y = std::ceil(first / 40.0) * 40.0 + 20.0; y < last - 2.0; y += 40.0) {
        canvas.Text({strip.right() + TemplateLayout::GlueFlap / 2.0, y}, QStringLiteral("glue"),
                    SheetFont(5.5), Qt::AlignHCenter, MidGrey);
    }

    for (const double azimuth : {0.0, 90.0, 180.0, 270.0}) {
        const double x = layout.XOfAzimuth(azimuth);
        const bool reference = azimuth == 0.0;
        canvas.Line({x, first}, {x, last},
                    reference ? SheetPen(Qt::black, 0.3, Qt::DashDotLine)
                              : SheetPen(MidGrey, 0.15, Qt::DotLine));
        for (double y = std::ceil((first - 50.0) / 100.0) * 100.0 + 50.0; y < last - 6.0;
             y += 100.0) {
            if (y < first + 2.0 || NearAHole(sheet, y)) {
                continue;
            }
            canvas.Text({x + 0.8, y},
                        reference ? QStringLiteral("0° reference line")
                                  : QtText(FormatDegrees(azimuth)) + QStringLiteral("°"),
                        SheetFont(5.5), Qt::AlignLeft, reference ? Qt::black : MidGrey);
        }
    }

    const QPen edge = SheetPen(Qt::black, 0.3);
    for (const double x : {strip.left(), strip.right(), strip.right() + TemplateLayout::GlueFlap}) {
        canvas.Line({x, first}, {x, last}, edge);
    }
    for (const double y : {strip.top(), strip.bottom()}) {
        if (Shows(window, y)) {
            canvas.Line({strip.left(), y}, {strip.right() + TemplateLayout::GlueFlap, y}, edge);
        }
    }
    if (Shows(window, strip.top() + 6.0, 1.0)) {
        canvas.Text({circumference / 2.0, strip.top() + 6.0},
                    QStringLiteral("TOP: towards the top of the mast"), SheetFont(7, true),
                    Qt::AlignHCenter);
        canvas.Text({circumference / 2.0, strip.top() + 10.0},
                    QStringLiteral("%1 mm mast, printed side out")
                        .arg(QtText(FormatMillimetres(sheet.MastDiameterMm))),
                    SheetFont(6), Qt::AlignHCenter);
    }

    // The rulers: distance below the centre of the top hole, in mm and, left of it, in inches.
    const QFont ruler = SheetFont(5.5);
    for (double y = std::max(0.0, std::ceil(first / 5.0) * 5.0); y <= last; y += 5.0) {
        const bool ten = std::fmod(y, 10.0) == 0.0;
        canvas.Line({ten ? -4.0 : -2.0, y}, {0.0, y}, SheetPen(Qt::black, 0.12));
        if (ten && Shows(window, y, 1.5)) {
            canvas.Text({-4.8, y + 0.8}, QtText(FormatMillimetres(y)), ruler, Qt::AlignRight);
        }
    }
    const double millimetreHead = -TemplateLayout::MillimetreRulerWidth + 1.0;
    if (Shows(window, strip.top() + 6.0, 1.0)) {
        canvas.Text({millimetreHead, strip.top() + 6.0}, QStringLiteral("mm below"), ruler);
        canvas.Text({millimetreHead, strip.top() + 8.5}, QStringLiteral("top hole"), ruler);
    }
    if (layout.InchRuler) {
        const double inchEdge = -TemplateLayout::MillimetreRulerWidth;
        canvas.Line({inchEdge, std::max(0.0, first)}, {inchEdge, last}, SheetPen(Qt::black, 0.12));
        const double tenth = MmPerInch / 10.0;
        for (double step = std::max(0.0, std::ceil(first / tenth)); step * tenth <= last;
             step += 1.0) {
            const double y = step * tenth;
            const bool inch = std::fmod(step, 10.0) == 0.0;
            const bool half = std::fmod(step, 5.0) == 0.0;
            canvas.Line({inchEdge - (inch ? 4.0 : (half ? 3.0 : 1.8)), y}, {inchEdge, y},
                        SheetPen(Qt::black, 0.12));
            if (inch && Shows(window, y, 1.5)) {
                canvas.Text({inchEdge - 4.8, y + 0.8}, QString::number(step / 10.0, 'f', 0), ruler,
                            Qt::AlignRight);
            }
        }
        if (Shows(window, strip.top() + 6.0, 1.0)) {
            canvas.Text({-layout.RulerGutter + 1.0, strip.top() + 6.0}, QStringLiteral("in below"),
                        ruler);
            canvas.Text({-layout.RulerGutter + 1.0, strip.top() + 8.5}, QStringLiteral("top hole"),
                        ruler);
        }
    }

    const double tubeRadius = sheet.ConductorDiameterMm / 2.0;
    for (const MastHole& hole : sheet.Holes) {
        const double y = hole.DistanceMm;
        if (y < window.top() - tubeRadius - 12.0 || y > window.bottom() + tubeRadius + 3.0) {
            continue;
        }
        const double x = layout.XOfAzimuth(hole.AzimuthDegrees);
        QPainter& painter = canvas.Painter();
        painter.setPen(SheetPen(ColourOf(hole.OfLoop), 0.25));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(x, y), tubeRadius, tubeRadius);
        const double arm = tubeRadius + 2.5;
        canvas.Line({x - arm, y}, {x + arm, y}, SheetPen(Qt::black, 0.15));
        canvas.Line({x, y - arm}, {x, y + arm}, SheetPen(Qt::black, 0.15));
        if (hole.Feed && Shows(window, y - arm - 1.0, 0.5)) {
            // On a white ground, so that the lines through the hole do not cross it.
            const QString side = *hole.Feed == FeedSide::CoaxCentre ? QStringLiteral("centre")
                                                                    : QStringLiteral("braid");
            const QFont font = SheetFont(6.5, true);
            const double wide = canvas.Width(side, font);
            canvas.Fill(QRectF(x - wide / 2.0 - 0.4, y - arm - 3.4, wide + 0.8, 3.0), Qt::white);
            canvas.Text({x, y - arm - 1.0}, side, font, Qt::AlignHCenter);
        }
        const double label = y + arm + 2.2;
        const QString armName = ShortArmName(hole);
        const QString where = QStringLiteral("%1 %2%3, %4°")
                                  .arg(QtText(hole.DistanceText), QtText(LengthUnitName(sheet.Units)),
                                       hole.Tuned ? QStringLiteral(" tuned") : QString(),
                                       QtText(hole.AzimuthText));
        const QString element = QStringLiteral("element ") + QtText(hole.ElementText);
        // On a white ground, so that the 0° line and the others do not run through the words.
        const double wide = std::max({canvas.Width(armName, SheetFont(5.5, true)),
                                      canvas.Width(where, SheetFont(5.5)),
                                      canvas.Width(element, SheetFont(5.5))});
        canvas.Fill(QRectF(x - wide / 2.0 - 0.4, label - 2.1, wide + 0.8, 7.2), Qt::white);
        if (Shows(window, label, 0.5)) {
            canvas.Text({x, label}, armName, SheetFont(5.5, true), Qt::AlignHCenter,
                        ColourOf(hole.OfLoop));
        }
        if (Shows(window, label + 2.3, 0.5)) {
            canvas.Text({x, label + 2.3}, where, SheetFont(5.5), Qt::AlignHCenter);
        }
        if (Shows(window, label + 4.6, 0.5)) {
            canvas.Text({x, label + 4.6}, element, SheetFont(5.5), Qt::AlignHCenter, MidGrey);
        }
    }

    const QRectF content = QtRect(layout.Content);
    for (int row = 1; row < layout.Rows; ++row) {
        const double y = layout.RowJoin(row);
        if (!Shows(window, y, 0.0)) {
            continue;
        }
        const QString name = QStringLiteral("join %1").arg(row);
        PaintJoinMark(canvas, {content.left() + 2.5, y}, name, Qt::AlignLeft);
        PaintJoinMark(canvas, {content.right() - 7.5, y}, name);
    }
    for (int column = 1; column < layout.Columns; ++column) {
        const double x = layout.ColumnJoin(column);
        if (x < window.left() || x > window.right()) {
            continue;
        }
        for (double y = std::ceil(first / 60.0) * 60.0 + 30.0; y < last - 5.0; y += 60.0) {
            PaintJoinMark(canvas, {x, y}, QStringLiteral("join %1").arg(QChar('A' + column - 1)));
        }
    }
}

}  // namespace

void PaintTemplatePage(MillimetreCanvas& canvas, const ConstructionSheet& sheet,
                       const TemplateLayout& layout, int column, int row, const PageFrame& page) {
    const QRectF tile = QtRect(layout.Tile);
    const QRectF window = QtRect(layout.Window(column, row));
    const int index = layout.TileNumber(column, row);
    canvas.Text({PageMargin, PageMargin + 3.5},
                QStringLiteral("zandrel2 drilling template: %1, mast %2 mm")
                    .arg(SheetSubject(sheet), QtText(FormatMillimetres(sheet.MastDiameterMm))),
                SheetFont(8.5, true));
    QString where = QStringLiteral("Tile %1 of %2").arg(index).arg(layout.Pages());
    if (layout.Columns > 1) {
        where += QStringLiteral(" (column %1 of %2, row %3 of %4)")
                     .arg(column + 1)
                     .arg(layout.Columns)
                     .arg(row + 1)
                     .arg(layout.Rows);
    }
    canvas.Text({PageMargin, PageMargin + 7.5}, where, SheetFont(7.5));

    const QPen seam = SheetPen(Qt::black, 0.2, Qt::DashLine);
    const QFont note = SheetFont(6);
    // The content's part on this page, in page coordinates.
    const QRectF shown =
        QtRect(layout.Content).translated(tile.topLeft() - window.topLeft()).intersected(tile);
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
}  // namespace zandrel
