// Packs palette images into the bitmap layout that .ico and .cur files share.
#include "bitmap_files.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace zandrel::artwork {

namespace {

constexpr int BitmapInfoHeaderSize = 40;
constexpr int IconDirectorySize = 6;
constexpr int DirectoryEntrySize = 16;
constexpr std::uint16_t IconType = 1;
constexpr std::uint16_t CursorType = 2;

class ByteWriter {
  public:
    void Byte(int value) { bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF)); }

    void Word(int value) {
        Byte(value);
        Byte(value >> 8);
    }

    void DoubleWord(std::int64_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            Byte(static_cast<int>((value >> shift) & 0xFF));
        }
    }

    void Append(const std::vector<std::uint8_t>& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
    }

    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
};

int RowStride(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

int ColourMaskSize(const IndexedBitmap& bitmap) {
    return RowStride(bitmap.width, bitmap.bitsPerPixel) * bitmap.height;
}

int TransparencyMaskSize(const IndexedBitmap& bitmap) {
    return RowStride(bitmap.width, 1) * bitmap.height;
}

// Header, palette, colour bits and transparency mask, both bitmaps stored bottom row first.
std::vector<std::uint8_t> ImageResource(const IndexedBitmap& bitmap) {
    ByteWriter writer;
    writer.DoubleWord(BitmapInfoHeaderSize);
    writer.DoubleWord(bitmap.width);
    writer.DoubleWord(2 * bitmap.height);
    writer.Word(1);
    writer.Word(bitmap.bitsPerPixel);
    writer.DoubleWord(0);
    writer.DoubleWord(ColourMaskSize(bitmap) + TransparencyMaskSize(bitmap));
    writer.DoubleWord(0);
    writer.DoubleWord(0);
    writer.DoubleWord(0);
    writer.DoubleWord(0);

    for (QRgb colour : bitmap.palette) {
        writer.Byte(qBlue(colour));
        writer.Byte(qGreen(colour));
        writer.Byte(qRed(colour));
        writer.Byte(0);
    }

    const int pixelsPerByte = 8 / bitmap.bitsPerPixel;
    const int colourStride = RowStride(bitmap.width, bitmap.bitsPerPixel);
    for (int y = bitmap.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(colourStride), 0);
        for (int x = 0; x < bitmap.width; ++x) {
            const auto pixel = static_cast<std::size_t>(y * bitmap.width + x);
            const int index = bitmap.transparent[pixel] ? 0 : bitmap.indices[pixel];
            const int shift = 8 - bitmap.bitsPerPixel * (x % pixelsPerByte + 1);
            row[static_cast<std::size_t>(x / pixelsPerByte)] |=
                static_cast<std::uint8_t>(index << shift);
        }
        writer.Append(row);
    }

    const int maskStride = RowStride(bitmap.width, 1);
    for (int y = bitmap.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(maskStride), 0);
        for (int x = 0; x < bitmap.width; ++x) {
            if (bitmap.transparent[static_cast<std::size_t>(y * bitmap.width + x)]) {
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        writer.Append(row);
    }
    return writer.Take();
}

void CheckSizeFitsDirectory(const IndexedBitmap& bitmap) {
    if (bitmap.width < 1 || bitmap.width > 255 || bitmap.height < 1 || bitmap.height > 255) {
        throw std::invalid_argument("icon images must be 1 to 255 pixels wide and high");
    }
}

}  // namespace

std::vector<QRgb> WindowsSixteenColours() {
    return {qRgb(0x00, 0x00, 0x00), qRgb(0x80, 0x00, 0x00), qRgb(0x00, 0x80, 0x00),
            qRgb(0x80, 0x80, 0x00), qRgb(0x00, 0x00, 0x80), qRgb(0x80, 0x00, 0x80),
            qRgb(0x00, 0x80, 0x80), qRgb(0xC0, 0xC0, 0xC0), qRgb(0x80, 0x80, 0x80),
            qRgb(0xFF, 0x00, 0x00), qRgb(0x00, 0xFF, 0x00), qRgb(0xFF, 0xFF, 0x00),
            qRgb(0x00, 0x00, 0xFF), qRgb(0xFF, 0x00, 0xFF), qRgb(0x00, 0xFF, 0xFF),
            qRgb(0xFF, 0xFF, 0xFF)};
}

std::vector<QRgb> BlackAndWhite() { return {qRgb(0x00, 0x00, 0x00), qRgb(0xFF, 0xFF, 0xFF)}; }

