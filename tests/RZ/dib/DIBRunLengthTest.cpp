// DecodeDIBRunLength: the worked streams, an independent encoder whose
// output must decode back to its picture, and hostile streams over buffers
// of exactly the unpacked size (the sanitizer build catches any stray byte).
#include <gtest/gtest.h>

#include "DIBDecoding.h"
#include "DIBTestSupport.h"

namespace {

BITMAPINFOHEADER RunLengthHeader(int width, int height, bool rle4, std::size_t dataSize) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = rle4 ? 4 : 8;
    h.biCompression = rle4 ? BI_RLE4 : BI_RLE8;
    h.biSizeImage = static_cast<DWORD>(dataSize);
    return h;
}

int RowBytes(int width, bool rle4) {
    return ((rle4 ? 4 : 8) * width + 31) / 32 * 4;
}

// Decodes into a buffer of exactly the unpacked size, pre-filled with junk
// that the decoder must clear.
std::vector<unsigned char> Decode(int width, int height, bool rle4,
                                  const std::vector<unsigned char>& data) {
    const BITMAPINFOHEADER h = RunLengthHeader(width, height, rle4, data.size());
    std::vector<unsigned char> pixels(static_cast<std::size_t>(RowBytes(width, rle4)) * height,
                                      0xCD);
    EXPECT_EQ(DecodeDIBRunLength(&h, pixels.data(), data.data()), 1);
    return pixels;
}

// A picture of palette indices, one per pixel, bottom row first.
struct Picture {
    int width, height;
    std::vector<unsigned char> index;
    unsigned char At(int x, int y) const { return index[static_cast<std::size_t>(y) * width + x]; }
};

// The picture as uncompressed rows: what decoding must give.
std::vector<unsigned char> Rows(const Picture& p, bool rle4) {
    const int rowBytes = RowBytes(p.width, rle4);
    std::vector<unsigned char> rows(static_cast<std::size_t>(rowBytes) * p.height, 0);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            unsigned char* row = rows.data() + static_cast<std::size_t>(y) * rowBytes;
            if (!rle4)
                row[x] = p.At(x, y);
            else
                row[x / 2] |= static_cast<unsigned char>(p.At(x, y) << ((x & 1) ? 0 : 4));
        }
    return rows;
}

// An encoder that picks at random among every construct the format has
// (encoded runs, absolute runs, deltas over zero pixels, end of line, end
// of bitmap), so that decoding it back exercises all of them.
std::vector<unsigned char> Encode(const Picture& p, bool rle4, std::mt19937& random) {
    std::vector<unsigned char> out;
    auto zeroFrom = [&](int x, int y) {
        int n = 0;
        while (x + n < p.width && p.At(x + n, y) == 0) ++n;
        return n;
    };
    auto restIsZero = [&](int y) {
        for (int yy = y + 1; yy < p.height; ++yy)
            if (zeroFrom(0, yy) != p.width) return false;
        return true;
    };
    for (int y = 0; y < p.height; ++y) {
        int x = 0;
        while (x < p.width) {
            const int zeros = zeroFrom(x, y);
            if (x + zeros == p.width && random() % 2) break; // end of line skips the rest
            // Deltas keep RLE4 columns even: an odd step leaves the position
            // half a byte behind the column.
            if (zeros >= 2 && random() % 2 && (!rle4 || x % 2 == 0)) {
                int dx = std::min(zeros, 255);
                if (rle4) dx &= ~1;
                if (dx > 0) {
                    out.insert(out.end(), {0, 2, static_cast<unsigned char>(dx), 0});
                    x += dx;
                    continue;
                }
            }
            const int left = p.width - x;
            if (left >= 3 && random() % 2) {
                const int n = 3 + static_cast<int>(random() % std::min(253, left - 2));
                out.insert(out.end(), {0, static_cast<unsigned char>(n)});
                for (int k = 0; k < n; k += rle4 ? 2 : 1) {
                    const unsigned char hi = p.At(x + k, y);
                    const unsigned char lo = (rle4 && k + 1 < n) ? p.At(x + k + 1, y) : 0;
                    out.push_back(rle4 ? static_cast<unsigned char>((hi << 4) | lo) : hi);
                }
                while ((out.size() & 1) != 0) out.push_back(0); // runs end on an even offset
                x += n;
                continue;
            }
            // Encoded run: RLE8 repeats one index, RLE4 alternates two.
            const unsigned char a = p.At(x, y);
            const unsigned char b = (rle4 && x + 1 < p.width) ? p.At(x + 1, y) : a;
            int n = 1;
            while (n < 255 && x + n < p.width && p.At(x + n, y) == ((n & 1) && rle4 ? b : a)) ++n;
            out.push_back(static_cast<unsigned char>(n));
            out.push_back(rle4 ? static_cast<unsigned char>((a << 4) | b) : a);
            x += n;
        }
        if (y + 1 < p.height || random() % 2) {
            if (restIsZero(y) && random() % 2) break;
            out.insert(out.end(), {0, 0});
        }
    }
    if (random() % 2) out.insert(out.end(), {0, 1});
    return out;
}

