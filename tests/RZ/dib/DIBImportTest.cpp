// RZDIB2KWPixMap and its driver: header variants, pixel type choice,
// resolutions, hostile headers (refused before anything is allocated),
// truncations, allocation failures, and export-import round trips.
#include <string>

#include <gtest/gtest.h>

#include "DIBTestSupport.h"
#include "support/LeakCheck.h"

using dibtest::Append;
using dibtest::Imported;
using dibtest::InfoHeader;
using dibtest::MapOwner;

namespace {

std::vector<unsigned char> Random(std::size_t n, std::mt19937& random) {
    std::vector<unsigned char> bytes(n);
    for (auto& b : bytes) b = static_cast<unsigned char>(random());
    return bytes;
}

std::vector<unsigned char> Greys(int count) {
    std::vector<unsigned char> table(4 * static_cast<std::size_t>(count), 0);
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c) table[4 * static_cast<std::size_t>(i) + c] = static_cast<unsigned char>(i);
    return table;
}

bool SameMap(KWPixMap** a, KWPixMap** b) {
    const int size = BMGetHandleSize(reinterpret_cast<const char* const*>(a));
    return a && b && size == BMGetHandleSize(reinterpret_cast<const char* const*>(b)) &&
           std::memcmp(*a, *b, static_cast<std::size_t>(size)) == 0;
}

// A bottom-up 24-bit DIB and its top-down twin.
std::vector<unsigned char> Dib24(int width, int height, const std::vector<unsigned char>& rows,
                                 bool topDown) {
    auto dib = InfoHeader(width, topDown ? -height : height, 24);
    const std::size_t rowBytes = rows.size() / static_cast<std::size_t>(height);
    for (int i = 0; i < height; ++i) {
        const int from = topDown ? height - 1 - i : i;
        dib.insert(dib.end(), rows.begin() + static_cast<std::ptrdiff_t>(from * rowBytes),
                   rows.begin() + static_cast<std::ptrdiff_t>((from + 1) * rowBytes));
    }
    return dib;
}

std::vector<unsigned char> CoreHeader(int width, int height, int bits) {
    std::vector<unsigned char> out;
    dibtest::Put32(out, 12);
    dibtest::Put16(out, static_cast<std::uint16_t>(width));
    dibtest::Put16(out, static_cast<std::uint16_t>(height));
    dibtest::Put16(out, 1);
    dibtest::Put16(out, static_cast<std::uint16_t>(bits));
    return out;
}

// Imports and expects a refusal that allocated nothing at all.
void ExpectRefusedUpFront(const std::vector<unsigned char>& dib, const char* what) {
    const std::int64_t before = KWRootAllocationCount();
    Imported imported;
    dibtest::Import(dib, &imported);
    EXPECT_EQ(imported.code, RZErrFailed) << what;
    EXPECT_EQ(imported.Map(), nullptr) << what;
    EXPECT_EQ(KWRootAllocationCount(), before) << what << ": allocated before refusing";
}

} // namespace

TEST(RZDIB2KWPixMap, ReadsTopDownAndBottomUpTwinsAlike) {
    std::mt19937 random(1);
    const auto rows = Random(16 * 3, random); // 5 pixels of 3 bytes, padded to 16
    Imported up, down;
    dibtest::Import(Dib24(5, 3, rows, false), &up);
    dibtest::Import(Dib24(5, 3, rows, true), &down);
    ASSERT_EQ(up.code, 0);
    ASSERT_EQ(down.code, 0);
    EXPECT_TRUE(SameMap(up.Map(), down.Map()));
    // The last stored row is the top of the picture.
    const auto top = dibtest::Pixel(up.Map(), 1, 0);
    EXPECT_EQ(top, (std::vector<unsigned char>{255, rows[32 + 5], rows[32 + 4], rows[32 + 3]}));
}

TEST(RZDIB2KWPixMap, ConvertsResolutionsToDotsPerInch) {
    struct Case {
        std::int32_t x, y;
        unsigned h, v;
    };
    for (const Case& c : {Case{0, 0, 72, 72}, Case{3780, 3780, 96, 96}, Case{2834, 2834, 71, 71},
                          Case{0, 3780, 0, 96}, Case{11811, 1417, 299, 35}}) {
        auto dib = InfoHeader(1, 1, 24, 0, 0, c.x, c.y);
        Append(dib, {1, 2, 3, 0});
        Imported imported;
        ASSERT_EQ(dibtest::Import(dib, &imported), 0);
        EXPECT_EQ(RZGetKWPixMapHResolution(imported.Map()), c.h) << c.x;
        EXPECT_EQ(RZGetKWPixMapVResolution(imported.Map()), c.v) << c.y;
    }
}

