// The pointing hand shown over links: index finger raised, the hot spot at its tip.
#pragma once

#include "bitmap_files.h"

namespace zandrel::artwork {

constexpr HotSpot HandHotSpot = {13, 9};

// 32x32, two colours.
IndexedBitmap HandCursorImage();

}  // namespace zandrel::artwork
