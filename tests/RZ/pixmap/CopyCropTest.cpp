// Whole copies and crops, including their allocation failures.
#include <cstring>

#include <gtest/gtest.h>

#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"
#include "support/LeakCheck.h"

namespace {

unsigned char* Base(KWPixMap** map) {
    return reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(map));
}

int BlockSize(KWPixMap** map) {
    return BMGetHandleSize(reinterpret_cast<char**>(map));
}

// Every byte of the rows distinct: byte i holds i + 1 (mod 256).
void Number(KWPixMap** map) {
    const int n = BlockSize(map) - 32;
    for (int i = 0; i < n; ++i) Base(map)[i] = static_cast<unsigned char>(i + 1);
}

KWRect Rect(int top, int left, int bottom, int right) {
    return {top, left, bottom, right};
}

} // namespace

TEST(Copy, ByteForByteAndNullArguments) {
    PixMapHandleGuard source(3, 2, 72, 96, PixelTypeARGB);
    Number(source());
    PixMapHandleGuard copy(nullptr);
    ASSERT_EQ(RZCopyKWPixMap(&copy(), source()), 0);
    EXPECT_EQ(BlockSize(copy()), 56);
    EXPECT_EQ(std::memcmp(*copy(), *source(), 56), 0);
    EXPECT_TRUE(RZIsSameKWPixMap(copy(), source()));

    KWPixMap* noRecord = nullptr;
    KWPixMap** untouched = source();
    EXPECT_EQ(RZCopyKWPixMap(nullptr, source()), RZErrParam);
    EXPECT_EQ(RZCopyKWPixMap(&untouched, nullptr), RZErrParam);
    EXPECT_EQ(RZCopyKWPixMap(&untouched, &noRecord), RZErrParam);
    EXPECT_EQ(untouched, source());
}

TEST(Crop, RectanglesThatFallBackToAWholeCopy) {
    PixMapHandleGuard source(6, 4, 72, 72, PixelTypeGrey);
    Number(source());
    const KWRect wholeCopies[] = {Rect(0, 0, 4, 6),  Rect(0, 0, 4, 7), Rect(0, -1, 4, 6),
                                  Rect(-1, 0, 4, 6), Rect(0, 0, 5, 6), Rect(0, 0, -1, 6),
                                  Rect(0, 4, 4, 2),  Rect(3, 0, 1, 6)};
    for (const KWRect& r : wholeCopies) {
        SCOPED_TRACE(testing::Message()
                     << r.top << " " << r.left << " " << r.bottom << " " << r.right);
        PixMapHandleGuard result(nullptr);
        EXPECT_EQ(RZCropKWPixMap(source(), &result(), &r), 0);
        EXPECT_TRUE(RZIsSameKWPixMap(result(), source()));
    }
    // An empty rectangle inside the source is a crop to nothing, not a copy.
    PixMapHandleGuard empty(nullptr);
    const KWRect none = Rect(2, 3, 2, 3);
    EXPECT_EQ(RZCropKWPixMap(source(), &empty(), &none), 0);
    EXPECT_EQ(RZGetKWPixMapWidth(empty()), 0u);
    EXPECT_EQ(BlockSize(empty()), 32);
}

TEST(Crop, GreyRowsStartAtTheLeftByte) {
    PixMapHandleGuard source(10, 3, 150, 300, PixelTypeGrey); // 12 bytes a row
    Number(source());
    PixMapHandleGuard result(nullptr);
    const KWRect r = Rect(1, 2, 3, 5);
    ASSERT_EQ(RZCropKWPixMap(source(), &result(), &r), 0);
    EXPECT_EQ(RZGetKWPixMapWidth(result()), 3u);
    EXPECT_EQ(RZGetKWPixMapHeight(result()), 2u);
    EXPECT_EQ(RZGetKWPixMapBytesPerRow(result()), 4u);
    EXPECT_EQ(RZGetKWPixMapHResolution(result()), 150u);
    EXPECT_EQ(RZGetKWPixMapVResolution(result()), 300u);
    EXPECT_EQ(RZGetKWPixMapPixelType(result()), PixelTypeGrey);
    EXPECT_EQ(std::memcmp(Base(result()), "\x0F\x10\x11\x12\x1B\x1C\x1D\x1E", 8), 0);

    // The last row's copy stops at the end of the source block.
    const KWRect tail = Rect(1, 9, 3, 10);
    ASSERT_EQ(RZCropKWPixMap(source(), &result(), &tail), 0);
    EXPECT_EQ(std::memcmp(Base(result()), "\x16\x17\x18\x19\x22\x23\x24\x00", 8), 0);
}

