// GDI+ as a host sees it once its test main has started it: bitmaps over the
// caller's memory, read and written in place, and a source-copy identity draw
// that moves every visible pixel unchanged. Both the real GDI+ and ours must
// agree.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "RZ/platform/WindowsImaging.h"

namespace {

using Gdiplus::Bitmap;
using Gdiplus::Color;

constexpr int kWidth = 4;
constexpr int kHeight = 3;
constexpr int kStride = kWidth * 4;

// Distinct values in every channel, with opaque, transparent and partial alpha.
std::vector<std::uint32_t> SourcePixels() {
    std::vector<std::uint32_t> pixels(kWidth * kHeight);
    const std::uint32_t alphas[] = {0xFF, 0x00, 0x80, 0x01};
    for (int i = 0; i < kWidth * kHeight; ++i)
        pixels[i] = alphas[i % 4] << 24 | std::uint32_t(17 * i) << 16 |
                    std::uint32_t(255 - 13 * i) << 8 | std::uint32_t(40 + 7 * i);
    return pixels;
}

BYTE* Bytes(std::vector<std::uint32_t>& pixels) { return reinterpret_cast<BYTE*>(pixels.data()); }

TEST(GdiPlusHost, BitmapOverCallerMemoryReadsAndWritesInPlace) {
    auto pixels = SourcePixels();
    Bitmap bitmap(kWidth, kHeight, kStride, PixelFormat32bppARGB, Bytes(pixels));
    ASSERT_EQ(bitmap.GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(bitmap.GetWidth(), UINT(kWidth));
    EXPECT_EQ(bitmap.GetHeight(), UINT(kHeight));

    Color colour;
    ASSERT_EQ(bitmap.GetPixel(2, 1, &colour), Gdiplus::Ok);
    EXPECT_EQ(colour.GetValue(), pixels[1 * kWidth + 2]);

    ASSERT_EQ(bitmap.SetPixel(3, 2, Color(0x12, 0x34, 0x56, 0x78)), Gdiplus::Ok);
    EXPECT_EQ(pixels[2 * kWidth + 3], 0x12345678u);
}

TEST(GdiPlusHost, SourceCopyIdentityDrawMovesEveryByte) {
    auto source = SourcePixels();
    std::vector<std::uint32_t> target(kWidth * kHeight, 0x11223344u);
    {
        Bitmap from(kWidth, kHeight, kStride, PixelFormat32bppARGB, Bytes(source));
        Bitmap to(kWidth, kHeight, kStride, PixelFormat32bppARGB, Bytes(target));
        ASSERT_EQ(from.GetLastStatus(), Gdiplus::Ok);
        ASSERT_EQ(to.GetLastStatus(), Gdiplus::Ok);
        Gdiplus::Graphics graphics(&to);
        ASSERT_EQ(graphics.GetLastStatus(), Gdiplus::Ok);
        graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        ASSERT_EQ(graphics.DrawImage(&from, Gdiplus::Rect(0, 0, kWidth, kHeight), 0, 0, kWidth,
                                     kHeight, Gdiplus::UnitPixel),
                  Gdiplus::Ok);
        graphics.Flush();
    }
    for (int i = 0; i < kWidth * kHeight; ++i) {
        // Wine's GDI+ clears the colour of a fully transparent pixel on the
        // way; only its alpha is common ground.
        if (source[i] >> 24 == 0)
            EXPECT_EQ(target[i] >> 24, 0u) << "pixel " << i % kWidth << ", " << i / kWidth;
        else
            EXPECT_EQ(target[i], source[i]) << "pixel " << i % kWidth << ", " << i / kWidth;
    }
}

} // namespace
