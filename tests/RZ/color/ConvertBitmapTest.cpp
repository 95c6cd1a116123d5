// CRZConvertBitmap: worked layouts and pixels, palettes, refusals, allocation
// failures, and whole conversions against a plain reference of the row loop
// that applies the full kernel with the nearest-inside rule.
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "HsvConversion.h"
#include "InverseColorMap.h"
#include "RZ/KWPixMap"
#include "RZ/platform/PointerBlock.h"
#include "StandardPalettes.h"
#include "support/Dibs.h"
#include "support/LeakCheck.h"

using rz::color::kStandardPalette256;

namespace {

using Bgr = std::array<std::uint8_t, 3>;
using Rows = std::vector<std::vector<unsigned>>;

// Pixel x of a DIB row of 1, 4 or 8 bits (its index) or 24 bits (packed).
unsigned PixelOf(const std::uint8_t* row, int x, int bits) {
    const std::uint8_t* p = row + x * bits / 8;
    if (bits == 24) return p[0] | p[1] << 8 | p[2] << 16;
    return (p[0] >> (8 - bits - x * bits % 8)) & ((1 << bits) - 1);
}

// A bottom-up packed DIB; words keep the header aligned, and one spare word
// follows the rows.
struct Dib {
    std::vector<std::uint32_t> words;
    int colours = 0;
    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(words.data()); }
    std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(words.data()); }
    RGBQUAD* table() { return reinterpret_cast<RGBQUAD*>(bytes() + 40); }
    std::uint8_t* row(int y) {
        const int stride = rztest::DibRowBytes(header()->biWidth, header()->biBitCount);
        return bytes() + 40 + 4 * colours + static_cast<std::size_t>(y) * stride;
    }
    // Pixel x of memory row y by the DIB rule.
    Bgr Pixel(int x, int y) {
        const int bits = header()->biBitCount;
        const std::uint8_t* p = row(y) + bits / 8 * x;
        if (bits <= 8) p = &table()[PixelOf(row(y), x, bits)].rgbBlue;
        return {p[0], p[1], p[2]};
    }
};

