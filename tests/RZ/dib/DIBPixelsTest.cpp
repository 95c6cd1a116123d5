// DecodeDIBPixels: the row-at-a-time conversion against the plain
// definition, one RZSetKWPixMapPixel per pixel, on random DIBs of every
// depth and every kind of target map; and the worked pixel values.
#include <gtest/gtest.h>

#include "DIBDecoding.h"
#include "DIBTestSupport.h"

using dibtest::Header;
using dibtest::MapOwner;

namespace {

// The definition: every pixel's colour value through the pixel setter.
void ReferenceDecode(const BITMAPINFOHEADER& header, unsigned rowBytes, const unsigned char* pixels,
                     const RGBQUAD* palette, std::size_t count, KWPixMap** map) {
    const int bits = header.biBitCount * header.biPlanes;
    auto entry = [&](unsigned index, unsigned char* colour) {
        if (bits == 1 && count == 0) {
            const unsigned char level = index ? 255 : 0;
            colour[0] = 0;
            colour[1] = colour[2] = colour[3] = level;
            return;
        }
        if (index >= count) {
            std::memset(colour, 0, 4);
            return;
        }
        colour[0] = palette[index].rgbReserved;
        colour[1] = palette[index].rgbRed;
        colour[2] = palette[index].rgbGreen;
        colour[3] = palette[index].rgbBlue;
    };
    for (int r = 0; r < header.biHeight; ++r) {
        const unsigned char* row = pixels + static_cast<std::size_t>(r) * rowBytes;
        for (int c = 0; c < header.biWidth; ++c) {
            unsigned char colour[4] = {0, 0, 0, 0};
            switch (bits) {
            case 32:
            case 24: {
                const unsigned char* p = row + (bits / 8) * c;
                colour[0] = bits == 32 ? p[3] : 0;
                colour[1] = p[2];
                colour[2] = p[1];
                colour[3] = p[0];
                break;
            }
            case 16: {
                const unsigned v = row[2 * c] | (row[2 * c + 1] << 8);
                const unsigned parts[3] = {(v >> 10) & 31, (v >> 5) & 31, v & 31};
                for (int i = 0; i < 3; ++i)
                    colour[1 + i] = static_cast<unsigned char>(((parts[i] << 3) | parts[i]) & 0xFF);
                break;
            }
            case 8:
                entry(row[c], colour);
                break;
            case 4:
                entry((c % 2) ? (row[c / 2] & 15) : (row[c / 2] >> 4), colour);
                break;
            case 1:
                entry((row[c / 8] >> (7 - c % 8)) & 1, colour);
                break;
            default:
                break;
            }
            RZSetKWPixMapPixel(map, c, header.biHeight - 1 - r, colour);
        }
    }
}

bool SameBlock(KWPixMap** a, KWPixMap** b) {
    const int size = BMGetHandleSize(reinterpret_cast<const char* const*>(a));
    return size == BMGetHandleSize(reinterpret_cast<const char* const*>(b)) &&
           std::memcmp(*a, *b, static_cast<std::size_t>(size)) == 0;
}

KWPixelType PixelTypeChosenForBits(int bits) {
    return bits == 1 ? PixelTypeBlackWhite : bits == 8 ? PixelTypeGrey : PixelTypeARGB;
}

// Decodes one stored row into an ARGB map and reads every pixel back.
std::vector<std::vector<unsigned char>> DecodedARGBRow(int width, int bits,
                                                       const unsigned char* row,
                                                       const RGBQUAD* palette, std::size_t count) {
    MapOwner map(RZCreateKWPixMap(width, 1, 72, 72, PixelTypeARGB));
    const BITMAPINFOHEADER h = Header(width, 1, bits);
    DecodeDIBPixels(&h, 4, row, palette, count, map.map);
    std::vector<std::vector<unsigned char>> pixels;
    for (int x = 0; x < width; ++x) pixels.push_back(dibtest::Pixel(map.map, x, 0));
    return pixels;
}

} // namespace

