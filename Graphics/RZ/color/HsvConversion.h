// Integer HSV of an RGB colour, the space small palettes are matched in.
// Hue runs 0..254 (red 0, green 85, blue 170) and does not wrap.
#pragma once

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

// Cell of the 32 x 32 x 32 HSV cube: hue most significant.
inline unsigned HsvCubeKey(int red, int green, int blue) {
    const Hsv c = RgbToHsv(red, green, blue);
    return (unsigned{c.h} >> 3) << 10 | (unsigned{c.s} >> 3) << 5 | (unsigned{c.v} >> 3);
}

// Cell of the 32 x 32 x 32 RGB cube: red most significant.
inline unsigned RgbCubeKey(int red, int green, int blue) {
    return (unsigned(red) >> 3) << 10 | (unsigned(green) >> 3) << 5 | (unsigned(blue) >> 3);
}

} // namespace rz::color