// Random pixels (over a random colour table at 1, 4 or 8 bits), or at 24
// and 32 bits those of pixel(x, memory row).
Dib MakeDib(int bits, int width, int height, std::uint32_t seed,
            std::function<Bgr(int, int)> pixel = nullptr) {
    Dib dib;
    dib.colours = bits <= 8 ? 1 << bits : 0;
    dib.words.resize(11 + dib.colours + std::size_t(height) * rztest::DibRowBytes(width, bits) / 4);
    // 8-bit sources leave biClrUsed 0, which stands for a full table.
    *dib.header() = rztest::DibHeader(width, height, bits, BI_RGB, bits == 8 ? 0 : dib.colours);
    std::mt19937 rng(seed);
    for (std::size_t i = 40; i < 4 * dib.words.size(); ++i) dib.bytes()[i] = rng() & 0xFF;
    for (int i = 0; i < dib.colours; ++i) dib.table()[i].rgbReserved = 0;
    for (int y = 0; y < height && pixel; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(dib.row(y) + bits / 8 * x, pixel(x, y).data(), 3);
    return dib;
}

constexpr int kKernel[3][5] = {{0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}};

// Straightforward conversion of all rows, the first scanning in startDir;
// each pixel's index (or packed colour at 24 bits), in memory order.
Rows Reference(Dib& source, int bits, const RGBQUAD* palette, bool dither, int startDir) {
    const int n = source.header()->biWidth;
    std::vector<std::uint8_t> cube(32768, 0);
    if (bits <= 8) rz::color::BuildColorCube(std::int16_t(1 << bits), palette, 5, cube.data());
    std::vector<std::vector<std::array<int, 3>>> err(3, std::vector<std::array<int, 3>>(n));
    Rows out(source.header()->biHeight, std::vector<unsigned>(n));
    for (int y = 0, dir = startDir; y < source.header()->biHeight; ++y, dir = -dir) {
        for (int i = 0; i < n; ++i) {
            const int x = dir > 0 ? i : n - 1 - i;
            const Bgr p = source.Pixel(x, y);
            int c[3] = {p[0], p[1], p[2]};
            if (dither)
                for (int a = 0; a < 3; ++a) c[a] = std::clamp(c[a] + err[0][x][a] / 48, 0, 255);
            const int spread = std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]});
            if (bits == 1 || (bits == 4 && spread < 32))
                c[0] = c[1] = c[2] = (c[0] + c[1] + c[2]) / 3;
            unsigned& index = out[y][x];
            const rz::color::Hsv h = rz::color::RgbToHsv(c[2], c[1], c[0]);
            index = cube[bits == 8 ? rz::color::RgbCubeKey(c[2], c[1], c[0])
                                   : unsigned(h.h >> 3 << 10 | h.s >> 3 << 5 | h.v >> 3)];
            const RGBQUAD& q = palette[index];
            int e[3] = {c[0] - q.rgbBlue, c[1] - q.rgbGreen, c[2] - q.rgbRed};
            if (bits == 24) index = c[0] | c[1] << 8 | c[2] << 16, e[0] = e[1] = e[2] = 0;
            if (bits == 1) e[0] = e[1] = e[2] = (e[0] + e[1] + e[2]) / 3;
            for (int r = 0; r < 3 && dither && n >= 6; ++r)
                for (int k = 0; k < 5; ++k) {
                    const int pos = std::clamp(x + dir * (k - 2), 0, n - 1);
                    if (r > 0 || pos != x)
                        for (int a = 0; a < 3; ++a) err[r][pos][a] += kKernel[r][k] * e[a];
                }
        }
        std::rotate(err.begin(), err.begin() + 1, err.end());
        err[2].assign(n, {0, 0, 0});
    }
    return out;
}

// The result of CRZConvertBitmap, its block owned.
struct Converted {
    rz::platform::PointerBlock block;
    unsigned size = 0;
    Converted(int bits, Dib& source, bool dither, bool standard) {
        void* out = nullptr;
        size = CRZConvertBitmap(&out, static_cast<short>(bits), source.header(), dither, standard);
        block = rz::platform::PointerBlock(static_cast<char*>(out));
    }
    const BITMAPINFOHEADER* header() const { return block.As<const BITMAPINFOHEADER>(); }
    const RGBQUAD* palette() const { return block.As<const RGBQUAD>() + 10; }
    // Palette indices (or, at 24 bits, packed colours) by memory row.
    Rows Pixels() const {
        const BITMAPINFOHEADER* h = header();
        const std::uint8_t* rows = block.As<const std::uint8_t>() + 40 + 4 * h->biClrUsed;
        Rows out(h->biHeight, std::vector<unsigned>(h->biWidth));
        for (int y = 0; y < h->biHeight;
             ++y, rows += rztest::DibRowBytes(h->biWidth, h->biBitCount))
            for (int x = 0; x < h->biWidth; ++x) out[y][x] = PixelOf(rows, x, h->biBitCount);
        return out;
    }
};

bool SamePalette(const RGBQUAD* a, const RGBQUAD* b, int n) {
    return std::memcmp(a, b, 4 * std::size_t(n)) == 0;
}

} // namespace

