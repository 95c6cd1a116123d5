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

unsigned char* Base(KWPixMap** map) {
    return reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(map));
}

} // namespace

TEST(PixelAccess, OutsideTheBoundsReadsZeroAndWritesNothing) {
    for (int type : {0, 1, 2, 3, 7}) {
        SCOPED_TRACE(type);
        PixMapHandleGuard map(6, 3, 72, 72, KWPixelType(type == 7 ? 0 : type));
        RZSetKWPixMapPixelType(map(), KWPixelType(type)); // only 32-bit maps take 7
        RZFillKWPixMap(map(), Colour{1, 2, 3, 4}.data());
        PixMapHandleGuard before(nullptr);
        ASSERT_EQ(RZCopyKWPixMap(&before(), map()), 0);
        const std::pair<int, int> outside[] = {{-1, 0}, {6, 0}, {0, 3}, {0, -1}, {INT32_MIN, 0}};
        for (auto [x, y] : outside) {
            EXPECT_EQ(Get(map(), x, y), (Colour{0, 0, 0, 0}));
            Set(map(), x, y, {255, 255, 255, 255});
        }
        RZGetKWPixMapPixel(map(), 0, 0, nullptr);
        RZSetKWPixMapPixel(map(), 0, 0, nullptr);
        RZFillKWPixMap(map(), nullptr);
        EXPECT_TRUE(RZIsSameKWPixMap(map(), before()));
        if (type == 7) { // inside, an unknown type is neither read nor written
            Set(map(), 1, 1, {1, 2, 3, 4});
            EXPECT_EQ(Get(map(), 1, 1), (Colour{9, 9, 9, 9}));
            EXPECT_TRUE(RZIsSameKWPixMap(map(), before()));
        }
    }
    KWPixMap* noRecord = nullptr;
    EXPECT_EQ(Get(nullptr, 0, 0), (Colour{9, 9, 9, 9}));
    EXPECT_EQ(Get(&noRecord, 0, 0), (Colour{9, 9, 9, 9}));
    Set(nullptr, 0, 0, {1, 1, 1, 1});
    Set(&noRecord, 0, 0, {1, 1, 1, 1});
}

TEST(PixelAccess, GreyAndBlackAndWhiteReduceByLuminance) {
    // 128, 63 and 23 give sums just below or at the whole number depending on
    // the order of the additions: (green * 0.587 + red * 0.299) + blue * 0.114.
    // clang-format off
    const std::pair<Colour, unsigned char> grey[] = {
        {{0, 128, 128, 128}, 127}, {{0, 255, 255, 255}, 255}, {{0, 1, 1, 1}, 0}, {{0, 100, 100, 100}, 100},
        {{0, 0, 255, 0}, 149}, {{77, 255, 0, 0}, 76}, {{0, 0, 0, 255}, 29}, {{0, 63, 63, 63}, 63},
        {{0, 23, 23, 23}, 23}};
    const std::pair<Colour, bool> bw[] = {{{0, 128, 128, 128}, true}, {{0, 127, 127, 127}, false},
        {{0, 255, 0, 0}, false}, {{0, 0, 255, 0}, true}, {{255, 0, 0, 0}, false}};
    // clang-format on
    PixMapHandleGuard greyMap(5, 2, 72, 72, PixelTypeGrey);
    for (const auto& [colour, level] : grey) {
        Set(greyMap(), 4, 1, colour);
        EXPECT_EQ(Base(greyMap())[8 + 4], level);
        EXPECT_EQ(Get(greyMap(), 4, 1), (Colour{0, level, level, level}));
    }
    PixMapHandleGuard bwMap(16, 1, 72, 72, PixelTypeBlackWhite);
    for (const auto& [colour, white] : bw) {
        Set(bwMap(), 3, 0, colour);
        const unsigned char level = white ? 255 : 0;
        EXPECT_EQ(Get(bwMap(), 3, 0), (Colour{0, level, level, level}));
    }
    // Pixel 9 is bit 6 of byte 1; every other bit keeps its value.
    for (unsigned char fill : {0x00, 0xFF, 0xA5}) {
        std::memset(Base(bwMap()), fill, 4);
        Set(bwMap(), 9, 0, {0, 255, 255, 255});
        EXPECT_EQ(Base(bwMap())[1], fill | 0x40);
        Set(bwMap(), 9, 0, {0, 0, 0, 0});
        EXPECT_EQ(Base(bwMap())[1], fill & ~0x40);
        EXPECT_EQ(Base(bwMap())[0] & Base(bwMap())[2], fill);
    }
}

TEST(PixelAccess, ThirtyTwoBitPixelsRoundTripInBothTypes) {
    for (KWPixelType type : {PixelTypeARGB, PixelTypeARGBDirect}) {
        PixMapHandleGuard map(3, 2, 72, 72, PixelTypeARGB);
        RZSetKWPixMapPixelType(map(), type);
        Set(map(), 2, 1, {10, 20, 30, 40});
        EXPECT_EQ(Get(map(), 2, 1), (Colour{10, 20, 30, 40}));
        EXPECT_EQ(std::memcmp(Base(map()) + 12 + 8, "\x0A\x14\x1E\x28", 4), 0);
        EXPECT_EQ(Get(map(), 1, 1), (Colour{0, 0, 0, 0}));
    }
}
