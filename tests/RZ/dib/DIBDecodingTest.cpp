// The import's decoding steps on their own: bit-field rewriting, run-length
// expansion (worked and hostile streams, an independent encoder, random
// streams) and pixel conversion against its definition through the pixel
// setter. Buffers are exactly as large as the header says, so the sanitizer
// build catches any stray byte.
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "DIBDecoding.h"
#include "DIBTestSupport.h"

using namespace rztest;
using namespace dibtest;

namespace {

// Two rows of three copies of pixel, their padding 0xEE.
ByteVector Rows(int bits, std::uint32_t pixel) {
    const int rowBytes = DibRowBytes(3, bits);
    ByteVector rows(2 * rowBytes, 0xEE);
    for (int i = 0; i < 6; ++i)
        std::memcpy(&rows[i / 3 * rowBytes + i % 3 * bits / 8], &pixel, bits / 8);
    return rows;
}

// Decodes the first size bytes of data (all by default) into a buffer
// pre-filled with junk that the decoder must clear.
ByteVector Decode(int width, int height, bool rle4, const ByteVector& data, DWORD size = 0) {
    size = size ? size : DWORD(data.size());
    const auto header = DibHeader(width, height, rle4 ? 4 : 8, rle4 ? BI_RLE4 : BI_RLE8, 0, size);
    ByteVector pixels(DibRowBytes(width, rle4 ? 4 : 8) * height, 0xCD);
    EXPECT_EQ(DecodeDIBRunLength(&header, pixels.data(), data.data()), 1);
    return pixels;
}

// An encoder that picks at random among every construct of the format
// (encoded and absolute runs, deltas over zero pixels, end of line, end of
// bitmap), so that decoding its output exercises all of them. The picture
// holds palette indices, one per pixel, bottom row first.
ByteVector Encode(const ByteVector& picture, int width, bool rle4, std::mt19937& random) {
    ByteVector out;
    auto put = [&](std::initializer_list<int> bytes) {
        for (int b : bytes) out.push_back(static_cast<unsigned char>(b));
    };
    for (std::size_t row = 0; row < picture.size(); row += width) {
        const unsigned char* p = &picture[row];
        for (int x = 0; x < width;) {
            const int left = width - x,
                      zeros = std::find_if(p + x, p + width, [](int v) { return v; }) - (p + x);
            // RLE4 deltas keep columns even: an odd one leaves the position
            // half a byte behind the column.
            const int dx = std::min(zeros, 255) & (rle4 ? ~1 : ~0);
            if (zeros == left && random() % 2) break; // end of line skips the rest
            if (dx >= 2 && random() % 2 && (!rle4 || x % 2 == 0)) {
                put({0, 2, dx, 0});
                x += dx;
            } else if (left >= 3 && random() % 2) { // absolute run, ending on an even offset
                const int n = 3 + random() % std::min(253, left - 2);
                put({0, n});
                for (int k = 0; k < n; k += rle4 ? 2 : 1)
                    put({rle4 ? p[x + k] << 4 | (k + 1 < n ? p[x + k + 1] : 0) : p[x + k]});
                if (out.size() % 2) put({0});
                x += n;
            } else { // encoded run: RLE8 repeats one index, RLE4 alternates two
                const int a = p[x], b = rle4 && x + 1 < width ? p[x + 1] : a;
                int n = 1;
                while (n < 255 && x + n < width && p[x + n] == (rle4 && n % 2 ? b : a)) ++n;
                put({n, rle4 ? a << 4 | b : a});
                x += n;
            }
        }
        if (row + width < picture.size() || random() % 2) put({0, 0});
    }
    if (out.empty() || random() % 2) put({0, 1}); // data are never empty
    return out;
}

// The picture as uncompressed rows: what decoding must give.
ByteVector Unpacked(const ByteVector& picture, int width, bool rle4) {
    const int rowBytes = DibRowBytes(width, rle4 ? 4 : 8);
    ByteVector rows(rowBytes * (picture.size() / width), 0);
    for (std::size_t i = 0; i < picture.size(); ++i) {
        const int x = i % width, y = i / width;
        rows[y * rowBytes + (rle4 ? x / 2 : x)] |= picture[i] << (rle4 && x % 2 == 0 ? 4 : 0);
    }
    return rows;
}

// The definition of the pixel conversion: every pixel's colour value
// through the pixel setter.
void ReferenceDecode(const BITMAPINFOHEADER& header, int rowBytes, const unsigned char* pixels,
                     const RGBQUAD* palette, std::size_t count, KWPixMap** map) {
    const int bits = header.biBitCount * header.biPlanes;
    auto entry = [&](unsigned i) -> Colour {
        if (bits == 1 && count == 0) return i ? Colour{0, 255, 255, 255} : Colour{0, 0, 0, 0};
        if (i >= count) return {0, 0, 0, 0};
        return {palette[i].rgbReserved, palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
    };
    auto five = [](unsigned v) { return static_cast<unsigned char>((v & 31) << 3 | (v & 31)); };
    for (int r = 0; r < header.biHeight; ++r)
        for (int c = 0; c < header.biWidth; ++c) {
            const unsigned char *row = pixels + r * rowBytes, *p = row + bits / 8 * c;
            const unsigned v = bits == 16 ? p[0] | p[1] << 8 : 0;
            Colour colour{0, 0, 0, 0};
            if (bits == 32 || bits == 24)
                colour = {bits == 32 ? p[3] : colour[0], p[2], p[1], p[0]};
            if (bits == 16) colour = {0, five(v >> 10), five(v >> 5), five(v)};
            if (bits == 8) colour = entry(row[c]);
            if (bits == 4) colour = entry(c % 2 ? row[c / 2] & 15 : row[c / 2] >> 4);
            if (bits == 1) colour = entry(row[c / 8] >> (7 - c % 8) & 1);
            RZSetKWPixMapPixel(map, c, header.biHeight - 1 - r, colour.data());
        }
}

} // namespace

TEST(NormalizeDIBBitFields, ScalesEveryComponentIntoTheFixedLayouts) {
    const auto h16 = DibHeader(3, 2, 16, BI_BITFIELDS), h32 = DibHeader(3, 2, 32, BI_BITFIELDS);
    // clang-format off
    const std::tuple<BITMAPINFOHEADER, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                     std::uint32_t> cases[] = { // header, pixel, masks red, green, blue, result
        {h16, 0xFFFF, 0xF800, 0x07E0, 0x001F, 0x7FFF},
        {h16, 0x8410, 0xF800, 0x07E0, 0x001F, 0x4210},
        {h16, 0x0F8F, 0x0F00, 0x00F0, 0x000F, (31 << 10) | (17 << 5) | 31}, // 15 -> 31, 8 -> 17
        {h16, 0xFFFF, 0xF800, 0,      0x001F, (31 << 10) | 31},              // an empty mask: 0
        {h32, (1023u << 20) | (512 << 10) | 1, 0x3FF00000, 0xFFC00, 0x3FF, 0x00FF8000},
        {h32, 0x00112233, 0x000000FF, 0x0000FF00, 0x00FF0000, 0x00332211},
        {h32, 0x7C00 | (16 << 5) | 1, 0x7C00, 0x03E0, 0x001F, 0x00FF8408}, // 31, 16, 1 in 5 bits
        {h32, 0x3F, 0x30, 0x0C, 0x03, 0x00C0C0C0}, // 2 bits repeat once: 2 x 2 < 8
        // Left alone: the default masks, other depths and compressions, empty pictures.
        {h16, 0xFFFF, 0x7C00, 0x03E0, 0x001F, 0xFFFF},
        {h32, 0xAA112233, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xAA112233},
        {DibHeader(3, 2, 24, BI_BITFIELDS),  0xFFFF, 0xF800, 0x07E0, 0x001F, 0xFFFF},
        {DibHeader(3, 2, 16),                0xFFFF, 0xF800, 0x07E0, 0x001F, 0xFFFF},
        {DibHeader(-1, 2, 16, BI_BITFIELDS), 0xFFFF, 0xF800, 0x07E0, 0x001F, 0xFFFF},
    };
    // clang-format on
    for (const auto& [header, pixel, red, green, blue, expected] : cases) {
        const int bits = header.biBitCount == 32 ? 32 : 16;
        ByteVector pixels = Rows(bits, pixel);
        EXPECT_EQ(NormalizeDIBBitFields(&header, pixels.data(), red, green, blue), 1);
        EXPECT_EQ(pixels, Rows(bits, expected)) << std::hex << pixel << " " << red;
    }
    EXPECT_EQ(NormalizeDIBBitFields(nullptr, Rows(16, 0).data(), 0, 0, 0), 0);
    EXPECT_EQ(NormalizeDIBBitFields(&h16, nullptr, 0, 0, 0), 0);
}

TEST(DecodeDIBRunLength, DecodesWorkedAndHostileStreams) {
    // RLE4 deltas of odd length from odd columns leave the position behind
    // the column; enough of them and an end of line lands before the buffer.
    // Decoding stops there, though later lines would land inside again.
    ByteVector drift = {0, 0, 2, 0x77, 0, 0, 0, 0, 2, 0x55};
    for (int i = 0; i < 10; ++i) drift = Dib(ByteVector{1, 0x10, 0, 2, 1, 0}, {drift});
    // clang-format off
    // Width, height, RLE4 or not, data, rows.
    const std::tuple<int, int, bool, ByteVector, ByteVector> cases[] = {
        // A delta two right and one up; skipped pixels keep index 0.
        {4, 2, false, {1, 7, 0, 2, 2, 1, 1, 9, 0, 1}, {7, 0, 0, 0, 0, 0, 0, 9}},
        // Decoding stops at the end of bitmap, and when the unpacked size is
        // consumed, end of bitmap or not.
        {4, 1, false, {2, 7, 0, 1, 2, 9}, {7, 7, 0, 0}},
        {4, 1, false, {4, 1, 2, 2}, {1, 1, 1, 1}},
        // At the end of the pixels: runs longer than the image, an absolute
        // run past the end, a delta beyond the image, drift.
        {4, 1, false, {255, 7}, {7, 7, 7, 7}},
        {3, 1, true, {255, 0x89}, {0x89, 0x89, 0x89, 0x89}},
        {2, 1, false, {1, 1, 0, 200}, {1, 0, 0, 0}},
        {4, 2, false, {0, 2, 0, 5, 3, 9}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {8, 1, true, drift, {0x10, 0, 0, 0}},
        // At the end of the data: a delta without its two bytes, a lone count byte.
        {4, 1, false, {2, 3, 0, 2, 1}, {3, 3, 0, 0}},
        {4, 1, false, {2}, {0, 0, 0, 0}},
    };
    // clang-format on
    for (const auto& [width, height, rle4, data, rows] : cases)
        EXPECT_EQ(Decode(width, height, rle4, data), rows) << testing::PrintToString(data);
    // Absolute runs cut short by the end of the data; the bytes after it are not read.
    EXPECT_EQ(Decode(8, 1, false, {0, 5, 0xAA, 0xBB, 0xCC}, 4),
              (ByteVector{0xAA, 0xBB, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Decode(8, 1, true, {0, 7, 0xAB, 0xCD}, 3), (ByteVector{0xAB, 0, 0, 0}));
}

TEST(DecodeDIBRunLength, DecodesWhatAnIndependentEncoderWritesAndSurvivesRandomStreams) {
    std::mt19937 random(11);
    for (int round = 0; round < 600; ++round) {
        const bool rle4 = round % 2;
        const int width = 1 + random() % 300, height = 1 + random() % 6;
        ByteVector picture; // runs, zeros and strays
        for (int i = 0, current = 0; i < width * height; ++i) {
            const int r = random() % 8, level = random() % (rle4 ? 16 : 256);
            current = r < 2 ? 0 : r == 2 ? level : current;
            picture.push_back(r == 3 ? level : current);
        }
        ASSERT_EQ(Decode(width, height, rle4, Encode(picture, width, rle4, random)),
                  Unpacked(picture, width, rle4))
            << round;
        // Random bytes, rich in escapes, over small pictures.
        ByteVector data(1 + random() % 64);
        for (auto& b : data) b = random() % 4 == 0 ? 0 : random() % 2 ? random() % 3 : random();
        for (int size = 1; size <= 5; ++size) Decode(size * 4 - 1, size, rle4, data);
    }
}

TEST(DecodeDIBRunLength, RefusesWhatItCannotDecode) {
    unsigned char pixels[4] = {9, 9, 9, 9}, data[2] = {4, 1};
    const auto good = DibHeader(4, 1, 8, BI_RLE8, 0, 2);
    EXPECT_EQ(DecodeDIBRunLength(nullptr, pixels, data), 0);
    EXPECT_EQ(DecodeDIBRunLength(&good, nullptr, data), 0);
    EXPECT_EQ(DecodeDIBRunLength(&good, pixels, nullptr), 0);
    // Another compression and no image size are refused; an empty picture decodes to nothing.
    for (const auto& [header, result] : {std::pair(DibHeader(4, 1, 8, BI_RGB, 0, 2), 0),
                                         {DibHeader(4, 1, 8, BI_RLE8), 0},
                                         {DibHeader(0, 1, 8, BI_RLE8, 0, 2), 1}})
        EXPECT_EQ(DecodeDIBRunLength(&header, pixels, data), result);
    EXPECT_EQ(pixels[0], 9);
}

TEST(DecodeDIBPixels, GivesExactlyWhatThePixelSetterGives) {
    std::mt19937 random(3);
    for (int bits : {1, 4, 8, 16, 24, 32, 2, 0})
        for (int round = 0; round < 120; ++round) {
            const int width = 1 + random() % (round % 4 ? 80 : 700), height = 1 + random() % 5;
            const BITMAPINFOHEADER header = DibHeader(width, height, bits);
            const int rowBytes = DibRowBytes(width, bits);
            ByteVector pixels(std::max(1, rowBytes * height)); // never an empty buffer
            for (auto& b : pixels) b = random();
            // Palettes shorter than the depth needs, empty, or longer.
            const std::size_t count =
                random() % 4 ? random() % ((bits <= 8 ? 1 << bits : 0) + 20) : 0;
            std::vector<RGBQUAD> palette(count + 1);
            for (auto& e : palette)
                e = {BYTE(random()), BYTE(random()), BYTE(random()), BYTE(random())};
            // Mostly the driver's type for the depth, sometimes another; maps
            // smaller or larger than the DIB now and then.
            const KWPixelType ownType = bits == 1   ? PixelTypeBlackWhite
                                        : bits == 8 ? PixelTypeGrey
                                                    : PixelTypeARGB;
            const auto type = random() % 3 ? ownType : KWPixelType(random() % 4);
            const int mapWidth = random() % 5 ? width : 1 + random() % 90,
                      mapHeight = random() % 5 ? height : 1 + random() % 7;
            PixMapHandleGuard fast(mapWidth, mapHeight, 72, 72, type),
                slow(mapWidth, mapHeight, 72, 72, type);
            // The same junk in both: bits the setter leaves alone must stay.
            std::mt19937 junk(round), sameJunk(round);
            Randomise(fast(), junk);
            Randomise(slow(), sameJunk);
            DecodeDIBPixels(&header, rowBytes, pixels.data(), palette.data(), count, fast());
            ReferenceDecode(header, rowBytes, pixels.data(), palette.data(), count, slow());
            ASSERT_TRUE(SameBlock(fast(), slow())) << bits << " bits, round " << round;
        }
}
