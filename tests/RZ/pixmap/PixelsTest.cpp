// Single pixels, fills, the alpha channel, comparison and the pattern tables.
#include <cmath>
#include <cstring>
#include <numeric>
#include <utility>

#include <gtest/gtest.h>

#include "support/PixMaps.h"

using namespace rztest;
using Bytes = ByteVector;

constexpr Colour kWhite{0, 255, 255, 255}, kBlack{255, 0, 0, 0}, kColour{10, 20, 30, 40};

TEST(PixelAccess, EveryTypeInsideAndOutsideTheBounds) {
    // Luminance (green * 0.587 + red * 0.299) + blue * 0.114, added in that
    // order: 128, 127, 63 and 23 land just below or on the whole number;
    // green 188 with blue 146 is exactly 127.0, not above 127, so black.
    // clang-format off
    const struct { Colour colour; unsigned char level; bool white; } cases[] = {
        {{0, 128, 128, 128}, 127, true}, {{0, 255, 255, 255}, 255, true}, {{0, 1, 1, 1}, 0, false},
        {{0, 0, 255, 0}, 149, true}, {{0, 100, 100, 100}, 100, false}, {{77, 255, 0, 0}, 76, false},
        {{0, 0, 0, 255}, 29, false}, {{0, 63, 63, 63}, 63, false}, {{0, 23, 23, 23}, 23, false},
        {{0, 127, 127, 127}, 126, false}, {kBlack, 0, false}, {{0, 0, 188, 146}, 127, false}};
    // clang-format on
    PixMapHandleGuard grey(5, 2, 72, 72, PixelTypeGrey), bw(16, 1, 72, 72, PixelTypeBlackWhite),
        argb(3, 2, 72, 72, PixelTypeARGBDirect), odd(3, 2, 72, 72, PixelTypeARGB);
    std::memset(Base(bw()), 0xA5, 4);
    for (const auto& c : cases) {
        SetPixel(grey(), 4, 1, c.colour);
        SetPixel(bw(), 9, 0, c.colour); // bit 6 of byte 1; the other bits keep their values
        SetPixel(argb(), 1, 1, c.colour);
        const unsigned char bit = c.white ? 255 : 0;
        EXPECT_EQ(Pixel(grey(), 4, 1), (Colour{0, c.level, c.level, c.level}));
        EXPECT_EQ(Pixel(bw(), 9, 0), (Colour{0, bit, bit, bit})) << int(c.level);
        EXPECT_EQ(RowBytes(bw(), 0), (Bytes{0xA5, std::uint8_t(0xA5 | (bit & 0x40)), 0xA5, 0xA5}));
        unsigned char wide[5] = {9, 9, 9, 9, 9}; // exactly four bytes are read back
        RZGetKWPixMapPixel(argb(), 1, 1, wide);
        EXPECT_TRUE(!std::memcmp(wide, &c.colour, 4) && wide[4] == 9);
    }
    // The last colour written (0, 0, 188, 146), at row 1 of each, and no more.
    EXPECT_TRUE(Base(grey())[8 + 4] == 127 &&
                RowBytes(argb(), 1) == (Bytes{0, 0, 0, 0, 0, 0, 188, 146, 0, 0, 0, 0}));
    // Outside the bounds reads zeros and writes nothing; inside, an unknown
    // type is neither read nor written.
    RZSetKWPixMapPixelType(odd(), KWPixelType(7));
    SetPixel(odd(), 1, 1, kWhite);
    EXPECT_TRUE(Pixel(odd(), 1, 1) == Colour({9, 9, 9, 9}) && RowBytes(odd(), 1) == Bytes(12, 0));
    for (KWPixMap** map : {grey(), bw(), argb(), odd()}) {
        PixMapHandleGuard before(nullptr);
        ASSERT_EQ(RZCopyKWPixMap(&before(), map), 0);
        const int w = int(RZGetKWPixMapWidth(map)), h = int(RZGetKWPixMapHeight(map));
        for (auto [x, y] : {std::pair{-1, 0}, {w, 0}, {0, h}, {0, -1}, {INT32_MIN, 0}}) {
            EXPECT_EQ(Pixel(map, x, y), Colour{}) << x << ", " << y;
            SetPixel(map, x, y, kWhite);
        }
        EXPECT_TRUE(SameBlock(map, before())) << RZGetKWPixMapPixelType(map);
    }
}

