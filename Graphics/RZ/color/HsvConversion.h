// Integer HSV of an RGB colour, the space small palettes are matched in.
// Hue runs 0..254 (red 0, green 85, blue 170) and does not wrap.
#pragma once

#include <array>
#include <cstdint>

namespace rz::color {

struct Hsv {
    std::uint8_t h;
    std::uint8_t s;
    std::uint8_t v;
};

inline Hsv RgbToHsv(int red, int green, int blue) {
    const int max = red > green ? (red > blue ? red : blue) : (green > blue ? green : blue);
    const int min = red < green ? (red < blue ? red : blue) : (green < blue ? green : blue);
    const int d = max - min;
    const int s = max > 0 ? d * 255 / max : 0;
    int h = 0;
    if (s != 0) {
        // Hue on a 0..239 circle first; red is tested before green, green
        // before blue, so ties favour the earlier channel.
        int hue;
        if (red == max)
            hue = 40 * (green - blue) / d;
        else if (green == max)
            hue = 80 + 40 * (blue - red) / d;
        else
            hue = 160 + 40 * (red - green) / d;
        if (hue < 0) hue += 240;
        h = hue * 256 / 240;
    }
    return Hsv{static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(s),
               static_cast<std::uint8_t>(max)};
}

// The cube key runs once per pixel on the error diffusion's serial path,
// where a division costs more than the rest of the key. Its two divisions by
// a channel value become a multiplication by a reciprocal rounded up,
// R = ceil(n * 2^k / divisor), and a shift by k: for a numerator a and
// R * divisor = n * 2^k + r (r < divisor), a * R / 2^k exceeds n * a /
// divisor by a * r / (divisor * 2^k), which stays below the gap to the next
// multiple of 1 / divisor as long as a * r < 2^k. With a, r < 256 that holds
// for k = 16, and the products fit 32 bits.
inline constexpr int kReciprocalShift = 16;

constexpr std::array<std::uint32_t, 256> ReciprocalsOf(std::uint32_t numerator) {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t divisor = 1; divisor < 256; ++divisor)
        table[divisor] = ((numerator << kReciprocalShift) + divisor - 1) / divisor;
    return table;
}

// ceil(255 * 2^16 / max) and ceil(40 * 2^16 / d).
inline constexpr std::array<std::uint32_t, 256> kSaturationReciprocals = ReciprocalsOf(255);
inline constexpr std::array<std::uint32_t, 256> kHueReciprocals = ReciprocalsOf(40);

// The saturation's cell, (d * 255 / max) >> 3, for 0 <= d <= max, 0 < max < 256.
inline unsigned SaturationCell(unsigned d, unsigned max) {
    return d * kSaturationReciprocals[max] >> (kReciprocalShift + 3);
}

// 40 * a / d, for 0 <= a <= d, 0 < d < 256.
inline unsigned HueSteps(unsigned a, unsigned d) {
    return a * kHueReciprocals[d] >> kReciprocalShift;
}

// The hue's part of the key, (hue * 256 / 240) >> 3 in place, for a hue
// from -40 (which wraps to 200) to 239 at hue + 40; then the same again
// backwards, so that a hue below its case's base is read forwards too.
inline constexpr int kHueCellCount = 280;
inline constexpr std::array<std::uint16_t, 2 * kHueCellCount> kHueCells = [] {
    std::array<std::uint16_t, 2 * kHueCellCount> cells{};
    for (int hue = -40; hue < 240; ++hue) {
        const auto cell =
            static_cast<std::uint16_t>((hue < 0 ? hue + 240 : hue) * 256 / 240 >> 3 << 10);
        cells[hue + 40] = cells[2 * kHueCellCount - 1 - (hue + 40)] = cell;
    }
    return cells;
}();

// Cell of the 32 x 32 x 32 HSV cube, hue most significant, for a colour
// whose largest and smallest channels are max and min: the cell of
// RgbToHsv's result, without its divisions. The hue's case comes from
// comparing the channels themselves, so it does not wait for max. A grey
// (d = 0) needs no case of its own: both reciprocals of 0 are 0, leaving hue
// and saturation 0.
inline unsigned HsvCubeKey(int red, int green, int blue, int max, int min) {
    const auto d = unsigned(max - min);
    // Red is tested before green, green before blue: ties favour the earlier.
    // Red is the largest when it is at least green and blue; otherwise green
    // is when it is at least blue. base is the case's hue + 40, the table's
    // index.
    const bool greenOverBlue = green >= blue;
    const bool redCase = red >= (greenOverBlue ? green : blue);
    const int x = redCase ? green - blue : (greenOverBlue ? blue - red : red - green);
    const int base = redCase ? 40 : (greenOverBlue ? 120 : 200);
    // The hue is base + 40 * x / d rounded toward zero: 40 * |x| / d steps
    // from base, forwards, or for x < 0 forwards in the backward half.
    const std::uint16_t* from = kHueCells.data() + (x < 0 ? 2 * kHueCellCount - 1 - base : base);
    return from[HueSteps(unsigned(x < 0 ? -x : x), d)] | SaturationCell(d, unsigned(max)) << 5 |
           unsigned(max) >> 3;
}

inline unsigned HsvCubeKey(int red, int green, int blue) {
    int max = red > green ? red : green, min = red < green ? red : green;
    max = max > blue ? max : blue;
    min = min < blue ? min : blue;
    return HsvCubeKey(red, green, blue, max, min);
}

// Cell of the 32 x 32 x 32 RGB cube: red most significant.
inline unsigned RgbCubeKey(int red, int green, int blue) {
    return (unsigned(red) >> 3) << 10 | (unsigned(green) >> 3) << 5 | (unsigned(blue) >> 3);
}

} // namespace rz::color
