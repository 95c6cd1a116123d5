// What only our GDI promises: device contexts that take the depth of their
// bitmap, selection and lifetime rules, the published failure results for
// bad handles and formats, device bitmaps of 2 and 15 bits and their default
// colour tables, palettes, and stretches of huge or mirrored extents.
#include <gtest/gtest.h>

#include <set>

#include "platform/GdiFixtures.h"

using namespace rztest;

namespace {

TEST(GdiDeviceContexts, TakeTheDepthOfTheSelectedBitmapAndHoldOneAtATime) {
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(other, BITSPIXEL) * GetDeviceCaps(other, PLANES), 1); // stock 1 x 1
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        Section s(5, 3, bits);
        EXPECT_TRUE(s.previous != nullptr && s.previous != HGDI_ERROR);
        EXPECT_EQ(GetCurrentObject(s.dc, OBJ_BITMAP), s.bitmap);
        EXPECT_EQ(GetDeviceCaps(s.dc, BITSPIXEL) * GetDeviceCaps(s.dc, PLANES), bits);
        EXPECT_EQ(GetDeviceCaps(s.dc, HORZRES), 5);
        HBITMAP compatible = CreateCompatibleBitmap(s.dc, 7, 2);
        BITMAP shape{};
        EXPECT_EQ(GetObject(compatible, sizeof shape, &shape), int(sizeof shape));
        EXPECT_EQ(shape.bmBitsPixel * shape.bmWidth, bits * 7);
        EXPECT_TRUE(DeleteObject(compatible));
    }
    // A bitmap lives in one DC at a time and cannot be deleted while there;
    // the zero-size compatible bitmap is the placeholder that takes it out.
    Section a(4, 4, 24);
    EXPECT_EQ(SelectObject(other, a.bitmap), nullptr);
    EXPECT_FALSE(DeleteObject(a.bitmap));
    HBITMAP placeholder = CreateCompatibleBitmap(a.dc, 0, 0);
    EXPECT_EQ(SelectObject(a.dc, placeholder), a.bitmap);
    EXPECT_EQ(GetDeviceCaps(a.dc, BITSPIXEL), 1);
    HGDIOBJ held = SelectObject(other, a.bitmap);
    EXPECT_EQ(SelectObject(other, held), a.bitmap);
    EXPECT_EQ(SelectObject(a.dc, a.bitmap), placeholder);
    EXPECT_TRUE(DeleteObject(placeholder));
    // Deleting a DC releases its bitmap, which then can be deleted.
    HBITMAP loose = CreateCompatibleBitmap(a.dc, 3, 3);
    EXPECT_NE(SelectObject(other, loose), nullptr);
    EXPECT_FALSE(DeleteObject(loose));
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteObject(loose));
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_FALSE(DeleteDC(screen));
    EXPECT_EQ(SelectObject(screen, a.bitmap), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0); // stale
}

