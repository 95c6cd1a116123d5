// The statuses our GDI+ gives for bad arguments and dead or foreign objects;
// none of them crashes or allocates what it cannot use.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/GdiFixtures.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;
using rztest::ArgbBitmap;

namespace {

TEST(GdiPlusFailures, BadArgumentsGiveStatusesAndNoCrash) {
    GpBitmap* bitmap = nullptr;
    std::uint32_t memory[16] = {};
    auto* scan0 = reinterpret_cast<BYTE*>(memory);
    // No width; a stride not a multiple of 4 or shorter than a row; no format.
    for (auto [width, stride, format] : {std::tuple{0, 16, PixelFormat32bppARGB},
                                         {4, 6, PixelFormat32bppARGB},
                                         {4, 8, PixelFormat32bppARGB},
                                         {4, 16, PixelFormat(0x12345)}})
        EXPECT_EQ(GdipCreateBitmapFromScan0(width, 4, stride, format, scan0, &bitmap),
                  InvalidParameter);
    EXPECT_EQ(bitmap, nullptr);
    // No graphics on indexed or extended formats.
    for (PixelFormat format : {PixelFormat8bppIndexed, PixelFormat48bppRGB}) {
        Bitmap unsupported(2, 2, 16, format, scan0);
        Graphics graphics(&unsupported);
        EXPECT_NE(graphics.GetLastStatus(), Ok);
    }
    // Dead or foreign objects are refused.
    ASSERT_EQ(GdipCreateBitmapFromScan0(4, 4, 16, PixelFormat32bppARGB, scan0, &bitmap), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(bitmap, &graphics), Ok);
    EXPECT_EQ(GdipDrawImageRectRectI(graphics, nullptr, 0, 0, 1, 1, 0, 0, 1, 1, UnitPixel, nullptr,
                                     nullptr, nullptr),
              InvalidParameter);
    auto* foreign = reinterpret_cast<GpImageAttributes*>(memory);
    EXPECT_EQ(GdipDrawImageRectRectI(graphics, bitmap, 0, 0, 1, 1, 0, 0, 1, 1, UnitPixel, foreign,
                                     nullptr, nullptr),
              InvalidParameter);
    EXPECT_EQ(GdipSetCompositingMode(graphics, CompositingMode(7)), InvalidParameter);
    EXPECT_EQ(GdipSetWorldTransform(graphics, nullptr), InvalidParameter);
    EXPECT_EQ(GdipDisposeImage(bitmap), Ok);
    EXPECT_EQ(GdipDisposeImage(bitmap), InvalidParameter);
    EXPECT_EQ(GdipDrawImageRectRectI(graphics, bitmap, 0, 0, 1, 1, 0, 0, 1, 1, UnitPixel, nullptr,
                                     nullptr, nullptr),
              InvalidParameter);
    EXPECT_EQ(GdipDeleteGraphics(graphics), Ok);
    EXPECT_EQ(GdipDeleteGraphics(graphics), InvalidParameter);
    EXPECT_EQ(GdipCreateFromHDC(reinterpret_cast<HDC>(std::uintptr_t(0x70)), &graphics),
              OutOfMemory);
    EXPECT_EQ(GdipFlush(nullptr, FlushIntentionFlush), InvalidParameter);
    // A graphics whose DC is gone fails its draws.
    HDC dc = CreateCompatibleDC(nullptr);
    Graphics onDC(dc);
    EXPECT_EQ(onDC.GetLastStatus(), Ok);
    DeleteDC(dc);
    ArgbBitmap tiny(2, 2), canvas(4, 4);
    EXPECT_EQ(rztest::Draw(onDC, tiny.bitmap, Rect(0, 0, 1, 1)), Win32Error);
    // A source rectangle far beyond a tiny image is refused, not allocated.
    Graphics onCanvas(&canvas.bitmap);
    EXPECT_EQ(onCanvas.DrawImage(&tiny.bitmap, Rect(0, 0, 4, 4), 0, 0, 100000, 100000, UnitPixel),
              OutOfMemory);
    EXPECT_EQ(onCanvas.DrawImage(&tiny.bitmap, Rect(0, 0, 4, 4), 0, 0, 2, 2, UnitInch),
              NotImplemented);
    // Startup hands out tokens.
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    EXPECT_TRUE(GdiplusStartup(&token, &input, nullptr) == Ok && token != 0);
    GdiplusShutdown(token);
    EXPECT_EQ(GdiplusStartup(nullptr, &input, nullptr), InvalidParameter);
}

} // namespace
