// Pixel maps out as BITMAPINFO blocks and packed DIBs: exact bytes and block
// sizes, and a pixel-by-pixel oracle built on RZGetKWPixMapPixel.
#include <gtest/gtest.h>

#include "DIBTestSupport.h"
#include "support/LeakCheck.h"

using dibtest::BlockOwner;
using dibtest::MapOwner;

namespace {

const BITMAPINFOHEADER& HeaderOf(const char* block) {
    return *reinterpret_cast<const BITMAPINFOHEADER*>(block);
}

const unsigned char* BytesOf(const void* block) {
    return static_cast<const unsigned char*>(block);
}

} // namespace

TEST(CreateBMIFromKWPixMap, DescribesEachPixelTypeWithItsTableAndBlockSize) {
    struct Case {
        KWPixelType type;
        bool bitFields;
        int blockSize;
        int bits;
        DWORD compression;
    };
    for (const Case& c :
         {Case{PixelTypeBlackWhite, true, 52, 1, BI_RGB},
          Case{PixelTypeGrey, true, 1068, 8, BI_RGB}, Case{PixelTypeARGB, false, 44, 32, BI_RGB},
          Case{PixelTypeARGB, true, 56, 32, BI_BITFIELDS},
          Case{PixelTypeARGBDirect, true, 56, 32, BI_BITFIELDS}}) {
        SCOPED_TRACE(c.blockSize);
        MapOwner map(RZCreateKWPixMap(10, 7, 96, 300, c.type));
        BITMAPINFO* info = nullptr;
        ASSERT_EQ(CreateBMIFromKWPixMap(map.map, &info, c.bitFields), 0);
        BlockOwner owner{reinterpret_cast<char*>(info)};
        const BITMAPINFOHEADER& h = info->bmiHeader;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, 10);
        EXPECT_EQ(h.biHeight, -7);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, c.bits);
        EXPECT_EQ(h.biCompression, c.compression);
        EXPECT_EQ(h.biSizeImage, 7 * RZGetKWPixMapBytesPerRow(map.map));
        EXPECT_EQ(h.biXPelsPerMeter, 3779);
        EXPECT_EQ(h.biYPelsPerMeter, 11811);
        EXPECT_EQ(h.biClrUsed, 0u);
        EXPECT_EQ(h.biClrImportant, 0u);
        const unsigned char* table = BytesOf(info) + 40;
        if (c.type == PixelTypeBlackWhite) {
            const unsigned char expected[8] = {0, 0, 0, 0, 255, 255, 255, 0};
            EXPECT_EQ(std::memcmp(table, expected, 8), 0);
        } else if (c.type == PixelTypeGrey) {
            for (int i = 0; i < 256; ++i) {
                const unsigned char expected[4] = {static_cast<unsigned char>(i),
                                                   static_cast<unsigned char>(i),
                                                   static_cast<unsigned char>(i), 0};
                ASSERT_EQ(std::memcmp(table + 4 * i, expected, 4), 0) << i;
            }
        } else if (c.bitFields) {
            const unsigned char masks[12] = {0, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF};
            EXPECT_EQ(std::memcmp(table, masks, 12), 0);
        }
        // The spare bytes at the end of the block are there and zero (an
        // out-of-block read here is what the sanitizer build catches).
        for (int i = c.blockSize - 4; i < c.blockSize; ++i) EXPECT_EQ(BytesOf(info)[i], 0) << i;
    }
}

TEST(CreateBMIFromKWPixMap, RefusesNullArgumentsWithoutAllocating) {
    MapOwner map(RZCreateKWPixMap(2, 2, 72, 72, PixelTypeARGB));
    EXPECT_EQ(CreateBMIFromKWPixMap(map.map, nullptr, false), RZErrFailed);
    BITMAPINFO* info = reinterpret_cast<BITMAPINFO*>(&map); // any non-null value
    EXPECT_EQ(CreateBMIFromKWPixMap(nullptr, &info, false), RZErrFailed);
    EXPECT_EQ(info, nullptr);
    KWPixMap* nullRecord = nullptr;
    EXPECT_EQ(CreateBMIFromKWPixMap(&nullRecord, &info, true), RZErrFailed);
}

