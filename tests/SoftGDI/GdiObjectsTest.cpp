// What only our GDI, user32 and GDI+ promise: displays of any depth and the
// device depth memory DCs keep, selection and lifetime rules, device bitmaps of 2 and
// 15 bits and the default colour tables, palettes, and the failure results
// for bad handles, dead or foreign objects, formats outside the set and sizes
// that cannot be allocated.
#include <gtest/gtest.h>

#include <set>

#include "SoftGDI/Display.h"
#include "platform/GdiFixtures.h"

using namespace rztest;
using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

// As on Windows, capabilities are the device's: a memory DC keeps those of
// the DC it was made compatible with (the screen's 32 bits by default, or a
// display's), whatever is selected; compatible bitmaps follow the selection,
// and a device bitmap goes only into a DC of its own depth unless monochrome.
TEST(GdiDeviceContexts, KeepTheirDevicesDepthAndHoldOneBitmapAtATime) {
    HDC other = CreateCompatibleDC(nullptr);
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        Section s(5, 3, bits);
        EXPECT_TRUE(s.previous && s.previous != HGDI_ERROR &&
                    GetCurrentObject(s.dc, OBJ_BITMAP) == s.bitmap);
        EXPECT_EQ(GetDeviceCaps(s.dc, BITSPIXEL) * GetDeviceCaps(s.dc, PLANES), 32);
        HBITMAP compatible = CreateCompatibleBitmap(s.dc, 7, 2);
        BITMAP shape{};
        EXPECT_EQ(GetObject(compatible, sizeof shape, &shape), int(sizeof shape));
        EXPECT_TRUE(shape.bmBitsPixel == bits && shape.bmWidth == 7);
        const HGDIOBJ held = SelectObject(other, compatible);
        EXPECT_EQ(held != nullptr, bits == 1 || bits == 32);
        if (held != nullptr) SelectObject(other, held);
        HDC display = SoftGdiCreateDisplayDC(bits, 6, 4), memory = CreateCompatibleDC(display);
        EXPECT_TRUE(GetDeviceCaps(display, BITSPIXEL) == bits &&
                    GetDeviceCaps(memory, BITSPIXEL) == bits &&
                    GetDeviceCaps(memory, HORZRES) == 6);
        EXPECT_TRUE(!SelectObject(display, compatible) && DeleteDC(memory) && DeleteDC(display) &&
                    DeleteObject(compatible));
    }
    EXPECT_EQ(SoftGdiCreateDisplayDC(2, 4, 4), nullptr);
    // A bitmap lives in one DC at a time and cannot be deleted while there;
    // the zero-size compatible bitmap is the placeholder that takes it out.
    Section a(4, 4, 24);
    EXPECT_TRUE(!SelectObject(other, a.bitmap) && !DeleteObject(a.bitmap));
    HBITMAP placeholder = CreateCompatibleBitmap(a.dc, 0, 0);
    EXPECT_EQ(SelectObject(a.dc, placeholder), a.bitmap);
    EXPECT_EQ(GetCurrentObject(a.dc, OBJ_BITMAP), placeholder);
    EXPECT_EQ(SelectObject(other, SelectObject(other, a.bitmap)), a.bitmap);
    EXPECT_TRUE(SelectObject(a.dc, a.bitmap) == placeholder && DeleteObject(placeholder));
    // Deleting a DC releases its bitmap, which then can be deleted.
    HDC screen = GetDC(nullptr);
    HBITMAP loose = CreateCompatibleBitmap(screen, 3, 3);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(SelectObject(other, loose) && !DeleteObject(loose) && DeleteDC(other) &&
                DeleteObject(loose) && GetObjectType(a.dc) == OBJ_MEMDC);
}

