// The standard palettes. The 256-entry one is generated at compile time from
// its construction rule, so its order cannot drift from the rule.
#include "StandardPalettes.h"

#include <array>

namespace rz::color {
namespace {

constexpr RGBQUAD Rgb(int red, int green, int blue) {
    return RGBQUAD{static_cast<BYTE>(blue), static_cast<BYTE>(green), static_cast<BYTE>(red), 0};
}

constexpr bool IsCubeLevel(int v) {
    return v % 0x33 == 0;
}

constexpr std::array<RGBQUAD, 256> MakeStandardPalette256() {
    std::array<RGBQUAD, 256> palette{};
    int n = 0;
    palette[n++] = Rgb(0, 0, 0);
    palette[n++] = Rgb(0xFF, 0xFF, 0xFF);
    // Greys that the cube does not already hold.
    for (int v = 0xEE; v > 0; v -= 0x11)
        if (!IsCubeLevel(v)) palette[n++] = Rgb(v, v, v);
    for (int v = 0xFF; v > 0; v -= 0x11) palette[n++] = Rgb(0, 0, v);
    for (int v = 0xFF; v > 0; v -= 0x11) palette[n++] = Rgb(0, v, 0);
    for (int v = 0xFF; v > 0; v -= 0x11) palette[n++] = Rgb(v, 0, 0);
    // The cube, blue outermost, red innermost, levels descending; black,
    // white and the pure ramps' levels are already in.
    for (int b = 0xFF; b >= 0; b -= 0x33)
        for (int g = 0xFF; g >= 0; g -= 0x33)
            for (int r = 0xFF; r >= 0; r -= 0x33) {
                const int nonZero = (r != 0) + (g != 0) + (b != 0);
                const bool grey = r == g && g == b;
                if (nonZero <= 1 || (grey && r == 0xFF)) continue;
                palette[n++] = Rgb(r, g, b);
            }
    return palette;
}

} // namespace

const std::array<RGBQUAD, 2> kStandardPalette2 = {Rgb(0, 0, 0), Rgb(0xFF, 0xFF, 0xFF)};

const std::array<RGBQUAD, 16> kStandardPalette16 = {
    Rgb(0x00, 0x00, 0x00), Rgb(0x80, 0x00, 0x00), Rgb(0x00, 0x80, 0x00), Rgb(0x80, 0x80, 0x00),
    Rgb(0x00, 0x00, 0x80), Rgb(0x80, 0x00, 0x80), Rgb(0x00, 0x80, 0x80), Rgb(0xC0, 0xC0, 0xC0),
    Rgb(0x80, 0x80, 0x80), Rgb(0xFF, 0x00, 0x00), Rgb(0x00, 0xFF, 0x00), Rgb(0xFF, 0xFF, 0x00),
    Rgb(0x00, 0x00, 0xFF), Rgb(0xFF, 0x00, 0xFF), Rgb(0x00, 0xFF, 0xFF), Rgb(0xFF, 0xFF, 0xFF),
};

const std::array<RGBQUAD, 256> kStandardPalette256 = MakeStandardPalette256();

} // namespace rz::color
