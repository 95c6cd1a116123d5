// Fills, the alpha channel, comparison and the pattern tables.
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "RZ/KWPixMap"

namespace {

using Bytes = std::vector<unsigned char>;
const unsigned char kWhite[4] = {0, 255, 255, 255};
const unsigned char kBlack[4] = {255, 0, 0, 0};

unsigned char* Base(KWPixMap** map) {
    return reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(map));
}

Bytes Row(KWPixMap** map, int y) {
    const unsigned int n = RZGetKWPixMapBytesPerRow(map);
    return {Base(map) + y * n, Base(map) + (y + 1) * n};
}

} // namespace

TEST(Fill, BlackAndWhiteRowsKeepFurtherPadding) {
    // clang-format off
    const struct { int width; const unsigned char* colour; Bytes row; } cases[] = {
        {10, kWhite, {0xFF, 0xC0, 0xAB, 0xAB}}, {10, kBlack, {0x00, 0x00, 0xAB, 0xAB}},
        {8, kWhite, {0xFF, 0x00, 0xAB, 0xAB}},  {32, kWhite, {0xFF, 0xFF, 0xFF, 0xFF}},
        {1, kBlack, {0x00, 0xAB, 0xAB, 0xAB}},  {33, kWhite, {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0xAB, 0xAB, 0xAB}}};
    // clang-format on
    for (const auto& c : cases) {
        PixMapHandleGuard map(c.width, 3, 72, 72, PixelTypeBlackWhite);
        std::memset(Base(map()), 0xAB, c.row.size() * 3);
        RZFillKWPixMap(map(), c.colour);
        for (int y = 0; y < 3; ++y) EXPECT_EQ(Row(map(), y), c.row) << c.width;
    }
}

TEST(Fill, GreyFillsPaddingAndThirtyTwoBitFillsEveryPixel) {
    PixMapHandleGuard grey(5, 2, 72, 72, PixelTypeGrey);
    const unsigned char nearlyHalf[4] = {0, 128, 128, 128};
    RZFillKWPixMap(grey(), nearlyHalf);
    EXPECT_EQ(Row(grey(), 1), Bytes(8, 127));
    RZFillKWPixMap(grey(), kWhite);
    EXPECT_EQ(Row(grey(), 0), Bytes(8, 255));

    const unsigned char colour[4] = {10, 20, 30, 40};
    for (KWPixelType type : {PixelTypeARGB, PixelTypeARGBDirect}) {
        PixMapHandleGuard map(3, 4, 72, 72, type);
        RZFillKWPixMap(map(), colour);
        for (int i = 0; i < 12; ++i) EXPECT_EQ(std::memcmp(Base(map()) + 4 * i, colour, 4), 0);
    }
    // Unknown types, empty maps and null handles are left alone.
    PixMapHandleGuard odd(2, 2, 72, 72, PixelTypeARGB);
    RZSetKWPixMapPixelType(odd(), KWPixelType(9));
    RZFillKWPixMap(odd(), colour);
    EXPECT_EQ(Row(odd(), 1), Bytes(8, 0));
    PixMapHandleGuard empty(0, 5, 72, 72, PixelTypeGrey);
    RZFillKWPixMap(empty(), colour);
    RZFillKWPixMap(nullptr, colour);
}

TEST(Alpha, FillAndTest) {
    PixMapHandleGuard map(3, 2, 72, 72, PixelTypeARGB);
    const unsigned char colour[4] = {10, 20, 30, 40};
    RZFillKWPixMap(map(), colour);
    RZFillKWPixMapAlphaChannel(map(), 200);
    unsigned char alpha = 0;
    EXPECT_EQ(std::memcmp(Base(map()) + 20, "\xC8\x14\x1E\x28", 4), 0);
    EXPECT_TRUE(RZKWPixMapIsAllAlphaEqual(map(), &alpha));
    EXPECT_EQ(alpha, 200);
    EXPECT_TRUE(RZKWPixMapIsAllAlphaEqual(map(), nullptr));

    Base(map())[20] = 7; // pixel (2, 1)
    alpha = 0;
    EXPECT_FALSE(RZKWPixMapIsAllAlphaEqual(map(), &alpha));
    EXPECT_EQ(alpha, 200);

    PixMapHandleGuard noRows(3, 0, 72, 72, PixelTypeARGBDirect);
    alpha = 99;
    EXPECT_TRUE(RZKWPixMapIsAllAlphaEqual(noRows(), &alpha));
    EXPECT_EQ(alpha, 0);

    KWPixMap* noRecord = nullptr;
    PixMapHandleGuard bw(8, 1, 72, 72, PixelTypeBlackWhite);
    PixMapHandleGuard grey(4, 1, 72, 72, PixelTypeGrey);
    for (KWPixMap** other : {bw(), grey(), &noRecord, static_cast<KWPixMap**>(nullptr)}) {
        alpha = 99;
        EXPECT_FALSE(RZKWPixMapIsAllAlphaEqual(other, &alpha));
        EXPECT_EQ(alpha, 99);
        RZFillKWPixMapAlphaChannel(other, 1);
    }
    EXPECT_EQ(Row(grey(), 0), Bytes(4, 0));
}

