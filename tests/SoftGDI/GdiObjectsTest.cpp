// Device contexts, bitmaps and palettes: selection, depths, lifetimes and the
// published failure results for bad handles.
#include <gtest/gtest.h>

#include "GdiTestSupport.h"
#include "SoftGDI/Display.h"
#include "SoftGDI/TestSupport.h"

using namespace softgditest;

namespace {

// As on Windows, capabilities are the device's: a memory DC reports those of
// the DC it was made compatible with (the screen by default), whatever bitmap
// is selected; compatible bitmaps follow the selected bitmap.
TEST(GdiDeviceContexts, DepthIsTheDevicesAndCompatibleBitmapsFollowTheSelection) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(dc, PLANES), 1);
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        SectionDC section(5, 3, bits);
        ASSERT_NE(section.bitmap, nullptr) << bits;
        EXPECT_NE(section.previous, nullptr);
        EXPECT_NE(section.previous, HGDI_ERROR);
        EXPECT_EQ(GetCurrentObject(section.dc, OBJ_BITMAP), section.bitmap);
        EXPECT_EQ(GetDeviceCaps(section.dc, BITSPIXEL), 32);
        HBITMAP compatible = CreateCompatibleBitmap(section.dc, 7, 2);
        ASSERT_NE(compatible, nullptr);
        BITMAP bm{};
        EXPECT_EQ(GetObject(compatible, sizeof bm, &bm), int(sizeof bm));
        EXPECT_EQ(bm.bmBitsPixel, bits);
        EXPECT_EQ(bm.bmWidth, 7);
        EXPECT_TRUE(DeleteObject(compatible));
        // A display of that depth, and memory DCs made compatible with it.
        HDC display = SoftGdiCreateDisplayDC(bits, 6, 4);
        HDC memory = CreateCompatibleDC(display);
        EXPECT_EQ(GetDeviceCaps(display, BITSPIXEL) * GetDeviceCaps(memory, PLANES), bits);
        EXPECT_EQ(GetDeviceCaps(memory, BITSPIXEL), bits);
        EXPECT_EQ(GetDeviceCaps(memory, HORZRES), 6);
        EXPECT_EQ(SelectObject(display, compatible), nullptr);
        EXPECT_TRUE(DeleteDC(memory) && DeleteDC(display));
    }
    EXPECT_EQ(SoftGdiCreateDisplayDC(2, 4, 4), nullptr);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiDeviceContexts, SelectionFollowsThePublishedConventions) {
    SectionDC a(4, 4, 24);
    HDC other = CreateCompatibleDC(a.dc);
    ASSERT_NE(other, nullptr);
    // A bitmap lives in one DC at a time, and cannot be deleted while there.
    EXPECT_EQ(SelectObject(other, a.bitmap), nullptr);
    EXPECT_FALSE(DeleteObject(a.bitmap));
    // The zero-size compatible bitmap serves as a placeholder to take it out.
    HBITMAP placeholder = CreateCompatibleBitmap(a.dc, 0, 0);
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(SelectObject(a.dc, placeholder), a.bitmap);
    EXPECT_EQ(GetCurrentObject(a.dc, OBJ_BITMAP), placeholder);
    HGDIOBJ held = SelectObject(other, a.bitmap);
    EXPECT_NE(held, nullptr);
    EXPECT_EQ(SelectObject(other, held), a.bitmap);
    EXPECT_EQ(SelectObject(a.dc, a.bitmap), placeholder);
    EXPECT_TRUE(DeleteObject(placeholder));
    // Deleting a DC releases its bitmap, which then can be deleted. (A device
    // bitmap goes only into a DC of its depth: the screen's 32 bits here.)
    HDC screen = GetDC(nullptr);
    HBITMAP loose = CreateCompatibleBitmap(screen, 3, 3);
    ReleaseDC(nullptr, screen);
    HBITMAP mismatched = CreateCompatibleBitmap(a.dc, 3, 3); // 24 bits, as a's section
    EXPECT_EQ(SelectObject(other, mismatched), nullptr);
    EXPECT_TRUE(DeleteObject(mismatched));
    HGDIOBJ before = SelectObject(other, loose);
    EXPECT_NE(before, nullptr);
    EXPECT_FALSE(DeleteObject(loose));
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteObject(loose));
}

