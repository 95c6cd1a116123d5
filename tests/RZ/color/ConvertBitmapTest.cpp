// CRZConvertBitmap: layout, palettes, worked pixels, refusals, allocation
// failures, and whole conversions against a plain reference of the row
// quantiser that applies the full kernel with the nearest-inside rule.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "ColorTestSupport.h"
#include "HsvConversion.h"
#include "InverseColorMap.h"
#include "StandardPalettes.h"
#include "support/LeakCheck.h"

using namespace colortest;
using rz::color::kStandardPalette16;
using rz::color::kStandardPalette256;

namespace {

constexpr int kKernel[3][5] = {{0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}};

int Clamp(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// The working pixels of a 24- or 32-bit source, memory row by memory row.
std::vector<std::vector<Bgr>> SourcePixels(Dib& dib) {
    const BITMAPINFOHEADER* h = dib.header();
    std::vector<std::vector<Bgr>> rows(h->biHeight);
    for (int y = 0; y < h->biHeight; ++y)
        for (int x = 0; x < h->biWidth; ++x) {
            const std::uint8_t* p = dib.row(y) + (h->biBitCount / 8) * x;
            rows[y].push_back({p[0], p[1], p[2]});
        }
    return rows;
}

// Straightforward conversion of all rows; returns each pixel's index (or
// packed colour at 24 bits), row by row in memory order.
std::vector<std::vector<unsigned>> Reference(const std::vector<std::vector<Bgr>>& src, int bits,
                                             const RGBQUAD* palette, bool dither, int startDir) {
    const int n = src.empty() ? 0 : static_cast<int>(src[0].size());
    std::vector<std::uint8_t> cube(32768, 0);
    if (bits <= 8)
        rz::color::BuildColorCube(static_cast<std::int16_t>(1 << bits), palette, 5, cube.data());
    std::vector<std::vector<std::array<int, 3>>> err(3, std::vector<std::array<int, 3>>(n));
    std::vector<std::vector<unsigned>> out;
    int dir = -startDir;
    for (const auto& row : src) {
        dir = -dir;
        std::vector<unsigned> indices(n);
        for (int i = 0; i < n; ++i) {
            const int x = dir > 0 ? i : n - 1 - i;
            int c[3] = {row[x].b, row[x].g, row[x].r};
            if (dither)
                for (int a = 0; a < 3; ++a) c[a] = Clamp(c[a] + err[0][x][a] / 48);
            const int mx = std::max({c[0], c[1], c[2]}), mn = std::min({c[0], c[1], c[2]});
            if (bits == 1 || (bits == 4 && mx - mn < 32))
                c[0] = c[1] = c[2] = (c[0] + c[1] + c[2]) / 3;
            int chosen[3] = {c[0], c[1], c[2]};
            if (bits == 24) {
                indices[x] = c[0] | c[1] << 8 | c[2] << 16;
            } else {
                const unsigned key = bits == 8 ? rz::color::RgbCubeKey(c[2], c[1], c[0])
                                               : rz::color::HsvCubeKey(c[2], c[1], c[0]);
                indices[x] = cube[key];
                const RGBQUAD& q = palette[indices[x]];
                chosen[0] = q.rgbBlue, chosen[1] = q.rgbGreen, chosen[2] = q.rgbRed;
            }
            if (!dither || n < 6) continue;
            int e[3] = {c[0] - chosen[0], c[1] - chosen[1], c[2] - chosen[2]};
            if (bits == 1) e[0] = e[1] = e[2] = (e[0] + e[1] + e[2]) / 3;
            for (int r = 0; r < 3; ++r)
                for (int k = 0; k < 5; ++k) {
                    int pos = x + dir * (k - 2);
                    pos = std::clamp(pos, 0, n - 1);
                    if (r == 0 && pos == x) continue;
                    for (int a = 0; a < 3; ++a) err[r][pos][a] += kKernel[r][k] * e[a];
                }
        }
        if (dither) {
            std::rotate(err.begin(), err.begin() + 1, err.end());
            err[2].assign(n, {0, 0, 0});
        }
        out.push_back(indices);
    }
    return out;
}

std::vector<std::vector<unsigned>> PixelsOf(const Converted& c) {
    std::vector<std::vector<unsigned>> out(c.header()->biHeight);
    for (int y = 0; y < c.header()->biHeight; ++y)
        for (int x = 0; x < c.header()->biWidth; ++x) out[y].push_back(c.Pixel(x, y));
    return out;
}

Dib PhotoDib(int bits, int w, int h, std::uint32_t seed) {
    std::mt19937 rng(seed);
    return MakeTrueColourDib(bits, w, h,
                             [&](int x, int y) { return PhotoPixel(x, y, w, h, rng()); });
}

bool SamePalette(const RGBQUAD* a, const RGBQUAD* b, int n) {
    for (int i = 0; i < n; ++i)
        if (a[i].rgbRed != b[i].rgbRed || a[i].rgbGreen != b[i].rgbGreen ||
            a[i].rgbBlue != b[i].rgbBlue || a[i].rgbReserved != b[i].rgbReserved)
            return false;
    return true;
}

} // namespace

TEST(ConvertBitmap, HeaderAndBlockLayout) {
    struct Case {
        int sourceBits, targetBits, width, height;
    } cases[] = {{32, 8, 7, 3},  {24, 4, 9, 2}, {32, 1, 33, 4},
                 {32, 24, 5, 5}, {24, 8, 0, 3}, {24, 8, 3, 0}};
    for (const Case& k : cases) {
        Dib src = PhotoDib(k.sourceBits, k.width, k.height, 1);
        Converted out;
        Convert(out, k.targetBits, src, false, false);
        ASSERT_NE(out.block, nullptr);
        const int colours = k.targetBits <= 8 ? 1 << k.targetBits : 0;
        const int stride = StrideOf(k.width, k.targetBits);
        EXPECT_EQ(out.size, static_cast<unsigned>(k.height * stride + (colours + 10) * 4));
        const BITMAPINFOHEADER* h = out.header();
        EXPECT_EQ(h->biSize, 40u);
        EXPECT_EQ(h->biWidth, k.width);
        EXPECT_EQ(h->biHeight, k.height);
        EXPECT_EQ(h->biPlanes, 1);
        EXPECT_EQ(h->biBitCount, k.targetBits);
        EXPECT_EQ(h->biCompression, 0u);
        EXPECT_EQ(h->biSizeImage, static_cast<DWORD>(k.height * stride));
        EXPECT_EQ(h->biXPelsPerMeter, 0);
        EXPECT_EQ(h->biYPelsPerMeter, 0);
        EXPECT_EQ(h->biClrUsed, static_cast<DWORD>(colours));
        EXPECT_EQ(h->biClrImportant, 0u);
    }
}

TEST(ConvertBitmap, PopularityPaletteTakesCellsByCountThenStandardEntries) {
    // Ten colours in ten cells, colour k on 10 + k pixels.
    std::vector<Bgr> colours;
    for (int k = 0; k < 10; ++k)
        colours.push_back(
            Bgr{std::uint8_t(20 * k + 3), std::uint8_t(200 - 9 * k), std::uint8_t(7 * k)});
    std::vector<Bgr> pixels;
    for (int k = 0; k < 10; ++k) pixels.insert(pixels.end(), 10 + k, colours[k]);
    const int w = 5, h = static_cast<int>(pixels.size()) / w;
    for (int bits : {24, 32}) {
        Dib src = MakeTrueColourDib(bits, w, h, [&](int x, int y) { return pixels[y * w + x]; });
        Converted out;
        Convert(out, 8, src, false, false);
        ASSERT_NE(out.block, nullptr);
        const RGBQUAD* p = out.palette();
        for (int i = 0; i < 10; ++i) {
            const Bgr& c = colours[9 - i];
            EXPECT_EQ((Bgr{p[i].rgbBlue, p[i].rgbGreen, p[i].rgbRed}), c) << i;
            EXPECT_EQ(p[i].rgbReserved, 0);
        }
        EXPECT_TRUE(SamePalette(p + 10, kStandardPalette256.data(), 246));
        // Each pixel maps to its own colour's entry.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int k = static_cast<int>(
                    std::find(colours.begin(), colours.end(), pixels[y * w + x]) - colours.begin());
                EXPECT_EQ(out.Pixel(x, y), static_cast<unsigned>(9 - k));
            }
        // Asked for, the standard palette.
        Converted standard;
        Convert(standard, 8, src, false, true);
        EXPECT_TRUE(SamePalette(standard.palette(), kStandardPalette256.data(), 256));
    }
}