TEST(Compare, HeadersAndEveryByteAfterThem) {
    PixMapHandleGuard a(5, 3, 72, 96, PixelTypeGrey);
    RZFillKWPixMap(a(), kWhite);
    PixMapHandleGuard b(nullptr);
    ASSERT_EQ(RZCopyKWPixMap(&b(), a()), 0);
    EXPECT_TRUE(RZIsSameKWPixMap(a(), b()));
    (*b())->reserved[3] = 1; // reserved bytes are not compared
    EXPECT_TRUE(RZIsSameKWPixMap(a(), b()));
    Base(b())[7] = 0; // padding is
    EXPECT_FALSE(RZIsSameKWPixMap(a(), b()));
    Base(b())[7] = 255;
    RZSetKWPixMapVResolution(b(), 97);
    EXPECT_FALSE(RZIsSameKWPixMap(a(), b()));

    PixMapHandleGuard argb(2, 2, 72, 72, PixelTypeARGB);
    PixMapHandleGuard direct(2, 2, 72, 72, PixelTypeARGB);
    EXPECT_TRUE(RZIsSameKWPixMap(argb(), direct()));
    RZSetKWPixMapPixelType(direct(), PixelTypeARGBDirect);
    EXPECT_FALSE(RZIsSameKWPixMap(argb(), direct()));
    PixMapHandleGuard taller(2, 3, 72, 72, PixelTypeARGB);
    KWPixMap* noRecord = nullptr;
    EXPECT_FALSE(RZIsSameKWPixMap(argb(), taller()) || RZIsSameKWPixMap(argb(), nullptr) ||
                 RZIsSameKWPixMap(&noRecord, &noRecord));
}

TEST(Patterns, DefaultTableAndCoverage) {
    using Rows = std::vector<unsigned char>;
    auto rows = [](const KWPattern& p) { return Rows(p.rows, p.rows + 8); };
    KWPattern p;
    RZInitDefaultPattern(&p, 15);
    EXPECT_EQ(rows(p), (Rows{0xEE, 0xFF, 0xBB, 0xFF, 0xEE, 0xFF, 0xBB, 0xFF}));
    RZInitDefaultPattern(&p, 5);
    EXPECT_EQ(rows(p), (Rows{0xB1, 0x30, 0x03, 0x1B, 0xD8, 0xC0, 0x0C, 0x8D}));
    for (unsigned short index : {16, 65535}) {
        RZInitDefaultPattern(&p, index);
        EXPECT_EQ(rows(p), Rows(8, 0xFF));
    }
    // clang-format off
    const Rows empty(8, 0), solid(8, 0xFF), quarter{0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22},
        half{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}, threeQuarter{0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD};
    const std::pair<double, const Rows&> cases[] = {
        {0.1, empty}, {0.125, quarter}, {0.375, half}, {0.5, half}, {0.624999, half}, {0.874, threeQuarter},
        {0.875, solid}, {1.5, solid}, {-1.0, empty}, {std::nan(""), solid}};
    // clang-format on
    for (const auto& [opacity, expected] : cases) {
        RZInitDefaultTransparentPattern(&p, opacity);
        EXPECT_EQ(rows(p), expected) << opacity;
    }
    RZInitDefaultTransparentPattern(nullptr, 0.5);
}
