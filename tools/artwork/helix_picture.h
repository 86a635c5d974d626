// The picture beside the calculator: a quadrifilar helix on its mast under a night sky.
#pragma once

#include <QImage>

namespace zandrel::artwork {

constexpr int PictureWidth = 204;
constexpr int PictureHeight = 313;

// Always the same pixels: the stars come from a fixed seed. 24-bit colour, no alpha.
QImage HelixPicture();

}  // namespace zandrel::artwork