TEST(GdiDeviceContexts, BadHandlesGiveThePublishedFailures) {
    SectionDC good(2, 2, 32);
    HDC bogusDC = reinterpret_cast<HDC>(std::uintptr_t(0xDEAD0));
    HBITMAP bogusBitmap = reinterpret_cast<HBITMAP>(std::uintptr_t(0xBEEF0));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(HGDI_ERROR), UINTPTR_MAX);
    EXPECT_EQ(SelectObject(bogusDC, good.bitmap), nullptr);
    EXPECT_EQ(SelectObject(good.dc, bogusBitmap), nullptr);
    EXPECT_EQ(SelectObject(good.dc, reinterpret_cast<HGDIOBJ>(good.dc)), nullptr); // wrong type
    EXPECT_EQ(GetCurrentObject(bogusDC, OBJ_BITMAP), nullptr);
    EXPECT_EQ(GetDeviceCaps(bogusDC, BITSPIXEL), 0);
    EXPECT_FALSE(DeleteDC(bogusDC));
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(good.bitmap)));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(good.dc)));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(SetStretchBltMode(bogusDC, COLORONCOLOR), 0);
    EXPECT_EQ(SetStretchBltMode(good.dc, 99), 0);
    EXPECT_EQ(SetStretchBltMode(good.dc, COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(CreateCompatibleDC(bogusDC), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(bogusDC, 4, 4), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(good.dc, -1, 4), nullptr);
    EXPECT_FALSE(BitBlt(good.dc, 0, 0, 1, 1, bogusDC, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(good.dc, 0, 0, 1, 1, good.dc, 0, 0, 0x00EE0086)); // SRCPAINT
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(GetDIBits(bogusDC, good.bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(good.dc, bogusBitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(good.dc, good.bitmap, 0, 0, nullptr, nullptr, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(std::uintptr_t(0x40))), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, good.dc), 0); // a memory DC is deleted, not released
    HDC screen = GetDC(nullptr);
    EXPECT_FALSE(DeleteDC(screen));
    EXPECT_EQ(SelectObject(screen, good.bitmap), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0); // stale
    EXPECT_EQ(GetObjectType(screen), 0u);
    // A deleted bitmap's handle stays dead.
    HBITMAP gone = CreateCompatibleBitmap(good.dc, 2, 2);
    EXPECT_TRUE(DeleteObject(gone));
    EXPECT_FALSE(DeleteObject(gone));
    EXPECT_EQ(SelectObject(good.dc, gone), nullptr);
}

TEST(GdiBitmaps, DibSectionsCheckTheirHeaders) {
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = reinterpret_cast<void*>(1);
    Info info = MakeInfo(4, 4, 24, false);
    info.header.biBitCount = 7;
    EXPECT_EQ(CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    info = MakeInfo(0, 4, 24, false);
    EXPECT_EQ(CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    info = MakeInfo(4, 4, 24, false);
    info.header.biCompression = BI_RLE8;
    EXPECT_EQ(CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    info = MakeInfo(1 << 30, 1 << 30, 32, false); // far too large
    EXPECT_EQ(CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(dc, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);

    info = MakeInfo(5, 3, 24, false);
    info.header.biXPelsPerMeter = 2835;
    HBITMAP section = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    DIBSECTION ds{};
    EXPECT_EQ(GetObject(section, sizeof ds, &ds), int(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmWidth, 5);
    EXPECT_EQ(ds.dsBm.bmHeight, 3);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 16);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBmih.biXPelsPerMeter, 2835);
    EXPECT_EQ(GetObjectType(section), DWORD(OBJ_BITMAP));
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));
    EXPECT_TRUE(DeleteObject(section));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiPalettes, CreatePaletteKeepsTheEntries) {
    struct {
        LOGPALETTE head;
        PALETTEENTRY more[2];
    } record{};
    record.head.palVersion = 0x300;
    record.head.palNumEntries = 3;
    record.head.palPalEntry[0] = {1, 2, 3, 0};
    record.more[0] = {4, 5, 6, 0};
    record.more[1] = {7, 8, 9, 0};
    HPALETTE palette = CreatePalette(&record.head);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(GetObjectType(palette), DWORD(OBJ_PAL));
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 3u);
    PALETTEENTRY entries[3]{};
    EXPECT_EQ(GetPaletteEntries(palette, 1, 5, entries), 2u);
    EXPECT_EQ(entries[0].peRed, 4);
    EXPECT_EQ(entries[1].peBlue, 9);
    WORD count = 0;
    EXPECT_EQ(GetObject(palette, sizeof count, &count), 2);
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(DeleteObject(palette));
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 0u);
    record.head.palVersion = 0x200;
    EXPECT_EQ(CreatePalette(&record.head), nullptr);
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

} // namespace
