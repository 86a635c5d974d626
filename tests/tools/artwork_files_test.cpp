// Checks the committed picture, program icon and hand cursor: their byte layout and what Qt reads
// from them.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QPoint>
#include <QRgb>
#include <QSet>
#include <QSize>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zandrel::artwork {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t IconDirectorySize = 6;
constexpr std::size_t DirectoryEntrySize = 16;
constexpr std::size_t BitmapInfoHeaderSize = 40;

std::filesystem::path SourceFile(const char* relative) {
    return std::filesystem::path(ZANDREL2_SOURCE_DIR) / relative;
}

QString SourceFileName(const char* relative) {
    return QString::fromStdString(SourceFile(relative).string());
}

Bytes ReadBytes(const char* relative) {
    std::ifstream in(SourceFile(relative), std::ios::binary);
    if (!in) {
        throw std::runtime_error(std::string("cannot open ") + relative);
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RequireRange(const Bytes& bytes, std::size_t offset, std::size_t length) {
    if (offset > bytes.size() || length > bytes.size() - offset) {
        throw std::out_of_range("read of " + std::to_string(length) + " bytes at " +
                                std::to_string(offset) + " runs past the end of a " +
                                std::to_string(bytes.size()) + "-byte file");
    }
}

std::uint32_t LittleEndian(const Bytes& bytes, std::size_t offset, std::size_t length) {
    RequireRange(bytes, offset, length);
    std::uint32_t value = 0;
    for (std::size_t index = length; index > 0; --index) {
        value = value << 8 | bytes[offset + index - 1];
    }
    return value;
}

std::uint32_t Byte(const Bytes& bytes, std::size_t offset) {
    return LittleEndian(bytes, offset, 1);
}
std::uint32_t Word(const Bytes& bytes, std::size_t offset) {
    return LittleEndian(bytes, offset, 2);
}
std::uint32_t DoubleWord(const Bytes& bytes, std::size_t offset) {
    return LittleEndian(bytes, offset, 4);
}

struct DirectoryEntry {
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t colourCount;
    std::uint32_t reserved;
    std::uint32_t planesOrHotSpotX;
    std::uint32_t bitCountOrHotSpotY;
    std::uint32_t size;
    std::uint32_t offset;
};

DirectoryEntry ReadEntry(const Bytes& bytes, std::size_t index) {
    const std::size_t at = IconDirectorySize + index * DirectoryEntrySize;
    return {Byte(bytes, at),           Byte(bytes, at + 1),       Byte(bytes, at + 2),
            Byte(bytes, at + 3),       Word(bytes, at + 4),       Word(bytes, at + 6),
            DoubleWord(bytes, at + 8), DoubleWord(bytes, at + 12)};
}

// Where one image's colour bits and mask lie, read from its BITMAPINFOHEADER.
struct StoredBitmap {
    const Bytes& bytes;
    int width;
    int height;
    int bitsPerPixel;
    std::size_t paletteOffset;
    std::size_t colourOffset;
    std::size_t maskOffset;

    static std::size_t Stride(int pixels, int bits) {
        return static_cast<std::size_t>((pixels * bits + 31) / 32 * 4);
    }

    static StoredBitmap At(const Bytes& bytes, std::size_t offset) {
        const int width = static_cast<int>(DoubleWord(bytes, offset + 4));
        const int height = static_cast<int>(DoubleWord(bytes, offset + 8)) / 2;
        const int bits = static_cast<int>(Word(bytes, offset + 14));
        const std::size_t palette = offset + BitmapInfoHeaderSize;
        const std::size_t colour = palette + 4 * (std::size_t{1} << bits);
        return {bytes,
                width,
                height,
                bits,
                palette,
                colour,
                colour + Stride(width, bits) * static_cast<std::size_t>(height)};
    }

    std::size_t End() const {
        return maskOffset + Stride(width, 1) * static_cast<std::size_t>(height);
    }

    QRgb PaletteColour(std::size_t index) const {
        const std::size_t at = paletteOffset + 4 * index;
        return qRgb(static_cast<int>(Byte(bytes, at + 2)), static_cast<int>(Byte(bytes, at + 1)),
                    static_cast<int>(Byte(bytes, at)));
    }

    // Rows are stored bottom row first; x and y here count from the top left.
    bool IsTransparent(int x, int y) const {
        const std::size_t row =
            maskOffset + Stride(width, 1) * static_cast<std::size_t>(height - 1 - y);
        return (Byte(bytes, row + static_cast<std::size_t>(x / 8)) >> (7 - x % 8) & 1U) != 0;
    }

    std::uint32_t ColourIndex(int x, int y) const {
        const std::size_t row =
            colourOffset + Stride(width, bitsPerPixel) * static_cast<std::size_t>(height - 1 - y);
        const int perByte = 8 / bitsPerPixel;
        const std::uint32_t packed = Byte(bytes, row + static_cast<std::size_t>(x / perByte));
        const int shift = 8 - bitsPerPixel * (x % perByte + 1);
        return packed >> shift & ((1U << bitsPerPixel) - 1U);
    }
};

const std::vector<QRgb> StandardSixteenColours = {
    qRgb(0x00, 0x00, 0x00), qRgb(0x80, 0x00, 0x00), qRgb(0x00, 0x80, 0x00), qRgb(0x80, 0x80, 0x00),
    qRgb(0x00, 0x00, 0x80), qRgb(0x80, 0x00, 0x80), qRgb(0x00, 0x80, 0x80), qRgb(0xC0, 0xC0, 0xC0),
    qRgb(0x80, 0x80, 0x80), qRgb(0xFF, 0x00, 0x00), qRgb(0x00, 0xFF, 0x00), qRgb(0xFF, 0xFF, 0x00),
    qRgb(0x00, 0x00, 0xFF), qRgb(0xFF, 0x00, 0xFF), qRgb(0x00, 0xFF, 0xFF), qRgb(0xFF, 0xFF, 0xFF)};

struct ExpectedIconImage {
    std::uint32_t size;
    std::uint32_t colours;
    std::uint32_t bitsPerPixel;
};

constexpr std::array<ExpectedIconImage, 3> IconImages = {{{32, 2, 1}, {32, 16, 4}, {16, 16, 4}}};

std::vector<QImage> ReadWithQt(const char* relative, const char* format) {
    QImageReader reader(SourceFileName(relative), format);
    std::vector<QImage> images;
    const int count = reader.imageCount();
    for (int index = 0; index < count; ++index) {
        if (!reader.jumpToImage(index)) {
            break;
        }
        images.push_back(reader.read().convertToFormat(QImage::Format_ARGB32));
    }
    return images;
}

std::vector<QPoint> Corners(const QImage& image) {
    return {QPoint(0, 0), QPoint(image.width() - 1, 0), QPoint(0, image.height() - 1),
            QPoint(image.width() - 1, image.height() - 1)};
}

TEST(MainWindowPicture, IsA204By313RawPpmOfEightBitRgbAndNothingElse) {
    const Bytes ppm = ReadBytes("windows/main/helix_picture.ppm");
    const std::string header = "P6\n204 313\n255\n";
    RequireRange(ppm, 0, header.size());
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + static_cast<std::ptrdiff_t>(header.size())),
              header);
    EXPECT_EQ(ppm.size(), header.size() + std::size_t{204} * 313 * 3) << "three bytes a pixel";
}

