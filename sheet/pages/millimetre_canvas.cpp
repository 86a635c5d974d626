#include "millimetre_canvas.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPaintDevice>
#include <QPolygonF>
#include <cmath>

namespace zandrel {

namespace {

constexpr const char* Face = "Liberation Sans";

}  // namespace

QFont SheetFont(double points, bool bold) {
    QFont font(QString::fromLatin1(Face));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QPen SheetPen(const QColor& colour, double widthMm, Qt::PenStyle style) {
    QPen pen(colour, widthMm, style, Qt::FlatCap, Qt::MiterJoin);
    pen.setCosmetic(false);
    return pen;
}

QString QtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRectF QtRect(const PaperRect& rect) {
    return QRectF(rect.Left, rect.Top, rect.Width, rect.Height);
}

double MillimetreCanvas::DotsPerMm() const { return painter_.device()->logicalDpiX() / 25.4; }

double MillimetreCanvas::Width(const QString& text, const QFont& font) const {
    return QFontMetricsF(font, painter_.device()).horizontalAdvance(text) / DotsPerMm();
}

void MillimetreCanvas::Text(QPointF at, const QString& text, const QFont& font,
                            Qt::Alignment alignment, const QColor& colour) {
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

double MillimetreCanvas::TextBlock(const QRectF& box, const QString& text, const QFont& font) {
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

void MillimetreCanvas::Line(QPointF from, QPointF to, const QPen& pen) {
    painter_.setPen(pen);
    painter_.drawLine(QLineF(from, to));
}

void MillimetreCanvas::Fill(const QRectF& rect, const QColor& colour) {
    painter_.fillRect(rect, colour);
}

void MillimetreCanvas::Arrowhead(QPointF at, QPointF direction, const QColor& colour,
                                 double length) {
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

}  // namespace zandrel