IndexedBitmap BitmapFromGrid(std::span<const std::string_view> rows, int bitsPerPixel,
                             std::vector<QRgb> palette, std::span<const GridColour> colours) {
    if (bitsPerPixel != 1 && bitsPerPixel != 4) {
        throw std::invalid_argument("only 1 and 4 bits per pixel are drawn");
    }
    if (palette.size() != (std::size_t{1} << bitsPerPixel)) {
        throw std::invalid_argument("the palette must fill the bit depth");
    }
    if (rows.empty() || rows.front().empty()) {
        throw std::invalid_argument("a grid needs at least one pixel");
    }

    IndexedBitmap bitmap;
    bitmap.width = static_cast<int>(rows.front().size());
    bitmap.height = static_cast<int>(rows.size());
    bitmap.bitsPerPixel = bitsPerPixel;
    bitmap.palette = std::move(palette);

    for (int y = 0; y < bitmap.height; ++y) {
        const std::string_view row = rows[static_cast<std::size_t>(y)];
        if (static_cast<int>(row.size()) != bitmap.width) {
            throw std::invalid_argument("grid row " + std::to_string(y) + " has the wrong length");
        }
        for (int x = 0; x < bitmap.width; ++x) {
            const char symbol = row[static_cast<std::size_t>(x)];
            int index = Transparent;
            bool known = symbol == '.';
            for (const GridColour& colour : colours) {
                if (colour.symbol == symbol) {
                    index = (x + y) % 2 == 0 ? colour.evenIndex : colour.oddIndex;
                    known = true;
                    break;
                }
            }
            if (!known) {
                throw std::invalid_argument(std::string("unknown grid symbol '") + symbol + "'");
            }
            if (index >= static_cast<int>(bitmap.palette.size())) {
                throw std::invalid_argument(std::string("grid symbol '") + symbol +
                                            "' is outside the palette");
            }
            bitmap.transparent.push_back(index == Transparent);
            bitmap.indices.push_back(static_cast<std::uint8_t>(index == Transparent ? 0 : index));
        }
    }
    return bitmap;
}

std::vector<std::uint8_t> IconFileBytes(std::span<const IndexedBitmap> images) {
    ByteWriter writer;
    writer.Word(0);
    writer.Word(IconType);
    writer.Word(static_cast<int>(images.size()));

    std::vector<std::vector<std::uint8_t>> resources;
    std::int64_t offset =
        IconDirectorySize + DirectoryEntrySize * static_cast<std::int64_t>(images.size());
    for (const IndexedBitmap& image : images) {
        CheckSizeFitsDirectory(image);
        resources.push_back(ImageResource(image));
        writer.Byte(image.width);
        writer.Byte(image.height);
        writer.Byte(image.bitsPerPixel < 8 ? 1 << image.bitsPerPixel : 0);
        writer.Byte(0);
        writer.Word(1);
        writer.Word(image.bitsPerPixel);
        writer.DoubleWord(static_cast<std::int64_t>(resources.back().size()));
        writer.DoubleWord(offset);
        offset += static_cast<std::int64_t>(resources.back().size());
    }
    for (const auto& resource : resources) {
        writer.Append(resource);
    }
    return writer.Take();
}

std::vector<std::uint8_t> CursorFileBytes(const IndexedBitmap& image, HotSpot hotSpot) {
    CheckSizeFitsDirectory(image);
    if (hotSpot.x < 0 || hotSpot.x >= image.width || hotSpot.y < 0 || hotSpot.y >= image.height) {
        throw std::invalid_argument("the hot spot must lie on the cursor");
    }
    const std::vector<std::uint8_t> resource = ImageResource(image);

    ByteWriter writer;
    writer.Word(0);
    writer.Word(CursorType);
    writer.Word(1);
    writer.Byte(image.width);
    writer.Byte(image.height);
    writer.Byte(image.bitsPerPixel < 8 ? 1 << image.bitsPerPixel : 0);
    writer.Byte(0);
    writer.Word(hotSpot.x);
    writer.Word(hotSpot.y);
    writer.DoubleWord(static_cast<std::int64_t>(resource.size()));
    writer.DoubleWord(IconDirectorySize + DirectoryEntrySize);
    writer.Append(resource);
    return writer.Take();
}

QImage ToArgbImage(const IndexedBitmap& bitmap) {
    QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
    for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; ++x) {
            const auto pixel = static_cast<std::size_t>(y * bitmap.width + x);
            image.setPixel(x, y,
                           bitmap.transparent[pixel] ? qRgba(0, 0, 0, 0)
                                                     : bitmap.palette[bitmap.indices[pixel]]);
        }
    }
    return image;
}

}  // namespace zandrel::artwork
