// One row of a conversion: working pixels (blue, green, red, unused) to
// palette indices or 24-bit pixels, with optional Jarvis-Judice-Ninke error
// diffusion, in alternating scan direction.
#pragma once

#include <cstdint>

#include "RZ/platform/WindowsTypes.h"

namespace rz::color {

// Three rows of width x (blue, green, red) accumulators in 48ths, in
// processing order. The quantiser rotates them after every row.
struct ErrorRows {
    std::int32_t* current;
    std::int32_t* next;
    std::int32_t* afterNext;
};

// Flips the process-wide scan direction (the first row after loading runs
// left to right) and returns the new one: +1 or -1.
int NextScanDirection();

// Converts one row. cube is the lookup cube for targets of 8 bits or less;
// errors may be null when dither is 0.
void QuantiseRow(std::uint8_t* target, std::int16_t targetBits, std::int16_t width,
                 const RGBQUAD* palette, const std::uint8_t* work, const std::uint8_t* cube,
                 ErrorRows* errors, bool dither);

} // namespace rz::color
