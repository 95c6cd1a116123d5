// One row of a conversion: working pixels (blue, green, red, unused) to
// palette indices or 24-bit pixels, with optional Jarvis-Judice-Ninke error
// diffusion, in the scan direction the conversion gives it.
#pragma once

#include <cstdint>

#include "RZ/platform/WindowsTypes.h"

namespace rz::color {

// Three rows of width x (blue, green, red) accumulators in 48ths, in
// processing order; at 1 bit the channels' errors are always equal, so a row
// holds one accumulator per pixel. The conversion rotates them after every
// row and clears the one that comes last. No accumulator leaves 16 bits: at
// most 73/48 of an error of at most 255 reaches one position.
struct ErrorRows {
    std::int16_t* current;
    std::int16_t* next;
    std::int16_t* afterNext;
};

// Converts one row, scanning left to right for direction +1 and right to
// left for -1. cube is the lookup cube for targets of 8 bits or less; errors
// may be null when dither is false. With dither the row takes its carried
// error from errors->current, spreads its own over the next two rows and
// leaves the current row spent. cubeColours, which may be null, is what
// PackCubeColours makes of the cube and palette: dithered 4-bit rows run
// faster with it.
void QuantiseRow(std::uint8_t* target, std::int16_t targetBits, std::int16_t width,
                 const RGBQUAD* palette, const std::uint8_t* work, const std::uint8_t* cube,
                 const ErrorRows* errors, bool dither, int direction,
                 const std::uint32_t* cubeColours = nullptr);

// For each of the cube's 32768 cells, its palette colour and index in one
// word: blue, green and red from the low byte up, the index in the top byte.
// One load then gives the index and the error's terms.
void PackCubeColours(const std::uint8_t* cube, const RGBQUAD* palette, std::uint32_t* cubeColours);

} // namespace rz::color
