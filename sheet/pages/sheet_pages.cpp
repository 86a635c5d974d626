#include "sheet_pages.h"

#include <QBuffer>
#include <QFile>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include "file_error.h"
#include "first_page.h"
#include "millimetre_canvas.h"
#include "output_file.h"
#include "page_frame.h"
#include "sheet_error.h"
#include "template_page.h"

namespace zandrel {

namespace {

constexpr int PdfResolution = 1200;

}  // namespace

QPageSize PageSizeOf(Paper paper) {
    return QPageSize(paper == Paper::A4 ? QPageSize::A4 : QPageSize::Letter);
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
    MillimetreCanvas canvas(painter);

    const PaperSize paperSize = PaperSizeOf(paper);
    const QSizeF size(paperSize.Width, paperSize.Height);
    const int count = layout.Pages() + 1;
    const bool inches = sheet.Units == LengthUnit::Inch;
    PaintFirstPage(canvas, sheet, layout, {size, 1, count, inches}, date);
    for (int row = 0; row < layout.Rows; ++row) {
        for (int column = 0; column < layout.Columns; ++column) {
            device.newPage();
            PaintTemplatePage(canvas, sheet, layout, column, row,
                              {size, 1 + layout.TileNumber(column, row), count, inches});
        }
    }
    painter.end();
}

QByteArray ConstructionSheetPdf(const ConstructionSheet& sheet, Paper paper, const QDate& date) {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(PdfResolution);
        writer.setCreator(QStringLiteral("zandrel2"));
        writer.setTitle(QStringLiteral("zandrel2 construction sheet: ") + SheetSubject(sheet));
        PaintConstructionSheet(writer, sheet, paper, date);
    }
    return pdf;
}

void WriteConstructionSheetPdf(const QString& path, const ConstructionSheet& sheet, Paper paper,
                               const QDate& date, ReaderWait wait,
                               const std::function<void()>& waiting) {
    const QByteArray pdf = ConstructionSheetPdf(sheet, paper, date);
    try {
        WriteOutputFile(QFile::encodeName(path).toStdString(),
                        std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())),
                        wait, waiting);
    } catch (const FileError& error) {
        throw SheetError(SheetErrorKind::FileNotWritable, error.Detail());
    }
}

}  // namespace zandrel
