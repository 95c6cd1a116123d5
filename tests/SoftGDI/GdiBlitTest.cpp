// GetDIBits, BitBlt and StretchDIBits: round trips at every depth, format
// conversion, scaling and colour tables.
#include <gtest/gtest.h>

#include "GdiTestSupport.h"

using namespace softgditest;

namespace {

constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};

// The colour of pixel (x, y) of a section, read back through GetDIBits at 32 bits.
std::vector<std::uint32_t> ReadAs32(const SectionDC& s, int width, int height) {
    Info info = MakeInfo(width, height, 32, true);
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    HBITMAP taken = reinterpret_cast<HBITMAP>(GetCurrentObject(s.dc, OBJ_BITMAP));
    EXPECT_EQ(GetDIBits(s.dc, taken, 0, height, pixels.data(), info.get(), DIB_RGB_COLORS), height);
    return pixels;
}

TEST(GdiRoundTrips, GetDIBitsReturnsTheRowsAndColourTableAtEveryDepth) {
    const int width = 24, height = 5;
    for (int bits : kDepths) {
        for (bool topDown : {true, false}) {
            SectionDC s(width, height, bits, topDown);
            s.FillRandom(unsigned(bits));
            // Query mode: header only.
            Info query{};
            query.header.biSize = sizeof(BITMAPINFOHEADER);
            ASSERT_NE(GetDIBits(s.dc, s.bitmap, 0, 0, nullptr, query.get(), DIB_RGB_COLORS), 0);
            EXPECT_EQ(query.header.biWidth, width);
            EXPECT_EQ(query.header.biHeight, height);
            EXPECT_EQ(query.header.biBitCount, bits);
            EXPECT_EQ(query.header.biSizeImage, DWORD(RowBytes(width, bits) * height));
            // Copy mode at the same depth, bottom-up.
            Info copy{};
            copy.header = query.header;
            std::vector<std::uint8_t> rows(query.header.biSizeImage);
            ASSERT_EQ(GetDIBits(s.dc, s.bitmap, 0, height, rows.data(), copy.get(), DIB_RGB_COLORS),
                      height);
            const std::size_t used = std::size_t(width) * bits / 8;
            for (int y = 0; y < height; ++y)
                EXPECT_EQ(0, std::memcmp(rows.data() + std::size_t(height - 1 - y) * s.stride,
                                         s.Row(y), used))
                    << bits << " bits, row " << y << (topDown ? " top-down" : " bottom-up");
            if (bits <= 8)
                for (int i = 0; i < (1 << bits); ++i) {
                    EXPECT_EQ(copy.colours[i].rgbRed, s.info.colours[i].rgbRed);
                    EXPECT_EQ(copy.colours[i].rgbBlue, s.info.colours[i].rgbBlue);
                }
        }
    }
}

TEST(GdiRoundTrips, BitBltCopiesExactlyBetweenEqualFormats) {
    for (int bits : kDepths) {
        SectionDC from(24, 6, bits), to(24, 6, bits, false);
        from.FillRandom(7u + unsigned(bits));
        ASSERT_TRUE(BitBlt(to.dc, 0, 0, 24, 6, from.dc, 0, 0, SRCCOPY));
        const std::size_t used = std::size_t(24) * bits / 8;
        for (int y = 0; y < 6; ++y)
            EXPECT_EQ(0, std::memcmp(to.Row(y), from.Row(y), used)) << bits << " row " << y;
    }
}

TEST(GdiRoundTrips, BitBltConvertsColoursBetweenDepths) {
    // Every depth read as 32 bits shows the same colours as the source does.
    for (int bits : kDepths) {
        SectionDC from(24, 4, bits);
        from.FillRandom(100u + unsigned(bits));
        const auto expected = ReadAs32(from, 24, 4);
        SectionDC wide(24, 4, 32);
        ASSERT_TRUE(BitBlt(wide.dc, 0, 0, 24, 4, from.dc, 0, 0, SRCCOPY));
        const auto seen = ReadAs32(wide, 24, 4);
        for (std::size_t i = 0; i < seen.size(); ++i)
            EXPECT_EQ(seen[i] & 0xFFFFFF, expected[i] & 0xFFFFFF) << bits << " pixel " << i;
        // And back to the source depth: indexed targets find the same
        // entries (the colour table holds distinct colours).
        if (bits == 16 || bits == 24 || bits <= 8) {
            SectionDC back(24, 4, bits);
            ASSERT_TRUE(BitBlt(back.dc, 0, 0, 24, 4, wide.dc, 0, 0, SRCCOPY));
            const std::size_t used = std::size_t(24) * bits / 8;
            for (int y = 0; y < 4 && bits != 16; ++y) // 16 bits: the unused top bit is not kept
                EXPECT_EQ(0, std::memcmp(back.Row(y), from.Row(y), used)) << bits;
        }
    }
}

