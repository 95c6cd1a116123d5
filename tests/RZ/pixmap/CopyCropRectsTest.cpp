// Whole copies and crops with their allocation failures, rectangle records
// and the bounds of a rotated map.
#include <cstring>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

#include "support/LeakCheck.h"
#include "support/PixMaps.h"

using namespace rztest;

namespace {

using Four = std::array<int, 4>;

Four Fields(const KWRect& r) {
    return {r.top, r.left, r.bottom, r.right};
}

} // namespace

TEST(Crop, PartsRowBytesAndWholeCopies) {
    // Numbered maps (byte i of the rows holds i + 1): grey 10 x 3 with 12
    // bytes a row, black and white 40 x 2 with 8.
    PixMapHandleGuard grey(10, 3, 150, 300, PixelTypeGrey), bw(40, 2, 96, 72, PixelTypeBlackWhite);
    for (KWPixMap** map : {grey(), bw()})
        for (int i = 0; i < BlockSize(map) - 32; ++i) Base(map)[i] = std::uint8_t(i + 1);
    const std::string whole(reinterpret_cast<char*>(Base(grey())), 36);
    // Rows start at the byte of the left edge (one-bit rows at whole bytes,
    // so left 3 keeps pixels 0 to 2) and take the new map's row bytes: from
    // byte 9, across into the next row, but never beyond the source block.
    // Rectangles outside the source or reversed give a whole copy.
    // clang-format off
    const struct { KWPixMap** source; KWRect rect; unsigned width, height, bytesPerRow; std::string rows; } cases[] = {
        {grey(), {1, 2, 3, 5}, 3, 2, 4, "\x0F\x10\x11\x12\x1B\x1C\x1D\x1E"},
        {grey(), {1, 9, 3, 10}, 1, 2, 4, std::string("\x16\x17\x18\x19\x22\x23\x24\x00", 8)},
        {grey(), {2, 3, 2, 3}, 0, 0, 0, ""},
        {bw(), {0, 3, 2, 40}, 37, 2, 8, "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10"},
        {bw(), {1, 17, 2, 40}, 23, 1, 4, "\x0B\x0C\x0D\x0E"},
        {grey(), {0, 0, 3, 10}, 10, 3, 12, whole}, {grey(), {0, 0, 3, 11}, 10, 3, 12, whole},
        {grey(), {0, -1, 3, 10}, 10, 3, 12, whole}, {grey(), {-1, 0, 3, 10}, 10, 3, 12, whole},
        {grey(), {0, 0, 4, 10}, 10, 3, 12, whole}, {grey(), {0, 0, -1, 10}, 10, 3, 12, whole},
        {grey(), {0, 4, 3, 2}, 10, 3, 12, whole}, {grey(), {2, 0, 1, 10}, 10, 3, 12, whole}};
    // clang-format on
    for (const auto& c : cases) {
        PixMapHandleGuard result(nullptr);
        ASSERT_EQ(RZCropKWPixMap(c.source, &result(), &c.rect), 0);
        KWPixMap header = **c.source; // with the source's resolutions and type
        header.bytesPerRow = c.bytesPerRow, header.height = c.height, header.width = c.width;
        EXPECT_EQ(std::memcmp(*result(), &header, 32), 0) << c.rect.top << " " << c.rect.left;
        EXPECT_EQ(RowBytes(result(), 0, int(c.height)), ByteVector(c.rows.begin(), c.rows.end()));
    }
    PixMapHandleGuard noRect(nullptr);
    EXPECT_TRUE(RZCropKWPixMap(grey(), &noRect(), nullptr) == 0 && SameBlock(noRect(), grey()));
}

TEST(CopyCrop, OwnershipAndNullArguments) {
    PixMapHandleGuard source(4, 4, 72, 72, PixelTypeARGB);
    KWPixMap *noRecord = nullptr, **result = RZCreateKWPixMap(9, 9, 72, 72, PixelTypeGrey);
    const std::int64_t live = KWRootLiveBlockCount();
    const KWRect r{1, 1, 3, 3}, empty{};
    ASSERT_EQ(RZCropKWPixMap(source(), &result, &r), 0); // the old result goes first
    EXPECT_EQ(RZCropKWPixMap(source(), nullptr, &r), RZErrFailed);
    EXPECT_EQ(RZCropKWPixMap(nullptr, &result, &r), RZErrFailed);
    EXPECT_TRUE(KWRootLiveBlockCount() == live && RZGetKWPixMapWidth(result) == 2u);
    KWPixMap** untouched = result; // the copy refuses without touching *result
    EXPECT_TRUE(RZCopyKWPixMap(nullptr, source()) == RZErrParam &&
                RZCopyKWPixMap(&result, nullptr) == RZErrParam && result == untouched);
    // A source without a record: even an empty rectangle ends in the copy's refusal.
    EXPECT_EQ(RZCropKWPixMap(&noRecord, &result, &empty), RZErrParam);
    EXPECT_TRUE(result == nullptr && KWRootLiveBlockCount() == live - 1);
    // A header claiming a row more than its block holds: the copy takes what
    // there is and zero-fills the rest.
    (*source())->height = 5;
    EXPECT_TRUE(!RZCopyKWPixMap(&result, source()) && RowBytes(result, 4) == ByteVector(16, 0));
    RZDeleteKWPixMap(result);
}

