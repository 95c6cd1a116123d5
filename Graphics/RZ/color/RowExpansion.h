// Expansion of one source row into working pixels of four bytes (blue,
// green, red, unused), one function per source depth, chosen once per image.
#pragma once

#include <cstdint>

namespace rz::color {

// Returns the working pixels of the row: work, filled from source, or the
// source row itself when its pixels already have that layout (32 bits).
// colours holds the source colour table as little-endian RGBQUAD words.
using ExpandRowFn = const std::uint8_t* (*)(const std::uint8_t* source, std::uint8_t* work,
                                            int width, const std::uint32_t* colours);

// The expansion for a source depth of 1, 4, 8, 24 or 32 bits; null otherwise.
ExpandRowFn RowExpansionFor(int sourceBits);

} // namespace rz::color
