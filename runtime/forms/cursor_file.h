// Mouse pointers stored as Windows cursor files.
#pragma once

#include <QByteArrayView>
#include <QCursor>
#include <QPoint>
#include <QString>
#include <optional>

namespace zandrel {

// The hot spot of the first image of a cursor file, or nothing when the data is not a
// well-formed cursor file (wrong header, no image, an entry or image that lies outside the data).
std::optional<QPoint> ReadCursorHotSpot(QByteArrayView file);

// The pointer drawn by the cursor file at `path` (a file or a resource), with its own hot spot.
// A file that cannot be read or is malformed gives the ordinary arrow.
QCursor LoadCursorFile(const QString& path);

}  // namespace zandrel
