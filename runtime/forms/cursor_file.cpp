#include "cursor_file.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <cstdint>

namespace zandrel {

namespace {

constexpr qsizetype HeaderSize = 6;
constexpr qsizetype EntrySize = 16;
constexpr std::uint16_t CursorType = 2;

// Reads a little-endian value at `offset`, or nothing when it would run past the end.
template <typename T>
std::optional<T> ReadLittleEndian(QByteArrayView data, qsizetype offset) {
    if (offset < 0 || offset + qsizetype{sizeof(T)} > data.size()) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (qsizetype i = qsizetype{sizeof(T)} - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(data[offset + i]);
    }
    return static_cast<T>(value);
}

}  // namespace

std::optional<QPoint> ReadCursorHotSpot(QByteArrayView file) {
    const auto reserved = ReadLittleEndian<std::uint16_t>(file, 0);
    const auto type = ReadLittleEndian<std::uint16_t>(file, 2);
    const auto count = ReadLittleEndian<std::uint16_t>(file, 4);
    if (!reserved || *reserved != 0 || !type || *type != CursorType || !count || *count == 0) {
        return std::nullopt;
    }
    if (file.size() < HeaderSize + EntrySize * qsizetype{*count}) {
        return std::nullopt;
    }
    const auto hotX = ReadLittleEndian<std::uint16_t>(file, HeaderSize + 4);
    const auto hotY = ReadLittleEndian<std::uint16_t>(file, HeaderSize + 6);
    const auto imageSize = ReadLittleEndian<std::uint32_t>(file, HeaderSize + 8);
    const auto imageOffset = ReadLittleEndian<std::uint32_t>(file, HeaderSize + 12);
    if (!hotX || !hotY || !imageSize || !imageOffset ||
        qint64{*imageOffset} + qint64{*imageSize} > file.size()) {
        return std::nullopt;
    }
    const int width = static_cast<std::uint8_t>(file[HeaderSize]) == 0
                          ? 256
                          : static_cast<std::uint8_t>(file[HeaderSize]);
    const int height = static_cast<std::uint8_t>(file[HeaderSize + 1]) == 0
                           ? 256
                           : static_cast<std::uint8_t>(file[HeaderSize + 1]);
    if (*hotX >= width || *hotY >= height) {
        return std::nullopt;
    }
    return QPoint(*hotX, *hotY);
}

QCursor LoadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    const std::optional<QPoint> hotSpot = ReadCursorHotSpot(data);
    QImage image;
    if (!hotSpot || !image.loadFromData(data, "cur")) {
        return {};
    }
    return QCursor(QPixmap::fromImage(image), hotSpot->x(), hotSpot->y());
}

}  // namespace zandrel
