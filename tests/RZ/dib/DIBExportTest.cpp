// Pixel maps out as BITMAPINFO blocks and packed DIBs: exact bytes and block
// sizes, a pixel-by-pixel oracle built on RZGetKWPixMapPixel, refusals, and
// what is left when the block cannot be had.
#include <random>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include "DIBTestSupport.h"
#include "RZ/platform/PointerBlock.h"
#include "support/LeakCheck.h"

using rz::platform::PointerBlock;
using namespace rztest;
using namespace dibtest;

namespace {

ByteVector BytesOf(const void* block, int size) {
    return ByteVector(static_cast<const unsigned char*>(block),
                      static_cast<const unsigned char*>(block) + size);
}

// The header and what follows it, as the export writes them: 72 dpi unless
// told otherwise.
ByteVector Expected(LONG width, LONG height, int bits, DWORD compression, DWORD sizeImage,
                    const ByteVector& rest, LONG xPerMetre = 2834, LONG yPerMetre = 2834) {
    BITMAPINFOHEADER header = DibHeader(width, height, bits, compression, 0, sizeImage);
    header.biXPelsPerMeter = xPerMetre;
    header.biYPelsPerMeter = yPerMetre;
    return Dib(header, {rest});
}

const ByteVector kBlackWhite = {0, 0, 0, 0, 255, 255, 255, 0};

} // namespace

TEST(CreateBMIFromKWPixMap, DescribesEachPixelTypeWithItsTableAndBlockSize) {
    // Each table is followed by four spare zero bytes: 52, 1068, 44 and 56 bytes in all.
    ByteVector blackWhite = kBlackWhite, greyRamp(1024 + 4, 0), masks(12 + 4, 0), none(4, 0);
    blackWhite.resize(8 + 4, 0);
    for (int i = 0; i < 1024; ++i) greyRamp[i] = i % 4 == 3 ? 0 : i / 4;
    masks[1] = masks[6] = masks[11] = 0xFF; // red in byte 1, green in byte 2, blue in byte 3
    // clang-format off
    const std::tuple<KWPixelType, bool, int, DWORD, DWORD, const ByteVector&> cases[] = {
        {PixelTypeBlackWhite, true, 1, BI_RGB, 28, blackWhite}, // type, bit fields asked, bits,
        {PixelTypeGrey, true, 8, BI_RGB, 84, greyRamp},         // compression, image size, table
        {PixelTypeARGB, false, 32, BI_RGB, 280, none},
        {PixelTypeARGB, true, 32, BI_BITFIELDS, 280, masks},
        {PixelTypeARGBDirect, true, 32, BI_BITFIELDS, 280, masks}};
    // clang-format on
    for (const auto& [type, bitFields, bits, compression, sizeImage, table] : cases) {
        PixMapHandleGuard map(10, 7, 96, 300, type);
        BITMAPINFO* info = nullptr;
        ASSERT_EQ(CreateBMIFromKWPixMap(map(), &info, bitFields), 0);
        const PointerBlock owner(reinterpret_cast<char*>(info));
        const ByteVector expected =
            Expected(10, -7, bits, compression, sizeImage, table, 3779, 11811);
        ASSERT_EQ(PointerBlockSize(info), int(expected.size())) << type;
        EXPECT_EQ(BytesOf(info, expected.size()), expected) << type;
    }
}

TEST(RZKWPixMap2DIB, ExportsAOneBitMapWithPaddedRowsBottomUp) {
    PixMapHandleGuard map(10, 3, 72, 72, PixelTypeBlackWhite);
    for (int y = 0; y < 3; ++y) {
        unsigned char* row = Row(map(), y);
        row[0] = 0x10 + y;
        row[1] = 0xC0 | y;      // bits past the width are copied as they are
        row[2] = row[3] = 0xEE; // the map's padding is not
    }
    // Stored row 0 is the bottom map row (2). A rectangle of height 0 gives
    // the header and the table, no rows.
    const ByteVector rows = {0x12, 0xC2, 0, 0, 0x11, 0xC1, 0, 0, 0x10, 0xC0, 0, 0};
    const KWRect whole{0, 0, 3, 10}, flat{2, 0, 2, 10};
    for (const auto& [rect, expected] :
         {std::pair(whole, Expected(10, 3, 1, BI_RGB, 12, Dib(kBlackWhite, {rows}))),
          std::pair(flat, Expected(10, 0, 1, BI_RGB, 0, kBlackWhite))}) {
        PointerBlock dib;
        unsigned int size = 0;
        ASSERT_EQ(RZKWPixMap2DIB(map(), &rect, dib.Out(), &size), 0);
        ASSERT_EQ(size, expected.size());
        EXPECT_EQ(BytesOf(dib.Get(), size), expected);
    }
}

