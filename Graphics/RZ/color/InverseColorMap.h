// The colour lookup cube: for every cell of a quantised colour space, the
// index of the palette entry a pixel in that cell converts to.
#pragma once

#include <cstdint>

#include "RZ/platform/WindowsTypes.h"

namespace rz::color {

// Fills cube (2^(3 * bitsPerAxis) bytes, zero-filled by the caller) for the
// palette: an HSV cube by exhaustive search for up to 16 entries, otherwise
// an RGB cube by outward search with exact black and white pinned. Non-zero
// on success; 0 for bad arguments (null pointers, more than 256 entries, bits
// other than 3, 4 or 5) or when the distance buffer cannot be allocated.
int BuildColorCube(std::int16_t count, const RGBQUAD* palette, int bitsPerAxis, std::uint8_t* cube);

// The two searches on their own; distances is one scratch value per cell.
void SearchHsvCube(int count, const RGBQUAD* palette, int bitsPerAxis, std::uint32_t* distances,
                   std::uint8_t* cube);
void SearchRgbCube(int count, const RGBQUAD* palette, int bitsPerAxis, std::uint32_t* distances,
                   std::uint8_t* cube);

} // namespace rz::color