TEST(MainWindowPicture, LoadsInQtAsAnOpaquePictureOfManyColours) {
    const QImage picture(SourceFileName("windows/main/helix_picture.ppm"));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(204, 313));
    EXPECT_FALSE(picture.hasAlphaChannel());

    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            colours.insert(picture.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 100);
}

TEST(ProgramIconFile, ListsTwoColourThenSixteenColourLargeAndSmallImages) {
    const Bytes icon = ReadBytes("programs/zandrel2/zandrel2.ico");
    EXPECT_EQ(Word(icon, 0), 0U) << "reserved";
    EXPECT_EQ(Word(icon, 2), 1U) << "type 1 is an icon";
    ASSERT_EQ(Word(icon, 4), IconImages.size());

    for (std::size_t index = 0; index < IconImages.size(); ++index) {
        SCOPED_TRACE("image " + std::to_string(index));
        const DirectoryEntry entry = ReadEntry(icon, index);
        EXPECT_EQ(entry.width, IconImages[index].size);
        EXPECT_EQ(entry.height, IconImages[index].size);
        EXPECT_EQ(entry.colourCount, IconImages[index].colours);
        EXPECT_EQ(entry.reserved, 0U);
        EXPECT_EQ(entry.planesOrHotSpotX, 1U);
        EXPECT_EQ(entry.bitCountOrHotSpotY, IconImages[index].bitsPerPixel);
    }
}

