// A painter whose unit is the millimetre on paper, and the sheet's fonts, pens and colours.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <string_view>

#include "construction_sheet.h"
#include "template_layout.h"

namespace zandrel {

inline const QColor SmallLoopColour(0, 80, 190);
inline const QColor LargeLoopColour(190, 40, 0);
inline const QColor LightGrey(225, 225, 225);
inline const QColor MidGrey(140, 140, 140);

inline QColor ColourOf(Loop loop) {
    return loop == Loop::Small ? SmallLoopColour : LargeLoopColour;
}

// The sheet's face at `points`, whatever the scale it is drawn at.
QFont SheetFont(double points, bool bold = false);
// A pen `widthMm` wide on paper.
QPen SheetPen(const QColor& colour, double widthMm, Qt::PenStyle style = Qt::SolidLine);

QString QtText(std::string_view text);
QRectF QtRect(const PaperRect& rect);

// A painter whose unit is the millimetre on paper, with the origin at the paper's corner.
// Text keeps its size in points whatever the scale.
class MillimetreCanvas {
  public:
    explicit MillimetreCanvas(QPainter& painter) : painter_(painter) {}

    QPainter& Painter() { return painter_; }

    double Width(const QString& text, const QFont& font) const;

    // Draws `text` on the baseline through `at`, starting, centred or ending there.
    void Text(QPointF at, const QString& text, const QFont& font,
              Qt::Alignment alignment = Qt::AlignLeft, const QColor& colour = Qt::black);
    // Draws `text` word-wrapped in `box`; returns the height it took, in mm.
    double TextBlock(const QRectF& box, const QString& text, const QFont& font);
    void Line(QPointF from, QPointF to, const QPen& pen);
    void Fill(const QRectF& rect, const QColor& colour);
    void Arrowhead(QPointF at, QPointF direction, const QColor& colour, double length = 2.8);

  private:
    double DotsPerMm() const;

    QPainter& painter_;
};

}  // namespace zandrel