TEST(ConvertBitmap, PopularityPaletteWorkedCases) {
    // Ten colours (blue, green, red) in ten cells, colour k on 10 + k pixels:
    // the most populated first, then standard entries 0 to 245. Black, the
    // first cell up each axis and the cells 128 up stay apart.
    const Bgr colours[10] = {{0, 0, 0}, {0, 0, 8},   {0, 128, 0},   {0, 8, 0},     {128, 0, 0},
                             {8, 0, 0}, {3, 200, 7}, {23, 191, 14}, {43, 182, 21}, {63, 173, 28}};
    std::vector<Bgr> pixels;
    std::vector<RGBQUAD> expected(10);
    for (int k = 0; k < 10; ++k) {
        pixels.insert(pixels.end(), 10 + k, colours[k]);
        expected[9 - k] = RGBQUAD{colours[k][0], colours[k][1], colours[k][2], 0};
    }
    expected.insert(expected.end(), kStandardPalette256.begin(), kStandardPalette256.end() - 10);
    for (int bits : {24, 32}) {
        Dib src = MakeDib(bits, 5, 29, 0, [&](int x, int y) { return pixels[y * 5 + x]; });
        EXPECT_TRUE(SamePalette(Converted(8, src, false, false).palette(), expected.data(), 256));
    }
    // 70000 pixels in one cell: 40000 of blue 8 and 30000 of blue 15. The
    // exact mean is 11; one over the saturated ranking count would give 12.
    Dib src = MakeDib(32, 350, 200, 0, [](int x, int y) {
        return Bgr{std::uint8_t(y * 350 + x < 40000 ? 8 : 15), 0, 0};
    });
    Converted out(8, src, false, false);
    EXPECT_EQ(out.palette()[0].rgbBlue, 11);
    EXPECT_TRUE(SamePalette(out.palette() + 1, kStandardPalette256.data(), 255));
}

TEST(ConvertBitmap, WorkedPixels) {
    // At 1 bit grey 127 is black, 128 white, and red averages to 85, black.
    // At 4 bits (200, 190, 185) is grey 191, the light grey entry 7, while
    // (200, 150, 100) keeps its colour, HSV (21, 127, 200), nearest to entry
    // 7 too (grey 150 would be entry 8). Greys are forced below a spread of
    // 32: (31, 0, 0) is grey 10, black, and (32, 0, 0) HSV (0, 255, 32),
    // nearest to the dark red entry 1.
    const Bgr pixels[] = {{127, 127, 127}, {128, 128, 128}, {0, 0, 255}, {185, 190, 200},
                          {100, 150, 200}, {0, 0, 31},      {0, 0, 32}};
    Dib src = MakeDib(24, 7, 1, 0, [&](int x, int) { return pixels[x]; });
    EXPECT_EQ(Converted(1, src, false, false).Pixels(), (Rows{{0, 1, 0, 1, 1, 0, 0}}));
    EXPECT_EQ(Converted(4, src, false, false).Pixels(), (Rows{{8, 8, 9, 7, 7, 0, 1}}));
    // One table colour and four 8-bit pixels 0, 1, 2, 3: value 1 reads the
    // row itself as a colour; value 2 would start where the block ends.
    Dib eight = MakeDib(8, 4, 1, 0);
    eight.colours = 1, eight.header()->biClrUsed = 1, eight.table()[0] = RGBQUAD{10, 20, 30, 0};
    const std::uint8_t row[8] = {0, 1, 2, 3, 0xFF, 0xFF, 0xFF, 0xFF};
    std::memcpy(eight.row(0), row, 8);
    EXPECT_EQ(Converted(24, eight, false, false).Pixels(),
              (Rows{{30 << 16 | 20 << 8 | 10, 2 << 16 | 1 << 8, 0, 0}}));
}

