// NormalizeDIBBitFields: bit-field pixels rewritten into 5-5-5 and 0x00RRGGBB.
#include <gtest/gtest.h>

#include "DIBDecoding.h"
#include "DIBTestSupport.h"

namespace {

BITMAPINFOHEADER BitFieldsHeader(int width, int height, int bits) {
    return dibtest::Header(width, height, bits, 0, BI_BITFIELDS, 1);
}

std::uint16_t Normalize16(std::uint16_t pixel, unsigned r, unsigned g, unsigned b) {
    const BITMAPINFOHEADER h = BitFieldsHeader(1, 1, 16);
    unsigned char row[4] = {static_cast<unsigned char>(pixel),
                            static_cast<unsigned char>(pixel >> 8), 0xEE, 0xEE};
    EXPECT_EQ(NormalizeDIBBitFields(&h, row, r, g, b), 1);
    EXPECT_EQ(row[2], 0xEE); // padding untouched
    return static_cast<std::uint16_t>(row[0] | (row[1] << 8));
}

std::uint32_t Normalize32(std::uint32_t pixel, unsigned r, unsigned g, unsigned b) {
    const BITMAPINFOHEADER h = BitFieldsHeader(1, 1, 32);
    std::uint32_t row = pixel;
    EXPECT_EQ(NormalizeDIBBitFields(&h, reinterpret_cast<unsigned char*>(&row), r, g, b), 1);
    return row;
}

} // namespace

TEST(NormalizeDIBBitFields, NarrowsAndWidensSixteenBitComponents) {
    EXPECT_EQ(Normalize16(0xFFFF, 0xF800, 0x07E0, 0x001F), 0x7FFF);
    EXPECT_EQ(Normalize16(0x8410, 0xF800, 0x07E0, 0x001F), 0x4210);
    // 4-4-4: component 15 becomes 31, 8 becomes 17.
    EXPECT_EQ(Normalize16(0x0F8F, 0x0F00, 0x00F0, 0x000F), (31 << 10) | (17 << 5) | 31);
    // An empty mask gives 0; the default masks leave the pixel as it is.
    EXPECT_EQ(Normalize16(0xFFFF, 0xF800, 0, 0x001F), (31 << 10) | 31);
    EXPECT_EQ(Normalize16(0xFFFF, 0x7C00, 0x03E0, 0x001F), 0xFFFF);
}

TEST(NormalizeDIBBitFields, ScalesThirtyTwoBitComponentsToBytes) {
    const std::uint32_t tenBits =
        Normalize32((1023u << 20) | (512u << 10) | 1u, 0x3FF00000u, 0x000FFC00u, 0x000003FFu);
    EXPECT_EQ(tenBits, 0x00FF8000u);
    EXPECT_EQ(Normalize32(0x00112233u, 0x000000FF, 0x0000FF00, 0x00FF0000), 0x00332211u);
    EXPECT_EQ(Normalize32(0xAA112233u, 0x00FF0000, 0x0000FF00, 0x000000FF), 0xAA112233u);
    // 2-bit components repeat themselves: 3 gives (3 << 6) and nothing more (2 x 2 < 8).
    EXPECT_EQ(Normalize32(0x3Fu, 0x30, 0x0C, 0x03), 0x00C0C0C0u);
}

TEST(NormalizeDIBBitFields, WalksEveryRowAndIgnoresOtherLayouts) {
    BITMAPINFOHEADER h = BitFieldsHeader(3, 2, 16);
    // Rows of 8 bytes: three pixels and two bytes of padding.
    unsigned char pixels[16];
    for (int i = 0; i < 16; ++i) pixels[i] = 0xFF;
    EXPECT_EQ(NormalizeDIBBitFields(&h, pixels, 0xF800, 0x07E0, 0x001F), 1);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(pixels[row * 8 + 2 * x], 0xFF);
            EXPECT_EQ(pixels[row * 8 + 2 * x + 1], 0x7F);
        }
        EXPECT_EQ(pixels[row * 8 + 6], 0xFF);
    }
    unsigned char untouched[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    h = BitFieldsHeader(1, 1, 24);
    EXPECT_EQ(NormalizeDIBBitFields(&h, untouched, 0xF800, 0x07E0, 0x001F), 1);
    h = BitFieldsHeader(1, 1, 16);
    h.biCompression = BI_RGB;
    EXPECT_EQ(NormalizeDIBBitFields(&h, untouched, 0xF800, 0x07E0, 0x001F), 1);
    EXPECT_EQ(untouched[1], 0xFF);
    EXPECT_EQ(NormalizeDIBBitFields(nullptr, untouched, 0, 0, 0), 0);
    EXPECT_EQ(NormalizeDIBBitFields(&h, nullptr, 0, 0, 0), 0);
}