TEST(ProgramIconFile, StoresEachImageInsideTheFileWithAHeaderThatAgreesWithItsEntry) {
    const Bytes icon = ReadBytes("programs/zandrel2/zandrel2.ico");
    std::size_t nextFree = IconDirectorySize + DirectoryEntrySize * IconImages.size();

    for (std::size_t index = 0; index < IconImages.size(); ++index) {
        SCOPED_TRACE("image " + std::to_string(index));
        const DirectoryEntry entry = ReadEntry(icon, index);
        ASSERT_GE(entry.offset, nextFree) << "images overlap the directory or each other";
        ASSERT_NO_THROW(RequireRange(icon, entry.offset, entry.size));
        nextFree = entry.offset + entry.size;

        EXPECT_EQ(DoubleWord(icon, entry.offset), BitmapInfoHeaderSize);
        EXPECT_EQ(DoubleWord(icon, entry.offset + 4), entry.width);
        EXPECT_EQ(DoubleWord(icon, entry.offset + 8), 2 * entry.height) << "colour bits and mask";
        EXPECT_EQ(Word(icon, entry.offset + 12), 1U) << "planes";
        EXPECT_EQ(Word(icon, entry.offset + 14), entry.bitCountOrHotSpotY);
        EXPECT_EQ(DoubleWord(icon, entry.offset + 16), 0U) << "uncompressed";

        const StoredBitmap bitmap = StoredBitmap::At(icon, entry.offset);
        EXPECT_EQ(bitmap.End(), std::size_t{entry.offset} + entry.size);
    }
    EXPECT_EQ(nextFree, icon.size());
}

TEST(ProgramIconFile, UsesBlackAndWhiteAndTheStandardSixteenColourPalette) {
    const Bytes icon = ReadBytes("programs/zandrel2/zandrel2.ico");
    const StoredBitmap twoColour = StoredBitmap::At(icon, ReadEntry(icon, 0).offset);
    EXPECT_EQ(twoColour.PaletteColour(0), qRgb(0, 0, 0));
    EXPECT_EQ(twoColour.PaletteColour(1), qRgb(255, 255, 255));

    for (std::size_t image = 1; image < IconImages.size(); ++image) {
        const StoredBitmap sixteenColour = StoredBitmap::At(icon, ReadEntry(icon, image).offset);
        for (std::size_t index = 0; index < StandardSixteenColours.size(); ++index) {
            EXPECT_EQ(sixteenColour.PaletteColour(index), StandardSixteenColours[index])
                << "image " << image << ", palette entry " << index;
        }
    }
}