// Every converted row flips the shared scan direction: the first dithered
// conversion shows where it started, and every later one must start opposite
// to where the rows before it ended. Conversions that convert no row (none,
// or no scratch) leave it alone.
TEST(ConvertBitmap, ConversionsMatchTheReferenceAndCarryTheDirection) {
    // The last column is an allocation made to fail, leaving every row
    // unconverted.
    const int cases[][7] = {
        {24, 8, 0, 3, 0, 0, 0},  {32, 8, 23, 7, 1, 0, 0}, {1, 4, 20, 3, 1, 0, 0},
        {24, 8, 31, 4, 1, 1, 0}, {32, 4, 17, 5, 1, 0, 0}, {8, 8, 16, 3, 1, 0, 0},
        {24, 1, 40, 6, 1, 0, 0}, {32, 8, 9, 3, 0, 0, 0},  {4, 8, 11, 2, 1, 0, 0},
        {32, 1, 6, 3, 1, 0, 0},  {24, 8, 9, 0, 1, 0, 0},  {24, 4, 5, 3, 1, 0, 0},
        {32, 8, 9, 3, 1, 0, 5},  {24, 24, 9, 3, 1, 0, 0}, {32, 8, 64, 9, 1, 0, 0},
        {8, 4, 13, 3, 1, 0, 0},  {24, 8, 7, 1, 1, 0, 0},  {32, 4, 7, 21, 1, 0, 0},
        {24, 1, 6, 31, 1, 0, 0}, {8, 1, 12, 2, 0, 0, 0},  {32, 24, 9, 2, 0, 0, 0}};
    const RGBQUAD* standard[] = {rz::color::kStandardPalette2.data(),
                                 rz::color::kStandardPalette16.data(), kStandardPalette256.data()};
    int next = 0; // direction of the next row; unknown before the first dithered conversion
    std::uint32_t seed = 100;
    for (const auto& [sourceBits, targetBits, width, height, dither, standardAsked, failAt] :
         cases) {
        SCOPED_TRACE(testing::Message() << sourceBits << " to " << targetBits << " bits, " << width
                                        << " x " << height);
        Dib src = MakeDib(sourceBits, width, height, seed++);
        KWRootFailAllocation(failAt);
        Converted out(targetBits, src, dither, standardAsked);
        KWRootFailAllocation(0);
        ASSERT_TRUE(out.block);
        // The layout: the table, then whole-word rows.
        const int colours = targetBits <= 8 ? 1 << targetBits : 0;
        const int image = rztest::DibRowBytes(width, targetBits) * height;
        const auto expected = rztest::DibHeader(width, height, targetBits, BI_RGB, colours, image);
        EXPECT_TRUE(out.size == 40u + 4 * colours + image &&
                    !std::memcmp(out.header(), &expected, 40));
        const bool popularity = targetBits == 8 && sourceBits > 8 && !standardAsked;
        EXPECT_TRUE(targetBits > 8 || popularity ||
                    SamePalette(out.palette(), standard[targetBits / 4], 1 << targetBits));
        const Rows got = out.Pixels();
        if (failAt != 0) {
            EXPECT_EQ(got, Rows(height, std::vector<unsigned>(width, 0)));
            continue;
        }
        const bool diffused = dither && targetBits < sourceBits;
        const bool forward = got == Reference(src, targetBits, out.palette(), diffused, 1);
        const bool backward = got == Reference(src, targetBits, out.palette(), diffused, -1);
        ASSERT_TRUE(forward || backward);
        if (next != 0)
            EXPECT_TRUE(next > 0 ? forward : backward) << "conversion started the wrong way";
        else if (forward != backward)
            next = forward ? 1 : -1;
        if (height % 2) next = -next;
    }
    EXPECT_NE(next, 0);
}

