// Palette images drawn from character grids, and the byte layout of Windows icon and cursor files.
#pragma once

#include <QImage>
#include <QRgb>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zandrel::artwork {

constexpr int Transparent = -1;

// What one grid character stands for; the odd index is used where x + y is odd, which gives a
// checkerboard dither when the two differ.
struct GridColour {
    char symbol;
    int evenIndex;
    int oddIndex;
};

struct IndexedBitmap {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<QRgb> palette;
    std::vector<std::uint8_t> indices;  // top row first
    std::vector<bool> transparent;      // top row first
};

struct HotSpot {
    int x = 0;
    int y = 0;
};

// The sixteen colours every Windows display of old could show, in palette order.
std::vector<QRgb> WindowsSixteenColours();
std::vector<QRgb> BlackAndWhite();

// Every row must be as long as the first; '.' is transparent unless the table says otherwise.
IndexedBitmap BitmapFromGrid(std::span<const std::string_view> rows, int bitsPerPixel,
                             std::vector<QRgb> palette, std::span<const GridColour> colours);

std::vector<std::uint8_t> IconFileBytes(std::span<const IndexedBitmap> images);
std::vector<std::uint8_t> CursorFileBytes(const IndexedBitmap& image, HotSpot hotSpot);

QImage ToArgbImage(const IndexedBitmap& bitmap);

}  // namespace zandrel::artwork
