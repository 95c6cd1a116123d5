// Pixel maps out as BITMAPINFO blocks and packed DIBs: exact bytes and block
// sizes, a pixel-by-pixel oracle built on RZGetKWPixMapPixel, and refusals.
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

// The colour table the export writes for a depth: black and white, a grey
// ramp, or none.
ByteVector Table(int bits) {
    if (bits == 1) return {0, 0, 0, 0, 255, 255, 255, 0};
    ByteVector ramp(bits == 8 ? 1024 : 0);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = i % 4 == 3 ? 0 : i / 4;
    return ramp;
}

} // namespace

TEST(CreateBMIFromKWPixMap, DescribesEachPixelTypeWithItsTableAndBlockSize) {
    // Each table is followed by four spare zero bytes: 52, 1068, 44 and 56 bytes in all.
    ByteVector masks(12, 0);
    masks[1] = masks[6] = masks[11] = 0xFF; // red in byte 1, green in byte 2, blue in byte 3
    // clang-format off
    const std::tuple<KWPixelType, bool, int, DWORD, DWORD, ByteVector> cases[] = {
        {PixelTypeBlackWhite, true, 1, BI_RGB, 28, Table(1)}, // type, bit fields asked, bits,
        {PixelTypeGrey, true, 8, BI_RGB, 84, Table(8)},       // compression, image size, table
        {PixelTypeARGB, false, 32, BI_RGB, 280, {}},
        {PixelTypeARGB, true, 32, BI_BITFIELDS, 280, masks},
        {PixelTypeARGBDirect, true, 32, BI_BITFIELDS, 280, masks}};
    // clang-format on
    for (const auto& [type, bitFields, bits, compression, sizeImage, table] : cases) {
        PixMapHandleGuard map(10, 7, 96, 300, type);
        BITMAPINFO* info = nullptr;
        ASSERT_EQ(CreateBMIFromKWPixMap(map(), &info, bitFields), 0);
        const PointerBlock owner(reinterpret_cast<char*>(info));
        const ByteVector expected = Expected(10, -7, bits, compression, sizeImage,
                                             Dib(table, {ByteVector(4, 0)}), 3779, 11811);
        ASSERT_EQ(PointerBlockSize(info), int(expected.size())) << type;
        EXPECT_EQ(BytesOf(info, expected.size()), expected) << type;
    }
}

// Header, table, rows bottom-up: pixels as the getter gives them, one-bit
// rows byte for byte (bits past the width included), zero padding.
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
        unsigned size = 0;
        ASSERT_EQ(RZKWPixMap2DIB(map(), &rect, dib.Out(), &size), 0);
        const int bits = type == PixelTypeBlackWhite ? 1 : type == PixelTypeGrey ? 8 : 32;
        const int w = rect.right - rect.left, h = rect.bottom - rect.top,
                  rowBytes = DibRowBytes(w, bits);
        const ByteVector head = Expected(w, h, bits, BI_RGB, rowBytes * h, Table(bits));
        ASSERT_EQ(size, head.size() + rowBytes * h);
        EXPECT_EQ(BytesOf(dib.Get(), head.size()), head);
        const auto* pixels = dib.As<unsigned char>() + head.size();
        const int used = bits == 1 ? (w + 7) / 8 : w * bits / 8; // the padding stays zero
        for (int y = 0; y < h; ++y) {
            const unsigned char* row = pixels + (h - 1 - y) * rowBytes;
            ASSERT_EQ(BytesOf(row + used, rowBytes - used), ByteVector(rowBytes - used, 0));
            if (bits == 1) {
                ASSERT_EQ(BytesOf(row, used),
                          BytesOf(Row(map(), rect.top + y) + rect.left / 8, used));
            }
            for (int x = 0; bits > 1 && x < w; ++x) {
                const unsigned char* p = row + 4 * x * (bits / 32);
                const Colour fromDib =
                    bits == 32 ? Colour{p[3], p[2], p[1], p[0]} : Colour{0, row[x], row[x], row[x]};
                ASSERT_EQ(fromDib, Pixel(map(), rect.left + x, rect.top + y)) << x << "," << y;
            }
        }
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
