// Device bitmaps and DIB sections into packed DIBs and pixel maps: the
// rounded bit count and its colour table, rows that decode to the bitmap's
// colours, rectangles, the caller's selection kept on every path, and
// nothing left behind.
#include <vector>

#include <gtest/gtest.h>

#include "RZ/KWPixMap"
#include "RZ/platform/GdiResources.h"
#include "RZ/platform/PointerBlock.h"
#include "platform/GdiFixtures.h"
#include "support/Dibs.h"
#include "support/LeakCheck.h"
#include "support/PixMaps.h"

namespace {

using rz::platform::PointerBlock;

// Device bitmaps of 2 and 15 bits exist on some drivers; ours makes them.
constexpr bool kOwnGdi = rztest::kSoftGdi;

// Colour (0x00RRGGBB) of pixel (x, y) of a packed DIB, its rows bottom-up:
// through its colour table, or its default bit fields.
std::uint32_t DibColour(const char* dib, int x, int y) {
    const auto& h = *reinterpret_cast<const BITMAPINFOHEADER*>(dib);
    rztest::DibInfo info(h.biWidth, h.biHeight, h.biBitCount);
    if (h.biBitCount <= 8) std::memcpy(info.colours, dib + 40, 4u << h.biBitCount);
    const auto* rows = reinterpret_cast<const unsigned char*>(dib) + 40 +
                       (h.biBitCount <= 8 ? 4 << h.biBitCount : 0);
    const int stride = rztest::DibRowBytes(h.biWidth, h.biBitCount);
    return info.Colour(
        rztest::RawPixel(rows + std::size_t(h.biHeight - 1 - y) * stride, h.biBitCount, x));
}

// A device bitmap of the given depth, filled with bytes that vary from pixel
// to pixel, and a memory DC that holds it when it is of the screen's depth
// (a colour device bitmap of another depth cannot be selected into it).
struct BitmapDC {
    BitmapDC(int width, int height, int bits) {
        std::vector<unsigned char> data(std::size_t((width * bits + 15) / 16 * 2) * height);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<unsigned char>(i * 37 + 5);
        bitmap = CreateBitmap(width, height, 1, UINT(bits), data.data());
        if (bits == 32) previous = SelectObject(dc.Get(), bitmap);
    }
    ~BitmapDC() {
        if (previous != nullptr) SelectObject(dc.Get(), previous);
        DeleteObject(bitmap);
    }
    // The bitmap's colours read at 32 bits per pixel, top row first.
    std::vector<std::uint32_t> Colours(int width, int height) const {
        BITMAPINFO info{};
        info.bmiHeader = rztest::DibHeader(width, -height, 32);
        std::vector<std::uint32_t> pixels(std::size_t(width) * height);
        GetDIBits(dc.Get(), bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
        for (auto& p : pixels) p &= 0xFFFFFF;
        return pixels;
    }
    rz::platform::MemoryDC dc{nullptr};
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
};

// Every depth read whole through its handle; the screen's depth also as the
// DC's selected bitmap, whole and a rectangle of it, the selection kept.
TEST(RZDDB2DIB, ReadsEveryDepthAtItsStandardBitCountWholeOrARectangle) {
    // device depth, DIB depth, colour table bytes
    const int cases[][3] = {{1, 1, 8},   {2, 4, 64},  {4, 4, 64},  {8, 8, 1024},
                            {15, 16, 0}, {16, 16, 0}, {24, 24, 0}, {32, 32, 0}};
    const int width = 13, height = 7;
    const KWRect rect{2, 3, 6, 8}; // top, left, bottom, right
    for (const auto& [bits, dibBits, table] : cases) {
        if (!kOwnGdi && (bits == 2 || bits == 15)) continue;
        BitmapDC source(width, height, bits);
        ASSERT_NE(source.bitmap, nullptr);
        const auto colours = source.Colours(width, height);
        for (const KWRect* part : {static_cast<const KWRect*>(nullptr), &rect}) {
            if (part != nullptr && bits != 32) break;
            SCOPED_TRACE(testing::Message() << bits << (part ? " bits, a rectangle" : " bits"));
            PointerBlock dib;
            unsigned int size = 0;
            HBITMAP bitmap = bits == 32 ? nullptr : source.bitmap;
            ASSERT_EQ(RZDDB2DIB(source.dc.Get(), bitmap, dib.Out(), &size, part), 0);
            const int left = part ? rect.left : 0, top = part ? rect.top : 0;
            const int w = part ? 5 : width, h = part ? 4 : height;
            const auto& header = *dib.As<BITMAPINFOHEADER>();
            EXPECT_TRUE(header.biWidth == w && header.biHeight == h &&
                        header.biBitCount == dibBits && header.biPlanes == 1 &&
                        header.biCompression == BI_RGB && header.biClrUsed == 0);
            EXPECT_EQ(header.biSizeImage, DWORD(rztest::DibRowBytes(w, dibBits) * h));
            EXPECT_EQ(size, 40 + table + header.biSizeImage);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(DibColour(dib.Get(), x, y),
                              colours[std::size_t(top + y) * width + left + x])
                        << x << "," << y;
            EXPECT_EQ(GetCurrentObject(source.dc.Get(), OBJ_BITMAP) == source.bitmap, bits == 32);
        }
    }
    // As a pixel map: the same pixels, opaque, at 72 dpi (no resolution given).
    BitmapDC source(width, height, 32);
    PixMapHandleGuard map(nullptr);
    ASSERT_EQ(RZDDB2KWPixMap(source.dc.Get(), nullptr, &map(), &rect), 0);
    EXPECT_EQ(RZGetKWPixMapHResolution(map()) + RZGetKWPixMapVResolution(map()), 144u);
    const rztest::Colour first = rztest::Pixel(map(), 0, 0);
    EXPECT_EQ(first[0], 255);
    EXPECT_EQ(std::uint32_t(first[1]) << 16 | first[2] << 8 | first[3],
              source.Colours(width, height)[2 * width + 3]);
}

// Null arguments, and each allocation (and, with our GDI, each creation)
// failing in turn: the stated code, size 0 after a failed read, the caller's
// bitmap selected as before, and nothing left.
TEST(RZDDB2DIB, FailuresKeepTheSelectionAndLeaveNothing) {
    BitmapDC source(6, 4, 32);
    char* dib = nullptr;
    unsigned int size = 7;
    EXPECT_EQ(RZDDB2DIB(nullptr, source.bitmap, &dib, &size, nullptr), RZErrFailed);
    EXPECT_EQ(RZDDB2DIB(source.dc.Get(), source.bitmap, nullptr, &size, nullptr), RZErrFailed);
    EXPECT_EQ(RZDDB2DIB(source.dc.Get(), source.bitmap, &dib, nullptr, nullptr), RZErrFailed);
    EXPECT_EQ(RZDDB2KWPixMap(source.dc.Get(), nullptr, nullptr, nullptr), RZErrFailed);
    EXPECT_EQ(size, 7u);
    const KWRect rect{1, 1, 3, 4};
    short result = 0;
    unsigned int failedSize = 0;
    for (const KWRect* part : {static_cast<const KWRect*>(nullptr), &rect}) {
        auto run = [&] {
            PixMapHandleGuard map(nullptr);
            size = 7;
            result = RZDDB2DIB(source.dc.Get(), nullptr, &dib, &size, part);
            BMKillPtr(&dib);
            failedSize = result != 0 ? size : 0;
            if (result == 0) result = RZDDB2KWPixMap(source.dc.Get(), nullptr, &map(), part);
        };
        // A failed read leaves size 0; a bitmap that cannot be taken out of
        // the DC leaves it as it was; a copy of the rectangle that cannot be
        // made reads the whole bitmap. The selection is always as it was.
        auto check = [&](int) {
            EXPECT_TRUE(result != 0 || part != nullptr);
            EXPECT_TRUE(failedSize == 0 || failedSize == 7);
            EXPECT_EQ(GetCurrentObject(source.dc.Get(), OBJ_BITMAP), source.bitmap);
        };
        EXPECT_GE(rztest::SweepAllocationFailures(run, check), 2);
        rztest::SweepCreationFailures(run, check);
    }
}

TEST(RZDIBSection2PixMap, ReadsTwentyFourBitRowsBottomUpWithAlphaZero) {
    const int width = 5, height = 3; // rows of 16 bytes
    std::vector<unsigned char> bits(16 * height);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<unsigned char>(i + 1);
    DIBSECTION section{};
    section.dsBm.bmWidth = width;
    section.dsBm.bmHeight = height;
    section.dsBm.bmBitsPixel = 24;
    section.dsBm.bmBits = bits.data();
    PixMapHandleGuard map(nullptr);
    ASSERT_EQ(RZDIBSection2PixMap(&section, &map()), 0);
    EXPECT_EQ(RZGetKWPixMapHResolution(map()) * RZGetKWPixMapVResolution(map()), 72u * 72);
    EXPECT_EQ(RZGetKWPixMapPixelType(map()), PixelTypeARGB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = bits.data() + 16 * (height - 1 - y) + 3 * x;
            EXPECT_EQ(rztest::Pixel(map(), x, y), (rztest::Colour{0, p[2], p[1], p[0]}));
        }
    // Refused: no section, no bits, another depth, rows too wide for the
    // 16-bit row count, a map that cannot be made.
    KWPixMap** untouched = map();
    EXPECT_EQ(RZDIBSection2PixMap(nullptr, &untouched), RZErrFailed);
    EXPECT_EQ(untouched, nullptr);
    for (auto change : {+[](DIBSECTION& s) { s.dsBm.bmBits = nullptr; },
                        +[](DIBSECTION& s) { s.dsBm.bmBitsPixel = 32; },
                        +[](DIBSECTION& s) { s.dsBm.bmWidth = 50000; },
                        +[](DIBSECTION& s) { s.dsBm.bmHeight = -1; }}) {
        DIBSECTION bad = section;
        change(bad);
        EXPECT_EQ(RZDIBSection2PixMap(&bad, &untouched), RZErrFailed);
    }
    EXPECT_EQ(RZDIBSection2PixMap(&section, nullptr), RZErrFailed);
}

} // namespace