TEST(Rects, InitInsetAndIntersect) {
    KWRect r, out{1, 1, 1, 1};
    EXPECT_TRUE(RZInitRect(&r, 1, 2, 3, 4) == 0 && Fields(r) == (Four{2, 1, 4, 3}));
    EXPECT_EQ(RZInitRect(nullptr, 1, 2, 3, 4), RZErrParam);
    // Insets by {dh, dv}: empty results become all zeros, one pixel is not empty.
    const KWRect square{0, 0, 10, 10};
    // clang-format off
    const struct { KWRect r; int dh, dv; Four inset; } insets[] = {{square, 5, 0, {}}, {square, 0, 5, {}},
        {square, 4, 4, {4, 4, 6, 6}}, {square, -2, -3, {-3, -2, 13, 12}}, {square, 4, 0, {0, 4, 10, 6}},
        {{0, 0, 9, 9}, 4, 4, {4, 4, 5, 5}}};
    const struct { KWRect a, b; Four meet; } sects[] = {
        {square, {5, 5, 20, 20}, {5, 5, 10, 10}}, {square, {10, 0, 20, 10}, {}}, {{0, 10, 10, 20}, square, {}},
        {square, {-20, -20, -5, 3}, {}}, {{-20, -20, -5, 3}, {-10, -10, 10, 10}, {-10, -10, -5, 3}},
        {square, {2, 3, 9, 4}, {2, 3, 9, 4}}};
    // clang-format on
    for (const auto& c : insets) {
        r = c.r;
        RZInsetRect(&r, c.dh, c.dv);
        EXPECT_EQ(Fields(r), c.inset) << c.dh << ", " << c.dv;
    }
    for (const auto& c : sects) {
        KWRect a = c.a, out{1, 1, 1, 1};
        EXPECT_TRUE(RZSectRect(&c.a, &c.b, &out) == (c.meet != Four{}) && Fields(out) == c.meet);
        // The result may be one of the inputs.
        EXPECT_TRUE(RZSectRect(&a, &c.b, &a) == (c.meet != Four{}) && Fields(a) == c.meet);
    }
    EXPECT_FALSE(RZSectRect(&square, &square, nullptr) || RZSectRect(nullptr, &square, &out));
    EXPECT_EQ(Fields(out), Four{});
}

TEST(RotatedBounds, QuarterTurnsAnglesBetweenAndParts) {
    constexpr double pi = std::numbers::pi;
    // {width, height, angle, part} gives {width, height, originH, originV}.
    // clang-format off
    const KWRect part{10, 20, 30, 60}, inner{1, 1, 11, 11}, over{-5, -5, 100, 100}, off{0, 50, 10, 200}, line{0, 5, 10, 5};
    const struct { int width, height; double angle; const KWRect* part; Four expected; } cases[] = {
        {100, 50, 0, nullptr, {100, 50, 0, 0}}, {100, 50, pi / 2, nullptr, {50, 100, 6553600, 0}},
        {100, 50, pi, nullptr, {100, 50, 6553600, 3276800}}, {100, 50, 3 * pi / 2, nullptr, {50, 100, 0, 3276800}},
        {100, 50, -pi / 2, nullptr, {50, 100, 0, 3276800}}, {100, 50, 2 * pi + 5e-6, nullptr, {100, 50, 0, 0}},
        {100, 50, pi / 4, nullptr, {106, 106, 3290207, -3290207}},
        // Snapped, the turn is exact; 9e-6 radians off would show on a large map.
        {100000, 100000, 2 * pi - 9e-6, nullptr, {100000, 100000, 0, 0}},
        {100000, 100000, 2e-5, nullptr, {100002, 100002, 3, -131072}},
        {1, 100000, pi / 2 + 9e-6, nullptr, {100000, 1, 65536, 0}}, {100000, 1, 3 * pi / 2 + 9e-6, nullptr, {1, 100000, 0, 65536}},
        {100, 50, 0, &part, {40, 20, 1310720, 655360}}, {100, 50, 0, &inner, {10, 10, 65536, 65536}},
        {30, 20, 0, &over, {30, 20, 0, 0}}, {40, 50, 0.3, &off, {0, 0, 0, 0}}, {40, 50, 0.3, &line, {0, 0, 0, 0}}};
    // clang-format on
    for (const auto& c : cases) {
        Four got{c.width, c.height, 1, 1};
        RZGetRotatedKWPixMapWidthHeight(&got[0], &got[1], c.angle, c.part, 0, &got[2], &got[3]);
        EXPECT_EQ(got, c.expected) << c.width << " x " << c.height << " at " << c.angle;
    }
    Four got{100, 50, 7, 7}; // origins are written only when both pointers are given
    RZGetRotatedKWPixMapWidthHeight(&got[0], &got[1], pi / 2, nullptr, 0, &got[2], nullptr);
    EXPECT_EQ(got, (Four{50, 100, 7, 7}));
}