TEST(CreateBMIFromKWPixMap, PassesOnTheAllocatorsCodeWhenTheBlockCannotBeHad) {
    MapOwner map(RZCreateKWPixMap(5, 5, 72, 72, PixelTypeGrey));
    BITMAPINFO* info = nullptr;
    short result = 0;
    const int allocations = rztest::SweepAllocationFailures(
        [&] {
            result = CreateBMIFromKWPixMap(map.map, &info, false);
            BlockOwner owner{reinterpret_cast<char*>(info)};
        },
        [&](int) {
            EXPECT_EQ(result, BMError());
            EXPECT_NE(result, 0);
            EXPECT_EQ(info, nullptr);
        });
    EXPECT_EQ(allocations, 1);
}

TEST(RZKWPixMap2DIB, ExportsAOneBitMapWithPaddedRowsBottomUp) {
    MapOwner map(RZCreateKWPixMap(10, 3, 72, 72, PixelTypeBlackWhite));
    for (int y = 0; y < 3; ++y) {
        unsigned char* row = dibtest::Row(map.map, y);
        row[0] = static_cast<unsigned char>(0x10 + y);
        row[1] = static_cast<unsigned char>(0xC0 | y); // bits past the width are copied as they are
        row[2] = row[3] = 0xEE;                        // padding of the map is not
    }
    BlockOwner dib;
    unsigned int size = 0;
    ASSERT_EQ(RZKWPixMap2DIB(map.map, nullptr, &dib.block, &size), 0);
    ASSERT_EQ(size, 40u + 8 + 4 * 3);
    const BITMAPINFOHEADER& h = HeaderOf(dib.block);
    EXPECT_EQ(h.biWidth, 10);
    EXPECT_EQ(h.biHeight, 3);
    EXPECT_EQ(h.biBitCount, 1);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 12u);
    EXPECT_EQ(h.biXPelsPerMeter, 2834);
    EXPECT_EQ(h.biYPelsPerMeter, 2834);
    const unsigned char* bytes = BytesOf(dib.block);
    const unsigned char table[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    EXPECT_EQ(std::memcmp(bytes + 40, table, 8), 0);
    // Stored row 0 is the bottom map row (2).
    const unsigned char rows[12] = {0x12, 0xC2, 0, 0, 0x11, 0xC1, 0, 0, 0x10, 0xC0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes + 48, rows, 12), 0);
}

TEST(RZKWPixMap2DIB, ReversesThirtyTwoBitPixelsAndCopiesRectangles) {
    MapOwner map(RZCreateKWPixMap(8, 6, 72, 72, PixelTypeARGB));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const unsigned char c[4] = {
                static_cast<unsigned char>(0x10 + x), static_cast<unsigned char>(0x20 + y),
                static_cast<unsigned char>(0x30 + x + y), static_cast<unsigned char>(0x40 + x * y)};
            RZSetKWPixMapPixel(map.map, x, y, c);
        }
    const KWRect rect{2, 3, 5, 7};
    BlockOwner dib;
    unsigned int size = 0;
    ASSERT_EQ(RZKWPixMap2DIB(map.map, &rect, &dib.block, &size), 0);
    ASSERT_EQ(size, 40u + 4 * 4 * 3);
    EXPECT_EQ(HeaderOf(dib.block).biWidth, 4);
    EXPECT_EQ(HeaderOf(dib.block).biHeight, 3);
    EXPECT_EQ(HeaderOf(dib.block).biBitCount, 32);
    EXPECT_EQ(HeaderOf(dib.block).biSizeImage, 48u);
    // The last stored row holds map row 2, columns 3 to 6, as B G R A.
    const unsigned char* last = BytesOf(dib.block) + 40 + 2 * 16;
    for (int i = 0; i < 4; ++i) {
        const int x = 3 + i;
        const unsigned char expected[4] = {static_cast<unsigned char>(0x40 + x * 2),
                                           static_cast<unsigned char>(0x30 + x + 2), 0x22,
                                           static_cast<unsigned char>(0x10 + x)};
        EXPECT_EQ(std::memcmp(last + 4 * i, expected, 4), 0) << i;
    }
}

