// Character grids of the program icon, one character a pixel.
#include "window_icon.h"

#include <array>
#include <string_view>

namespace zandrel::artwork {

namespace {

// K outline, C title strip, W client area, G shadow, . transparent.
constexpr std::array<std::string_view, 32> LargeWindow = {
    "................................", "................................",
    "................................", ".KKKKKKKKK......................",
    ".KCCCCCCCCKKKKKKKKK.............", ".KCKKKKCCCCCCCCCCCCKKKKKKKKK....",
    ".KCKWWKCCCCCCCCCCCCCCCCCCCCK....", ".KCKKKKCCCCCCCCCCCCCCCKKKKCKGG..",
    ".KCCCCCCCCCCCCCCCCCCCCKWWKCKGG..", ".KKKKKKKKKCCCCCCCCCCCCKKKKCKGG..",
    ".KWWWWWWWWKKKKKKKKKCCCCCCCCKGG..", ".KWWWWWWWWWWWWWWWWWKKKKKKKKKGG..",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..", ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..", ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..", ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..", ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..", ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..", ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..",
    ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..", ".KWWWWWWWWWWWWWWWWWWWWWWWWWKGG..",
    ".KWWWWWWWWWWWWWWWWWKKKKKKKKKGG..", ".KWWWWWWWWKKKKKKKKKGGGGGGGGGGG..",
    ".KKKKKKKKKGGGGGGGGGGGGGGGGGGGG..", "...GGGGGGGGGGGGGGGGGG...........",
    "...GGGGGGGGG....................", "................................",
};

constexpr std::array<std::string_view, 16> SmallWindow = {
    "................", "KKKKKKK.........", "KCCCCCCKKKKKKK..", "KCCCCCCCCCCCCKG.",
    "KCCCCCCCCCCCCKG.", "KKKKKKKCCCCCCKG.", "KWWWWWWKKKKKKKG.", "KWWWWWWWWWWWWKG.",
    "KWWWWWWWWWWWWKG.", "KWWWWWWWWWWWWKG.", "KWWWWWWWWWWWWKG.", "KWWWWWWWWWWWWKG.",
    "KWWWWWWKKKKKKKG.", "KKKKKKKGGGGGGGG.", ".GGGGGGG........", "................",
};

constexpr int Black = 0;
constexpr int Grey = 8;
constexpr int Cyan = 14;
constexpr int White = 15;

constexpr std::array<GridColour, 4> SixteenColourInk = {{
    {'K', Black, Black},
    {'C', Cyan, Cyan},
    {'W', White, White},
    {'G', Grey, Grey},
}};

// Without grey or cyan the title strip stays white and the shadow becomes a sparse black
// checkerboard.
constexpr int MonoBlack = 0;
constexpr int MonoWhite = 1;

constexpr std::array<GridColour, 4> TwoColourInk = {{
    {'K', MonoBlack, MonoBlack},
    {'C', MonoWhite, MonoWhite},
    {'W', MonoWhite, MonoWhite},
    {'G', MonoBlack, Transparent},
}};

}  // namespace

std::vector<IndexedBitmap> WindowIconImages() {
    return {
        BitmapFromGrid(LargeWindow, 1, BlackAndWhite(), TwoColourInk),
        BitmapFromGrid(LargeWindow, 4, WindowsSixteenColours(), SixteenColourInk),
        BitmapFromGrid(SmallWindow, 4, WindowsSixteenColours(), SixteenColourInk),
    };
}

}  // namespace zandrel::artwork
