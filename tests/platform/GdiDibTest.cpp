// DIB sections in memory DCs as a host uses them: headers and rows through
// GetDIBits, BitBlt copies and conversions at every depth, StretchDIBits from
// caller memory. Nothing here depends on a memory DC's own depth (Wine
// reports the screen's).
#include <gtest/gtest.h>

#include "platform/GdiFixtures.h"

using namespace rztest;

namespace {

constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};

// Whether rows y0 to y1 of `section` are those of `rows`, a copy in the given order.
bool SameRows(const Section& s, const std::vector<unsigned char>& rows, int order, int y0, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < 13; ++x)
            if (RawPixel(&rows[std::size_t((order > 0 ? s.height - 1 - y : y) * s.stride)],
                         s.bitCount, x) != s.Raw(x, y))
                return false;
    return true;
}

TEST(GdiDibSections, GetDIBitsGivesHeaderRowsAndColoursAtEveryDepth) {
    for (int bits : kDepths)
        for (int order : {1, -1}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, order " << order);
            Section s(13, order * 5, bits);
            s.Randomise(unsigned(bits));
            DIBSECTION shape{};
            ASSERT_EQ(GetObject(s.bitmap, sizeof shape, &shape), int(sizeof shape));
            EXPECT_TRUE(shape.dsBm.bmWidthBytes == s.stride && shape.dsBm.bmHeight == 5 &&
                        shape.dsBm.bmBits == s.pixels && shape.dsBm.bmBitsPixel == bits &&
                        shape.dsBmih.biXPelsPerMeter == 2835);
            DibInfo query(0, 0, 0);
            ASSERT_NE(GetDIBits(s.dc, s.bitmap, 0, 0, nullptr, query.get(), DIB_RGB_COLORS), 0);
            EXPECT_TRUE(query.header.biWidth == 13 && query.header.biBitCount == bits &&
                        query.header.biSizeImage == DWORD(s.stride * 5));
            for (int requested : {1, -1}) { // bottom-up and top-down copies
                DibInfo copy(13, requested * 5, bits);
                std::memset(copy.colours, 0, sizeof copy.colours);
                std::vector<unsigned char> rows(std::size_t(s.stride) * 5);
                ASSERT_EQ(GetDIBits(s.dc, s.bitmap, 0, 5, rows.data(), copy.get(), DIB_RGB_COLORS),
                          5);
                EXPECT_TRUE(SameRows(s, rows, requested, 0, 5));
                for (unsigned i = 0; bits <= 8 && i < 1u << bits; ++i)
                    EXPECT_EQ(copy.Colour(i), s.info.Colour(i)) << "entry " << i;
                // Scan lines count from the bottom of a bottom-up copy; ours counts a
                // top-down copy's from the top (Wine's not).
                std::vector<unsigned char> part(rows.size());
                ASSERT_EQ(GetDIBits(s.dc, s.bitmap, 1, 2, &part[std::size_t(s.stride)], copy.get(),
                                    DIB_RGB_COLORS),
                          2);
                EXPECT_TRUE(requested > 0 ? SameRows(s, part, 1, 2, 4)
                                          : !kSoftGdi || SameRows(s, part, -1, 1, 3));
            }
        }
}

