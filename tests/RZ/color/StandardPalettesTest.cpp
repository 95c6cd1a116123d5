// The standard palettes against their textual definitions, rebuilt here a
// different way: the cube is walked whole and checked against what the
// first 57 entries already hold.
#include <algorithm>
#include <array>
#include <vector>

#include <gtest/gtest.h>

#include "StandardPalettes.h"

using namespace rz::color;

namespace {

// Each entry as 0xRRGGBB; every reserved byte must be 0.
template <std::size_t N> std::vector<int> Packed(const std::array<RGBQUAD, N>& palette) {
    std::vector<int> out;
    for (const RGBQUAD& q : palette) {
        EXPECT_EQ(q.rgbReserved, 0);
        out.push_back(q.rgbRed << 16 | q.rgbGreen << 8 | q.rgbBlue);
    }
    return out;
}

} // namespace

TEST(StandardPalettes, Standard256OrderAndContent) {
    std::vector<int> expected = {0x000000, 0xFFFFFF};
    for (int v : {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11})
        expected.push_back(v * 0x010101);
    for (int shift : {0, 8, 16}) // the blue, green and red ramps
        for (int v = 0xFF; v > 0; v -= 0x11) expected.push_back(v << shift);
    const std::vector<int> before = expected;
    for (int b = 0xFF; b >= 0; b -= 0x33)
        for (int g = 0xFF; g >= 0; g -= 0x33)
            for (int r = 0xFF; r >= 0; r -= 0x33)
                if (std::find(before.begin(), before.end(), r << 16 | g << 8 | b) == before.end())
                    expected.push_back(r << 16 | g << 8 | b);
    EXPECT_EQ(Packed(kStandardPalette256), expected);
}

TEST(StandardPalettes, TwoAndSixteen) {
    EXPECT_EQ(Packed(kStandardPalette2), (std::vector<int>{0x000000, 0xFFFFFF}));
    EXPECT_EQ(Packed(kStandardPalette16),
              (std::vector<int>{0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF}));
}