TEST(ConvertBitmap, SaturatedCountRanksAt65535ButMeansUseTheExactCount) {
    // 70000 pixels in one cell: 40000 of blue 8 and 30000 of blue 15. The
    // exact mean is 11; a mean over 65535 would give 12.
    const int w = 350, h = 200;
    Dib src = MakeTrueColourDib(32, w, h, [&](int x, int y) {
        return Bgr{std::uint8_t(y * w + x < 40000 ? 8 : 15), 0, 0};
    });
    Converted out;
    Convert(out, 8, src, false, false);
    ASSERT_NE(out.block, nullptr);
    EXPECT_EQ(out.palette()[0].rgbBlue, 11);
    EXPECT_TRUE(SamePalette(out.palette() + 1, kStandardPalette256.data(), 255));
}

TEST(ConvertBitmap, EightBitSourcesGetTheStandardPaletteAndNoDithering) {
    Dib src = MakeDib(8, 16, 4, 256);
    for (int i = 0; i < 256; ++i) {
        RGBQUAD& q = reinterpret_cast<RGBQUAD*>(src.bytes() + 40)[i];
        q = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE((i * 7) & 255), 0};
    }
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) src.row(y)[x] = static_cast<std::uint8_t>(16 * y + x * 3);
    Converted dithered, plain;
    Convert(dithered, 8, src, true, false);
    Convert(plain, 8, src, false, false);
    ASSERT_NE(dithered.block, nullptr);
    EXPECT_TRUE(SamePalette(plain.palette(), kStandardPalette256.data(), 256));
    EXPECT_EQ(PixelsOf(dithered), PixelsOf(plain));
    // The same pixels as a 24-bit source, converted without dithering.
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(src.bytes() + 40);
    Dib as24 = MakeTrueColourDib(24, 16, 4, [&](int x, int y) {
        const RGBQUAD& q = table[src.row(y)[x]];
        return Bgr{q.rgbBlue, q.rgbGreen, q.rgbRed};
    });
    Converted viaTrue;
    Convert(viaTrue, 8, as24, false, true);
    EXPECT_EQ(PixelsOf(viaTrue), PixelsOf(plain));
}

