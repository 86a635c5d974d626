#include "pdf_read_back.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace zandrel::test_support {

namespace {

QString Attribute(const QString& element, const QString& name) {
    const QRegularExpression pattern(QStringLiteral("\\s%1=\"([^\"]*)\"").arg(name));
    const QRegularExpressionMatch match = pattern.match(element);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString StyleValue(const QString& style, const QString& name) {
    for (const QString& part : style.split(QLatin1Char(';'))) {
        const qsizetype colon = part.indexOf(QLatin1Char(':'));
        if (colon > 0 && part.left(colon).trimmed() == name) {
            return part.mid(colon + 1).trimmed();
        }
    }
    return {};
}

// The `matrix(a,b,c,d,e,f)` of a transform attribute; the identity when there is none.
std::array<double, 6> Matrix(const QString& transform) {
    std::array<double, 6> m{1, 0, 0, 1, 0, 0};
    static const QRegularExpression pattern(QStringLiteral("matrix\\(([^)]*)\\)"));
    const QRegularExpressionMatch match = pattern.match(transform);
    if (match.hasMatch()) {
        const QStringList values = match.captured(1).split(
            QRegularExpression(QStringLiteral("[ ,]+")), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < values.size() && i < 6; ++i) {
            m[static_cast<std::size_t>(i)] = values[i].toDouble();
        }
    }
    return m;
}

DrawnPath ParsePath(const QString& element) {
    DrawnPath path;
    const QString style = Attribute(element, QStringLiteral("style"));
    const std::array<double, 6> m = Matrix(Attribute(element, QStringLiteral("transform")));
    const QString fill = StyleValue(style, QStringLiteral("fill"));
    const QString stroke = StyleValue(style, QStringLiteral("stroke"));
    path.Filled = !fill.isEmpty() && fill != QLatin1String("none");
    path.Stroked = !stroke.isEmpty() && stroke != QLatin1String("none");
    path.Dashed = !StyleValue(style, QStringLiteral("stroke-dasharray")).isEmpty();
    path.StrokeWidth =
        StyleValue(style, QStringLiteral("stroke-width")).toDouble() * m[0] * MmPerPoint;
    const QStringList tokens =
        Attribute(element, QStringLiteral("d")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<double> numbers;
    for (const QString& token : tokens) {
        bool isNumber = false;
        const double value = token.toDouble(&isNumber);
        if (isNumber) {
            numbers.push_back(value);
            continue;
        }
        if (token == QLatin1String("C")) {
            path.Curved = true;
        }
        if (token == QLatin1String("L") || token == QLatin1String("C")) {
            ++path.Segments;
        }
    }
    for (std::size_t i = 0; i + 1 < numbers.size(); i += 2) {
        const double x = numbers[i];
        const double y = numbers[i + 1];
        path.Points.emplace_back((m[0] * x + m[2] * y + m[4]) * MmPerPoint,
                                 (m[1] * x + m[3] * y + m[5]) * MmPerPoint);
    }
    return path;
}

bool NearMm(double a, double b, double tolerance = 0.05) { return std::fabs(a - b) <= tolerance; }

// An axis-aligned rectangle drawn as one closed path.
std::optional<QRectF> AsRectangle(const DrawnPath& path) {
    if (path.Curved || path.Points.size() < 4 || path.Points.size() > 6) {
        return std::nullopt;
    }
    const QRectF bounds = path.Bounds();
    for (const QPointF& point : path.Points) {
        if (!(NearMm(point.x(), bounds.left(), 0.01) || NearMm(point.x(), bounds.right(), 0.01)) ||
            !(NearMm(point.y(), bounds.top(), 0.01) || NearMm(point.y(), bounds.bottom(), 0.01))) {
            return std::nullopt;
        }
    }
    return bounds;
}

}  // namespace

std::vector<QRectF> ScaleBars(const PdfPage& page) {
    std::vector<QRectF> outlines, cells;
    for (const DrawnPath& path : page.Paths) {
        if (const auto rectangle = AsRectangle(path)) {
            (path.Filled ? cells : outlines).push_back(*rectangle);
        }
    }
    std::vector<QRectF> bars;
    for (const QRectF& outline : outlines) {
        int inside = 0;
        for (const QRectF& cell : cells) {
            const double index = (cell.left() - outline.left()) / (outline.width() / 10.0);
            if (NearMm(cell.top(), outline.top()) && NearMm(cell.bottom(), outline.bottom()) &&
                NearMm(cell.width(), outline.width() / 10.0) &&
                NearMm(index, std::round(index), 0.01) &&
                static_cast<int>(std::round(index)) % 2 == 0) {
                ++inside;
            }
        }
        if (inside == 5) {
            bars.push_back(outline);
        }
    }
    return bars;
}

QRectF DrawnPath::Bounds() const {
    if (Points.empty()) {
        return {};
    }
    double left = Points[0].x(), right = left, top = Points[0].y(), bottom = top;
    for (const QPointF& point : Points) {
        left = std::min(left, point.x());
        right = std::max(right, point.x());
        top = std::min(top, point.y());
        bottom = std::max(bottom, point.y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

std::vector<DrawnWord> PdfPage::WordsReading(const QString& text) const {
    std::vector<DrawnWord> found;
    std::copy_if(Words.begin(), Words.end(), std::back_inserter(found),
                 [&text](const DrawnWord& word) { return word.Text == text; });
    return found;
}

QByteArray RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return {};
    }
    return process.readAllStandardOutput();
}

QStringList LinesIn(const PdfPage& page, double left, double right) {
    std::vector<DrawnWord> words;
    for (const DrawnWord& word : page.Words) {
        if (word.Box.center().x() >= left && word.Box.center().x() <= right) {
            words.push_back(word);
        }
    }
    std::sort(words.begin(), words.end(), [](const DrawnWord& a, const DrawnWord& b) {
        return a.Box.bottom() < b.Box.bottom();
    });
    QStringList lines;
    for (std::size_t first = 0; first < words.size();) {
        std::size_t end = first + 1;
        while (end < words.size() &&
               NearMm(words[end].Box.bottom(), words[first].Box.bottom(), 0.6)) {
            ++end;
        }
        std::sort(
            words.begin() + static_cast<std::ptrdiff_t>(first),
            words.begin() + static_cast<std::ptrdiff_t>(end),
            [](const DrawnWord& a, const DrawnWord& b) { return a.Box.left() < b.Box.left(); });
        QStringList line;
        for (std::size_t i = first; i < end; ++i) {
            line << words[i].Text;
        }
        lines << line.join(QLatin1Char(' '));
        first = end;
    }
    return lines;
}

std::vector<PdfPage> ReadPdf(const QString& path) {
    std::vector<PdfPage> pages;
    const QString words = QString::fromUtf8(
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")}));
    static const QRegularExpression pagePattern(
        QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">(.*?)</page>"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression wordPattern(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"
        "([^<]*)</word>"));
    for (auto page = pagePattern.globalMatch(words); page.hasNext();) {
        const QRegularExpressionMatch match = page.next();
        PdfPage read;
        read.Size = QSizeF(match.captured(1).toDouble() * MmPerPoint,
                           match.captured(2).toDouble() * MmPerPoint);
        for (auto word = wordPattern.globalMatch(match.captured(3)); word.hasNext();) {
            const QRegularExpressionMatch w = word.next();
            read.Words.push_back(
                {w.captured(5)
                     .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
                     .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
                     .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                     .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
                     .replace(QStringLiteral("&amp;"), QStringLiteral("&")),
                 QRectF(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()) * MmPerPoint,
                        QPointF(w.captured(3).toDouble(), w.captured(4).toDouble()) * MmPerPoint)});
        }
        pages.push_back(std::move(read));
    }

    QTemporaryDir folder;
    const QString svg = folder.filePath(QStringLiteral("pages.svg"));
    RunTool(QStringLiteral("pdftocairo"), {QStringLiteral("-svg"), path, svg});
    QFile file(svg);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString text = QString::fromUtf8(file.readAll());
    // Glyph outlines live in <defs>; the drawing follows it, page after page.
    QStringList drawnPages =
        text.mid(text.lastIndexOf(QStringLiteral("</defs>"))).split(QStringLiteral("<page>"));
    if (drawnPages.size() > 1) {
        drawnPages.removeFirst();
    }
    if (static_cast<std::size_t>(drawnPages.size()) != pages.size()) {
        return {};
    }
    static const QRegularExpression pathPattern(QStringLiteral("<path [^>]*>"));
    for (qsizetype i = 0; i < drawnPages.size(); ++i) {
        for (auto element = pathPattern.globalMatch(drawnPages[i]); element.hasNext();) {
            pages[static_cast<std::size_t>(i)].Paths.push_back(
                ParsePath(element.next().captured(0)));
        }
    }
    return pages;
}

}  // namespace zandrel::test_support
