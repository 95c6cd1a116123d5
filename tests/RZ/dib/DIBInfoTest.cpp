// RZGetDIBInfo: the sizes and counts a BITMAPINFOHEADER implies.
#include <gtest/gtest.h>

#include "DIBTestSupport.h"

namespace {

using dibtest::Header;

struct Info {
    int result;
    unsigned colours = 0xAAAA, rowBytes = 0xAAAA, headerSize = 0xAAAA, imageSize = 0xAAAA,
             unpacked = 0xAAAA;
    RECT bounds{-9, -9, -9, -9};
};

Info InfoOf(const BITMAPINFOHEADER& h) {
    Info i{};
    i.colours = i.rowBytes = i.headerSize = i.imageSize = i.unpacked = 0xAAAA;
    i.bounds = RECT{-9, -9, -9, -9};
    i.result = RZGetDIBInfo(&h, &i.colours, &i.bounds, &i.rowBytes, &i.headerSize, &i.imageSize,
                            &i.unpacked);
    return i;
}

} // namespace

TEST(RZGetDIBInfo, DerivesColourCountsAndHeaderSizes) {
    Info eight = InfoOf(Header(3, 2, 8));
    EXPECT_EQ(eight.result, 1);
    EXPECT_EQ(eight.colours, 256u);
    EXPECT_EQ(eight.headerSize, 1064u);
    EXPECT_EQ(eight.rowBytes, 4u);
    EXPECT_EQ(eight.unpacked, 8u);
    EXPECT_EQ(eight.imageSize, 8u); // uncompressed: the unpacked size
    EXPECT_EQ(InfoOf(Header(3, 2, 1)).colours, 2u);
    EXPECT_EQ(InfoOf(Header(3, 2, 4)).colours, 16u);
    EXPECT_EQ(InfoOf(Header(3, 2, 16)).colours, 0u);
    EXPECT_EQ(InfoOf(Header(3, 2, 24)).headerSize, 40u);
    EXPECT_EQ(InfoOf(Header(3, 2, 8, 0x00010005)).colours, 5u);
    EXPECT_EQ(InfoOf(Header(3, 2, 24, 16)).headerSize, 40u + 64);
    // From 0x8000 up the low half reads as negative.
    EXPECT_EQ(static_cast<int>(InfoOf(Header(3, 2, 8, 0x8000)).colours), -32768);
}

TEST(RZGetDIBInfo, ComputesRowsAndBoundsWithTheClassicSixteenBitCuts) {
    Info wide = InfoOf(Header(40000, 3, 1));
    EXPECT_EQ(wide.bounds.left, 0);
    EXPECT_EQ(wide.bounds.top, 0);
    EXPECT_EQ(wide.bounds.right, -25536);
    EXPECT_EQ(wide.bounds.bottom, 3);
    EXPECT_EQ(wide.rowBytes, 5000u);
    EXPECT_EQ(InfoOf(Header(127, 64, 24)).rowBytes, 384u);
    EXPECT_EQ(InfoOf(Header(5, 1, 8)).rowBytes, 8u);
    // A 32-bit row of 40000 words keeps its low 16 bits: -25536 words.
    EXPECT_EQ(static_cast<int>(InfoOf(Header(40000, 1, 32)).rowBytes), -25536 * 4);
    // Top-down headers give a negative unpacked size.
    EXPECT_EQ(static_cast<int>(InfoOf(Header(3, -2, 24)).unpacked), -24);
}

TEST(RZGetDIBInfo, RefusesCompressedHeadersWithoutAnImageSize) {
    Info rle = InfoOf(Header(4, 2, 8, 0, 1, 0));
    EXPECT_EQ(rle.result, 0);
    EXPECT_EQ(rle.imageSize, 0xAAAAu); // not written
    EXPECT_EQ(rle.unpacked, 8u);       // earlier outputs are
    Info sized = InfoOf(Header(4, 2, 8, 0, 1, 6));
    EXPECT_EQ(sized.result, 1);
    EXPECT_EQ(sized.imageSize, 6u);
}

TEST(RZGetDIBInfo, RefusesOtherHeaderSizesAndAcceptsNullOutputs) {
    BITMAPINFOHEADER v5 = Header(4, 2, 8);
    v5.biSize = 124;
    Info refused = InfoOf(v5);
    EXPECT_EQ(refused.result, 0);
    EXPECT_EQ(refused.colours, 0xAAAAu);
    EXPECT_EQ(refused.bounds.right, -9);
    EXPECT_EQ(RZGetDIBInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    const BITMAPINFOHEADER h = Header(4, 2, 8);
    EXPECT_EQ(RZGetDIBInfo(&h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 1);
}