TEST(GdiDeviceContexts, BadHandlesAndFormatsGiveThePublishedFailures) {
    Section good(2, 2, 32);
    HDC bogusDC = reinterpret_cast<HDC>(std::uintptr_t(0xDEAD0));
    HBITMAP bogusBitmap = reinterpret_cast<HBITMAP>(std::uintptr_t(0xBEEF0));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(HGDI_ERROR), UINTPTR_MAX);
    EXPECT_EQ(SelectObject(bogusDC, good.bitmap), nullptr);
    EXPECT_EQ(SelectObject(good.dc, bogusBitmap), nullptr);
    EXPECT_EQ(SelectObject(good.dc, reinterpret_cast<HGDIOBJ>(good.dc)), nullptr); // wrong type
    EXPECT_EQ(GetCurrentObject(bogusDC, OBJ_BITMAP), nullptr);
    EXPECT_EQ(GetDeviceCaps(bogusDC, BITSPIXEL), 0);
    EXPECT_FALSE(DeleteDC(bogusDC) || DeleteDC(reinterpret_cast<HDC>(good.bitmap)));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(good.dc)) || DeleteObject(nullptr));
    EXPECT_EQ(SetStretchBltMode(bogusDC, COLORONCOLOR), 0);
    EXPECT_EQ(SetStretchBltMode(good.dc, 99), 0);
    EXPECT_EQ(SetStretchBltMode(good.dc, COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(CreateCompatibleDC(bogusDC), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(bogusDC, 4, 4), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(good.dc, -1, 4), nullptr);
    EXPECT_FALSE(BitBlt(good.dc, 0, 0, 1, 1, bogusDC, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(good.dc, 0, 0, 1, -1, good.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(good.dc, 0, 0, 1, 1, good.dc, 0, 0, 0x00EE0086)); // SRCPAINT
    DibInfo query(0, 0, 0);
    EXPECT_EQ(GetDIBits(bogusDC, good.bitmap, 0, 0, nullptr, query.get(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(good.dc, bogusBitmap, 0, 0, nullptr, query.get(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(good.dc, good.bitmap, 0, 0, nullptr, nullptr, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(std::uintptr_t(0x40))), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, good.dc), 0); // a memory DC is deleted, not released
    HBITMAP gone = CreateCompatibleBitmap(good.dc, 2, 2);
    EXPECT_TRUE(DeleteObject(gone));
    EXPECT_FALSE(DeleteObject(gone));
    EXPECT_EQ(SelectObject(good.dc, gone), nullptr);
    EXPECT_EQ(GetObjectType(gone), 0u);
    EXPECT_EQ(GetObjectType(good.dc), DWORD(OBJ_MEMDC));
    // Formats outside the DIB set, or too large, make no section and draw nothing.
    const std::uint32_t odd16[3] = {0x7C00, 0x3E0, 0x1E}, odd32[3] = {0xFF, 0xFF00, 0xFF0000};
    DibInfo refused[] = {{4, 4, 7},         {0, 4, 24},        {1 << 30, 1 << 30, 32},
                         {4, 4, 16, odd16}, {4, 4, 32, odd32}, {4, 4, 24}};
    refused[5].header.biCompression = BI_RLE8;
    for (DibInfo& info : refused) {
        void* bits = &good;
        EXPECT_EQ(CreateDIBSection(good.dc, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0),
                  nullptr);
        EXPECT_EQ(bits, nullptr);
        EXPECT_EQ(StretchDIBits(good.dc, 0, 0, 2, 2, 0, 0, 2, 2, good.pixels, info.get(),
                                DIB_RGB_COLORS, SRCCOPY),
                  0);
    }
}

TEST(GdiDeviceBitmaps, KeepTheirDepthAndDefaultColours) {
    // 2 bits: indices 0, 1, 2, 3, 3, 2, 1, 0 four to a byte, rows 16-bit aligned.
    const unsigned char twoBit[] = {0x1B, 0xE4},
                        vga[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    const std::uint16_t fifteenBit[] = {0x7C00, 0x03E0, 0x001F, 0x7FFF};
    unsigned char all[256];
    for (int i = 0; i < 256; ++i) all[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(CreateBitmap(4, 1, 1, 3, nullptr), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    const struct {
        int bits, width, readAs;
        const void* rows;
    } cases[] = {{2, 8, 4, twoBit}, {15, 4, 16, fifteenBit}, {4, 16, 4, vga}, {8, 256, 8, all}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits");
        HBITMAP bitmap = CreateBitmap(c.width, 1, 1, UINT(c.bits), c.rows);
        DibInfo query(0, 0, 0), read(c.width, 1, c.readAs);
        ASSERT_NE(GetDIBits(dc, bitmap, 0, 0, nullptr, query.get(), DIB_RGB_COLORS), 0);
        EXPECT_EQ(query.header.biBitCount, c.bits);
        std::vector<unsigned char> row(std::size_t(DibRowBytes(c.width, c.readAs)));
        ASSERT_EQ(GetDIBits(dc, bitmap, 0, 1, row.data(), read.get(), DIB_RGB_COLORS), 1);
        EXPECT_TRUE(DeleteObject(bitmap));
        std::set<std::uint32_t> colours;
        for (int x = 0; x < c.width; ++x)
            colours.insert(read.Colour(RawPixel(row.data(), c.readAs, x)));
        if (c.bits == 2) { // the same indices, the bitmap's four greys first in the table
            EXPECT_EQ(0, std::memcmp(row.data(), "\x01\x23\x32\x10", 4));
            EXPECT_EQ(colours, (std::set<std::uint32_t>{0, 0x555555, 0xAAAAAA, 0xFFFFFF}));
        } else if (c.bits == 15) {
            EXPECT_EQ(0, std::memcmp(row.data(), fifteenBit, sizeof fifteenBit));
        } else if (c.bits == 4) { // the 16 colours of the VGA
            EXPECT_EQ(colours,
                      (std::set<std::uint32_t>{0, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                               0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00,
                                               0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF}));
        } else { // 256 distinct colours, black and white among them
            EXPECT_EQ(colours.size(), 256u);
            EXPECT_EQ(colours.count(0) + colours.count(0xFFFFFF), 2u);
        }
    }
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiPalettes, CreatePaletteKeepsTheEntries) {
    struct {
        LOGPALETTE head;
        PALETTEENTRY more[2];
    } record{{0x300, 3, {{1, 2, 3, 0}}}, {{4, 5, 6, 0}, {7, 8, 9, 0}}};
    HPALETTE palette = CreatePalette(&record.head);
    EXPECT_EQ(GetObjectType(palette), DWORD(OBJ_PAL));
    PALETTEENTRY entries[3]{};
    WORD count = 0;
    EXPECT_EQ(GetPaletteEntries(palette, 1, 5, entries), 2u);
    EXPECT_EQ(entries[0].peRed + entries[1].peBlue, 4 + 9);
    EXPECT_EQ(GetObject(palette, sizeof count, &count), 2);
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(DeleteObject(palette));
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 0u);
    record.head.palVersion = 0x200;
    EXPECT_EQ(CreatePalette(&record.head), nullptr);
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

TEST(GdiStretchDIBits, HugeAndMirroredExtentsAreClippedNotAllocated) {
    Section dib(2, 2, 24), target(4, 4, 24);
    dib.Randomise(5);
    // Two billion pixels wide: only the four visible columns are worked out.
    EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 0x7FFFFFFF, 4, 0, 0, 2, 2, dib.pixels, dib.info.get(),
                            DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(target.Colour(3, 0), dib.Colour(0, 0));
    // Negative extents mirror: the source's last column and row come first.
    EXPECT_EQ(StretchDIBits(target.dc, 3, 3, -4, -4, 0, 0, 2, 2, dib.pixels, dib.info.get(),
                            DIB_RGB_COLORS, SRCCOPY),
              2);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(target.Colour(i % 4, i / 4), dib.Colour(1 - i % 4 / 2, 1 - i / 8)) << i;
}

} // namespace