TEST(GdiRoundTrips, BitBltClipsToBothBitmaps) {
    SectionDC from(8, 8, 32), to(8, 8, 32);
    for (int i = 0; i < 64; ++i) reinterpret_cast<std::uint32_t*>(from.bytes)[i] = 0x1000u + i;
    std::memset(to.bytes, 0, std::size_t(to.stride) * 8);
    ASSERT_TRUE(BitBlt(to.dc, 5, -2, 10, 10, from.dc, 1, 0, SRCCOPY));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint32_t got = reinterpret_cast<std::uint32_t*>(to.Row(y))[x];
            const int sx = x - 5 + 1, sy = y + 2;
            const std::uint32_t want =
                (x >= 5 && sy < 8) ? reinterpret_cast<std::uint32_t*>(from.Row(sy))[sx] : 0u;
            EXPECT_EQ(got, want) << x << "," << y;
        }
}

TEST(GdiRoundTrips, GetDIBitsConvertsToTheRequestedDepth) {
    SectionDC s(8, 2, 8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x) s.Row(y)[x] = std::uint8_t(y * 8 + x);
    const auto colours = ReadAs32(s, 8, 2);
    for (int i = 0; i < 16; ++i) {
        const RGBQUAD& q = s.info.colours[i];
        EXPECT_EQ(colours[std::size_t(i)] & 0xFFFFFF,
                  std::uint32_t(q.rgbBlue | q.rgbGreen << 8 | q.rgbRed << 16));
    }
    // Lines count from the bottom of a bottom-up DIB: line 0 is the last row.
    Info info = MakeInfo(8, 2, 8, false);
    std::uint8_t line[8] = {};
    EXPECT_EQ(GetDIBits(s.dc, s.bitmap, 0, 1, line, info.get(), DIB_RGB_COLORS), 1);
    EXPECT_EQ(line[0], 8);
}

// A small DIB of the given depth whose pixel (x, y) has colour-table index
// (or 24/32-bit colour) derived from x and y, top-down.
struct SourceDib {
    SourceDib(int width, int height, int bits) : info(MakeInfo(width, height, bits, true)) {
        stride = RowBytes(width, bits);
        rows.assign(std::size_t(stride) * height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) Set(x, y, bits, unsigned(y * width + x + 1));
    }
    void Set(int x, int y, int bits, unsigned v) {
        std::uint8_t* row = rows.data() + std::size_t(y) * stride;
        if (bits == 1) row[x / 8] |= std::uint8_t((v & 1) << (7 - x % 8));
        if (bits == 4) row[x / 2] |= std::uint8_t((v & 15) << (x % 2 ? 0 : 4));
        if (bits == 8) row[x] = std::uint8_t(v);
        if (bits == 24) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = std::uint8_t(v * 9);
        if (bits == 32) row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = std::uint8_t(v * 9);
    }
    std::uint32_t Colour(int x, int y, int bits) const {
        const unsigned v = unsigned(y * info.header.biWidth + x + 1);
        if (bits >= 24) return (v * 9 & 0xFF) * 0x010101u;
        const unsigned index = v & ((1u << bits) - 1);
        const RGBQUAD& q = info.colours[index];
        return std::uint32_t(q.rgbBlue | q.rgbGreen << 8 | q.rgbRed << 16);
    }
    mutable Info info;
    int stride;
    std::vector<std::uint8_t> rows;
};

TEST(GdiStretchDIBits, DoublesEverySourceDepthWithItsColourTable) {
    for (int bits : {1, 4, 8, 24, 32}) {
        SourceDib dib(4, 3, bits);
        SectionDC target(8, 6, 32);
        SetStretchBltMode(target.dc, COLORONCOLOR);
        EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 8, 6, 0, 0, 4, 3, dib.rows.data(), dib.info.get(),
                                DIB_RGB_COLORS, SRCCOPY),
                  3);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(reinterpret_cast<std::uint32_t*>(target.Row(y))[x] & 0xFFFFFF,
                          dib.Colour(x / 2, y / 2, bits))
                    << bits << " bits at " << x << "," << y;
    }
}

TEST(GdiStretchDIBits, ShrinksByPickingThePixelUnderEachCentre) {
    SourceDib dib(8, 8, 24);
    // Bottom-up source: the same colours stored the other way round.
    SourceDib flipped(8, 8, 24);
    flipped.info.header.biHeight = 8;
    for (int y = 0; y < 8; ++y)
        std::memcpy(flipped.rows.data() + std::size_t(7 - y) * dib.stride,
                    dib.rows.data() + std::size_t(y) * dib.stride, std::size_t(dib.stride));
    for (const SourceDib* source : {&dib, &flipped}) {
        SectionDC target(4, 4, 24);
        EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 4, 4, 0, 0, 8, 8, source->rows.data(),
                                source->info.get(), DIB_RGB_COLORS, SRCCOPY),
                  8);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const std::uint8_t* p = target.Row(y) + 3 * x;
                EXPECT_EQ(std::uint32_t(p[0] | p[1] << 8 | p[2] << 16),
                          dib.Colour(2 * x + 1, 2 * y + 1, 24));
            }
    }
}