TEST(RZKWPixMap2DIB, MatchesAPixelOracleForEveryTypeAndRectangle) {
    std::mt19937 random(7);
    for (int round = 0; round < 80; ++round) {
        const auto type = KWPixelType(round % 4);
        const int width = 1 + random() % 70, height = 1 + random() % 9;
        PixMapHandleGuard map(width, height, 72, 72, type);
        Randomise(map(), random);
        KWRect rect{int(random() % height), int(random() % width), 0, 0};
        if (type == PixelTypeBlackWhite) rect.left &= ~7; // bits are not shifted
        rect.bottom = rect.top + random() % (height - rect.top + 1);
        rect.right = rect.left + random() % (width - rect.left + 1);
        PointerBlock dib;
        ASSERT_EQ(RZKWPixMap2DIB(map(), &rect, dib.Out(), nullptr), 0);
        const int bits = type == PixelTypeBlackWhite ? 1 : type == PixelTypeGrey ? 8 : 32;
        const int w = rect.right - rect.left, h = rect.bottom - rect.top,
                  rowBytes = DibRowBytes(w, bits);
        const auto* pixels = dib.As<unsigned char>() + 40 + (bits == 1 ? 8 : bits == 8 ? 1024 : 0);
        for (int i = 0; i < w * h; ++i) {
            const int x = i % w, y = i / w;
            const unsigned char* row = pixels + (h - 1 - y) * rowBytes;
            // The DIB's pixel as the getter expands it.
            const auto v = static_cast<unsigned char>(
                bits == 8 ? row[x] : (row[x / 8] >> (7 - x % 8) & 1) * 255);
            const unsigned char* p = row + 4 * x * (bits / 32);
            const Colour fromDib = bits == 32 ? Colour{p[3], p[2], p[1], p[0]} : Colour{0, v, v, v};
            ASSERT_EQ(fromDib, Pixel(map(), rect.left + x, rect.top + y)) << x << "," << y;
        }
        const int used = bits == 1 ? (w + 7) / 8 : w * bits / 8; // the padding stays zero
        for (int y = 0; y < h; ++y)
            ASSERT_EQ(BytesOf(pixels + y * rowBytes + used, rowBytes - used),
                      ByteVector(rowBytes - used, 0));
    }
}

TEST(DIBExport, RefusesBadArguments) {
    PixMapHandleGuard map(9, 9, 72, 72, PixelTypeGrey);
    KWPixMap* nullRecord = nullptr;
    char* dib = reinterpret_cast<char*>(&map); // any non-null value
    BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(&map);
    EXPECT_EQ(CreateBMIFromKWPixMap(map(), nullptr, false), RZErrFailed);
    EXPECT_EQ(CreateBMIFromKWPixMap(nullptr, &info, false), RZErrFailed);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(CreateBMIFromKWPixMap(&nullRecord, &info, true), RZErrFailed);
    EXPECT_EQ(RZKWPixMap2DIB(map(), nullptr, nullptr, nullptr), RZErrFailed);
    for (const KWRect& rect : {KWRect{0, 0, 10, 9}, KWRect{0, 0, 9, 10}, KWRect{-1, 0, 9, 9},
                               KWRect{0, -1, 9, 9}, KWRect{3, 0, 2, 9}, KWRect{0, 3, 9, 2}}) {
        EXPECT_EQ(RZKWPixMap2DIB(map(), &rect, &dib, nullptr) +
                      RZKWPixMap2DIB(nullptr, &rect, &dib, nullptr),
                  2 * RZErrFailed);
        EXPECT_EQ(dib, nullptr);
        dib = reinterpret_cast<char*>(&map);
    }
}