TEST(ProgramIconFile, MasksOutEveryCornerAndKeepsTheWindowInTheMiddle) {
    const Bytes icon = ReadBytes("programs/zandrel2/zandrel2.ico");
    for (std::size_t index = 0; index < IconImages.size(); ++index) {
        SCOPED_TRACE("image " + std::to_string(index));
        const StoredBitmap bitmap = StoredBitmap::At(icon, ReadEntry(icon, index).offset);
        const int last = bitmap.width - 1;
        EXPECT_TRUE(bitmap.IsTransparent(0, 0));
        EXPECT_TRUE(bitmap.IsTransparent(last, 0));
        EXPECT_TRUE(bitmap.IsTransparent(0, last));
        EXPECT_TRUE(bitmap.IsTransparent(last, last));
        EXPECT_FALSE(bitmap.IsTransparent(bitmap.width / 2, bitmap.height / 2));
        EXPECT_EQ(bitmap.ColourIndex(0, 0), 0U)
            << "masked pixels must be black to stay transparent";
    }
}

TEST(ProgramIconFile, IsReadByQtAsThreeImagesOfTheListedSizes) {
    const std::vector<QImage> images = ReadWithQt("programs/zandrel2/zandrel2.ico", "ico");
    ASSERT_EQ(images.size(), IconImages.size());
    for (std::size_t index = 0; index < IconImages.size(); ++index) {
        const int side = static_cast<int>(IconImages[index].size);
        EXPECT_EQ(images[index].size(), QSize(side, side)) << "image " << index;
    }
}

TEST(ProgramIconFile, DrawsAWhiteWindowWithACyanTitleBlackOutlineAndGreyShadow) {
    const std::vector<QImage> images = ReadWithQt("programs/zandrel2/zandrel2.ico", "ico");
    ASSERT_EQ(images.size(), IconImages.size());
    for (std::size_t index = 1; index < images.size(); ++index) {
        SCOPED_TRACE("image " + std::to_string(index));
        QSet<QRgb> opaque;
        for (int y = 0; y < images[index].height(); ++y) {
            for (int x = 0; x < images[index].width(); ++x) {
                if (qAlpha(images[index].pixel(x, y)) == 255) {
                    opaque.insert(images[index].pixel(x, y));
                }
            }
        }
        EXPECT_TRUE(opaque.contains(qRgb(255, 255, 255)));
        EXPECT_TRUE(opaque.contains(qRgb(0, 255, 255)));
        EXPECT_TRUE(opaque.contains(qRgb(0, 0, 0)));
        EXPECT_TRUE(opaque.contains(qRgb(128, 128, 128)));
    }
}

TEST(DesktopIconPngs, MatchTheSixteenColourImagesOfTheProgramIcon) {
    const std::vector<QImage> icon = ReadWithQt("programs/zandrel2/zandrel2.ico", "ico");
    ASSERT_EQ(icon.size(), IconImages.size());
    const std::array<std::pair<const char*, std::size_t>, 2> pngs = {{
        {"programs/zandrel2/zandrel2-32.png", 1},
        {"programs/zandrel2/zandrel2-16.png", 2},
    }};

    for (const auto& [file, iconIndex] : pngs) {
        SCOPED_TRACE(file);
        const QImage png = QImage(SourceFileName(file)).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(png.isNull());
        const int side = static_cast<int>(IconImages[iconIndex].size);
        ASSERT_EQ(png.size(), QSize(side, side));
        EXPECT_TRUE(png.hasAlphaChannel());
        for (const QPoint& corner : Corners(png)) {
            EXPECT_EQ(qAlpha(png.pixel(corner)), 0);
        }

        int differences = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const QRgb fromPng = png.pixel(x, y);
                const QRgb fromIcon = icon[iconIndex].pixel(x, y);
                const bool bothClear = qAlpha(fromPng) == 0 && qAlpha(fromIcon) == 0;
                differences += bothClear || fromPng == fromIcon ? 0 : 1;
            }
        }
        EXPECT_EQ(differences, 0);
    }
}