TEST(RZDIB2KWPixMap, ChoosesThePixelTypeByDepth) {
    std::mt19937 random(2);
    struct Case {
        int bits;
        KWPixelType type;
    };
    for (const Case& c :
         {Case{1, PixelTypeBlackWhite}, Case{4, PixelTypeARGB}, Case{8, PixelTypeGrey},
          Case{16, PixelTypeARGB}, Case{24, PixelTypeARGB}, Case{32, PixelTypeARGB}}) {
        auto dib = InfoHeader(7, 2, c.bits);
        if (c.bits <= 8) Append(dib, Random(4u << c.bits, random));
        Append(dib, Random(static_cast<std::size_t>((7 * c.bits + 31) / 32 * 4 * 2), random));
        Imported imported;
        ASSERT_EQ(dibtest::Import(dib, &imported), 0) << c.bits;
        EXPECT_EQ(RZGetKWPixMapPixelType(imported.Map()), c.type) << c.bits;
        EXPECT_EQ(RZGetKWPixMapWidth(imported.Map()), 7u);
        EXPECT_EQ(RZGetKWPixMapHeight(imported.Map()), 2u);
        unsigned char alpha = 0;
        if (c.type == PixelTypeARGB) {
            EXPECT_TRUE(RZKWPixMapIsAllAlphaEqual(imported.Map(), &alpha));
            EXPECT_EQ(alpha, 255) << c.bits;
        }
    }
}

TEST(RZDIB2KWPixMap, ReadsCoreHeadersWithThreeByteColoursAt72Dpi) {
    auto dib = CoreHeader(3, 2, 8);
    for (int i = 0; i < 256; ++i)
        Append(dib, {static_cast<unsigned char>(i), 0, static_cast<unsigned char>(255 - i)});
    Append(dib, {0, 1, 2, 0, 3, 4, 5, 0}); // bottom row, then top row
    Imported imported;
    ASSERT_EQ(dibtest::Import(dib, &imported), 0);
    EXPECT_EQ(RZGetKWPixMapHResolution(imported.Map()), 72u);
    EXPECT_EQ(RZGetKWPixMapVResolution(imported.Map()), 72u);
    EXPECT_EQ(RZGetKWPixMapPixelType(imported.Map()), PixelTypeGrey);
    // Entry i is blue i, red 255 - i: (255 - i) x 0.299 + i x 0.114.
    auto grey = [](int i) { return static_cast<int>((0 * 0.587 + (255 - i) * 0.299) + i * 0.114); };
    EXPECT_EQ(dibtest::Row(imported.Map(), 0)[2], grey(5));
    EXPECT_EQ(dibtest::Row(imported.Map(), 1)[0], grey(0));

    auto rgb = CoreHeader(1, 1, 24);
    Append(rgb, {10, 20, 30, 0});
    Imported colour;
    ASSERT_EQ(dibtest::Import(rgb, &colour), 0);
    EXPECT_EQ(dibtest::Pixel(colour.Map(), 0, 0), (std::vector<unsigned char>{255, 30, 20, 10}));
}

TEST(RZDIB2KWPixMap, SkipsColourTablesOfDirectColourDIBs) {
    auto dib = InfoHeader(1, 1, 24, 0, 0, 0, 0, 16);
    Append(dib, std::vector<unsigned char>(64, 0xEE));
    Append(dib, {10, 20, 30, 0});
    Imported imported;
    ASSERT_EQ(dibtest::Import(dib, &imported), 0);
    EXPECT_EQ(dibtest::Pixel(imported.Map(), 0, 0), (std::vector<unsigned char>{255, 30, 20, 10}));
}

