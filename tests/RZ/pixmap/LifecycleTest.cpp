// Creation, header layout, accessors, retyping, the two exported classes and
// what every function does with a null handle.
#include <algorithm>
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "support/LeakCheck.h"
#include "support/PixMaps.h"

using namespace rztest;

using Fields = std::array<long long, 6>;

TEST(PixMapCreate, RowBytesHeaderAndZeroFill) {
    // clang-format off
    const std::array<unsigned, 4> cases[] = { // type, width, height, row bytes
        {2, 1, 3, 4}, {2, 32, 3, 4}, {2, 33, 3, 8}, {3, 1, 3, 4}, {3, 4, 3, 4}, {3, 5, 3, 8}, {0, 3, 3, 12},
        {1, 3, 3, 12}, {0, 0, 3, 0}, {1, 0, 3, 0}, {2, 0, 3, 0}, {3, 0, 3, 0}, {0, 7, 0, 28}};
    // clang-format on
    for (const auto& [type, width, height, bytesPerRow] : cases) {
        PixMapHandleGuard map(int(width), int(height), 96, 150, KWPixelType(type));
        const KWPixMap header{32, bytesPerRow, height, width, 96, 150, std::uint8_t(type), {}};
        const unsigned rowBytes = height * bytesPerRow;
        ASSERT_EQ(BlockSize(map()), int(rowBytes + 32)) << type << " " << width;
        EXPECT_EQ(std::memcmp(*map(), &header, 32), 0);
        EXPECT_EQ(std::count(Base(map()), Base(map()) + rowBytes, 0), rowBytes);
    }
}

TEST(PixMapCreate, LogicalSizesAndRefusedArguments) {
    // clang-format off
    const struct { int size; double scale; long long pixels, dpi; } cases[] = {
        {10, 1.5, 15, 108}, {10, 0.7, 7, 50}, {3, 0.5, 2, 36}};
    // Unknown types, negative sizes, row bytes beyond 2^31 - 1, blocks of 2^31 bytes and more.
    const std::array<int, 3> refused[] = {{1, 1, 4}, {1, 1, -1}, {-1, 1, 0}, {1, -1, 3}, {0x20000000, 1, 0},
        {4, (0x7FFFFFFF - 31) / 4 + 1, 3}, {4, 1 << 30, 3}, {0x7FFFFFFF, 0x7FFFFFFF, 2}};
    // clang-format on
    for (const auto& c : cases) {
        PixMapHandleGuard map(RZCreateKWPixMapLogical(c.size, c.size, c.scale, KWPixelType(2)));
        EXPECT_EQ(Geometry(map()), (Fields{c.pixels, c.pixels, 4, c.dpi, c.dpi, 2})) << c.scale;
    }
    const std::int64_t before = KWRootAllocationCount();
    for (const auto& [width, height, type] : refused)
        EXPECT_EQ(RZCreateKWPixMap(width, height, 72, 72, KWPixelType(type)), nullptr) << width;
    for (double scale : {std::nan(""), -1.0})
        EXPECT_EQ(RZCreateKWPixMapLogical(10, 10, scale, PixelTypeARGB), nullptr);
    EXPECT_EQ(KWRootAllocationCount(), before);
}

TEST(PixMapCreate, ARGBCopyOfBlackAndWhite) {
    PixMapHandleGuard bw(11, 2, 300, 200, PixelTypeBlackWhite), grey(4, 4, 72, 72, PixelTypeGrey);
    std::mt19937 random(11);
    Randomise(bw(), random); // padding bits included: they are not read
    PixMapHandleGuard argb(RZCreateARGBKWPixMap(bw()));
    ASSERT_EQ(Geometry(argb()), (Fields{11, 2, 44, 300, 200, 0}));
    for (int i = 0; i < 22; ++i)
        EXPECT_EQ(Pixel(argb(), i % 11, i / 11), Pixel(bw(), i % 11, i / 11));
    EXPECT_EQ(RZCreateARGBKWPixMap(grey()), nullptr);
}