TEST(ConvertBitmap, OneAndFourBitWorkedPixels) {
    const std::vector<Bgr> pixels = {{127, 127, 127}, {128, 128, 128}, {0, 0, 255},
                                     {185, 190, 200}, {100, 150, 200}, {0, 0, 128},
                                     {0, 128, 255},   {100, 100, 100}, {250, 250, 250}};
    const int w = static_cast<int>(pixels.size());
    Dib src = MakeTrueColourDib(24, w, 1, [&](int x, int) { return pixels[x]; });
    Converted one;
    Convert(one, 1, src, false, false);
    ASSERT_NE(one.block, nullptr);
    EXPECT_EQ(one.Pixel(0, 0), 0u); // grey 127
    EXPECT_EQ(one.Pixel(1, 0), 1u); // grey 128
    EXPECT_EQ(one.Pixel(2, 0), 0u); // red averages to 85
    Converted four;
    Convert(four, 4, src, false, false);
    ASSERT_NE(four.block, nullptr);
    EXPECT_TRUE(SamePalette(four.palette(), kStandardPalette16.data(), 16));
    EXPECT_EQ(four.Pixel(2, 0), 9u);  // (255, 0, 0)
    EXPECT_EQ(four.Pixel(3, 0), 7u);  // (200, 190, 185) is grey 191: C0C0C0
    EXPECT_EQ(four.Pixel(5, 0), 1u);  // (128, 0, 0)
    EXPECT_EQ(four.Pixel(6, 0), 9u);  // (255, 128, 0)
    EXPECT_EQ(four.Pixel(7, 0), 8u);  // (100, 100, 100)
    EXPECT_EQ(four.Pixel(8, 0), 15u); // (250, 250, 250)
    // (200, 150, 100) keeps its colour, HSV (21, 127, 200), nearest to the
    // light grey entry 7; forced to grey 150 it would have been entry 8.
    EXPECT_EQ(four.Pixel(4, 0), 7u);
}