TEST(RZDIB2KWPixMap, ReadsBitFieldsTopDownAndBottomUp) {
    // 16-bit 5-6-5: pure green 0x07E0 and white.
    for (bool topDown : {false, true}) {
        auto dib = InfoHeader(2, topDown ? -2 : 2, 16, BI_BITFIELDS, 8, 0, 0);
        for (std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) dibtest::Put32(dib, mask);
        // First stored row: green, white; second: black, green.
        Append(dib, {0xE0, 0x07, 0xFF, 0xFF, 0x00, 0x00, 0xE0, 0x07});
        Imported imported;
        ASSERT_EQ(dibtest::Import(dib, &imported), 0);
        const int bottom = topDown ? 0 : 1;
        EXPECT_EQ(dibtest::Pixel(imported.Map(), 0, bottom),
                  (std::vector<unsigned char>{255, 0, 255, 0}));
        EXPECT_EQ(dibtest::Pixel(imported.Map(), 1, bottom),
                  (std::vector<unsigned char>{255, 255, 255, 255}));
        EXPECT_EQ(dibtest::Pixel(imported.Map(), 0, 1 - bottom),
                  (std::vector<unsigned char>{255, 0, 0, 0}));
    }
}

TEST(RZDIB2KWPixMap, ExpandsRunLengthDIBs) {
    auto dib = InfoHeader(4, 2, 8, BI_RLE8, 6, 0, 0, 6);
    Append(dib, Greys(6));
    Append(dib, {3, 5, 0, 0, 0, 1});
    Imported imported;
    ASSERT_EQ(dibtest::Import(dib, &imported), 0);
    const unsigned char* bottom = dibtest::Row(imported.Map(), 1);
    EXPECT_EQ(std::vector<unsigned char>(bottom, bottom + 4),
              (std::vector<unsigned char>{5, 5, 5, 0}));
    EXPECT_EQ(dibtest::Row(imported.Map(), 0)[0], 0);

    auto rle4 = InfoHeader(4, 1, 4, BI_RLE4, 4, 0, 0, 3);
    Append(rle4, {0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0});
    Append(rle4, {4, 0x12, 0, 1});
    Imported four;
    ASSERT_EQ(dibtest::Import(rle4, &four), 0);
    EXPECT_EQ(dibtest::Pixel(four.Map(), 0, 0), (std::vector<unsigned char>{255, 255, 0, 0}));
    EXPECT_EQ(dibtest::Pixel(four.Map(), 1, 0), (std::vector<unsigned char>{255, 0, 0, 255}));
}

TEST(RZDIB2KWPixMap, GivesBlackForIndicesPastThePalette) {
    auto dib = InfoHeader(3, 1, 8, 0, 0, 0, 0, 2);
    Append(dib, {200, 200, 200, 0, 100, 100, 100, 0});
    Append(dib, {1, 2, 255, 0});
    Imported imported;
    ASSERT_EQ(dibtest::Import(dib, &imported), 0);
    const unsigned char* row = dibtest::Row(imported.Map(), 0);
    EXPECT_EQ(std::vector<unsigned char>(row, row + 3), (std::vector<unsigned char>{100, 0, 0}));

    auto four = InfoHeader(2, 1, 4, 0, 0, 0, 0, 1);
    Append(four, {9, 9, 9, 0});
    Append(four, {0x0F, 0, 0, 0});
    Imported colour;
    ASSERT_EQ(dibtest::Import(four, &colour), 0);
    EXPECT_EQ(dibtest::Pixel(colour.Map(), 0, 0), (std::vector<unsigned char>{255, 9, 9, 9}));
    EXPECT_EQ(dibtest::Pixel(colour.Map(), 1, 0), (std::vector<unsigned char>{255, 0, 0, 0}));
}

TEST(RZDIB2KWPixMap, RefusesUnsupportedHeaders) {
    auto v5 = InfoHeader(1, 1, 24);
    v5[0] = 124;
    v5.resize(124 + 4, 0);
    ExpectRefusedUpFront(v5, "BITMAPV5HEADER");
    auto v4 = v5;
    v4[0] = 108;
    ExpectRefusedUpFront(v4, "BITMAPV4HEADER");
    auto rleTopDown = InfoHeader(4, -2, 8, BI_RLE8, 6);
    Append(rleTopDown, Greys(256));
    Append(rleTopDown, {3, 5, 0, 0, 0, 1});
    ExpectRefusedUpFront(rleTopDown, "top-down RLE8");
    ExpectRefusedUpFront(InfoHeader(4, 2, 8, BI_RLE8, 0), "RLE without an image size");
    ExpectRefusedUpFront({}, "no bytes");
    Imported imported;
    EXPECT_EQ(RZDIB2KWPixMap(nullptr, 100, &imported.owner.map), RZErrFailed);
    const auto dib = Dib24(1, 1, {1, 2, 3, 0}, false);
    EXPECT_EQ(RZDIB2KWPixMap(reinterpret_cast<const char*>(dib.data()),
                             static_cast<unsigned>(dib.size()), nullptr),
              RZErrFailed);
}