TEST(Crop, BlackAndWhiteIsCutAtWholeBytes) {
    PixMapHandleGuard source(40, 2, 72, 72, PixelTypeBlackWhite);
    Number(source());
    PixMapHandleGuard result(nullptr);
    const KWRect r = Rect(0, 3, 2, 40);
    ASSERT_EQ(RZCropKWPixMap(source(), &result(), &r), 0);
    ASSERT_EQ(RZGetKWPixMapWidth(result()), 37u);
    // Each new row begins with source pixels 0..2, the first byte of the row.
    EXPECT_EQ(std::memcmp(Base(result()), Base(source()), 8), 0);
    EXPECT_EQ(std::memcmp(Base(result()) + 8, Base(source()) + 8, 8), 0);

    const KWRect right = Rect(0, 17, 1, 40);
    ASSERT_EQ(RZCropKWPixMap(source(), &result(), &right), 0);
    EXPECT_EQ(std::memcmp(Base(result()), Base(source()) + 2, 4), 0);
}

TEST(Crop, OwnershipOfTheResultAndNullArguments) {
    PixMapHandleGuard source(4, 4, 72, 72, PixelTypeARGB);
    const KWRect r = Rect(1, 1, 3, 3);
    KWPixMap** result = RZCreateKWPixMap(9, 9, 72, 72, PixelTypeGrey);
    const std::int64_t live = KWRootLiveBlockCount();
    ASSERT_EQ(RZCropKWPixMap(source(), &result, &r), 0); // the old result is deleted first
    EXPECT_EQ(KWRootLiveBlockCount(), live);
    EXPECT_EQ(RZGetKWPixMapWidth(result), 2u);

    EXPECT_EQ(RZCropKWPixMap(source(), nullptr, &r), RZErrFailed);
    EXPECT_EQ(RZCropKWPixMap(nullptr, &result, &r), RZErrFailed);
    EXPECT_EQ(KWRootLiveBlockCount(), live);
    EXPECT_EQ(RZGetKWPixMapWidth(result), 2u);

    // A purged source: even an empty rectangle ends in the copy's refusal.
    KWPixMap* noRecord = nullptr;
    const KWRect none = Rect(0, 0, 0, 0);
    EXPECT_EQ(RZCropKWPixMap(&noRecord, &result, &none), RZErrParam);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(KWRootLiveBlockCount(), live - 1);
}

TEST(CopyCrop, AllocationFailures) {
    PixMapHandleGuard source(5, 5, 72, 72, PixelTypeARGB);
    Number(source());
    KWPixMap* sentinel = nullptr;
    KWPixMap** result = nullptr;
    short code = 0;
    auto release = [&] {
        RZDeleteKWPixMap(result);
        result = nullptr;
    };
    EXPECT_GE(rztest::SweepAllocationFailures(
                  [&] {
                      result = &sentinel;
                      code = RZCopyKWPixMap(&result, source());
                      if (code == 0) release();
                  },
                  [&](int) {
                      EXPECT_EQ(code, kBMErrOutOfMemory);
                      EXPECT_EQ(result, nullptr);
                  }),
              1);

    // A failed crop allocation falls back to a whole copy.
    const KWRect inside = Rect(1, 1, 4, 4);
    EXPECT_GE(
        rztest::SweepAllocationFailures([&] { code = RZCropKWPixMap(source(), &result, &inside); },
                                        [&](int failedAt) {
                                            if (failedAt == 1) {
                                                EXPECT_EQ(code, 0);
                                                EXPECT_TRUE(RZIsSameKWPixMap(result, source()));
                                            }
                                            release();
                                        }),
        1);
    release();
    const KWRect outside = Rect(0, 0, 6, 5);
    EXPECT_GE(
        rztest::SweepAllocationFailures([&] { code = RZCropKWPixMap(source(), &result, &outside); },
                                        [&](int) {
                                            EXPECT_EQ(code, kBMErrOutOfMemory);
                                            EXPECT_EQ(result, nullptr);
                                        }),
        1);
    release();
}
