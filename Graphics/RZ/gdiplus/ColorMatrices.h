// The constant GDI+ colour matrices of the drawing code (row = input red,
// green, blue, alpha, constant 1; column = output red, green, blue, alpha, w).
//
// GDI+ reads a 32-bit pixel as the little-endian value 0xAARRGGBB, that is
// memory bytes blue, green, red, alpha. A pixel map pixel holds alpha, red,
// green, blue, so unreordered GDI+ sees blue = alpha, green = red,
// red = green, alpha = blue. The first two matrices put that right.
#pragma once

#include "RZ/platform/WindowsImaging.h"

namespace rz::gdiplus {

// True red, green, blue and alpha of a pixel map pixel.
extern const Gdiplus::ColorMatrix kAlphaColorMatrix;
// True red, green and blue; alpha 1 (opaque), the pixel's own dropped.
extern const Gdiplus::ColorMatrix kOpaqueColorMatrix;
// Memory bytes 0 and 1 (pair 0) or 2 and 3 (pair 1) of a source pixel into
// output blue and green, red 0, alpha 1: drawn into a 24-bit DIB, whose
// pixels hold blue, green, red, they land in bytes 0 and 1 of each pixel.
extern const Gdiplus::ColorMatrix kChannelPairMatrices[2];

} // namespace rz::gdiplus