TEST(ConvertBitmap, TwentyFourBitTargetsCopyPixels) {
    Dib src = PhotoDib(32, 13, 5, 3);
    Converted plain, dithered;
    Convert(plain, 24, src, false, false);
    Convert(dithered, 24, src, true, false);
    ASSERT_NE(plain.block, nullptr);
    const auto pixels = SourcePixels(src);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x) {
            const Bgr& c = pixels[y][x];
            EXPECT_EQ(plain.Pixel(x, y), unsigned(c.b | c.g << 8 | c.r << 16));
        }
    EXPECT_EQ(PixelsOf(plain), PixelsOf(dithered));
}

TEST(ConvertBitmap, SourceColourTablesAndLowDepthSources) {
    // A 1-bit source with a two-colour table, to 4 bits: more target bits,
    // so no dithering even when asked.
    Dib src = MakeDib(1, 20, 3, 2);
    auto* table = reinterpret_cast<RGBQUAD*>(src.bytes() + 40);
    table[0] = RGBQUAD{0, 0, 255, 0};     // red
    table[1] = RGBQUAD{255, 255, 255, 0}; // white
    for (int y = 0; y < 3; ++y) src.row(y)[0] = src.row(y)[1] = 0xA5;
    Converted dithered, plain;
    Convert(dithered, 4, src, true, false);
    Convert(plain, 4, src, false, false);
    ASSERT_NE(plain.block, nullptr);
    EXPECT_EQ(PixelsOf(dithered), PixelsOf(plain));
    EXPECT_EQ(plain.Pixel(0, 0), 15u);
    EXPECT_EQ(plain.Pixel(1, 0), 9u);

    // A 4-bit source to 8 bits reads nibbles, high first.
    Dib four = MakeDib(4, 3, 1, 16);
    auto* t16 = reinterpret_cast<RGBQUAD*>(four.bytes() + 40);
    t16[2] = RGBQUAD{0, 0, 0, 0};
    t16[7] = RGBQUAD{255, 255, 255, 0};
    t16[5] = RGBQUAD{0, 0, 255, 0};
    four.row(0)[0] = 0x27;
    four.row(0)[1] = 0x50;
    Converted eight;
    Convert(eight, 8, four, false, false);
    ASSERT_NE(eight.block, nullptr);
    EXPECT_EQ(eight.Pixel(0, 0), 0u);  // black
    EXPECT_EQ(eight.Pixel(1, 0), 1u);  // white
    EXPECT_EQ(eight.Pixel(2, 0), 42u); // (255, 0, 0), first of the red ramp
}

