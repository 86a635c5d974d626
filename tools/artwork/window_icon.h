// The program icon: a plain application window seen slightly from the side, casting a shadow.
#pragma once

#include "bitmap_files.h"

#include <vector>

namespace zandrel::artwork {

// Two colours 32x32, sixteen colours 32x32 and sixteen colours 16x16, in the order the icon file
// keeps them.
std::vector<IndexedBitmap> WindowIconImages();

}  // namespace zandrel::artwork
