// The standard palettes against their textual definitions, rebuilt here a
// different way: the cube is walked whole and checked against what the
// first 57 entries already hold.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "StandardPalettes.h"

using namespace rz::color;

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

Rgb Of(const RGBQUAD& q) {
    return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue};
}

std::vector<Rgb> ExpectedStandard256() {
    std::vector<Rgb> p = {{0, 0, 0}, {255, 255, 255}};
    for (int v : {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11})
        p.push_back({v, v, v});
    for (int channel = 0; channel < 3; ++channel) // blue, green, red ramps
        for (int step = 0; step < 15; ++step) {
            const int v = 0xFF - 0x11 * step;
            p.push_back(channel == 0 ? Rgb{0, 0, v} : channel == 1 ? Rgb{0, v, 0} : Rgb{v, 0, 0});
        }
    const int levels[6] = {0xFF, 0xCC, 0x99, 0x66, 0x33, 0x00};
    const std::vector<Rgb> before(p.begin(), p.end());
    for (int b : levels)
        for (int g : levels)
            for (int r : levels)
                if (std::find(before.begin(), before.end(), Rgb{r, g, b}) == before.end())
                    p.push_back({r, g, b});
    return p;
}

} // namespace

TEST(StandardPalettes, Standard256OrderAndContent) {
    const std::vector<Rgb> expected = ExpectedStandard256();
    ASSERT_EQ(expected.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(Of(kStandardPalette256[i]), expected[i]) << "entry " << i;
        EXPECT_EQ(kStandardPalette256[i].rgbReserved, 0);
    }
    EXPECT_EQ(Of(kStandardPalette256[57]), (Rgb{0xCC, 0xFF, 0xFF}));
    EXPECT_EQ(Of(kStandardPalette256[58]), (Rgb{0x99, 0xFF, 0xFF}));
    EXPECT_EQ(Of(kStandardPalette256[255]), (Rgb{0x33, 0x33, 0x00}));
    EXPECT_EQ(Of(kStandardPalette256[12]), (Rgb{0, 0, 0xFF}));
    EXPECT_EQ(Of(kStandardPalette256[56]), (Rgb{0x11, 0, 0}));
}

TEST(StandardPalettes, TwoAndSixteen) {
    EXPECT_EQ(Of(kStandardPalette2[0]), (Rgb{0, 0, 0}));
    EXPECT_EQ(Of(kStandardPalette2[1]), (Rgb{255, 255, 255}));
    const Rgb sixteen[16] = {
        {0, 0, 0},          {0x80, 0, 0},    {0, 0x80, 0},    {0x80, 0x80, 0},
        {0, 0, 0x80},       {0x80, 0, 0x80}, {0, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
        {0x80, 0x80, 0x80}, {0xFF, 0, 0},    {0, 0xFF, 0},    {0xFF, 0xFF, 0},
        {0, 0, 0xFF},       {0xFF, 0, 0xFF}, {0, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Of(kStandardPalette16[i]), sixteen[i]) << "entry " << i;
        EXPECT_EQ(kStandardPalette16[i].rgbReserved, 0);
    }
}
