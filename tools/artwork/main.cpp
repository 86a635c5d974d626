// Redraws the picture, the program icon and the hand cursor into a source tree.
#include "bitmap_files.h"
#include "hand_cursor.h"
#include "helix_picture.h"
#include "window_icon.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zandrel::artwork {

namespace {

void PrepareFolder(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
}

void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    PrepareFolder(file);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

// Writes `image` in the format `format` names ("PNG", or "PPM" for raw 8-bit RGB).
void WriteImage(const std::filesystem::path& file, const QImage& image, const char* format) {
    PrepareFolder(file);
    if (!image.save(QString::fromStdString(file.string()), format)) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

void WriteArtwork(const std::filesystem::path& root) {
    if (!std::filesystem::is_directory(root)) {
        throw std::runtime_error(root.string() + " is not a folder");
    }

    // Raw RGB rather than PNG: the main window reads it at every start, and inflating and
    // unfiltering a PNG costs about four times as much as reading raw pixels.
    WriteImage(root / "windows/main/helix_picture.ppm", HelixPicture(), "PPM");

    const std::vector<IndexedBitmap> icon = WindowIconImages();
    WriteBytes(root / "programs/zandrel2/zandrel2.ico", IconFileBytes(icon));
    WriteImage(root / "programs/zandrel2/zandrel2-32.png", ToArgbImage(icon[1]), "PNG");
    WriteImage(root / "programs/zandrel2/zandrel2-16.png", ToArgbImage(icon[2]), "PNG");

    WriteBytes(root / "windows/web_link/hand.cur", CursorFileBytes(HandCursorImage(), HandHotSpot));
}

}  // namespace

}  // namespace zandrel::artwork

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: zandrel2-artwork SOURCE-ROOT\n";
        return 2;
    }
    try {
        zandrel::artwork::WriteArtwork(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "zandrel2-artwork: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