Picture RandomPicture(std::mt19937& random, bool rle4) {
    Picture p{1 + static_cast<int>(random() % 300), 1 + static_cast<int>(random() % 6), {}};
    p.index.resize(static_cast<std::size_t>(p.width) * p.height);
    const unsigned levels = rle4 ? 16 : 256;
    unsigned char current = 0;
    for (auto& v : p.index) {
        const unsigned r = random() % 8;
        if (r < 2)
            current = 0;
        else if (r == 2)
            current = static_cast<unsigned char>(random() % levels);
        v = (r == 3) ? static_cast<unsigned char>(random() % levels) : current;
    }
    // Some pictures end in zero rows, so that end of bitmap cuts them short.
    if (random() % 3 == 0)
        std::fill(p.index.begin() + static_cast<std::ptrdiff_t>(p.index.size() / 2), p.index.end(),
                  0);
    return p;
}

} // namespace

TEST(DecodeDIBRunLength, DecodesTheWorkedStreams) {
    EXPECT_EQ(Decode(4, 2, false, {3, 5, 0, 0, 0, 1}),
              (std::vector<unsigned char>{5, 5, 5, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Decode(4, 1, true, {4, 0x12, 0, 1}), (std::vector<unsigned char>{0x12, 0x12, 0, 0}));
    EXPECT_EQ(Decode(4, 1, false, {0, 3, 0xAA, 0xBB, 0xCC, 0, 0, 1}),
              (std::vector<unsigned char>{0xAA, 0xBB, 0xCC, 0}));
    // Delta: two columns right and one row up; skipped pixels keep index 0.
    EXPECT_EQ(Decode(4, 2, false, {1, 7, 0, 2, 2, 1, 1, 9, 0, 1}),
              (std::vector<unsigned char>{7, 0, 0, 0, 0, 0, 0, 9}));
    // RLE4 absolute run of five pixels: three bytes, padded to four.
    EXPECT_EQ(Decode(8, 1, true, {0, 5, 0x12, 0x34, 0x50, 0, 2, 0x66, 0, 1}),
              (std::vector<unsigned char>{0x12, 0x34, 0x56, 0x60}));
    // Decoding stops when the unpacked size is consumed, end of bitmap or not.
    EXPECT_EQ(Decode(4, 1, false, {4, 1, 2, 2}), (std::vector<unsigned char>{1, 1, 1, 1}));
}

TEST(DecodeDIBRunLength, DecodesWhatAnIndependentEncoderWrites) {
    std::mt19937 random(11);
    for (bool rle4 : {false, true})
        for (int round = 0; round < 300; ++round) {
            const Picture p = RandomPicture(random, rle4);
            const auto data = Encode(p, rle4, random);
            ASSERT_EQ(Decode(p.width, p.height, rle4, data), Rows(p, rle4))
                << (rle4 ? "RLE4" : "RLE8") << " round " << round << " width " << p.width;
        }
}

TEST(DecodeDIBRunLength, StopsAtTheEndOfThePixelBuffer) {
    // A run longer than the whole image.
    EXPECT_EQ(Decode(4, 1, false, {255, 7}), (std::vector<unsigned char>{7, 7, 7, 7}));
    EXPECT_EQ(Decode(3, 1, true, {255, 0x89}), std::vector<unsigned char>(4, 0x89));
    // An absolute run past the end.
    EXPECT_EQ(Decode(2, 1, false, {1, 1, 0, 200}), (std::vector<unsigned char>{1, 0, 0, 0}));
    // A delta beyond the image, then a run: nothing is written.
    EXPECT_EQ(Decode(4, 2, false, {0, 2, 0, 5, 3, 9}), std::vector<unsigned char>(8, 0));
    // RLE4 deltas of odd length from odd columns leave the position behind
    // the column; enough of them and an end of line lands before the buffer.
    std::vector<unsigned char> drift;
    for (int i = 0; i < 10; ++i) drift.insert(drift.end(), {1, 0x10, 0, 2, 1, 0});
    drift.insert(drift.end(), {0, 0, 2, 0x77});
    EXPECT_EQ(Decode(8, 1, true, drift), (std::vector<unsigned char>{0x10, 0, 0, 0}));
}

TEST(DecodeDIBRunLength, StopsAtTheEndOfItsData) {
    // An absolute run whose bytes are cut short, a delta without its two
    // bytes, and a lone count byte.
    EXPECT_EQ(Decode(8, 1, false, {0, 5, 0xAA, 0xBB}),
              (std::vector<unsigned char>{0xAA, 0xBB, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Decode(8, 1, true, {0, 7, 0xAB}), (std::vector<unsigned char>{0xAB, 0, 0, 0}));
    EXPECT_EQ(Decode(4, 1, false, {2, 3, 0, 2, 1}), (std::vector<unsigned char>{3, 3, 0, 0}));
    EXPECT_EQ(Decode(4, 1, false, {2}), (std::vector<unsigned char>{0, 0, 0, 0}));
}

TEST(DecodeDIBRunLength, SurvivesRandomStreams) {
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        const bool rle4 = random() % 2;
        std::vector<unsigned char> data(1 + random() % 64);
        for (auto& b : data) {
            const unsigned r = random() % 4;
            b = static_cast<unsigned char>(r == 0 ? 0 : r == 1 ? random() % 3 : random());
        }
        const int width = 1 + static_cast<int>(random() % 20);
        const int height = 1 + static_cast<int>(random() % 4);
        const auto pixels = Decode(width, height, rle4, data);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(RowBytes(width, rle4)) * height);
    }
}

TEST(DecodeDIBRunLength, RefusesWhatItCannotDecode) {
    unsigned char pixels[4] = {9, 9, 9, 9};
    const unsigned char data[2] = {4, 1};
    BITMAPINFOHEADER h = RunLengthHeader(4, 1, false, 2);
    EXPECT_EQ(DecodeDIBRunLength(nullptr, pixels, data), 0);
    EXPECT_EQ(DecodeDIBRunLength(&h, nullptr, data), 0);
    EXPECT_EQ(DecodeDIBRunLength(&h, pixels, nullptr), 0);
    h.biCompression = BI_RGB;
    EXPECT_EQ(DecodeDIBRunLength(&h, pixels, data), 0);
    h.biCompression = BI_RLE8;
    h.biSizeImage = 0; // RZGetDIBInfo refuses
    EXPECT_EQ(DecodeDIBRunLength(&h, pixels, data), 0);
    EXPECT_EQ(pixels[0], 9);
}