TEST(RZDIB2KWPixMap, RefusesHostileSizesBeforeAllocatingAnything) {
    ExpectRefusedUpFront(InfoHeader(4, 1, 8, 0, 0, 0, 0, 0x8000), "negative colour count");
    ExpectRefusedUpFront(InfoHeader(0, 1, 24), "width 0");
    ExpectRefusedUpFront(InfoHeader(-5, 1, 24), "negative width");
    ExpectRefusedUpFront(InfoHeader(5, 0, 24), "height 0");
    ExpectRefusedUpFront(InfoHeader(5, INT32_MIN, 24), "height -2^31");
    ExpectRefusedUpFront(CoreHeader(0, 5, 24), "core width 0");
    ExpectRefusedUpFront(CoreHeader(5, 0, 24), "core height 0");
    ExpectRefusedUpFront(InfoHeader(5, 5, 0), "no pixel bits");
    ExpectRefusedUpFront(InfoHeader(5, 5, 1, 0, 0, 0, 0, 0, 30000), "30000 planes");
    ExpectRefusedUpFront(InfoHeader(0x7FFFFFFF, 1, 32), "row bytes overflow");
    ExpectRefusedUpFront(InfoHeader(40000, 1, 32), "row words past 16 bits");
    ExpectRefusedUpFront(InfoHeader(30000, 30000, 24), "unpacked size overflow");
    ExpectRefusedUpFront(InfoHeader(3000000, 2000000, 24), "really big");
    ExpectRefusedUpFront(CoreHeader(65535, 65535, 32), "core size overflow");
    // Uncompressed pixel data must be there before buffers are sized.
    auto shortData = InfoHeader(4000, 4000, 24);
    Append(shortData, std::vector<unsigned char>(100, 0));
    ExpectRefusedUpFront(shortData, "uncompressed data short");
    auto shortTable = InfoHeader(4, 1, 8, 0, 0, 0, 0, 200);
    Append(shortTable, std::vector<unsigned char>(100, 0));
    ExpectRefusedUpFront(shortTable, "colour table short");
    // Run-length data are bounded by their own size, and their expansion by 1 GiB.
    auto bigImage = InfoHeader(20000, 20000, 8, BI_RLE8, 2000000, 0, 0, 1);
    Append(bigImage, {0, 0, 0, 0, 0, 1});
    ExpectRefusedUpFront(bigImage, "RLE image size past the data");
    auto hugeRle = InfoHeader(30000, 30000, 8, BI_RLE8, 2, 0, 0, 1);
    Append(hugeRle, {0, 0, 0, 0, 0, 1});
    ExpectRefusedUpFront(hugeRle, "RLE expansion past 1 GiB");
}

TEST(RZDIB2KWPixMap, ImportsALargeRunLengthDIBWithinTheBound) {
    auto dib = InfoHeader(4096, 4096, 8, BI_RLE8, 4, 0, 0, 1);
    Append(dib, {50, 50, 50, 0});
    Append(dib, {2, 0, 0, 1});
    Imported imported;
    ASSERT_EQ(dibtest::Import(dib, &imported), 0);
    EXPECT_EQ(RZGetKWPixMapWidth(imported.Map()), 4096u);
    EXPECT_EQ(dibtest::Row(imported.Map(), 4095)[1], 50);
}

TEST(RZDIB2KWPixMap, RefusesEveryTruncation) {
    std::vector<std::vector<unsigned char>> dibs;
    auto rle = InfoHeader(4, 2, 8, BI_RLE8, 6, 0, 0, 2);
    Append(rle, Greys(2));
    Append(rle, {3, 1, 0, 0, 0, 1});
    dibs.push_back(rle);
    auto core = CoreHeader(2, 2, 1);
    Append(core, {0, 0, 0, 255, 255, 255, 0x80, 0, 0, 0, 0x40, 0, 0, 0});
    dibs.push_back(core);
    auto fields = InfoHeader(1, -2, 32, BI_BITFIELDS, 8);
    for (std::uint32_t mask : {0xFF0000u, 0xFF00u, 0xFFu}) dibtest::Put32(fields, mask);
    Append(fields, {1, 2, 3, 4, 5, 6, 7, 8});
    dibs.push_back(fields);
    for (const auto& dib : dibs) {
        Imported whole;
        ASSERT_EQ(dibtest::Import(dib, &whole), 0);
        for (std::size_t n = 0; n < dib.size(); ++n) {
            Imported cut;
            dibtest::Import(std::vector<unsigned char>(dib.begin(), dib.begin() + n), &cut);
            EXPECT_EQ(cut.code, RZErrFailed) << n;
            EXPECT_EQ(cut.Map(), nullptr) << n;
        }
    }
}

