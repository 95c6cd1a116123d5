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

} // namespace

TEST(PixMapCreate, RowBytesHeaderAndZeroFill) {
    // clang-format off
    const struct { int type, width; unsigned int bytesPerRow; } cases[] = {
        {2, 1, 4}, {2, 32, 4}, {2, 33, 8}, {3, 1, 4}, {3, 4, 4}, {3, 5, 8},
        {0, 3, 12}, {1, 3, 12}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    // clang-format on
    for (const auto& c : cases) {
        PixMapHandleGuard map(c.width, 3, 96, 150, KWPixelType(c.type));
        ASSERT_NE(map(), nullptr);
        const KWPixMap header{32,  c.bytesPerRow,        3, unsigned(c.width), 96,
                              150, std::uint8_t(c.type), {}};
        EXPECT_EQ(std::memcmp(*map(), &header, 32), 0) << "type " << c.type << " width " << c.width;
        const int size = BlockSize(map());
        ASSERT_EQ(size, int(c.bytesPerRow * 3 + 32));
        const char* rows = RZGetKWPixMapBaseAddr(map());
        EXPECT_EQ(rows, reinterpret_cast<char*>(*map()) + 32);
        for (int i = 0; i < size - 32; ++i) ASSERT_EQ(rows[i], 0) << "byte " << i;
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
    // Row bytes beyond 2^31 - 1, and blocks of 2^31 bytes and more.
    EXPECT_EQ(RZCreateKWPixMap(0x20000000, 1, 72, 72, PixelTypeARGB), nullptr);
    EXPECT_EQ(RZCreateKWPixMap(4, (0x7FFFFFFF - 31) / 4 + 1, 72, 72, PixelTypeGrey), nullptr);
    EXPECT_EQ(RZCreateKWPixMap(0x7FFFFFFF, 0x7FFFFFFF, 72, 72, PixelTypeBlackWhite), nullptr);
    EXPECT_EQ(RZCreateKWPixMap(4, 1 << 30, 72, 72, PixelTypeGrey), nullptr); // 2^32 + 32
    EXPECT_EQ(RZCreateKWPixMapLogical(10, 10, std::nan(""), PixelTypeARGB), nullptr);
    EXPECT_EQ(RZCreateKWPixMapLogical(10, 10, -1.0, PixelTypeARGB), nullptr);
    EXPECT_EQ(KWRootAllocationCount(), before);
}

TEST(PixMapCreate, LogicalSizeAndResolution) {
    const struct {
        int size;
        double scale;
        unsigned int pixels, dpi;
    } cases[] = {{10, 1.5, 15, 108}, {10, 0.7, 7, 50}, {3, 0.5, 2, 36}};
    for (const auto& c : cases) {
        PixMapHandleGuard map(RZCreateKWPixMapLogical(c.size, c.size, c.scale, PixelTypeARGB));
        EXPECT_EQ(RZGetKWPixMapWidth(map()) * 1000 + RZGetKWPixMapHeight(map()), c.pixels * 1001);
        EXPECT_EQ(RZGetKWPixMapHResolution(map()) * 1000 + RZGetKWPixMapVResolution(map()),
                  c.dpi * 1001);
    }
}

TEST(PixMapCreate, ARGBCopyOfBlackAndWhite) {
    PixMapHandleGuard bw(11, 2, 300, 200, PixelTypeBlackWhite);
    std::memcpy(RZGetKWPixMapBaseAddr(bw()), "\xA5\xC0\xFF\xFF\x5A\x20\xFF\xFF", 8);
    PixMapHandleGuard argb(RZCreateARGBKWPixMap(bw()));
    ASSERT_EQ(BlockSize(argb()), 11 * 4 * 2 + 32);
    EXPECT_EQ(RZGetKWPixMapPixelType(argb()), PixelTypeARGB);
    EXPECT_EQ(RZGetKWPixMapHResolution(argb()) * 1000 + RZGetKWPixMapVResolution(argb()), 300200u);
    const char* bits = "10100101110"
                       "01011010001"; // padding bits of the source are not read
    for (int i = 0; i < 22; ++i) {
        const unsigned char level = bits[i] == '1' ? 255 : 0;
        const unsigned char expected[4] = {0, level, level, level};
        EXPECT_EQ(std::memcmp(RZGetKWPixMapBaseAddr(argb()) + 4 * i, expected, 4), 0) << i;
    }
    PixMapHandleGuard grey(4, 4, 72, 72, PixelTypeGrey);
    KWPixMap* noRecord = nullptr;
    EXPECT_EQ(RZCreateARGBKWPixMap(grey()), nullptr);
    EXPECT_EQ(RZCreateARGBKWPixMap(nullptr), nullptr);
    EXPECT_EQ(RZCreateARGBKWPixMap(&noRecord), nullptr);
}

TEST(PixMapAccessors, BoundsAndNeutralResultsForNullHandles) {
    KWPixMap* noRecord = nullptr;
    for (KWPixMap** map : {static_cast<KWPixMap**>(nullptr), &noRecord}) {
        KWRect bounds{7, 7, 7, 7};
        EXPECT_EQ(RZGetKWPixMapBounds(map, &bounds), RZErrParam);
        EXPECT_EQ(bounds.top + bounds.left + bounds.bottom + bounds.right, 28);
        EXPECT_EQ(RZGetKWPixMapBaseAddr(map), nullptr);
        EXPECT_EQ(RZGetKWPixMapBytesPerRow(map) + RZGetKWPixMapHeight(map) +
                      RZGetKWPixMapWidth(map) + RZGetKWPixMapHResolution(map) +
                      RZGetKWPixMapVResolution(map) + RZGetKWPixMapPixelSize(map),
                  0u);
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
    EXPECT_TRUE(bounds.top == 0 && bounds.left == 0 && bounds.bottom == 6 && bounds.right == 5);
    RZSetKWPixMapVResolution(map(), -1);
    EXPECT_EQ(RZGetKWPixMapVResolution(map()), 0xFFFFFFFFu);
}

TEST(PixMapTypes, SizeMappingsAndRetyping) {
    for (int type : {-1, 0, 1, 2, 3, 7})
        EXPECT_EQ(RZPixelSizeFromPixelType(KWPixelType(type)), type == 2 ? 1 : type == 3 ? 8 : 32);
    for (int bits : {1, 8, 32, 24, 4, 0, -1})
        EXPECT_EQ(RZPixelTypeFromPixelSize(bits), bits == 1 ? 2 : bits == 8 ? 3 : 0);

    // Only types of one pixel size are exchanged: 0 and 1, or any unknown
    // value on a 32-bit map.
    // clang-format off
    const struct { int from, to, result; } cases[] = {
        {0, 1, 1}, {1, 0, 0}, {0, 2, 0}, {0, 3, 0}, {3, 2, 3}, {2, 0, 2}, {2, 7, 2}, {0, 7, 7}};
    // clang-format on
    for (const auto& c : cases) {
        PixMapHandleGuard map(2, 2, 72, 72, KWPixelType(c.from));
        RZSetKWPixMapPixelType(map(), KWPixelType(c.to));
        EXPECT_EQ(RZGetKWPixMapPixelType(map()), c.result) << c.from << " to " << c.to;
        EXPECT_EQ(RZGetKWPixMapPixelSize(map()), RZPixelSizeFromPixelType(KWPixelType(c.from)));
    }
}

TEST(PixMapHandleGuardTest, OwnsAndHandsOverExactlyOnce) {
    const std::int64_t before = KWRootLiveBlockCount();
    {
        PixMapHandleGuard a(4, 4, 72, 72, PixelTypeARGB), b(2, 2, 72, 72, PixelTypeGrey);
        KWPixMap** bMap = b.GetPixMapHandle();
        a = b; // a's own map goes, b's map moves to a
        EXPECT_EQ(KWRootLiveBlockCount(), before + 1);
        EXPECT_TRUE(a() == bMap && b() == nullptr);
        PixMapHandleGuard& alias = a;
        a = alias;
        EXPECT_EQ(a.GetPixMapHandle(), bMap);
        PixMapHandleGuard c(bMap); // two guards, one handle: assignment keeps the map
        c = a;
        EXPECT_EQ(KWRootLiveBlockCount(), before + 1);
        EXPECT_TRUE(c() == bMap && a() == nullptr);
        c() = nullptr; // leaves the map to the caller
        RZDeleteKWPixMap(bMap);
        EXPECT_EQ(KWRootLiveBlockCount(), before);
        EXPECT_EQ(PixMapHandleGuard(-1, 1, 72, 72, PixelTypeARGB)(), nullptr);
    }
    EXPECT_EQ(KWRootLiveBlockCount(), before);

    KWSize2D size;
    EXPECT_EQ(size.GetWidth() + size.GetHeight(), 0u);
    size = KWSize2D(5u);
    EXPECT_EQ(size.GetWidth() * 10 + size.GetHeight(), 55u);
    const KWSize2D rect(3u, 0xFFFFFFFFu);
    size = rect;
    EXPECT_TRUE(size.GetWidth() == 3u && size.GetHeight() == 0xFFFFFFFFu);
}

TEST(PixMapCreate, AllocationFailuresGiveNull) {
    PixMapHandleGuard bw(9, 9, 72, 72, PixelTypeBlackWhite);
    bool made = false;
    auto keep = [&](KWPixMap** map) {
        made = map != nullptr;
        RZDeleteKWPixMap(map);
    };
    const std::function<void()> operations[] = {
        [&] { keep(RZCreateKWPixMap(5, 5, 72, 72, PixelTypeGrey)); },
        [&] { keep(RZCreateKWPixMapLogical(5, 5, 2.0, PixelTypeARGB)); },
        [&] { keep(RZCreateARGBKWPixMap(bw())); },
        [&] { made = PixMapHandleGuard(3, 3, 72, 72, PixelTypeARGB)() != nullptr; }};
    for (const auto& operation : operations)
        EXPECT_GE(rztest::SweepAllocationFailures(operation, [&](int) { EXPECT_FALSE(made); }), 1);
}