TEST(Fill, EveryPixelTypeItsPaddingAndTheAlphaChannel) {
    // Black and white: the byte after the whole bytes gets the pixels left
    // over; further padding keeps its value (0xAB).
    // clang-format off
    const struct { int width; Colour colour; Bytes row; } cases[] = {
        {10, kWhite, {0xFF, 0xC0, 0xAB, 0xAB}}, {10, kBlack, {0x00, 0x00, 0xAB, 0xAB}},
        {8, kWhite, {0xFF, 0x00, 0xAB, 0xAB}},  {32, kWhite, {0xFF, 0xFF, 0xFF, 0xFF}},
        {1, kBlack, {0x00, 0xAB, 0xAB, 0xAB}},  {33, kWhite, {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0xAB, 0xAB, 0xAB}}};
    // clang-format on
    for (const auto& c : cases) {
        PixMapHandleGuard map(c.width, 3, 72, 72, PixelTypeBlackWhite);
        std::memset(Base(map()), 0xAB, c.row.size() * 3);
        RZFillKWPixMap(map(), c.colour.data());
        for (int y = 0; y < 3; ++y) EXPECT_EQ(RowBytes(map(), y), c.row) << c.width;
    }
    // Grey fills the padding too; 32-bit maps take the colour as it is.
    // Unknown types and empty maps are left alone.
    PixMapHandleGuard grey(5, 2, 72, 72, PixelTypeGrey), odd(2, 2, 72, 72, PixelTypeARGB),
        empty(0, 5, 72, 72, PixelTypeGrey), map(3, 2, 72, 72, PixelTypeARGB),
        noRows(3, 0, 72, 72, PixelTypeARGBDirect);
    RZSetKWPixMapPixelType(odd(), KWPixelType(9));
    for (KWPixMap** other : {odd(), empty(), map()}) RZFillKWPixMap(other, kColour.data());
    RZFillKWPixMap(grey(), Colour{0, 128, 128, 128}.data());
    EXPECT_TRUE(RowBytes(odd(), 1) == Bytes(8, 0) && RowBytes(grey(), 1) == Bytes(8, 127));
    // The alpha byte of 32-bit maps only is set and tested.
    RZFillKWPixMapAlphaChannel(map(), 200);
    unsigned char alpha = 0;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Pixel(map(), i % 3, i / 3), Colour({200, 20, 30, 40}));
    EXPECT_TRUE(RZKWPixMapIsAllAlphaEqual(map(), nullptr));
    EXPECT_TRUE(RZKWPixMapIsAllAlphaEqual(map(), &alpha) && alpha == 200);
    Base(map())[20] = 7; // pixel (2, 1): false, yet alpha is the first pixel's
    alpha = 0;
    EXPECT_TRUE(!RZKWPixMapIsAllAlphaEqual(map(), &alpha) && alpha == 200);
    EXPECT_TRUE(RZKWPixMapIsAllAlphaEqual(noRows(), &alpha) && alpha == 0);
    alpha = 99; // other types: false, alpha not written, nothing filled
    EXPECT_FALSE(RZKWPixMapIsAllAlphaEqual(grey(), &alpha));
    RZFillKWPixMapAlphaChannel(grey(), 1);
    EXPECT_TRUE(alpha == 99 && RowBytes(grey(), 0) == Bytes(8, 127));
}

TEST(Compare, HeadersAndEveryByteAfterThem) {
    PixMapHandleGuard a(5, 3, 72, 96, PixelTypeGrey), b(nullptr), tall(5, 4, 72, 96, PixelTypeGrey);
    PixMapHandleGuard argb(2, 2, 72, 72, PixelTypeARGB), direct(2, 2, 72, 72, PixelTypeARGB);
    RZFillKWPixMap(a(), kWhite.data());
    ASSERT_EQ(RZCopyKWPixMap(&b(), a()), 0);
    (*b())->reserved[3] = 1; // reserved bytes are not compared
    EXPECT_TRUE(RZIsSameKWPixMap(a(), b()) && RZIsSameKWPixMap(argb(), direct()));
    Base(b())[7] = 0; // padding is
    EXPECT_FALSE(RZIsSameKWPixMap(a(), b()));
    Base(b())[7] = 255, RZSetKWPixMapVResolution(b(), 97);
    RZSetKWPixMapPixelType(direct(), PixelTypeARGBDirect);
    EXPECT_FALSE(RZIsSameKWPixMap(a(), b()) || RZIsSameKWPixMap(argb(), direct()) ||
                 RZIsSameKWPixMap(a(), tall()));
}

TEST(Patterns, DefaultTableAndCoverage) {
    // clang-format off
    const std::uint64_t table[16] = { // row 0 in the top byte
        0xFFFFFFFFFFFFFFFF, 0x77DD77DD77DD77DD, 0xAA55AA55AA55AA55, 0x8822882288228822,
        0x0000000000000000, 0xB130031BD8C00C8D, 0x8010022001084004, 0x8888888888888888,
        0xFF000000FF000000, 0x7777777777777777, 0x00FFFFFF00FFFFFF, 0x55BB55EE55BB55EE,
        0x1100440011004400, 0x885511AA885511AA, 0x77AAEE5577AAEE55, 0xEEFFBBFFEEFFBBFF};
    // Opacities and the default patterns of the same coverage: empty, quarter,
    // half, three-quarter and solid are patterns 4, 3, 2, 1 and 0.
    const std::pair<double, int> coverage[] = {{0.1, 4}, {0.125, 3}, {0.374, 3}, {0.375, 2},
        {0.624999, 2}, {0.625, 1}, {0.874, 1}, {0.875, 0}, {1.5, 0}, {-1.0, 4}, {std::nan(""), 0}};
    // clang-format on
    auto rows = [](const KWPattern& p) {
        return std::accumulate(p.rows, p.rows + 8, std::uint64_t{0},
                               [](std::uint64_t v, std::uint8_t row) { return v << 8 | row; });
    };
    KWPattern p;
    for (int index = 0; index < 18; ++index) { // 16 and 65535 give pattern 0
        RZInitDefaultPattern(&p, static_cast<unsigned short>(index < 17 ? index : 65535));
        EXPECT_EQ(rows(p), table[index < 16 ? index : 0]) << index;
    }
    for (const auto& [opacity, index] : coverage) {
        RZInitDefaultTransparentPattern(&p, opacity);
        EXPECT_EQ(rows(p), table[index]) << opacity;
    }
    RZInitDefaultTransparentPattern(nullptr, 0.5);
}