TEST(RZKWPixMap2DIB, MatchesAPixelOracleForEveryTypeAndRectangle) {
    std::mt19937 random(7);
    for (KWPixelType type :
         {PixelTypeARGB, PixelTypeARGBDirect, PixelTypeBlackWhite, PixelTypeGrey})
        for (int round = 0; round < 20; ++round) {
            const int width = 1 + static_cast<int>(random() % 70);
            const int height = 1 + static_cast<int>(random() % 9);
            MapOwner map(RZCreateKWPixMap(width, height, 72, 72, type));
            dibtest::Randomise(map.map, random);
            KWRect rect{static_cast<std::int32_t>(random() % height), 0, 0, 0};
            rect.bottom = rect.top + static_cast<std::int32_t>(random() % (height - rect.top + 1));
            rect.left = static_cast<std::int32_t>(random() % width);
            if (type == PixelTypeBlackWhite) rect.left &= ~7; // bits are not shifted
            rect.right = rect.left + static_cast<std::int32_t>(random() % (width - rect.left + 1));
            BlockOwner dib;
            unsigned int size = 0;
            ASSERT_EQ(RZKWPixMap2DIB(map.map, &rect, &dib.block, &size), 0);
            const int bits = RZGetKWPixMapPixelSize(map.map);
            const int w = rect.right - rect.left, h = rect.bottom - rect.top;
            const int rowBytes = (w * bits + 31) / 32 * 4;
            const int table = bits == 1 ? 8 : bits == 8 ? 1024 : 0;
            ASSERT_EQ(size, static_cast<unsigned>(40 + table + rowBytes * h));
            const unsigned char* pixels = BytesOf(dib.block) + 40 + table;
            for (int i = 0; i < h; ++i) {
                const unsigned char* row = pixels + (h - 1 - i) * rowBytes;
                for (int x = 0; x < w; ++x) {
                    const auto c = dibtest::Pixel(map.map, rect.left + x, rect.top + i);
                    if (bits == 32) {
                        const unsigned char expected[4] = {c[3], c[2], c[1], c[0]};
                        ASSERT_EQ(std::memcmp(row + 4 * x, expected, 4), 0);
                    } else if (bits == 8) {
                        ASSERT_EQ(row[x], c[1]);
                    } else {
                        ASSERT_EQ((row[x / 8] >> (7 - x % 8)) & 1, c[1] ? 1 : 0);
                    }
                }
                const int used = bits == 1 ? (w + 7) / 8 : w * bits / 8;
                for (int b = used; b < rowBytes; ++b) ASSERT_EQ(row[b], 0) << "padding";
            }
        }
}

TEST(RZKWPixMap2DIB, ExportsEmptyRectanglesAsBlocksWithoutRows) {
    MapOwner map(RZCreateKWPixMap(4, 4, 72, 72, PixelTypeGrey));
    const KWRect flat{2, 0, 2, 4};
    BlockOwner dib;
    unsigned int size = 0;
    ASSERT_EQ(RZKWPixMap2DIB(map.map, &flat, &dib.block, &size), 0);
    EXPECT_EQ(size, 40u + 1024);
    EXPECT_EQ(HeaderOf(dib.block).biHeight, 0);
    EXPECT_EQ(HeaderOf(dib.block).biSizeImage, 0u);
}

TEST(RZKWPixMap2DIB, RefusesNullArgumentsAndRectanglesOutsideTheMap) {
    MapOwner map(RZCreateKWPixMap(4, 4, 72, 72, PixelTypeARGB));
    char* dib = reinterpret_cast<char*>(&map);
    EXPECT_EQ(RZKWPixMap2DIB(nullptr, nullptr, &dib, nullptr), RZErrFailed);
    EXPECT_EQ(dib, nullptr);
    EXPECT_EQ(RZKWPixMap2DIB(map.map, nullptr, nullptr, nullptr), RZErrFailed);
    for (const KWRect& rect : {KWRect{0, 0, 5, 4}, KWRect{0, 0, 4, 5}, KWRect{-1, 0, 4, 4},
                               KWRect{0, -1, 4, 4}, KWRect{3, 0, 2, 4}, KWRect{0, 3, 4, 2}}) {
        EXPECT_EQ(RZKWPixMap2DIB(map.map, &rect, &dib, nullptr), RZErrFailed);
        EXPECT_EQ(dib, nullptr);
    }
}

TEST(RZKWPixMap2DIB, LeavesNothingBehindWhenTheBlockCannotBeHad) {
    MapOwner map(RZCreateKWPixMap(9, 9, 72, 72, PixelTypeARGB));
    char* dib = nullptr;
    unsigned int size = 12345;
    short result = 0;
    const int allocations = rztest::SweepAllocationFailures(
        [&] {
            size = 12345;
            result = RZKWPixMap2DIB(map.map, nullptr, &dib, &size);
            BlockOwner owner{dib};
        },
        [&](int) {
            EXPECT_EQ(result, BMError());
            EXPECT_NE(result, 0);
            EXPECT_EQ(dib, nullptr);
            EXPECT_EQ(size, 12345u);
        });
    EXPECT_EQ(allocations, 1);
}
