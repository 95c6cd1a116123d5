// The fixed palettes of 1-, 4- and 8-bit conversion targets.
#pragma once

#include <array>

#include "RZ/platform/WindowsTypes.h"

namespace rz::color {

extern const std::array<RGBQUAD, 2> kStandardPalette2;
extern const std::array<RGBQUAD, 16> kStandardPalette16;
// Black, white, ten greys, three 15-step primary ramps, then the rest of the
// 6 x 6 x 6 web cube.
extern const std::array<RGBQUAD, 256> kStandardPalette256;

} // namespace rz::color
