// Creation, header layout, accessors, retyping and the two exported classes.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"
#include "support/LeakCheck.h"

namespace {

int BlockSize(KWPixMap** map) {
    return BMGetHandleSize(reinterpret_cast<char**>(map));
}

bool AllBytesZero(KWPixMap** map) {
    const char* p = reinterpret_cast<const char*>(*map) + 32;
    for (int i = 0; i < BlockSize(map) - 32; ++i)
        if (p[i] != 0) return false;
    return true;
}

} // namespace

TEST(PixMapCreate, RowBytesHeaderAndZeroFill) {
    struct Case {
        KWPixelType type;
        int width;
        unsigned int bytesPerRow;
    } cases[] = {
        {PixelTypeBlackWhite, 1, 4}, {PixelTypeBlackWhite, 32, 4}, {PixelTypeBlackWhite, 33, 8},
        {PixelTypeGrey, 1, 4},       {PixelTypeGrey, 4, 4},        {PixelTypeGrey, 5, 8},
        {PixelTypeARGB, 3, 12},      {PixelTypeARGBDirect, 3, 12}, {PixelTypeARGB, 0, 0},
        {PixelTypeARGBDirect, 0, 0}, {PixelTypeBlackWhite, 0, 0},  {PixelTypeGrey, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " width " << c.width);
        PixMapHandleGuard guard(c.width, 3, 96, 150, c.type);
        KWPixMap** map = guard();
        ASSERT_NE(map, nullptr);
        const KWPixMap& h = **map;
        EXPECT_EQ(h.baseOffset, 32);
        EXPECT_EQ(h.bytesPerRow, c.bytesPerRow);
        EXPECT_EQ(h.width, unsigned(c.width));
        EXPECT_EQ(h.height, 3u);
        EXPECT_EQ(h.hResolution, 96u);
        EXPECT_EQ(h.vResolution, 150u);
        EXPECT_EQ(h.pixelType, c.type);
        EXPECT_EQ(std::memcmp(h.reserved, "\0\0\0\0\0\0\0", 7), 0);
        EXPECT_EQ(BlockSize(map), int(c.bytesPerRow * 3 + 32));
        EXPECT_TRUE(AllBytesZero(map));
        EXPECT_EQ(RZGetKWPixMapBaseAddr(map), reinterpret_cast<char*>(*map) + 32);
    }
    PixMapHandleGuard noRows(7, 0, 72, 72, PixelTypeARGB);
    EXPECT_EQ(BlockSize(noRows()), 32);
}

TEST(PixMapCreate, RefusesBadArgumentsWithoutAllocating) {
    const std::int64_t before = KWRootAllocationCount();
    EXPECT_EQ(RZCreateKWPixMap(1, 1, 72, 72, KWPixelType(4)), nullptr);
    EXPECT_EQ(RZCreateKWPixMap(1, 1, 72, 72, KWPixelType(-1)), nullptr);
    EXPECT_EQ(RZCreateKWPixMap(-1, 1, 72, 72, PixelTypeARGB), nullptr);
    EXPECT_EQ(RZCreateKWPixMap(1, -1, 72, 72, PixelTypeGrey), nullptr);
    // Row bytes beyond 2^31 - 1, and a block of exactly 2^31 bytes.
    EXPECT_EQ(RZCreateKWPixMap(0x20000000, 1, 72, 72, PixelTypeARGB), nullptr);
    EXPECT_EQ(RZCreateKWPixMap(4, (0x7FFFFFFF - 31) / 4 + 1, 72, 72, PixelTypeGrey), nullptr);
    EXPECT_EQ(RZCreateKWPixMap(0x7FFFFFFF, 0x7FFFFFFF, 72, 72, PixelTypeBlackWhite), nullptr);
    EXPECT_EQ(RZCreateKWPixMapLogical(10, 10, std::nan(""), PixelTypeARGB), nullptr);
    EXPECT_EQ(RZCreateKWPixMapLogical(10, 10, -1.0, PixelTypeARGB), nullptr);
    EXPECT_EQ(KWRootAllocationCount(), before);
}

TEST(PixMapCreate, LogicalSizeAndResolution) {
    struct Case {
        int size;
        double scale;
        unsigned int pixels, dpi;
    } cases[] = {{10, 1.5, 15, 108}, {10, 0.7, 7, 50}, {3, 0.5, 2, 36}};
    for (const Case& c : cases) {
        PixMapHandleGuard guard(RZCreateKWPixMapLogical(c.size, c.size, c.scale, PixelTypeARGB));
        ASSERT_NE(guard(), nullptr);
        EXPECT_EQ(RZGetKWPixMapWidth(guard()), c.pixels);
        EXPECT_EQ(RZGetKWPixMapHeight(guard()), c.pixels);
        EXPECT_EQ(RZGetKWPixMapHResolution(guard()), c.dpi);
        EXPECT_EQ(RZGetKWPixMapVResolution(guard()), c.dpi);
    }
}

