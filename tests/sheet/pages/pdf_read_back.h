// Reading a written PDF back with poppler's tools: the paths drawn on each page and the words
// with their boxes, in millimetres from the page's top left corner.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

namespace zandrel::test_support {

struct DrawnPath {
    bool Filled = false;
    bool Stroked = false;
    bool Dashed = false;
    bool Curved = false;          // has Bézier segments
    double StrokeWidth = 0.0;     // mm
    std::vector<QPointF> Points;  // every end and control point, mm
    int Segments = 0;

    QRectF Bounds() const;
};

struct DrawnWord {
    QString Text;
    QRectF Box;  // mm
};

struct PdfPage {
    QSizeF Size;  // mm
    std::vector<DrawnPath> Paths;
    std::vector<DrawnWord> Words;

    // The words whose text is exactly `text`.
    std::vector<DrawnWord> WordsReading(const QString& text) const;
    bool HasWord(const QString& text) const { return !WordsReading(text).empty(); }
};

// The lines of words whose middles lie between `left` and `right` (mm), top to bottom, each
// read left to right: a table's rows as the eye reads them, whatever order the PDF has.
QStringList LinesIn(const PdfPage& page, double left, double right);

// Every page of the PDF at `path`; an empty list when the tools fail.
std::vector<PdfPage> ReadPdf(const QString& path);

// The scale bars of a page: outlined bars split into ten cells, every other one filled.
std::vector<QRectF> ScaleBars(const PdfPage& page);

// Runs a program with arguments, returns its standard output (empty on failure).
QByteArray RunTool(const QString& program, const QStringList& arguments);

inline constexpr double MmPerPoint = 25.4 / 72.0;

}  // namespace zandrel::test_support
