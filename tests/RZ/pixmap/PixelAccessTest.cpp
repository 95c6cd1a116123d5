// Reading and writing single pixels of every pixel type.
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include <gtest/gtest.h>

#include "RZ/KWPixMap"

namespace {

using Colour = std::array<unsigned char, 4>; // alpha, red, green, blue

Colour Get(KWPixMap** map, int x, int y) {
    Colour c{9, 9, 9, 9};
    RZGetKWPixMapPixel(map, x, y, c.data());
    return c;
}

void Set(KWPixMap** map, int x, int y, Colour c) {
    RZSetKWPixMapPixel(map, x, y, c.data());
}

unsigned char* Row(KWPixMap** map, int y) {
    return reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(map)) +
           y * RZGetKWPixMapBytesPerRow(map);
}

} // namespace

TEST(PixelAccess, OutsideTheBoundsReadsZeroAndWritesNothing) {
    for (KWPixelType type :
         {PixelTypeARGB, PixelTypeARGBDirect, PixelTypeBlackWhite, PixelTypeGrey, KWPixelType(7)}) {
        SCOPED_TRACE(type);
        const bool unknown = type == KWPixelType(7); // only 32-bit maps can be retyped to it
        PixMapHandleGuard map(6, 3, 72, 72, unknown ? PixelTypeARGB : type);
        RZSetKWPixMapPixelType(map(), type);
        RZFillKWPixMap(map(), Colour{1, 2, 3, 4}.data());
        PixMapHandleGuard before(nullptr);
        ASSERT_EQ(RZCopyKWPixMap(&before(), map()), 0);
        const std::pair<int, int> outside[] = {{-1, 0}, {6, 0}, {0, 3}, {0, -1}, {INT32_MIN, 0}};
        for (auto [x, y] : outside) {
            EXPECT_EQ(Get(map(), x, y), (Colour{0, 0, 0, 0}));
            Set(map(), x, y, {255, 255, 255, 255});
        }
        EXPECT_TRUE(RZIsSameKWPixMap(map(), before()));
    }
    // An unknown type reads nothing inside the map, and writes nothing.
    PixMapHandleGuard odd(2, 2, 72, 72, PixelTypeARGB);
    RZSetKWPixMapPixelType(odd(), KWPixelType(7));
    Set(odd(), 1, 1, {1, 2, 3, 4});
    EXPECT_EQ(Get(odd(), 1, 1), (Colour{9, 9, 9, 9}));
    EXPECT_EQ(Row(odd(), 1)[4], 0);

    KWPixMap* noRecord = nullptr;
    EXPECT_EQ(Get(nullptr, 0, 0), (Colour{9, 9, 9, 9}));
    EXPECT_EQ(Get(&noRecord, 0, 0), (Colour{9, 9, 9, 9}));
    Set(nullptr, 0, 0, {1, 1, 1, 1});
    Set(&noRecord, 0, 0, {1, 1, 1, 1});
}

TEST(PixelAccess, GreyStoresTruncatedLuminance) {
    struct Case {
        Colour colour;
        unsigned char level;
    } cases[] = {{{0, 128, 128, 128}, 127}, {{0, 255, 255, 255}, 255}, {{0, 1, 1, 1}, 0},
                 {{0, 100, 100, 100}, 100}, {{0, 0, 255, 0}, 149},     {{77, 255, 0, 0}, 76},
                 {{0, 0, 0, 255}, 29}};
    PixMapHandleGuard map(5, 2, 72, 72, PixelTypeGrey);
    for (const Case& c : cases) {
        Set(map(), 4, 1, c.colour);
        EXPECT_EQ(Row(map(), 1)[4], c.level);
        EXPECT_EQ(Get(map(), 4, 1), (Colour{0, c.level, c.level, c.level}));
    }
}

TEST(PixelAccess, BlackAndWhiteThresholdAndBitPosition) {
    struct Case {
        Colour colour;
        bool white;
    } cases[] = {{{0, 128, 128, 128}, true},
                 {{0, 127, 127, 127}, false},
                 {{0, 255, 0, 0}, false},
                 {{0, 0, 255, 0}, true},
                 {{255, 0, 0, 0}, false}};
    PixMapHandleGuard map(16, 1, 72, 72, PixelTypeBlackWhite);
    for (const Case& c : cases) {
        Set(map(), 3, 0, c.colour);
        const unsigned char level = c.white ? 255 : 0;
        EXPECT_EQ(Get(map(), 3, 0), (Colour{0, level, level, level}));
    }
    // Pixel 9 is bit 6 of byte 1; every other bit keeps its value.
    for (unsigned char fill : {0x00, 0xFF, 0xA5}) {
        std::memset(Row(map(), 0), fill, 4);
        Set(map(), 9, 0, {0, 255, 255, 255});
        EXPECT_EQ(Row(map(), 0)[1], fill | 0x40);
        Set(map(), 9, 0, {0, 0, 0, 0});
        EXPECT_EQ(Row(map(), 0)[1], fill & ~0x40);
        EXPECT_EQ(Row(map(), 0)[0], fill);
        EXPECT_EQ(Row(map(), 0)[2], fill);
    }
}

TEST(PixelAccess, ThirtyTwoBitPixelsRoundTripInBothTypes) {
    for (KWPixelType type : {PixelTypeARGB, PixelTypeARGBDirect}) {
        PixMapHandleGuard map(3, 2, 72, 72, PixelTypeARGB);
        RZSetKWPixMapPixelType(map(), type);
        Set(map(), 2, 1, {10, 20, 30, 40});
        EXPECT_EQ(Get(map(), 2, 1), (Colour{10, 20, 30, 40}));
        EXPECT_EQ(std::memcmp(Row(map(), 1) + 8, "\x0A\x14\x1E\x28", 4), 0);
        EXPECT_EQ(Get(map(), 1, 1), (Colour{0, 0, 0, 0}));
    }
}