TEST(PixMapCreate, ARGBCopyOfBlackAndWhite) {
    PixMapHandleGuard bw(11, 3, 300, 200, PixelTypeBlackWhite);
    for (int y = 0; y < 3; ++y) {
        unsigned char* row = reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(bw())) + 4 * y;
        row[0] = static_cast<unsigned char>(0xA5 ^ y);
        row[1] = 0xC0;
        row[2] = 0xFF; // padding bits must not leak into the copy
    }
    PixMapHandleGuard argb(RZCreateARGBKWPixMap(bw()));
    ASSERT_NE(argb(), nullptr);
    EXPECT_EQ(RZGetKWPixMapPixelType(argb()), PixelTypeARGB);
    EXPECT_EQ(RZGetKWPixMapWidth(argb()), 11u);
    EXPECT_EQ(RZGetKWPixMapHResolution(argb()), 300u);
    EXPECT_EQ(RZGetKWPixMapVResolution(argb()), 200u);
    EXPECT_EQ(BlockSize(argb()), 11 * 4 * 3 + 32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 11; ++x) {
            const unsigned char* row =
                reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(bw())) + 4 * y;
            const unsigned char level = ((row[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
            const unsigned char expected[4] = {0, level, level, level};
            unsigned char got[4];
            RZGetKWPixMapPixel(argb(), x, y, got);
            EXPECT_EQ(std::memcmp(got, expected, 4), 0) << x << "," << y;
        }

    PixMapHandleGuard grey(4, 4, 72, 72, PixelTypeGrey);
    KWPixMap* noRecord = nullptr;
    EXPECT_EQ(RZCreateARGBKWPixMap(grey()), nullptr);
    EXPECT_EQ(RZCreateARGBKWPixMap(nullptr), nullptr);
    EXPECT_EQ(RZCreateARGBKWPixMap(&noRecord), nullptr);
}

TEST(PixMapAccessors, NeutralResultsForNullHandles) {
    KWPixMap* noRecord = nullptr;
    for (KWPixMap** map : {static_cast<KWPixMap**>(nullptr), &noRecord}) {
        KWRect bounds{7, 7, 7, 7};
        EXPECT_EQ(RZGetKWPixMapBaseAddr(map), nullptr);
        EXPECT_EQ(RZGetKWPixMapBounds(map, &bounds), RZErrParam);
        EXPECT_EQ(bounds.top + bounds.left + bounds.bottom + bounds.right, 28);
        EXPECT_EQ(RZGetKWPixMapBytesPerRow(map), 0u);
        EXPECT_EQ(RZGetKWPixMapHeight(map), 0u);
        EXPECT_EQ(RZGetKWPixMapWidth(map), 0u);
        EXPECT_EQ(RZGetKWPixMapHResolution(map), 0u);
        EXPECT_EQ(RZGetKWPixMapVResolution(map), 0u);
        EXPECT_EQ(RZGetKWPixMapPixelSize(map), 0);
        EXPECT_EQ(RZGetKWPixMapPixelType(map), -1);
        RZSetKWPixMapHResolution(map, 1);
        RZSetKWPixMapVResolution(map, 1);
        RZSetKWPixMapPixelType(map, PixelTypeARGB);
        RZDeleteKWPixMap(map);
    }
    PixMapHandleGuard map(5, 6, 72, 72, PixelTypeGrey);
    KWRect bounds;
    EXPECT_EQ(RZGetKWPixMapBounds(map(), nullptr), RZErrParam);
    ASSERT_EQ(RZGetKWPixMapBounds(map(), &bounds), 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.bottom, 6);
    EXPECT_EQ(bounds.right, 5);
    RZSetKWPixMapHResolution(map(), 600);
    RZSetKWPixMapVResolution(map(), -1);
    EXPECT_EQ(RZGetKWPixMapHResolution(map()), 600u);
    EXPECT_EQ(RZGetKWPixMapVResolution(map()), 0xFFFFFFFFu);
}

TEST(PixMapTypes, SizeMappingsAndRetyping) {
    EXPECT_EQ(RZPixelSizeFromPixelType(PixelTypeBlackWhite), 1);
    EXPECT_EQ(RZPixelSizeFromPixelType(PixelTypeGrey), 8);
    EXPECT_EQ(RZPixelSizeFromPixelType(KWPixelType(-1)), 32);
    EXPECT_EQ(RZPixelSizeFromPixelType(KWPixelType(7)), 32);
    EXPECT_EQ(RZPixelTypeFromPixelSize(1), PixelTypeBlackWhite);
    EXPECT_EQ(RZPixelTypeFromPixelSize(8), PixelTypeGrey);
    for (int bits : {32, 24, 4, 0, -1}) EXPECT_EQ(RZPixelTypeFromPixelSize(bits), PixelTypeARGB);

    PixMapHandleGuard argb(2, 2, 72, 72, PixelTypeARGB);
    RZSetKWPixMapPixelType(argb(), PixelTypeARGBDirect);
    EXPECT_EQ(RZGetKWPixMapPixelType(argb()), PixelTypeARGBDirect);
    RZSetKWPixMapPixelType(argb(), PixelTypeARGB);
    EXPECT_EQ(RZGetKWPixMapPixelType(argb()), PixelTypeARGB);
    RZSetKWPixMapPixelType(argb(), PixelTypeBlackWhite);
    RZSetKWPixMapPixelType(argb(), PixelTypeGrey);
    EXPECT_EQ(RZGetKWPixMapPixelType(argb()), PixelTypeARGB);
    RZSetKWPixMapPixelType(argb(), KWPixelType(7));
    EXPECT_EQ(RZGetKWPixMapPixelType(argb()), 7);
    EXPECT_EQ(RZGetKWPixMapPixelSize(argb()), 32);

    PixMapHandleGuard grey(2, 2, 72, 72, PixelTypeGrey);
    PixMapHandleGuard bw(2, 2, 72, 72, PixelTypeBlackWhite);
    RZSetKWPixMapPixelType(grey(), PixelTypeBlackWhite);
    RZSetKWPixMapPixelType(bw(), PixelTypeARGB);
    RZSetKWPixMapPixelType(bw(), KWPixelType(7));
    EXPECT_EQ(RZGetKWPixMapPixelType(grey()), PixelTypeGrey);
    EXPECT_EQ(RZGetKWPixMapPixelType(bw()), PixelTypeBlackWhite);
}

TEST(PixMapHandleGuardTest, OwnsAndHandsOverExactlyOnce) {
    const std::int64_t before = KWRootLiveBlockCount();
    {
        PixMapHandleGuard a(4, 4, 72, 72, PixelTypeARGB);
        PixMapHandleGuard b(2, 2, 72, 72, PixelTypeGrey);
        KWPixMap** bMap = b.GetPixMapHandle();
        EXPECT_EQ(KWRootLiveBlockCount(), before + 2);
        a = b; // a's own map goes, b's map moves to a
        EXPECT_EQ(KWRootLiveBlockCount(), before + 1);
        EXPECT_EQ(a(), bMap);
        EXPECT_EQ(b(), nullptr);
        PixMapHandleGuard& alias = a;
        a = alias;
        EXPECT_EQ(a(), bMap);
        const PixMapHandleGuard& constA = a;
        EXPECT_EQ(constA(), constA.GetPixMapHandle());

        // Two guards given the same handle: assignment must not delete it.
        PixMapHandleGuard c(bMap);
        c = a;
        EXPECT_EQ(KWRootLiveBlockCount(), before + 1);
        EXPECT_EQ(c(), bMap);
        EXPECT_EQ(a(), nullptr);

        // Clearing the stored handle leaves the map to the caller.
        KWPixMap** kept = c();
        c() = nullptr;
        RZDeleteKWPixMap(kept);
        EXPECT_EQ(KWRootLiveBlockCount(), before);
        PixMapHandleGuard failed(-1, 1, 72, 72, PixelTypeARGB);
        EXPECT_EQ(failed(), nullptr);
    }
    EXPECT_EQ(KWRootLiveBlockCount(), before);
}

TEST(KWSize2DTest, ConstructorsAndAssignment) {
    const KWSize2D zero, square(5u), rect(3u, 4u);
    EXPECT_EQ(zero.GetWidth() + zero.GetHeight(), 0u);
    EXPECT_EQ(square.GetWidth(), 5u);
    EXPECT_EQ(square.GetHeight(), 5u);
    KWSize2D copy;
    copy = rect;
    EXPECT_EQ(copy.GetWidth(), 3u);
    EXPECT_EQ(copy.GetHeight(), 4u);
    copy = KWSize2D(0xFFFFFFFFu, 1u);
    EXPECT_EQ(copy.GetWidth(), 0xFFFFFFFFu);
    EXPECT_EQ(copy.GetHeight(), 1u);
}

TEST(PixMapCreate, AllocationFailuresGiveNull) {
    PixMapHandleGuard bw(9, 9, 72, 72, PixelTypeBlackWhite);
    bool made = false;
    auto expectNone = [&](int) { EXPECT_FALSE(made); };
    auto keep = [&](KWPixMap** map) {
        made = map != nullptr;
        RZDeleteKWPixMap(map);
    };
    EXPECT_GE(rztest::SweepAllocationFailures(
                  [&] { keep(RZCreateKWPixMap(5, 5, 72, 72, PixelTypeGrey)); }, expectNone),
              1);
    EXPECT_GE(rztest::SweepAllocationFailures(
                  [&] { keep(RZCreateKWPixMapLogical(5, 5, 2.0, PixelTypeARGB)); }, expectNone),
              1);
    EXPECT_GE(
        rztest::SweepAllocationFailures([&] { keep(RZCreateARGBKWPixMap(bw())); }, expectNone), 1);
    EXPECT_GE(rztest::SweepAllocationFailures(
                  [&] {
                      PixMapHandleGuard guard(3, 3, 72, 72, PixelTypeARGB);
                      made = guard() != nullptr;
                  },
                  expectNone),
              1);
}
