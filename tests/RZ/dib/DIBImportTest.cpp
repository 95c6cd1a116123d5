// The DIB import: RZGetDIBInfo, its header check; RZDIB2KWPixMap on every
// encoding, resolutions, hostile headers (refused before anything is
// allocated), truncations and allocation failures.
#include <array>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include "DIBTestSupport.h"
#include "KWRoot/Channels.h"
#include "support/LeakCheck.h"

using namespace rztest;
using namespace dibtest;

namespace {

constexpr int U = 0xAAAA; // an output left untouched

// The result, colours, row bytes, header size, image size, unpacked size, bounds.
std::array<int, 10> InfoOf(const BITMAPINFOHEADER& header) {
    unsigned out[5] = {U, U, U, U, U};
    RECT b{-9, -9, -9, -9};
    const int result = RZGetDIBInfo(&header, &out[0], &b, &out[1], &out[2], &out[3], &out[4]);
    return {result,      int(out[0]), int(out[1]), int(out[2]), int(out[3]),
            int(out[4]), b.left,      b.top,       b.right,     b.bottom};
}

BITMAPINFOHEADER With(BITMAPINFOHEADER header, WORD planes, LONG xPerMetre = 0,
                      LONG yPerMetre = 0) {
    header.biPlanes = planes;
    header.biXPelsPerMeter = xPerMetre;
    header.biYPelsPerMeter = yPerMetre;
    return header;
}

// A colour table of count entries (i, i, i), of 3 or 4 bytes each.
ByteVector Greys(int count, int entryBytes = 4) {
    ByteVector table(count * entryBytes, 0);
    for (int i = 0; i < count * entryBytes; ++i) table[i] = i % entryBytes < 3 ? i / entryBytes : 0;
    return table;
}

// What a grey map holds for the colour (v, v, v): the truncated luminance.
Colour Grey(int v) {
    const auto level = static_cast<unsigned char>((v * 0.587 + v * 0.299) + v * 0.114);
    return {0, level, level, level};
}

std::pair<unsigned, unsigned> Dpi(KWPixMap** map) {
    return {RZGetKWPixMapHResolution(map), RZGetKWPixMapVResolution(map)};
}

const ByteVector k565 = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};

} // namespace