TEST(GdiDeviceBitmaps, KeepTheirDepthAndDefaultColours) {
    // 2 bits: indices 0, 1, 2, 3, 3, 2, 1, 0 four to a byte, rows 16-bit aligned.
    const unsigned char twoBit[] = {0x1B, 0xE4},
                        vga[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    const std::uint16_t fifteenBit[] = {0x7C00, 0x03E0, 0x001F, 0x7FFF};
    unsigned char all[256];
    for (int i = 0; i < 256; ++i) all[i] = static_cast<unsigned char>(i);
    const std::set<std::uint32_t> vgaColours = {
        0,        0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    HDC dc = CreateCompatibleDC(nullptr);
    // 2 bits: the bitmap's four greys; 15 bits: 5-5-5 words read at 16 bits;
    // 4 bits: the 16 colours of the VGA; 8 bits: 256 distinct colours.
    const struct {
        int bits, width, readAs;
        const void* rows;
        std::set<std::uint32_t> colours;
    } cases[] = {{2, 8, 4, twoBit, {0, 0x555555, 0xAAAAAA, 0xFFFFFF}},
                 {15, 4, 16, fifteenBit, {0xFF0000, 0xFF00, 0xFF, 0xFFFFFF}},
                 {4, 16, 4, vga, vgaColours},
                 {8, 256, 8, all, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits");
        HBITMAP bitmap = CreateBitmap(c.width, 1, 1, UINT(c.bits), c.rows);
        DibInfo query(0, 0, 0), read(c.width, 1, c.readAs);
        EXPECT_TRUE(GetDIBits(dc, bitmap, 0, 0, nullptr, query.get(), DIB_RGB_COLORS) &&
                    query.header.biBitCount == c.bits);
        std::vector<unsigned char> row(std::size_t(DibRowBytes(c.width, c.readAs)));
        EXPECT_TRUE(GetDIBits(dc, bitmap, 0, 1, row.data(), read.get(), DIB_RGB_COLORS) == 1 &&
                    DeleteObject(bitmap));
        std::set<std::uint32_t> colours;
        for (int x = 0; x < c.width; ++x)
            colours.insert(read.Colour(RawPixel(row.data(), c.readAs, x)));
        EXPECT_TRUE(c.bits == 8
                        ? colours.size() == 256 && colours.count(0) && colours.count(0xFFFFFF)
                        : colours == c.colours);
        EXPECT_TRUE(c.bits != 2 ||
                    std::memcmp(row.data(), "\x01\x23\x32\x10", 4) == 0); // same indices
    }
    EXPECT_TRUE(DeleteDC(dc));
}

// Entries from an offset and the count through GetObject; only version 0x300.
TEST(GdiPalettes, CreatePaletteKeepsTheEntries) {
    struct {
        LOGPALETTE head;
        PALETTEENTRY more[2];
    } record{{0x300, 3, {{1, 2, 3, 0}}}, {{4, 5, 6, 0}, {7, 8, 9, 0}}};
    HPALETTE palette = CreatePalette(&record.head);
    PALETTEENTRY entries[3]{};
    WORD count = 0;
    EXPECT_TRUE(GetPaletteEntries(palette, 1, 5, entries) == 2 && entries[1].peBlue == 9 &&
                GetObjectType(palette) == OBJ_PAL && GetObject(palette, 2, &count) == 2 &&
                count == 3 && DeleteObject(palette) && !GetPaletteEntries(palette, 0, 0, nullptr));
    record.head.palVersion = 0x200;
    EXPECT_EQ(CreatePalette(&record.head), nullptr);
}

template <class Handle> Handle Bogus(std::uintptr_t value) {
    return reinterpret_cast<Handle>(value);
}

TEST(GdiFailures, BadHandlesAndFormatsGiveThePublishedResults) {
    Section good(2, 2, 32);
    const HDC dc = good.dc, bogusDC = Bogus<HDC>(0xDEAD0), screen = GetDC(nullptr);
    const HBITMAP bitmap = good.bitmap, bogusBitmap = Bogus<HBITMAP>(0xBEEF0);
    const HBITMAP gone = CreateCompatibleBitmap(dc, 2, 2);
    ASSERT_TRUE(DeleteObject(gone));
    DibInfo query(0, 0, 0);
    EXPECT_TRUE(!SelectObject(bogusDC, bitmap) && !SelectObject(dc, bogusBitmap) &&
                !SelectObject(dc, dc) && !SelectObject(dc, gone) && !SelectObject(screen, bitmap));
    EXPECT_TRUE(!GetCurrentObject(bogusDC, OBJ_BITMAP) && !GetDeviceCaps(bogusDC, BITSPIXEL) &&
                !SetStretchBltMode(bogusDC, COLORONCOLOR) && !SetStretchBltMode(dc, 99) &&
                !CreateCompatibleDC(bogusDC) && !CreateCompatibleBitmap(bogusDC, 4, 4) &&
                !CreateCompatibleBitmap(dc, -1, 4));
    EXPECT_TRUE(!DeleteDC(bogusDC) && !DeleteDC(screen) &&
                !DeleteDC(Bogus<HDC>(std::uintptr_t(bitmap))) && !DeleteObject(dc) &&
                !DeleteObject(nullptr) && !DeleteObject(gone) && !GetObjectType(gone));
    // 0x00EE0086 is SRCPAINT, a raster operation other than SRCCOPY.
    EXPECT_TRUE(!BitBlt(dc, 0, 0, 1, 1, bogusDC, 0, 0, SRCCOPY) &&
                !BitBlt(dc, 0, 0, 1, -1, dc, 0, 0, SRCCOPY) &&
                !BitBlt(dc, 0, 0, 1, 1, dc, 0, 0, 0x00EE0086));
    EXPECT_TRUE(!GetDIBits(bogusDC, bitmap, 0, 0, nullptr, query.get(), DIB_RGB_COLORS) &&
                !GetDIBits(dc, bogusBitmap, 0, 0, nullptr, query.get(), DIB_RGB_COLORS) &&
                !GetDIBits(dc, bitmap, 0, 0, nullptr, nullptr, DIB_RGB_COLORS));
    // A memory DC is deleted, not released; the screen's is released once.
    EXPECT_TRUE(!GetDC(Bogus<HWND>(0x40)) && !ReleaseDC(nullptr, dc) &&
                ReleaseDC(nullptr, screen) == 1 && !ReleaseDC(nullptr, screen));
    EXPECT_TRUE(!CreateBitmap(4, 1, 1, 3, nullptr) && !CreatePalette(nullptr));
    EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), BLACKONWHITE);
    // Formats outside the DIB set, or too large, make no section and draw nothing.
    const std::uint32_t odd16[3] = {0x7C00, 0x3E0, 0x1E}, odd32[3] = {0xFF, 0xFF00, 0xFF0000};
    DibInfo refused[] = {{4, 4, 7},         {0, 4, 24},        {1 << 30, 1 << 30, 32},
                         {4, 4, 16, odd16}, {4, 4, 32, odd32}, {4, 4, 24}};
    refused[5].header.biCompression = BI_RLE8;
    auto stretch = [&](int width, DibInfo& info) {
        return StretchDIBits(dc, 0, 0, width, 2, 0, 0, 2, 2, good.pixels, info.get(),
                             DIB_RGB_COLORS, SRCCOPY);
    };
    for (DibInfo& info : refused) {
        void* bits = &good;
        EXPECT_TRUE(!CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0) && !bits);
        EXPECT_EQ(stretch(2, info), 0);
    }
    EXPECT_EQ(stretch(0x7FFFFFFF, good.info), 2); // only the visible columns are worked out
}