// Dithered conversions against the reference. The scan direction is shared
// by all conversions: the first conversion shows which direction it started
// in, and every later one must start opposite to where the one before it
// ended.
TEST(ConvertBitmap, DitheredConversionsMatchTheReferenceAndCarryTheDirection) {
    struct Case {
        int sourceBits, targetBits, width, height;
        bool standard;
    } cases[] = {{32, 8, 23, 7, false}, {24, 8, 31, 4, true}, {32, 4, 17, 5, false},
                 {24, 1, 40, 6, false}, {32, 1, 6, 3, false}, {24, 4, 5, 3, false},
                 {32, 8, 64, 9, false}, {24, 8, 7, 1, false}};
    int next = 0; // direction of the next row; unknown before the first conversion
    std::uint32_t seed = 100;
    for (const Case& k : cases) {
        Dib src = PhotoDib(k.sourceBits, k.width, k.height, seed++);
        Converted out;
        Convert(out, k.targetBits, src, true, k.standard);
        ASSERT_NE(out.block, nullptr);
        const auto pixels = SourcePixels(src);
        const auto got = PixelsOf(out);
        const bool forward = got == Reference(pixels, k.targetBits, out.palette(), true, 1);
        const bool backward = got == Reference(pixels, k.targetBits, out.palette(), true, -1);
        ASSERT_TRUE(forward || backward)
            << k.sourceBits << " to " << k.targetBits << " bits, " << k.width << " x " << k.height;
        if (next != 0)
            EXPECT_TRUE(next > 0 ? forward : backward) << "conversion started the wrong way";
        else if (forward != backward)
            next = forward ? 1 : -1;
        if (k.height % 2) next = -next;
    }
    EXPECT_NE(next, 0);
}

TEST(ConvertBitmap, PlainConversionsMatchTheReference) {
    struct Case {
        int sourceBits, targetBits, width, height;
        bool standard;
    } cases[] = {{32, 8, 23, 7, false},
                 {24, 8, 31, 4, true},
                 {32, 4, 17, 5, false},
                 {24, 1, 40, 6, false},
                 {32, 24, 9, 2, false}};
    for (const Case& k : cases) {
        Dib src = PhotoDib(k.sourceBits, k.width, k.height, 7);
        Converted plain;
        Convert(plain, k.targetBits, src, false, k.standard);
        ASSERT_NE(plain.block, nullptr);
        EXPECT_EQ(PixelsOf(plain),
                  Reference(SourcePixels(src), k.targetBits, plain.palette(), false, 1));
    }
}

TEST(ConvertBitmap, RefusesWhatTheRowLoopCannotHandle) {
    Dib good = PhotoDib(24, 4, 4, 9);
    auto refused = [](Dib& dib, int bits) {
        void* out = reinterpret_cast<void*>(1);
        const unsigned size = CRZConvertBitmap(&out, static_cast<short>(bits), dib.header(), 1, 0);
        return size == 0 && out == nullptr;
    };
    for (int bits : {0, 2, 3, 5, 6, 7, 16, 32, -8}) EXPECT_TRUE(refused(good, bits)) << bits;
    Dib topDown = PhotoDib(24, 4, 4, 9);
    topDown.header()->biHeight = -4;
    EXPECT_TRUE(refused(topDown, 8));
    Dib compressed = PhotoDib(24, 4, 4, 9);
    compressed.header()->biCompression = 1; // BI_RLE8
    EXPECT_TRUE(refused(compressed, 8));
    Dib bitFields = PhotoDib(32, 4, 4, 9);
    bitFields.header()->biCompression = 3;
    EXPECT_TRUE(refused(bitFields, 8));
    Dib sixteen = MakeDib(16, 4, 4);
    EXPECT_TRUE(refused(sixteen, 8));
    Dib wide = MakeDib(1, 4, 1);
    wide.header()->biWidth = 32768;
    EXPECT_TRUE(refused(wide, 8));
    Dib tall = MakeDib(1, 4, 1);
    tall.header()->biHeight = 32768;
    EXPECT_TRUE(refused(tall, 8));
    Dib negative = MakeDib(1, 4, 1);
    negative.header()->biWidth = -1;
    EXPECT_TRUE(refused(negative, 8));
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CRZConvertBitmap(&out, 8, nullptr, 0, 0), 0u);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(CRZConvertBitmap(nullptr, 8, good.header(), 0, 0), 0u);
}