TEST(GdiStretchDIBits, IndexedTargetsTakeTheNearestEntry) {
    SourceDib dib(4, 1, 8); // colours of entries 1..4 of the shared table
    SectionDC target(4, 1, 8);
    StretchDIBits(target.dc, 0, 0, 4, 1, 0, 0, 4, 1, dib.rows.data(), dib.info.get(),
                  DIB_RGB_COLORS, SRCCOPY);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(target.Row(0)[x], x + 1);
    SectionDC mono(4, 1, 1);
    mono.info.colours[0] = RGBQUAD{0, 0, 0, 0};
    EXPECT_EQ(StretchDIBits(mono.dc, 0, 0, 4, 1, 0, 0, 4, 1, nullptr, dib.info.get(),
                            DIB_RGB_COLORS, SRCCOPY),
              0);
}

} // namespace

namespace {

TEST(GdiStretchDIBits, HugeAndMirroredExtentsAreClippedNotAllocated) {
    SourceDib dib(2, 2, 24);
    SectionDC target(4, 4, 24);
    std::memset(target.bytes, 0, std::size_t(target.stride) * 4);
    // A target two billion pixels wide: only the four visible columns are worked out.
    EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 0x7FFFFFFF, 4, 0, 0, 2, 2, dib.rows.data(),
                            dib.info.get(), DIB_RGB_COLORS, SRCCOPY),
              2);
    const std::uint8_t* p = target.Row(0);
    EXPECT_EQ(std::uint32_t(p[0] | p[1] << 8 | p[2] << 16), dib.Colour(0, 0, 24));
    // A negative width mirrors: column 0 shows the source's last column.
    EXPECT_EQ(StretchDIBits(target.dc, 3, 0, -4, 4, 0, 0, 2, 2, dib.rows.data(), dib.info.get(),
                            DIB_RGB_COLORS, SRCCOPY),
              2);
    p = target.Row(0);
    EXPECT_EQ(std::uint32_t(p[0] | p[1] << 8 | p[2] << 16), dib.Colour(1, 0, 24));
    p = target.Row(0) + 9;
    EXPECT_EQ(std::uint32_t(p[0] | p[1] << 8 | p[2] << 16), dib.Colour(0, 0, 24));
}

} // namespace

namespace {

TEST(GdiDeviceBitmaps, TwoAndFifteenBitBitmapsReportTheirOwnDepth) {
    // 2 bits: indices 0, 1, 2, 3, 3, 2, 1, 0 packed four to a byte, rows 16-bit aligned.
    const std::uint8_t twoBit[] = {0x1B, 0xE4};
    HBITMAP two = CreateBitmap(8, 1, 1, 2, twoBit);
    const std::uint16_t fifteenBit[] = {0x7C00, 0x03E0, 0x001F, 0x7FFF};
    HBITMAP fifteen = CreateBitmap(4, 1, 1, 15, fifteenBit);
    ASSERT_NE(two, nullptr);
    ASSERT_NE(fifteen, nullptr);
    EXPECT_EQ(CreateBitmap(4, 1, 1, 3, nullptr), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    Info query{};
    query.header.biSize = sizeof(BITMAPINFOHEADER);
    ASSERT_NE(GetDIBits(dc, two, 0, 0, nullptr, query.get(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(query.header.biBitCount, 2);
    // Read at 4 bits: the same indices, the bitmap's colours first in the table.
    Info four = MakeInfo(8, 1, 4, true);
    std::uint8_t nibbles[4] = {};
    ASSERT_EQ(GetDIBits(dc, two, 0, 1, nibbles, four.get(), DIB_RGB_COLORS), 1);
    EXPECT_EQ(nibbles[0], 0x01);
    EXPECT_EQ(nibbles[1], 0x23);
    EXPECT_EQ(nibbles[2], 0x32);
    EXPECT_EQ(nibbles[3], 0x10);
    EXPECT_EQ(four.colours[3].rgbRed, 255);
    query.header.biBitCount = 0;
    ASSERT_NE(GetDIBits(dc, fifteen, 0, 0, nullptr, query.get(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(query.header.biBitCount, 15);
    Info sixteen = MakeInfo(4, 1, 16, true);
    std::uint16_t words[4] = {};
    ASSERT_EQ(GetDIBits(dc, fifteen, 0, 1, words, sixteen.get(), DIB_RGB_COLORS), 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(words[i], fifteenBit[i]);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(two));
    EXPECT_TRUE(DeleteObject(fifteen));
}

} // namespace
