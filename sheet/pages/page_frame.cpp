#include "page_frame.h"

#include "helix_geometry.h"
#include "template_layout.h"

namespace zandrel {

namespace {

constexpr double ScaleBarLength = 100.0;
constexpr double ScaleBarHeight = 2.5;
constexpr int InchBarInches = 3;

// A bar `length` long split into `cells`, every other one filled, from `left`.
void PaintBar(MillimetreCanvas& canvas, double left, double top, double length, int cells) {
    const double cell = length / cells;
    for (int i = 0; i < cells; i += 2) {
        canvas.Fill(QRectF(left + i * cell, top, cell, ScaleBarHeight), Qt::black);
    }
    canvas.Painter().setPen(SheetPen(Qt::black, 0.15));
    canvas.Painter().setBrush(Qt::NoBrush);
    canvas.Painter().drawRect(QRectF(left, top, length, ScaleBarHeight));
}

}  // namespace

void PaintFooter(MillimetreCanvas& canvas, const PageFrame& page) {
    const double left = PageMargin;
    const double top = page.Size.height() - PageMargin - FooterHeight + 4.0;
    PaintBar(canvas, left, top, ScaleBarLength, 10);
    const QFont small = SheetFont(6.5);
    const double labels = top + ScaleBarHeight + 3.0;
    canvas.Text({left, labels}, QStringLiteral("0"), small, Qt::AlignHCenter);
    canvas.Text({left + ScaleBarLength / 2.0, labels}, QStringLiteral("50"), small,
                Qt::AlignHCenter);
    canvas.Text({left + ScaleBarLength, labels}, QStringLiteral("100 mm"), small, Qt::AlignHCenter);
    if (page.InchBar) {
        const double inchLeft = left + ScaleBarLength + 16.0;
        PaintBar(canvas, inchLeft, top, InchBarInches * MmPerInch, 2 * InchBarInches);
        for (int inch = 0; inch <= InchBarInches; ++inch) {
            canvas.Text(
                {inchLeft + inch * MmPerInch, labels},
                inch == InchBarInches ? QStringLiteral("%1 in").arg(inch) : QString::number(inch),
                small, Qt::AlignHCenter);
        }
    }
    const double baseline = page.Size.height() - PageMargin;
    canvas.Text({left, baseline},
                QStringLiteral("Print at 100 % (no fit to page); check the bar with a ruler"),
                SheetFont(8, true));
    canvas.Text({page.Size.width() - PageMargin, baseline},
                QStringLiteral("Page %1 of %2").arg(page.Number).arg(page.Count), SheetFont(8),
                Qt::AlignRight);
}

QString SheetSubject(const ConstructionSheet& sheet) {
    QString subject = QStringLiteral("%1, %2 MHz, %3")
                          .arg(QtText(sheet.Style->Caption), QtText(sheet.FrequencyText),
                               QtText(PolarisationName(sheet.Sense)));
    if (sheet.Tuned) {
        subject += QStringLiteral(", tuned (small loop x%1, large x%2)")
                       .arg(QString::number(sheet.Tuned->SmallScale, 'f', 4),
                            QString::number(sheet.Tuned->LargeScale, 'f', 4));
    }
    return subject;
}

}  // namespace zandrel
