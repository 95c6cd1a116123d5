// The built-in test image: a 512 x 384 32-bit picture at 72 dpi with
// gradients, hard edges, fine detail and saturated colours, computed in
// integers so it is the same on every machine.
#pragma once

#include <array>

#include "Images.h"

namespace rztool {

inline constexpr int kTestImageWidth = 512;
inline constexpr int kTestImageHeight = 384;
inline constexpr int kTestImageResolution = 72;

// The colour value (alpha, red, green, blue) of pixel (x, y); alpha is 255.
std::array<unsigned char, 4> TestImagePixel(int x, int y);
// A new PixelTypeARGB map holding the test image.
OwnedPixMap MakeTestImage();

} // namespace rztool