TEST(RZGetDIBInfo, DerivesCountsSizesAndBounds) {
    BITMAPINFOHEADER v5 = DibHeader(4, 2, 8);
    v5.biSize = 124;
    // clang-format off
    const std::pair<BITMAPINFOHEADER, std::array<int, 10>> cases[] = {
        {DibHeader(3, 2, 8),             {1, 256, 4, 1064, 8, 8, 0, 0, 3, 2}},
        {DibHeader(33, 2, 1),            {1, 2, 8, 48, 16, 16, 0, 0, 33, 2}},
        {With(DibHeader(3, 2, 4), 2),    {1, 256, 4, 1064, 8, 8, 0, 0, 3, 2}}, // bits x planes
        {DibHeader(3, 2, 16),            {1, 0, 8, 40, 16, 16, 0, 0, 3, 2}},
        {DibHeader(3, 2, 8, 0, 0x10005), {1, 5, 4, 60, 8, 8, 0, 0, 3, 2}},
        {DibHeader(3, 2, 24, 0, 16),     {1, 16, 12, 104, 24, 24, 0, 0, 3, 2}},
        {DibHeader(3, 2, 8, 0, 0x8000),  {1, -32768, 4, 40 - 131072, 8, 8, 0, 0, 3, 2}},
        // Bounds keep 16 bits of the width, row bytes 16 bits of the word count.
        {DibHeader(40000, 3, 1),         {1, 2, 5000, 48, 15000, 15000, 0, 0, -25536, 3}},
        {DibHeader(40000, 1, 32),        {1, 0, -102144, 40, -102144, -102144, 0, 0, -25536, 1}},
        {DibHeader(3, -2, 24),           {1, 0, 12, 40, -24, -24, 0, 0, 3, -2}},
        // Compressed data need their size; without it the image size is not written.
        {DibHeader(4, 2, 8, BI_RLE8),    {0, 256, 4, 1064, U, 8, 0, 0, 4, 2}},
        {DibHeader(4, 2, 8, 1, 0, 6),    {1, 256, 4, 1064, 6, 8, 0, 0, 4, 2}},
        {v5,                             {0, U, U, U, U, U, -9, -9, -9, -9}},
    };
    // clang-format on
    for (const auto& [header, expected] : cases)
        EXPECT_EQ(InfoOf(header), expected) << header.biWidth;
    EXPECT_EQ(RZGetDIBInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(RZGetDIBInfo(&cases[0].first, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              1);
}

TEST(RZDIB2KWPixMap, ConvertsThePixelsOfEveryEncoding) {
    const ByteVector bgr = {10, 20, 30, 0}, two = {1, 2, 3, 0}, three = {4, 5, 6, 0};
    const Colour rgb{255, 30, 20, 10}, black{255, 0, 0, 0}, white{0, 255, 255, 255},
        red{255, 255, 0, 0};
    // clang-format off
    const std::pair<ByteVector, std::vector<Colour>> cases[] = { // pixels top row first
        {Dib(DibHeader(1, 1, 24, BI_RGB, 16), {ByteVector(64, 0xEE), bgr}), {rgb}}, // table skipped
        {Dib(DibHeader(2, 1, 32), {bgr, two}), {rgb, {255, 3, 2, 1}}},     // alpha 0 becomes 255
        // Top-down rows, of 24 bits and of bit fields.
        {Dib(DibHeader(1, -3, 24), {bgr, two, three}), {rgb, {255, 3, 2, 1}, {255, 6, 5, 4}}},
        {Dib(DibHeader(2, -2, 16, BI_BITFIELDS, 0, 8), {k565, {0xE0, 7, 0, 0, 255, 255, 0, 0}}),
         {{255, 0, 255, 0}, black, {255, 255, 255, 255}, black}},
        // Indices past the palette are black.
        {Dib(DibHeader(4, 1, 4, BI_RLE4, 2, 4), {{0, 0, 0, 0, 0, 0, 255, 0}, {4, 0x12, 0, 1}}),
         {red, black, red, black}},
        {Dib(DibHeader(3, 1, 8, BI_RGB, 2), {{200, 200, 200, 0, 100, 100, 100, 0}, {1, 2, 255, 0}}),
         {Grey(100), Grey(0), Grey(0)}},
        // Three bytes a colour.
        {Dib(CoreHeader(1, 1, 1), {{0, 0, 0, 255, 255, 255, 128, 0, 0, 0}}), {white}},
        // Nine bits a pixel in a core header: no colour table, black pixels.
        {Dib(CoreHeader(1, 1, 3, 3), {{1, 2, 3, 4}}), {black}},
        // No pixel bits (8 or 24 bits x 0 planes): a colour table of one entry, rows
        // of 0 bytes, and a 32-bit map (alpha 255) of black pixels.
        {Dib(With(DibHeader(3, 2, 8), 0), {{9, 9, 9, 0}}), std::vector<Colour>(6, black)},
        {Dib(CoreHeader(3, 1, 24, 0), {{9, 9, 9}}), {black, black, black}},
    };
    // clang-format on
    for (const auto& [dib, pixels] : cases) {
        const auto imported = Import(dib);
        ASSERT_EQ(imported.code, 0) << testing::PrintToString(dib);
        EXPECT_EQ(PixelsOf(imported.Map()), pixels) << testing::PrintToString(dib);
    }
}

TEST(RZDIB2KWPixMap, ConvertsResolutionsToDotsPerInch) {
    const ByteVector pixel = {1, 2, 3, 0};
    auto info = [&](LONG x, LONG y) { return Dib(With(DibHeader(1, 1, 24), 1, x, y), {pixel}); };
    // clang-format off
    const std::tuple<ByteVector, unsigned, unsigned> cases[] = {
        {info(0, 0), 72, 72}, {info(3780, 3780), 96, 96}, {info(2834, 2834), 71, 71},
        {info(0, 3780), 0, 96}, {info(11811, 1417), 299, 35},
        {Dib(CoreHeader(1, 1, 24), {pixel}), 72, 72}}; // a core header has no resolutions
    // clang-format on
    for (const auto& [dib, h, v] : cases) EXPECT_EQ(Dpi(Import(dib).Map()), std::pair(h, v));
}

TEST(RZDIB2KWPixMap, RefusesUnsupportedAndHostileHeadersBeforeAllocating) {
    const ByteVector endOfBitmap = {0, 0, 0, 0, 0, 1}; // a one-colour table, then end of bitmap
    // clang-format off
    const std::pair<const char*, ByteVector> cases[] = {
        {"BITMAPV5HEADER", Dib(ByteVector{124, 0, 0, 0}, {ByteVector(124, 1)})},
        {"no bytes", {}},
        {"top-down RLE8", Dib(DibHeader(4, -2, 8, BI_RLE8, 0, 4), {Greys(256), {3, 5, 0, 1}})},
        {"RLE without an image size", Bytes(DibHeader(4, 2, 8, BI_RLE8))},
        {"negative colour count", Bytes(DibHeader(4, 1, 8, BI_RGB, 0x8000))},
        {"width 0", Bytes(DibHeader(0, 1, 24))},
        {"negative width", Bytes(DibHeader(-5, 1, 24))},
        {"height 0", Bytes(DibHeader(5, 0, 24))},
        {"height -2^31", Bytes(DibHeader(5, INT32_MIN, 24))},
        {"row bytes overflow", Bytes(DibHeader(0x7FFFFFFF, 1, 32))},
        {"row words past 16 bits", Bytes(DibHeader(40000, 1, 32))},
        {"unpacked size overflow", Bytes(DibHeader(30000, 30000, 24))},
        // Uncompressed pixel data must be there before buffers are sized.
        {"uncompressed data short", Dib(DibHeader(4000, 4000, 24), {ByteVector(100, 0)})},
        {"short by a byte", Dib(DibHeader(1, 1, 24), {{1, 2, 3}})},
        {"colour table short", Dib(DibHeader(4, 1, 8, BI_RGB, 200), {ByteVector(100, 0)})},
        // Run-length data are bounded by their size, and their expansion (pixel
        // buffer and map) by 1 GiB, as are pictures without pixel bits; the
        // run-length one just past expands to 2^30 + 16 bytes.
        {"RLE data short", Dib(DibHeader(20000, 20000, 8, 1, 1, 2000000), {endOfBitmap})},
        {"RLE expansion just past 1 GiB", Dib(DibHeader(21848, 24573, 8, 1, 1, 2), {endOfBitmap})},
        {"no pixel bits, past 1 GiB", Dib(With(DibHeader(16384, 16384, 8), 0), {ByteVector(4)})},
    };
    // clang-format on
    for (const auto& [name, dib] : cases) {
        const std::int64_t before = KWRootAllocationCount();
        const auto imported = Import(dib);
        EXPECT_TRUE(imported.code == RZErrFailed && imported.Map() == nullptr) << name;
        EXPECT_EQ(KWRootAllocationCount(), before) << name << ": allocated before refusing";
    }
    KWPixMap** map = nullptr;
    EXPECT_EQ(RZDIB2KWPixMap(nullptr, 100, &map), RZErrFailed);
    const ByteVector good = Dib(DibHeader(1, 1, 24), {{1, 2, 3, 0}});
    EXPECT_EQ(RZDIB2KWPixMap(reinterpret_cast<const char*>(good.data()), 44, nullptr), RZErrFailed);
    // Within the bound a large run-length picture imports.
    const auto large =
        Import(Dib(DibHeader(4096, 4096, 8, BI_RLE8, 1, 4), {{50, 50, 50, 0}, {2, 0, 0, 1}}));
    EXPECT_TRUE(large.code == 0 && Row(large.Map(), 4095)[1] == 50);
    // So does a picture without pixel bits whose map takes 540 MB.
    const auto bitless = Import(Dib(With(DibHeader(12288, 11000, 8), 0), {ByteVector(4)}));
    EXPECT_TRUE(bitless.code == 0 && Pixel(bitless.Map(), 12287, 10999) == (Colour{255, 0, 0, 0}));
}

TEST(RZDIB2KWPixMap, RefusesEveryTruncationAndEveryFailedAllocationCleanly) {
    // Allocations in order: colour table and pixel buffer (A, growable arrays:
    // -7003 and a report on the debug channel), run-length data or spare row
    // (S: the BMError() code), the pixel map (M: -7003).
    // clang-format off
    const std::pair<ByteVector, std::string> cases[] = {
        {Dib(DibHeader(4, 2, 8, BI_RLE8, 2, 6), {Greys(2), {3, 1, 0, 0, 0, 1}}), "AASM"},
        {Dib(DibHeader(1, -2, 32, BI_BITFIELDS, 0, 8), {ByteVector(20, 255)}), "ASM"}, // masks too
        {Dib(CoreHeader(2, 2, 1), {{0, 0, 0, 255, 255, 255, 128, 0, 0, 0, 64, 0, 0, 0}}), "AAM"}};
    // clang-format on
    for (const auto& [dib, outcomes] : cases) {
        for (std::size_t n = 0; n < dib.size(); ++n) {
            const auto cut = Import(dib, n);
            EXPECT_TRUE(cut.code == RZErrFailed && cut.Map() == nullptr) << n;
        }
        short code = 0;
        bool mapMade = false, reported = false;
        const auto import = [&, &dib = dib] {
            dbChannel.Clear();
            const auto imported = Import(dib);
            std::tie(code, mapMade) = std::pair(imported.code, imported.Map() != nullptr);
            reported = std::strstr(dbChannel.DebugText(), "KW::OutOfMemoryException");
        };
        const auto check = [&, &outcomes = outcomes](int failedAt) {
            const char expected = outcomes.at(failedAt - 1);
            EXPECT_EQ(code, expected == 'S' ? short(kBMErrOutOfMemory) : short(RZErrFailed));
            EXPECT_EQ(std::pair(mapMade, reported), std::pair(false, expected == 'A')) << failedAt;
        };
        EXPECT_EQ(SweepAllocationFailures(import, check), int(outcomes.size()));
        EXPECT_EQ(code, 0);
    }
}