TEST(GdiBitBlt, CopiesEqualFormatsExactlyAndConvertsTheOthers) {
    for (int bits : kDepths) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        Section from(8, 8, bits), to(8, -8, bits), wide(8, 8, 32), back(8, 8, bits);
        from.Randomise(1u + unsigned(bits));
        to.Randomise(2u + unsigned(bits));
        std::vector<std::uint32_t> before, original;
        for (int i = 0; i < 64; ++i)
            before.push_back(to.Raw(i % 8, i / 8)), original.push_back(from.Raw(i % 8, i / 8));
        // To 32 bits and back: indexed targets find their entries again (the
        // table's colours are distinct), 16-bit ones lose only the unused top bit.
        ASSERT_TRUE(BitBlt(wide.dc, 0, 0, 8, 8, from.dc, 0, 0, SRCCOPY));
        ASSERT_TRUE(BitBlt(back.dc, 0, 0, 8, 8, wide.dc, 0, 0, SRCCOPY));
        for (int i = 0, x = 0, y = 0; i < 64; ++i, x = i % 8, y = i / 8) {
            EXPECT_EQ(wide.Colour(x, y), from.Colour(x, y)) << i;
            EXPECT_EQ(back.Raw(x, y), original[i] & (bits == 16 ? 0x7FFF : ~0u)) << i;
        }
        // Equal formats copy exactly, clipped to both bitmaps.
        EXPECT_TRUE(BitBlt(to.dc, 0, 0, 8, 0, from.dc, 0, 0, SRCCOPY)); // nothing to copy
        ASSERT_TRUE(BitBlt(to.dc, 5, -2, 10, 10, from.dc, 1, 0, SRCCOPY));
        for (int i = 0, x = 0, y = 0; i < 64; ++i, x = i % 8, y = i / 8)
            EXPECT_EQ(to.Raw(x, y), x >= 5 && y < 6 ? original[(y + 2) * 8 + x - 4] : before[i]);
        // Overlapping source and target in one bitmap, down and back up.
        ASSERT_TRUE(BitBlt(from.dc, 1, 2, 7, 6, from.dc, 0, 0, SRCCOPY));
        ASSERT_TRUE(BitBlt(from.dc, 0, 0, 7, 6, from.dc, 1, 2, SRCCOPY));
        for (int i = 0; i < 42; ++i) EXPECT_EQ(from.Raw(i % 7, i / 7), original[i / 7 * 8 + i % 7]);
    }
}

TEST(GdiStretchDIBits, DoublesAndHalvesEverySourceFormat) {
    const std::uint32_t k565[3] = {0xF800, 0x7E0, 0x1F}, k555[3] = {0x7C00, 0x3E0, 0x1F},
                        k888[3] = {0xFF0000, 0xFF00, 0xFF};
    const std::pair<int, const std::uint32_t*> sources[] = {
        {1, nullptr}, {4, nullptr},  {8, nullptr},  {16, nullptr}, {16, k565},
        {16, k555},   {24, nullptr}, {32, nullptr}, {32, k888}};
    for (auto [bits, masks] : sources)
        for (int order : {1, -1}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, order " << order);
            Section dib(4, order * 4, bits, masks), doubled(8, 8, 32), halved(2, 2, 24);
            dib.Randomise(unsigned(bits + order));
            for (Section* to : {&doubled, &halved}) {
                SetStretchBltMode(to->dc, COLORONCOLOR);
                EXPECT_EQ(StretchDIBits(to->dc, 0, 0, to->height, to->height, 0, 0, 4, 4,
                                        dib.pixels, dib.info.get(), DIB_RGB_COLORS, SRCCOPY),
                          4);
            }
            for (int i = 0; i < 64; ++i)
                EXPECT_EQ(doubled.Colour(i % 8, i / 8), dib.Colour(i % 8 / 2, i / 16)) << i;
            // Shrinking takes one pixel of each pair, unmixed: ours the one under
            // the target pixel's centre, Wine's from the upper row of the pair.
            for (int i = 0, x = 0, y = 0; i < 4; ++i, x = i % 2, y = i / 2) {
                const std::uint32_t got = halved.Colour(x, y);
                EXPECT_TRUE(got == dib.Colour(2 * x + 1, 2 * y + 1) ||
                            (!kSoftGdi && got == dib.Colour(2 * x + 1, 2 * y)));
            }
        }
    // Indexed targets take the source's entries.
    Section indices(16, 1, 8), target(16, 1, 8);
    for (int x = 0; x < 16; ++x) indices.Row(0)[x] = static_cast<unsigned char>(17 * x);
    EXPECT_EQ(StretchDIBits(target.dc, 0, 0, 16, 1, 0, 0, 16, 1, indices.pixels, indices.info.get(),
                            DIB_RGB_COLORS, SRCCOPY),
              1);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(target.Raw(x, 0), 17u * unsigned(x));
}

} // namespace