TEST(GdiPlusFailures, BadArgumentsGiveStatusesAndNoCrash) {
    GpBitmap* bitmap = nullptr;
    GpGraphics* graphics = nullptr;
    std::uint32_t memory[16] = {};
    auto* scan0 = reinterpret_cast<BYTE*>(memory);
    auto make = [&](int width, int stride, PixelFormat format) {
        return GdipCreateBitmapFromScan0(width, 4, stride, format, scan0, &bitmap);
    };
    // No width; a stride not a multiple of 4 or shorter than a row; no format.
    EXPECT_TRUE(make(0, 16, PixelFormat32bppARGB) == InvalidParameter &&
                make(4, 6, PixelFormat32bppARGB) == InvalidParameter &&
                make(4, 8, PixelFormat32bppARGB) == InvalidParameter &&
                make(4, 16, 0x12345) == InvalidParameter && !bitmap);
    // Dead or foreign objects are refused.
    ASSERT_EQ(make(4, 16, PixelFormat32bppARGB), Ok);
    ASSERT_EQ(GdipGetImageGraphicsContext(bitmap, &graphics), Ok);
    auto draw = [&](GpImage* image, GpImageAttributes* attributes) {
        return GdipDrawImageRectRectI(graphics, image, 0, 0, 1, 1, 0, 0, 1, 1, UnitPixel,
                                      attributes, nullptr, nullptr);
    };
    EXPECT_TRUE(draw(nullptr, nullptr) == InvalidParameter &&
                draw(bitmap, reinterpret_cast<GpImageAttributes*>(memory)) == InvalidParameter &&
                GdipSetCompositingMode(graphics, CompositingMode(7)) == InvalidParameter &&
                GdipSetWorldTransform(graphics, nullptr) == InvalidParameter);
    EXPECT_TRUE(GdipDisposeImage(bitmap) == Ok && GdipDisposeImage(bitmap) == InvalidParameter &&
                draw(bitmap, nullptr) == InvalidParameter);
    EXPECT_TRUE(GdipDeleteGraphics(graphics) == Ok &&
                GdipDeleteGraphics(graphics) == InvalidParameter &&
                GdipFlush(nullptr, FlushIntentionFlush) == InvalidParameter &&
                GdipCreateFromHDC(Bogus<HDC>(0x70), &graphics) == OutOfMemory);
    // A graphics whose DC is gone fails its draws; a source rectangle far
    // beyond a tiny image is refused, not allocated.
    HDC dc = CreateCompatibleDC(nullptr);
    Graphics onDC(dc);
    DeleteDC(dc);
    ArgbBitmap tiny(2, 2), canvas(4, 4);
    Graphics onCanvas(&canvas.bitmap);
    EXPECT_EQ(Draw(onDC, tiny.bitmap, Rect(0, 0, 1, 1)), Win32Error);
    EXPECT_EQ(onCanvas.DrawImage(&tiny.bitmap, Rect(0, 0, 4, 4), 0, 0, 100000, 100000, UnitPixel),
              OutOfMemory);
    EXPECT_EQ(onCanvas.DrawImage(&tiny.bitmap, Rect(0, 0, 4, 4), 0, 0, 2, 2, UnitInch),
              NotImplemented);
    GdiplusStartupInput input;
    EXPECT_EQ(GdiplusStartup(nullptr, &input, nullptr), InvalidParameter);
}

} // namespace