TEST(DecodeDIBPixels, GivesExactlyWhatThePixelSetterGives) {
    std::mt19937 random(3);
    for (int bits : {1, 4, 8, 16, 24, 32, 2, 0})
        for (int round = 0; round < 120; ++round) {
            const int width = 1 + static_cast<int>(random() % 80);
            const int height = 1 + static_cast<int>(random() % 5);
            const BITMAPINFOHEADER h = Header(width, height, bits);
            const unsigned rowBytes = static_cast<unsigned>((width * bits + 31) / 32 * 4);
            // At least one byte, so that depths without rows still pass a buffer.
            std::vector<unsigned char> pixels(
                std::max<std::size_t>(1, std::size_t{rowBytes} * height));
            for (auto& b : pixels) b = static_cast<unsigned char>(random());
            // Palettes shorter than the depth needs, empty, or longer.
            const int full = bits >= 1 && bits <= 8 ? 1 << bits : 0;
            const std::size_t count = random() % 4 == 0 ? 0 : random() % (full + 20);
            std::vector<RGBQUAD> palette(count + 1);
            for (auto& e : palette)
                e = RGBQUAD{static_cast<BYTE>(random()), static_cast<BYTE>(random()),
                            static_cast<BYTE>(random()), static_cast<BYTE>(random())};
            // The driver's target type most of the time, any other type
            // sometimes; maps smaller or larger than the DIB now and then.
            const auto type = random() % 3 ? PixelTypeChosenForBits(bits)
                                           : static_cast<KWPixelType>(random() % 4);
            int mapWidth = width, mapHeight = height;
            if (random() % 5 == 0) mapWidth = 1 + static_cast<int>(random() % 90);
            if (random() % 5 == 0) mapHeight = 1 + static_cast<int>(random() % 7);
            MapOwner fast(RZCreateKWPixMap(mapWidth, mapHeight, 72, 72, type));
            MapOwner reference(RZCreateKWPixMap(mapWidth, mapHeight, 72, 72, type));
            // Both start from the same junk: bits the setter leaves alone must
            // be left alone.
            std::mt19937 junk(static_cast<unsigned>(round));
            dibtest::Randomise(fast.map, junk);
            junk.seed(static_cast<unsigned>(round));
            dibtest::Randomise(reference.map, junk);
            DecodeDIBPixels(&h, rowBytes, pixels.data(), palette.data(), count, fast.map);
            ReferenceDecode(h, rowBytes, pixels.data(), palette.data(), count, reference.map);
            ASSERT_TRUE(SameBlock(fast.map, reference.map))
                << bits << " bits, " << width << " x " << height << ", type " << type << ", map "
                << mapWidth << " x " << mapHeight << ", palette " << count;
        }
}

TEST(DecodeDIBPixels, ConvertsTheWorkedPixelValues) {
    const RGBQUAD palette[3] = {{1, 2, 3, 4}, {10, 20, 30, 40}, {100, 110, 120, 130}};
    // 16 bits: 0x4210 is grey 144 (not 132), 0x7C00 pure red.
    const unsigned char row16[4] = {0x10, 0x42, 0x00, 0x7C};
    EXPECT_EQ(DecodedARGBRow(2, 16, row16, nullptr, 0),
              (std::vector<std::vector<unsigned char>>{{0, 144, 144, 144}, {0, 255, 0, 0}}));
    // 4 bits: byte 0x12 gives entries 1 and 2; index 3 is past the palette.
    const unsigned char row4[4] = {0x12, 0x30, 0, 0};
    EXPECT_EQ(DecodedARGBRow(3, 4, row4, palette, 3),
              (std::vector<std::vector<unsigned char>>{
                  {40, 30, 20, 10}, {130, 120, 110, 100}, {0, 0, 0, 0}}));
    {
        // 1 bit, palette listing white first: byte 0x80 gives entry 1 (black)
        // at column 0 and entry 0 (white) at columns 1 to 7.
        const RGBQUAD whiteFirst[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
        const unsigned char row[4] = {0x80, 0, 0, 0};
        MapOwner map(RZCreateKWPixMap(8, 1, 72, 72, PixelTypeBlackWhite));
        const BITMAPINFOHEADER h = Header(8, 1, 1);
        DecodeDIBPixels(&h, 4, row, whiteFirst, 2, map.map);
        EXPECT_EQ(dibtest::Row(map.map, 0)[0], 0x7F);
    }
    {
        // Two rows: the bottom stored row becomes the map's last row.
        const unsigned char rows[8] = {7, 0, 0, 0, 9, 0, 0, 0};
        MapOwner map(RZCreateKWPixMap(1, 2, 72, 72, PixelTypeGrey));
        RGBQUAD grey[10] = {};
        grey[7] = {70, 70, 70, 0};
        grey[9] = {0, 255, 0, 0}; // green: luminance 149.685
        const BITMAPINFOHEADER h = Header(1, 2, 8);
        DecodeDIBPixels(&h, 4, rows, grey, 10, map.map);
        EXPECT_EQ(dibtest::Row(map.map, 0)[0], 149);
        EXPECT_EQ(dibtest::Row(map.map, 1)[0], 70);
    }
}