// Allocations of a dithered popularity conversion, in order: palette, cell
// table, sums, target block, working row, error rows, cube, distances.
TEST(ConvertBitmap, EveryAllocationFailureGivesTheStatedResult) {
    Dib src = PhotoDib(32, 19, 6, 21);
    Converted reference;
    Convert(reference, 8, src, true, false);
    ASSERT_NE(reference.block, nullptr);
    const unsigned size = reference.size;
    std::vector<std::uint8_t> result;
    unsigned got = 0;
    bool outNull = false;
    auto palettesOf = [](const std::vector<std::uint8_t>& block) {
        return reinterpret_cast<const RGBQUAD*>(block.data() + 40);
    };
    const int allocations = rztest::SweepAllocationFailures(
        [&] {
            void* out = nullptr;
            got = CRZConvertBitmap(&out, 8, src.header(), 1, 0);
            outNull = out == nullptr;
            const auto* bytes = static_cast<const std::uint8_t*>(out);
            result.assign(bytes, bytes + (out ? got : 0));
            char* p = static_cast<char*>(out);
            BMKillPtr(&p);
        },
        [&](int failedAt) {
            if (failedAt == 1 || failedAt == 4) {
                EXPECT_EQ(got, 0u);
                EXPECT_TRUE(outNull);
                return;
            }
            ASSERT_EQ(got, size) << failedAt;
            ASSERT_FALSE(outNull);
            EXPECT_EQ(std::memcmp(result.data(), reference.block, 40), 0);
            if (failedAt == 2 || failedAt == 3) {
                // The standard palette stands in; the rows use it.
                EXPECT_TRUE(SamePalette(palettesOf(result), kStandardPalette256.data(), 256));
                return;
            }
            EXPECT_TRUE(SamePalette(palettesOf(result), reference.palette(), 256));
            // No row converted: every index 0.
            EXPECT_TRUE(std::all_of(result.begin() + 40 + 1024, result.end(), [](std::uint8_t b) {
                return b == 0;
            })) << failedAt;
        });
    EXPECT_EQ(allocations, 8);
}

// The other paths: a failure is either no block at all (palette or block)
// or the full block with its header and palette; nothing leaks.
TEST(ConvertBitmap, AllocationFailuresOnEveryPath) {
    struct Case {
        int sourceBits, targetBits;
        bool dither, standard;
        int allocations; // palette?, block, work, errors?, cube?, distances?
    } cases[] = {{24, 1, true, false, 6},
                 {32, 4, false, false, 5},
                 {24, 8, true, true, 6},
                 {32, 24, true, false, 3},
                 {8, 8, false, false, 5}};
    for (const Case& k : cases) {
        Dib src = k.sourceBits == 8 ? MakeDib(8, 9, 4, 256) : PhotoDib(k.sourceBits, 9, 4, 5);
        Converted reference;
        Convert(reference, k.targetBits, src, k.dither, k.standard);
        ASSERT_NE(reference.block, nullptr);
        unsigned got = 0;
        bool outNull = false;
        std::vector<std::uint8_t> head;
        const int allocations = rztest::SweepAllocationFailures(
            [&] {
                void* out = nullptr;
                got = CRZConvertBitmap(&out, static_cast<short>(k.targetBits), src.header(),
                                       k.dither, k.standard);
                outNull = out == nullptr;
                const auto* bytes = static_cast<const std::uint8_t*>(out);
                const unsigned headBytes = 40 + 4 * (k.targetBits <= 8 ? 1u << k.targetBits : 0u);
                head.assign(bytes, bytes + (out ? headBytes : 0));
                char* p = static_cast<char*>(out);
                BMKillPtr(&p);
            },
            [&](int failedAt) {
                const bool beforeBlock = failedAt <= (k.targetBits <= 8 ? 2 : 1);
                EXPECT_EQ(got, beforeBlock ? 0u : reference.size) << failedAt;
                EXPECT_EQ(outNull, beforeBlock) << failedAt;
                if (!beforeBlock) {
                    EXPECT_EQ(std::memcmp(head.data(), reference.block, head.size()), 0);
                }
            });
        EXPECT_EQ(allocations, k.allocations) << k.sourceBits << " to " << k.targetBits << " bits";
    }
}
