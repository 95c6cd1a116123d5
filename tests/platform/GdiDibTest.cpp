// GDI as a host uses it for device-independent bitmaps: DIB sections of 24
// and 32 bits, top-down and bottom-up, selected into memory DCs, copied with
// BitBlt and read back with GetDIBits. Both the real GDI and ours must agree
// to the byte. Nothing here depends on the memory DC's own depth (Wine
// reports the screen's).
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "RZ/platform/WindowsImaging.h"

namespace {

constexpr int kWidth = 7; // 21 bytes of 24-bit pixels: rows need padding
constexpr int kHeight = 5;

int Stride(int bitCount) {
    return (kWidth * bitCount / 8 + 3) & ~3;
}

BITMAPINFO Header(int bitCount, bool topDown) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = topDown ? -kHeight : kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(bitCount);
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A DIB section with its pixels reachable by (x, y) from the top.
struct Dib {
    int bitCount;
    bool topDown;
    HBITMAP bitmap = nullptr;
    BYTE* bits = nullptr;

    Dib(int bitCount_, bool topDown_) : bitCount(bitCount_), topDown(topDown_) {
        const BITMAPINFO info = Header(bitCount, topDown);
        void* memory = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        bits = static_cast<BYTE*>(memory);
    }
    ~Dib() {
        if (bitmap != nullptr) DeleteObject(bitmap);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    BYTE* At(int x, int y) const {
        const int row = topDown ? y : kHeight - 1 - y;
        return bits + std::size_t(row) * Stride(bitCount) + std::size_t(x) * (bitCount / 8);
    }
    // Blue, green, red (and the fourth byte for 32 bits) of pixel (x, y).
    std::uint32_t Pixel(int x, int y) const {
        const BYTE* p = At(x, y);
        return p[0] | p[1] << 8 | p[2] << 16 | (bitCount == 32 ? std::uint32_t(p[3]) << 24 : 0u);
    }
    void Fill(std::uint32_t seed) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                for (int i = 0; i < bitCount / 8; ++i)
                    At(x, y)[i] = BYTE(seed + 37 * x + 101 * y + 59 * i);
    }
};

// A memory DC holding a bitmap for as long as it lives.
struct MemoryDC {
    HDC dc;
    HGDIOBJ previous;
    explicit MemoryDC(HBITMAP bitmap) : dc(CreateCompatibleDC(nullptr)) {
        previous = dc != nullptr ? SelectObject(dc, bitmap) : nullptr;
    }
    ~MemoryDC() {
        if (dc == nullptr) return;
        SelectObject(dc, previous);
        DeleteDC(dc);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
};

TEST(GdiDib, DibSectionsHaveDwordAlignedRowsOverTheirOwnMemory) {
    for (int bitCount : {24, 32})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << bitCount << " bits, top-down " << topDown);
            Dib dib(bitCount, topDown);
            ASSERT_NE(dib.bitmap, nullptr);
            ASSERT_NE(dib.bits, nullptr);
            BITMAP shape;
            ASSERT_EQ(GetObject(dib.bitmap, sizeof shape, &shape), int(sizeof shape));
            EXPECT_EQ(shape.bmWidth, kWidth);
            EXPECT_EQ(shape.bmHeight, kHeight);
            EXPECT_EQ(shape.bmBitsPixel, bitCount);
            EXPECT_EQ(shape.bmWidthBytes, Stride(bitCount));
            EXPECT_EQ(shape.bmBits, dib.bits);
        }
}

TEST(GdiDib, BitBltSourceCopyMovesPixelsBetweenMemoryDCs) {
    for (int bitCount : {24, 32})
        for (bool sourceTopDown : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << bitCount << " bits, source top-down " << sourceTopDown);
            Dib source(bitCount, sourceTopDown), target(bitCount, !sourceTopDown);
            ASSERT_NE(source.bits, nullptr);
            ASSERT_NE(target.bits, nullptr);
            source.Fill(3);
            target.Fill(200);
            Dib before(bitCount, true);
            ASSERT_NE(before.bits, nullptr);
            for (int y = 0; y < kHeight; ++y)
                std::memcpy(before.At(0, y), target.At(0, y), std::size_t(Stride(bitCount)));
            {
                MemoryDC from(source.bitmap), to(target.bitmap);
                ASSERT_NE(from.dc, nullptr);
                ASSERT_NE(to.dc, nullptr);
                // A 4 x 3 block from (2, 1) to (1, 2).
                ASSERT_TRUE(BitBlt(to.dc, 1, 2, 4, 3, from.dc, 2, 1, SRCCOPY));
            }
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const bool copied = x >= 1 && x < 5 && y >= 2 && y < 5;
                    const std::uint32_t want =
                        copied ? source.Pixel(x + 1, y - 1) : before.Pixel(x, y);
                    EXPECT_EQ(target.Pixel(x, y), want) << "at " << x << ", " << y;
                }
        }
}

TEST(GdiDib, BitBltFrom24To32BitsKeepsColours) {
    Dib source(24, false), target(32, true);
    ASSERT_NE(source.bits, nullptr);
    ASSERT_NE(target.bits, nullptr);
    source.Fill(11);
    {
        MemoryDC from(source.bitmap), to(target.bitmap);
        ASSERT_TRUE(BitBlt(to.dc, 0, 0, kWidth, kHeight, from.dc, 0, 0, SRCCOPY));
    }
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            EXPECT_EQ(target.Pixel(x, y) & 0xFFFFFFu, source.Pixel(x, y))
                << "at " << x << ", " << y;
}

TEST(GdiDib, GetDIBitsReturnsTheSectionPixelsInEitherRowOrder) {
    for (int bitCount : {24, 32})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << bitCount << " bits, top-down " << topDown);
            Dib dib(bitCount, !topDown);
            ASSERT_NE(dib.bits, nullptr);
            dib.Fill(77);
            HDC dc = CreateCompatibleDC(nullptr);
            ASSERT_NE(dc, nullptr);
            BITMAPINFO info = Header(bitCount, topDown);
            std::vector<BYTE> buffer(std::size_t(Stride(bitCount)) * kHeight, 0xA5);
            EXPECT_EQ(GetDIBits(dc, dib.bitmap, 0, kHeight, buffer.data(), &info, DIB_RGB_COLORS),
                      kHeight);
            DeleteDC(dc);
            for (int y = 0; y < kHeight; ++y) {
                const int row = topDown ? y : kHeight - 1 - y;
                EXPECT_EQ(std::memcmp(buffer.data() + std::size_t(row) * Stride(bitCount),
                                      dib.At(0, y), std::size_t(kWidth) * (bitCount / 8)),
                          0)
                    << "row " << y;
            }
        }
}

TEST(GdiDib, GetDIBitsAs32BitsOfA24BitSectionKeepsColours) {
    Dib dib(24, true);
    ASSERT_NE(dib.bits, nullptr);
    dib.Fill(5);
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    BITMAPINFO info = Header(32, true);
    std::vector<std::uint32_t> buffer(std::size_t(kWidth) * kHeight, 0xA5A5A5A5u);
    EXPECT_EQ(GetDIBits(dc, dib.bitmap, 0, kHeight, buffer.data(), &info, DIB_RGB_COLORS), kHeight);
    DeleteDC(dc);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            EXPECT_EQ(buffer[std::size_t(y) * kWidth + x] & 0xFFFFFFu, dib.Pixel(x, y))
                << "at " << x << ", " << y;
}

} // namespace