TEST(ConvertBitmap, RefusesWhatTheRowLoopCannotHandle) {
    // Target bits, then the source's width, height, planes, bits and
    // compression: other target depths; top-down, compressed, bit fields,
    // 16 bits, 48 bits, 2 bits as the 16-bit product of 65535 planes of
    // 65534 bits, sides beyond 16-bit counters, negative width.
    std::vector<std::array<int, 6>> cases = {
        {8, 4, -4, 1, 24, BI_RGB},      {8, 4, 4, 1, 8, BI_RLE8},
        {8, 4, 4, 1, 32, BI_BITFIELDS}, {8, 4, 4, 1, 16, BI_RGB},
        {8, 4, 4, 2, 24, BI_RGB},       {8, 32768, 4, 1, 24, BI_RGB},
        {8, 4, 32768, 1, 24, BI_RGB},   {8, 4, 4, 65535, 65534, BI_RGB},
        {8, -1, 4, 1, 24, BI_RGB}};
    for (int target : {0, 2, 3, 5, 7, 16, 32, -8}) cases.push_back({target, 4, 4, 1, 24, BI_RGB});
    Dib dib = MakeDib(24, 4, 4, 9);
    void* out = nullptr;
    for (const auto& [target, width, height, planes, bits, compression] : cases) {
        *dib.header() = rztest::DibHeader(width, height, bits, DWORD(compression));
        dib.header()->biPlanes = WORD(planes), out = reinterpret_cast<void*>(1);
        EXPECT_TRUE(CRZConvertBitmap(&out, short(target), dib.header(), 1, 0) == 0 && !out)
            << target << ", " << width << " x " << height << ", " << bits;
    }
    // The longest sides the counters hold are converted.
    for (const auto& [width, height] : {std::pair(32767, 1), std::pair(1, 32767)}) {
        Dib longest = MakeDib(24, width, height, 5);
        EXPECT_NE(Converted(1, longest, true, false).size, 0u) << width << " x " << height;
    }
    out = reinterpret_cast<void*>(1);
    EXPECT_TRUE(CRZConvertBitmap(&out, 8, nullptr, 0, 0) == 0 && !out);
    EXPECT_EQ(CRZConvertBitmap(nullptr, 8, dib.header(), 0, 0), 0u);
}

// Each allocation failing in turn: before the target block there is no
// result, except that a failed popularity table leaves the standard palette;
// any later failure gives the whole block, header and palette as without
// failure, but no row converted (all zero).
TEST(ConvertBitmap, EveryAllocationFailureGivesTheStatedResult) {
    const struct {
        int sourceBits, targetBits, dither, standard;
        int allocations; // palette, [cells, sums], block, work, [errors], [cube, distances]
    } cases[] = {{32, 8, 1, 0, 8}, {24, 1, 1, 0, 6},  {32, 4, 0, 0, 5},
                 {24, 8, 1, 1, 6}, {32, 24, 1, 0, 3}, {8, 8, 0, 0, 5}};
    for (const auto& k : cases) {
        Dib src = MakeDib(k.sourceBits, 19, 6, 21);
        Converted reference(k.targetBits, src, k.dither, k.standard);
        const bool popularity = k.targetBits == 8 && k.sourceBits > 8 && !k.standard;
        const int blockAt = (k.targetBits <= 8) + 2 * popularity + 1;
        const std::size_t head = 40 + 4 * reference.header()->biClrUsed;
        std::vector<std::uint8_t> got;
        const int allocations = rztest::SweepAllocationFailures(
            [&] {
                Converted out(k.targetBits, src, k.dither, k.standard);
                got.assign(out.block.Get(), out.block.Get() + (out.block ? out.size : 0));
                EXPECT_TRUE(out.block || out.size == 0);
            },
            [&](int failedAt) {
                const bool none = failedAt == 1 || failedAt == blockAt;
                ASSERT_EQ(got.size(), none ? 0u : reference.size) << failedAt;
                if (none) return;
                const auto* palette = reinterpret_cast<const RGBQUAD*>(got.data() + 40);
                const bool rowsZero =
                    std::all_of(got.begin() + head, got.end(), [](int b) { return b == 0; });
                EXPECT_TRUE(failedAt < blockAt
                                ? SamePalette(palette, kStandardPalette256.data(), 256)
                                : std::memcmp(got.data(), reference.block.Get(), head) == 0 &&
                                      rowsZero)
                    << failedAt;
            });
        EXPECT_EQ(allocations, k.allocations) << k.sourceBits << " to " << k.targetBits << " bits";
    }
}