TEST(HandCursorFile, IsThreeHundredTwentySixBytesHoldingOneTwoColourImage) {
    const Bytes cursor = ReadBytes("windows/web_link/hand.cur");
    ASSERT_EQ(cursor.size(), 326U);
    EXPECT_EQ(Word(cursor, 0), 0U) << "reserved";
    EXPECT_EQ(Word(cursor, 2), 2U) << "type 2 is a cursor";
    EXPECT_EQ(Word(cursor, 4), 1U);

    const DirectoryEntry entry = ReadEntry(cursor, 0);
    EXPECT_EQ(entry.width, 32U);
    EXPECT_EQ(entry.height, 32U);
    EXPECT_EQ(entry.colourCount, 2U);
    EXPECT_EQ(entry.reserved, 0U);
    EXPECT_EQ(entry.size, 304U);
    EXPECT_EQ(entry.offset, 22U);

    EXPECT_EQ(DoubleWord(cursor, 22), BitmapInfoHeaderSize);
    EXPECT_EQ(DoubleWord(cursor, 26), 32U);
    EXPECT_EQ(DoubleWord(cursor, 30), 64U);
    EXPECT_EQ(Word(cursor, 34), 1U) << "planes";
    EXPECT_EQ(Word(cursor, 36), 1U) << "bits per pixel";

    const StoredBitmap bitmap = StoredBitmap::At(cursor, entry.offset);
    EXPECT_EQ(bitmap.PaletteColour(0), qRgb(0, 0, 0));
    EXPECT_EQ(bitmap.PaletteColour(1), qRgb(255, 255, 255));
    EXPECT_EQ(bitmap.End(), cursor.size());
}

TEST(HandCursorFile, PutsTheHotSpotOnTheTipOfTheRaisedFinger) {
    const Bytes cursor = ReadBytes("windows/web_link/hand.cur");
    const DirectoryEntry entry = ReadEntry(cursor, 0);
    const int hotX = static_cast<int>(entry.planesOrHotSpotX);
    const int hotY = static_cast<int>(entry.bitCountOrHotSpotY);
    ASSERT_EQ(hotX, 13);
    ASSERT_EQ(hotY, 9);

    const StoredBitmap bitmap = StoredBitmap::At(cursor, entry.offset);
    EXPECT_FALSE(bitmap.IsTransparent(hotX, hotY));
    EXPECT_EQ(bitmap.ColourIndex(hotX, hotY), 0U) << "the finger tip is outline black";
    for (int y = 0; y < hotY; ++y) {
        for (int x = 0; x < bitmap.width; ++x) {
            EXPECT_TRUE(bitmap.IsTransparent(x, y))
                << "nothing may stand above the finger tip, at " << x << "," << y;
        }
    }
    for (int y = hotY + 1; y <= hotY + 4; ++y) {
        EXPECT_FALSE(bitmap.IsTransparent(hotX, y))
            << "the finger runs down from the tip, at row " << y;
    }
}

TEST(HandCursorFile, IsClearAtTheCornersAndOnlyBlackOrWhiteWhereDrawn) {
    const Bytes cursor = ReadBytes("windows/web_link/hand.cur");
    const StoredBitmap bitmap = StoredBitmap::At(cursor, ReadEntry(cursor, 0).offset);
    EXPECT_TRUE(bitmap.IsTransparent(0, 0));
    EXPECT_TRUE(bitmap.IsTransparent(31, 0));
    EXPECT_TRUE(bitmap.IsTransparent(0, 31));
    EXPECT_TRUE(bitmap.IsTransparent(31, 31));

    int black = 0;
    int white = 0;
    int inverted = 0;
    for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; ++x) {
            const bool drawn = !bitmap.IsTransparent(x, y);
            const bool light = bitmap.ColourIndex(x, y) == 1U;
            black += drawn && !light ? 1 : 0;
            white += drawn && light ? 1 : 0;
            inverted += !drawn && light ? 1 : 0;
        }
    }
    EXPECT_GT(black, 40) << "outline";
    EXPECT_GT(white, 100) << "fill";
    EXPECT_EQ(inverted, 0) << "masked pixels must not invert the screen";
}

}  // namespace
}  // namespace zandrel::artwork
