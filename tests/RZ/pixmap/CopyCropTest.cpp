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
    for (int i = 0; i < BlockSize(map) - 32; ++i) Base(map)[i] = static_cast<unsigned char>(i + 1);
}

// Crops source to rect (top, left, bottom, right) into *result.
short Crop(KWPixMap** source, KWPixMap*** result, KWRect rect) {
    return RZCropKWPixMap(source, result, &rect);
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

TEST(Crop, RectanglesOutsideOrReversedGiveAWholeCopy) {
    PixMapHandleGuard source(6, 4, 72, 72, PixelTypeGrey);
    Number(source());
    const KWRect wholeCopies[] = {{0, 0, 4, 6}, {0, 0, 4, 7},  {0, -1, 4, 6}, {-1, 0, 4, 6},
                                  {0, 0, 5, 6}, {0, 0, -1, 6}, {0, 4, 4, 2},  {3, 0, 1, 6}};
    for (const KWRect& r : wholeCopies) {
        PixMapHandleGuard result(nullptr);
        EXPECT_EQ(Crop(source(), &result(), r), 0);
        EXPECT_TRUE(RZIsSameKWPixMap(result(), source()))
            << r.top << " " << r.left << " " << r.bottom << " " << r.right;
    }
    PixMapHandleGuard noRect(nullptr);
    EXPECT_EQ(RZCropKWPixMap(source(), &noRect(), nullptr), 0);
    EXPECT_TRUE(RZIsSameKWPixMap(noRect(), source()));
    // An empty rectangle inside the source is a crop to nothing.
    PixMapHandleGuard empty(nullptr);
    EXPECT_EQ(Crop(source(), &empty(), {2, 3, 2, 3}), 0);
    EXPECT_EQ(BlockSize(empty()), 32);
}

TEST(Crop, RowsStartAtTheLeftByteAndStopAtTheBlockEnd) {
    PixMapHandleGuard grey(10, 3, 150, 300, PixelTypeGrey); // 12 bytes a row
    Number(grey());
    PixMapHandleGuard result(nullptr);
    ASSERT_EQ(Crop(grey(), &result(), {1, 2, 3, 5}), 0);
    EXPECT_EQ(RZGetKWPixMapWidth(result()), 3u);
    EXPECT_EQ(RZGetKWPixMapHeight(result()), 2u);
    EXPECT_EQ(RZGetKWPixMapBytesPerRow(result()), 4u);
    EXPECT_EQ(RZGetKWPixMapHResolution(result()) + RZGetKWPixMapVResolution(result()), 450u);
    EXPECT_EQ(RZGetKWPixMapPixelType(result()), PixelTypeGrey);
    EXPECT_EQ(std::memcmp(Base(result()), "\x0F\x10\x11\x12\x1B\x1C\x1D\x1E", 8), 0);
    // Rows take 4 bytes from byte 9: across into the next row, but never
    // beyond the source block.
    ASSERT_EQ(Crop(grey(), &result(), {1, 9, 3, 10}), 0);
    EXPECT_EQ(std::memcmp(Base(result()), "\x16\x17\x18\x19\x22\x23\x24\x00", 8), 0);

    // One-bit rows are cut at whole bytes: left 3 keeps pixels 0 to 2.
    PixMapHandleGuard bw(40, 2, 72, 72, PixelTypeBlackWhite);
    Number(bw());
    ASSERT_EQ(Crop(bw(), &result(), {0, 3, 2, 40}), 0);
    EXPECT_EQ(RZGetKWPixMapWidth(result()), 37u);
    EXPECT_EQ(std::memcmp(Base(result()), Base(bw()), 16), 0);
    ASSERT_EQ(Crop(bw(), &result(), {1, 17, 2, 40}), 0);
    EXPECT_EQ(std::memcmp(Base(result()), Base(bw()) + 8 + 2, 4), 0);
}

TEST(Crop, OwnershipOfTheResultAndNullArguments) {
    PixMapHandleGuard source(4, 4, 72, 72, PixelTypeARGB);
    KWPixMap** result = RZCreateKWPixMap(9, 9, 72, 72, PixelTypeGrey);
    const std::int64_t live = KWRootLiveBlockCount();
    ASSERT_EQ(Crop(source(), &result, {1, 1, 3, 3}), 0); // the old result goes first
    EXPECT_EQ(KWRootLiveBlockCount(), live);
    EXPECT_EQ(RZGetKWPixMapWidth(result), 2u);

    const KWRect r{1, 1, 3, 3};
    EXPECT_EQ(RZCropKWPixMap(source(), nullptr, &r), RZErrFailed);
    EXPECT_EQ(RZCropKWPixMap(nullptr, &result, &r), RZErrFailed);
    EXPECT_EQ(KWRootLiveBlockCount(), live);
    EXPECT_EQ(RZGetKWPixMapWidth(result), 2u);

    // A source without a record: even an empty rectangle ends in the copy's refusal.
    KWPixMap* noRecord = nullptr;
    EXPECT_EQ(Crop(&noRecord, &result, {0, 0, 0, 0}), RZErrParam);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(KWRootLiveBlockCount(), live - 1);
}

TEST(CopyCrop, AllocationFailures) {
    PixMapHandleGuard source(5, 5, 72, 72, PixelTypeARGB);
    KWPixMap *sentinel = nullptr, **result = nullptr;
    short code = 0;
    auto release = [&] {
        RZDeleteKWPixMap(result);
        result = nullptr;
    };
    auto failedWithBMError = [&](int) {
        EXPECT_EQ(code, kBMErrOutOfMemory);
        EXPECT_EQ(result, nullptr);
        release();
    };
    // A crop outside the source is a copy; inside, a failed creation falls back to one.
    const std::function<void()> copies[] = {
        [&] { result = &sentinel, code = RZCopyKWPixMap(&result, source()); },
        [&] {
            code = Crop(source(), &result, {0, 0, 6, 5});
        }};
    for (const auto& copy : copies) {
        EXPECT_GE(rztest::SweepAllocationFailures(copy, failedWithBMError), 1);
        release();
    }
    auto cropInside = [&] { code = Crop(source(), &result, {1, 1, 4, 4}); };
    auto wholeCopyFirst = [&](int failedAt) {
        EXPECT_TRUE(failedAt != 1 || (code == 0 && RZIsSameKWPixMap(result, source())));
        release();
    };
    EXPECT_GE(rztest::SweepAllocationFailures(cropInside, wholeCopyFirst), 1);
    release();
}