TEST(PixMapAccessors, BoundsSettersRetypingAndNullHandles) {
    PixMapHandleGuard map(5, 6, 72, 72, PixelTypeGrey);
    KWRect bounds{7, 7, 7, 7};
    EXPECT_TRUE(RZGetKWPixMapBounds(map(), nullptr) == RZErrParam &&
                !RZGetKWPixMapBounds(map(), &bounds));
    EXPECT_TRUE(bounds.top == 0 && bounds.left == 0 && bounds.bottom == 6 && bounds.right == 5);
    RZSetKWPixMapHResolution(map(), 300), RZSetKWPixMapVResolution(map(), -1);
    EXPECT_EQ(Geometry(map()), (Fields{5, 6, 8, 300, 0xFFFFFFFF, 3}));
    for (int type : {-1, 0, 1, 2, 3, 7})
        EXPECT_EQ(RZPixelSizeFromPixelType(KWPixelType(type)), type == 2 ? 1 : type == 3 ? 8 : 32);
    for (int bits : {1, 8, 32, 24, 4, 0, -1})
        EXPECT_EQ(RZPixelTypeFromPixelSize(bits), bits == 1 ? 2 : bits == 8 ? 3 : 0);
    // Only types of one pixel size are exchanged: 0 and 1, or any unknown
    // value on a 32-bit map, whose pixel size stays 32. {from, to, result}
    const std::array<int, 3> cases[] = {{0, 1, 1}, {1, 0, 0}, {0, 2, 0}, {0, 3, 0},
                                        {3, 2, 3}, {2, 0, 2}, {2, 7, 2}, {0, 7, 7}};
    for (const auto& [from, to, result] : cases) {
        PixMapHandleGuard retyped(2, 2, 72, 72, KWPixelType(from));
        RZSetKWPixMapPixelType(retyped(), KWPixelType(to));
        EXPECT_EQ(RZGetKWPixMapPixelType(retyped()), result) << from << " to " << to;
        EXPECT_EQ(RZGetKWPixMapPixelSize(retyped()), from == 2 ? 1 : from == 3 ? 8 : 32);
    }
    // With a null handle or master pointer: neutral results, nothing done.
    KWPixMap *noRecord = nullptr, **copy = nullptr;
    const unsigned char colour[4] = {1, 2, 3, 4};
    for (KWPixMap** none : {static_cast<KWPixMap**>(nullptr), &noRecord}) {
        unsigned char alpha = 99;
        bounds = {7, 7, 7, 7};
        EXPECT_TRUE(RZGetKWPixMapBounds(none, &bounds) == RZErrParam && bounds.top == 7);
        EXPECT_EQ(Geometry(none), (Fields{0, 0, 0, 0, 0, -1}));
        EXPECT_TRUE(RZGetKWPixMapBaseAddr(none) == nullptr && RZGetKWPixMapPixelSize(none) == 0);
        EXPECT_TRUE(!RZCreateARGBKWPixMap(none) && Pixel(none, 0, 0) == Colour({9, 9, 9, 9}));
        EXPECT_FALSE(RZKWPixMapIsAllAlphaEqual(none, &alpha) || RZIsSameKWPixMap(none, none));
        EXPECT_TRUE(alpha == 99 && RZCopyKWPixMap(&copy, none) == RZErrParam && copy == nullptr);
        RZSetKWPixMapHResolution(none, 1), RZSetKWPixMapVResolution(none, 1);
        RZSetKWPixMapPixelType(none, PixelTypeARGB), RZSetKWPixMapPixel(none, 0, 0, colour);
        RZFillKWPixMap(none, colour), RZFillKWPixMapAlphaChannel(none, 1), RZDeleteKWPixMap(none);
    }
}

TEST(PixMapClasses, GuardOwnsAndHandsOverExactlyOnce) {
    const std::int64_t before = KWRootLiveBlockCount();
    {
        PixMapHandleGuard a(4, 4, 72, 72, PixelTypeARGB), b(2, 2, 72, 72, PixelTypeGrey);
        PixMapHandleGuard &alias = a, c(b());
        a = b; // a's own map goes, b's map moves to a
        a = alias;
        c = a; // two guards, one handle: assignment keeps the map
        EXPECT_TRUE(c() && !a() && !b() && KWRootLiveBlockCount() == before + 1);
    }
    KWSize2D size(3u, 0xFFFFFFFFu), none;
    EXPECT_EQ(Fields({size.GetWidth(), size.GetHeight(), none.GetWidth(), none.GetHeight(),
                      (size = KWSize2D(5u)).GetWidth(), size.GetHeight()}),
              (Fields{3, 0xFFFFFFFF, 0, 0, 5, 5}));
}
