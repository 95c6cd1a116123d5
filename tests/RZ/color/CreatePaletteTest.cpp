// CRZCreatePalette: entry counts from biClrUsed or the depth, entries read
// back, flags 0, no palette for 24 bits and more, and no leak on failure.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "RZ/KWPixMap"
#include "RZ/platform/WindowsImaging.h"
#include "support/Dibs.h"
#include "support/LeakCheck.h"

#if !defined(_WIN32)
#include "SoftGDI/TestSupport.h"
#endif

namespace {

// A header followed by 256 colour table entries, reserved bytes set.
std::vector<std::uint32_t> DibWithTable(int bits, DWORD clrUsed, WORD planes = 1) {
    std::vector<std::uint32_t> words(10 + 256);
    BITMAPINFOHEADER header = rztest::DibHeader(4, 4, bits, BI_RGB, clrUsed);
    header.biPlanes = planes;
    std::memcpy(words.data(), &header, sizeof header);
    for (std::uint32_t i = 0; i < 256; ++i) words[10 + i] = 0xA5000000u | i * 0x030507u;
    return words;
}

TEST(CRZCreatePalette, EntriesFromTheColourTable) {
    // depth, biClrUsed, entries, planes (a 16-bit DIB's 2^16 wrap to 0;
    // 65535 planes of 65535 bits: the 16-bit product is 1 bit, two entries)
    const struct {
        int bits;
        DWORD clrUsed;
        UINT entries;
        WORD planes = 1;
    } cases[] = {{1, 0, 2},       {4, 0, 16}, {8, 0, 256},   {8, 20, 20},
                 {8, 0x10003, 3}, {16, 0, 0}, {4, 300, 300}, {0xFFFF, 0, 2, 0xFFFF}};
    for (const auto& c : cases) {
        auto dib = DibWithTable(c.bits, c.clrUsed, c.planes);
        if (c.entries > 256) dib.resize(10 + c.entries);
        HPALETTE palette = CRZCreatePalette(reinterpret_cast<BITMAPINFOHEADER*>(dib.data()));
        // An empty record is passed on; ours refuses it, the real GDI may not.
        if (c.entries == 0 && palette == nullptr) continue;
        ASSERT_NE(palette, nullptr) << c.bits << "," << c.clrUsed;
        std::vector<PALETTEENTRY> entries(c.entries + 1);
        EXPECT_EQ(GetPaletteEntries(palette, 0, c.entries + 1, entries.data()), c.entries);
        for (UINT i = 0; i < c.entries; ++i) {
            const auto* q = reinterpret_cast<const RGBQUAD*>(dib.data() + 10 + i);
            EXPECT_TRUE(entries[i].peRed == q->rgbRed && entries[i].peGreen == q->rgbGreen &&
                        entries[i].peBlue == q->rgbBlue && entries[i].peFlags == 0)
                << i;
        }
        DeleteObject(palette);
    }
}

TEST(CRZCreatePalette, NoPaletteForTrueColourOrNull) {
    EXPECT_EQ(CRZCreatePalette(nullptr), nullptr);
    for (int bits : {24, 32}) {
        auto dib = DibWithTable(bits, 0);
#if !defined(_WIN32)
        SoftGdiFailCreation(1); // a palette made here would take the armed failure
#endif
        EXPECT_EQ(CRZCreatePalette(reinterpret_cast<BITMAPINFOHEADER*>(dib.data())), nullptr);
#if !defined(_WIN32)
        EXPECT_TRUE(SoftGdiFailurePending()) << "CreatePalette was called for " << bits;
        SoftGdiFailCreation(0);
#endif
    }
}

} // namespace