TEST(RZDIB2KWPixMap, ReportsEachFailedAllocationAndLeavesNothingBehind) {
    // Allocations in order: colour table and pixel buffer (growable arrays:
    // -7003 and a report on the debug channel), run-length data or spare
    // row (the BMError() code), the pixel map (-7003).
    struct Outcome {
        short code;
        bool reported;
    };
    struct Case {
        const char* name;
        std::vector<unsigned char> dib;
        std::vector<Outcome> outcomes;
    };
    auto rle = InfoHeader(4, 2, 8, BI_RLE8, 6, 0, 0, 2);
    Append(rle, Greys(2));
    Append(rle, {3, 1, 0, 0, 0, 1});
    auto topDown = InfoHeader(1, -2, 24);
    Append(topDown, {1, 2, 3, 0, 4, 5, 6, 0});
    auto grey = InfoHeader(1, 1, 8, 0, 0, 0, 0, 1);
    Append(grey, {1, 1, 1, 0, 0, 0, 0, 0});
    const Outcome array{RZErrFailed, true}, scratch{kBMErrOutOfMemory, false},
        map{RZErrFailed, false};
    const std::vector<Case> cases = {{"RLE8", rle, {array, array, scratch, map}},
                                     {"top-down", topDown, {array, scratch, map}},
                                     {"paletted", grey, {array, array, map}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        short code = 0;
        bool mapMade = false;
        std::string report;
        const int allocations = rztest::SweepAllocationFailures(
            [&] {
                dbChannel.Clear();
                Imported imported;
                dibtest::Import(c.dib, &imported);
                code = imported.code;
                mapMade = imported.Map() != nullptr;
                report = dbChannel.DebugText();
            },
            [&](int failedAt) {
                ASSERT_LE(static_cast<std::size_t>(failedAt), c.outcomes.size());
                const Outcome& expected = c.outcomes[static_cast<std::size_t>(failedAt - 1)];
                EXPECT_EQ(code, expected.code) << failedAt;
                EXPECT_FALSE(mapMade) << failedAt;
                EXPECT_EQ(report.find("KW::OutOfMemoryException") != std::string::npos,
                          expected.reported)
                    << failedAt << ": " << report;
            });
        EXPECT_EQ(allocations, static_cast<int>(c.outcomes.size()));
        EXPECT_EQ(code, 0);
    }
}

TEST(RZDIB2KWPixMap, ReadsBackWhatTheExportWrites) {
    std::mt19937 random(9);
    for (KWPixelType type : {PixelTypeARGB, PixelTypeBlackWhite, PixelTypeGrey})
        for (int round = 0; round < 10; ++round) {
            const int width = 1 + static_cast<int>(random() % 50);
            const int height = 1 + static_cast<int>(random() % 6);
            MapOwner map(RZCreateKWPixMap(width, height, 300, 96, type));
            dibtest::Randomise(map.map, random);
            dibtest::BlockOwner dib;
            unsigned size = 0;
            ASSERT_EQ(RZKWPixMap2DIB(map.map, nullptr, &dib.block, &size), 0);
            Imported back;
            back.code = RZDIB2KWPixMap(dib.block, size, &back.owner.map);
            ASSERT_EQ(back.code, 0);
            ASSERT_EQ(RZGetKWPixMapPixelType(back.Map()), type);
            EXPECT_EQ(RZGetKWPixMapHResolution(back.Map()), 299u); // 11811 per metre
            EXPECT_EQ(RZGetKWPixMapVResolution(back.Map()), 95u);  // 3779 per metre
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    auto expected = dibtest::Pixel(map.map, x, y);
                    if (type == PixelTypeARGB) expected[0] = 255;
                    if (type == PixelTypeGrey) {
                        // The grey ramp re-enters through the luminance,
                        // which truncates some levels by one.
                        const int v = expected[1];
                        const auto level =
                            static_cast<unsigned char>((v * 0.587 + v * 0.299) + v * 0.114);
                        expected = {0, level, level, level};
                    }
                    ASSERT_EQ(dibtest::Pixel(back.Map(), x, y), expected) << x << "," << y;
                }
        }
}
