// Character grid of the pointing hand, one character a pixel.
#include "hand_cursor.h"

#include <array>
#include <string_view>

namespace zandrel::artwork {

namespace {

// K outline, W fill, . transparent. The top pixel of the index finger is the hot spot.
constexpr std::array<std::string_view, 32> PointingHand = {
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
    "................................", ".............KK.................",
    "............KWWK................", "............KWWK................",
    "............KWWK................", "............KWWK................",
    "............KWWKKK..............", "............KWWKWWKKK...........",
    "............KWWKWWKWWKKK........", "............KWWKWWKWWKWWK.......",
    ".......KK...KWWKWWKWWKWWK.......", "......KWWK..KWWKWWKWWKWWK.......",
    "......KWWWK.KWWWWWWWWWWWK.......", ".......KWWWKKWWWWWWWWWWWK.......",
    "........KWWWWWWWWWWWWWWWK.......", ".........KWWWWWWWWWWWWWWK.......",
    "..........KWWWWWWWWWWWWWK.......", "...........KWWWWWWWWWWWK........",
    "............KWWWWWWWWWWK........", "............KWWWWWWWWWWK........",
    "............KWWWWWWWWWWK........", "............KKKKKKKKKKKK........",
    "................................", "................................",
};

constexpr std::array<GridColour, 2> Ink = {{
    {'K', 0, 0},
    {'W', 1, 1},
}};

}  // namespace

IndexedBitmap HandCursorImage() { return BitmapFromGrid(PointingHand, 1, BlackAndWhite(), Ink); }

}  // namespace zandrel::artwork
