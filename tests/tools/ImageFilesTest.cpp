// Picture files read and written in process: BMP files with every header
// the tool rewrites import as their plain twins do, and PNG files of every
// kind libpng writes read back as the pixels they hold.
#include <filesystem>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "FileIO.h"
#include "ImageFiles.h"
#include "PngFile.h"
#include "TestImage.h"
#include "support/PixMaps.h"

#if RZTOOL_HAVE_PNG
#include <png.h>
#endif

namespace {

namespace fs = std::filesystem;
using rztest::Colour;
using rztest::PixelsOf;
using rztool::OwnedPixMap;

const fs::path kCorpus = RZ_BMP_CORPUS_DIR;

TEST(ImageFiles, RewrittenBmpHeadersImportAsTheirPlainTwins) {
    if (!fs::is_directory(kCorpus / "g")) {
        if (RZ_REQUIRE_BMP_CORPUS) FAIL() << "no BMP corpus at " << kCorpus;
        GTEST_SKIP() << "no BMP corpus at " << kCorpus;
    }
    // The first file of each group goes to the library as it is; the others
    // have V2 to V5 or OS/2 2.x headers, alpha bit fields, or a gap before
    // their pixels. The files with alpha have no plain twin: they agree
    // with the first of them.
    const std::vector<std::vector<const char*>> groups = {
        {"g/pal8.bmp", "g/pal8v4.bmp", "g/pal8v5.bmp", "q/pal8os2v2.bmp", "q/pal8os2v2-16.bmp",
         "q/pal8offs.bmp"},
        {"g/rgb32bf.bmp", "q/rgb32h52.bmp", "q/rgb32-xbgr.bmp", "q/rgb24prof.bmp",
         "q/rgb24lprof.bmp"},
        {"g/rgb16.bmp", "q/rgba16-5551.bmp"},
        {"q/rgba32-1.bmp", "q/rgba32h56.bmp", "q/rgba32abf.bmp"}};
    for (const auto& group : groups) {
        rztool::ByteBlock twin = rztool::ReadInputFile((kCorpus / group[0]).string());
        OwnedPixMap expected;
        const auto dib = twin.bytes().subspan(14);
        if (std::string(group[0]) == "q/rgba32-1.bmp")
            expected = rztool::ImportImageBytes(twin.bytes(), group[0]);
        else
            ASSERT_EQ(RZDIB2KWPixMap(reinterpret_cast<const char*>(dib.data()),
                                     unsigned(dib.size()), expected.out()),
                      0);
        for (std::size_t i = 1; i < group.size(); ++i) {
            rztool::ByteBlock file = rztool::ReadInputFile((kCorpus / group[i]).string());
            const rztool::BmpDib bmp = rztool::DibForImport(file.bytes(), group[i]);
            // Rewritten in place: the pixels are never copied. Only a header
            // that grows from 16 to 40 bytes needs a copy.
            const bool inPlace =
                bmp.dib.data() >= file.data() && bmp.dib.data() < file.data() + file.size();
            EXPECT_TRUE(inPlace || std::string(group[i]) == "q/pal8os2v2-16.bmp") << group[i];
            const OwnedPixMap map = rztool::ImportBmp(bmp, group[i]);
            EXPECT_EQ(RZGetKWPixMapPixelType(map.get()), RZGetKWPixMapPixelType(expected.get()));
            EXPECT_TRUE(PixelsOf(map.get()) == PixelsOf(expected.get())) << group[i];
        }
    }
}

#if RZTOOL_HAVE_PNG

// What libpng's own writer makes of 3 x 2 pixels of samples in format.
std::vector<unsigned char> LibpngFile(png_uint_32 format, const void* samples,
                                      const void* colourMap = nullptr) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 3;
    image.height = 2;
    image.format = format;
    image.colormap_entries = colourMap ? 4 : 0;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, samples, 0, colourMap);
    std::vector<unsigned char> file(size);
    EXPECT_NE(png_image_write_to_memory(&image, file.data(), &size, 0, samples, 0, colourMap), 0)
        << image.message;
    return file;
}

TEST(ImageFiles, PngFilesOfEveryKindReadAsTheirPixels) {
    const unsigned char grey[6] = {0, 1, 127, 128, 254, 255};
    const unsigned char greyAlpha[12] = {0, 255, 10, 0, 20, 128, 30, 1, 40, 254, 50, 77};
    unsigned char rgb[18], rgba[24], rgbaMap[16], indices[6] = {0, 1, 2, 3, 2, 1};
    for (int i = 0; i < 18; ++i) rgb[i] = static_cast<unsigned char>(i * 14 + 3);
    for (int i = 0; i < 24; ++i) rgba[i] = static_cast<unsigned char>(i * 11 + 5);
    for (int i = 0; i < 16; ++i) rgbaMap[i] = static_cast<unsigned char>(i * 17);
    // 16-bit samples 257 x v scale to exactly v.
    std::uint16_t grey16[6], rgba16[24];
    for (int i = 0; i < 6; ++i) grey16[i] = std::uint16_t(257 * grey[i]);
    for (int i = 0; i < 24; ++i) rgba16[i] = std::uint16_t(i % 4 == 3 ? 65535 : 257 * rgba[i]);
    unsigned char mapped[24];
    for (int i = 0; i < 6; ++i) std::memcpy(mapped + 4 * i, rgbaMap + 4 * indices[i], 4);
    // Each pixel's alpha, red, green and blue: one of the pixel's samples (by
    // its offset), or '-' for 0 and '+' for 255.
    const struct {
        const char* kind;
        std::vector<unsigned char> file;
        KWPixelType type;
        int stride;
        const char* argb;
        const unsigned char* samples;
    } cases[] = {
        {"grey", LibpngFile(PNG_FORMAT_GRAY, grey), PixelTypeGrey, 1, "-000", grey},
        {"grey + alpha", LibpngFile(PNG_FORMAT_GA, greyAlpha), PixelTypeARGB, 2, "1000", greyAlpha},
        {"RGB", LibpngFile(PNG_FORMAT_RGB, rgb), PixelTypeARGB, 3, "+012", rgb},
        {"RGBA", LibpngFile(PNG_FORMAT_RGBA, rgba), PixelTypeARGB, 4, "3012", rgba},
        {"palette with alpha", LibpngFile(PNG_FORMAT_RGBA_COLORMAP, indices, rgbaMap),
         PixelTypeARGB, 4, "3012", mapped},
        {"16-bit grey", LibpngFile(PNG_FORMAT_LINEAR_Y, grey16), PixelTypeGrey, 1, "-000", grey},
        {"16-bit RGBA", LibpngFile(PNG_FORMAT_LINEAR_RGB_ALPHA, rgba16), PixelTypeARGB, 4, "+012",
         rgba}};
    for (const auto& c : cases) {
        const OwnedPixMap map = rztool::DecodePng(c.file, c.kind);
        ASSERT_EQ(RZGetKWPixMapPixelType(map.get()), c.type) << c.kind;
        std::vector<Colour> expected(6);
        for (int i = 0; i < 24; ++i) {
            const char at = c.argb[i % 4];
            expected[i / 4][i % 4] =
                at < '0' ? (at == '+') * 255 : c.samples[c.stride * (i / 4) + at - '0'];
        }
        EXPECT_TRUE(PixelsOf(map.get()) == expected) << c.kind;
        EXPECT_EQ(RZGetKWPixMapHResolution(map.get()), 72u) << c.kind;
    }
}

// Every map type goes to PNG and back unchanged, and so does its BMP file:
// the DIB exported after the trip is the one exported before it.
TEST(ImageFiles, PngKeepsEveryMapTypeExactly) {
    const OwnedPixMap image = rztool::MakeTestImage();
    OwnedPixMap translucent(RZCreateKWPixMap(61, 7, 300, 96, PixelTypeARGB));
    std::mt19937 random(7);
    rztest::Randomise(translucent.get(), random);
    const OwnedPixMap grey = rztool::ConvertByPixelSetter(image.get(), PixelTypeGrey);
    const OwnedPixMap bw = rztool::ConvertByPixelSetter(image.get(), PixelTypeBlackWhite);
    // Each map with the depth and colour type its PNG header gives.
    const std::tuple<KWPixMap**, int, int> cases[] = {
        {image.get(), 8, 2}, {translucent.get(), 8, 6}, {grey.get(), 8, 0}, {bw.get(), 1, 0}};
    for (const auto& [map, depth, colourType] : cases) {
        const auto png = rztool::EncodePng(map);
        EXPECT_EQ(png[24] * 10 + png[25], depth * 10 + colourType);
        const OwnedPixMap back = rztool::DecodePng(png, "trip");
        EXPECT_TRUE(rztest::Geometry(back.get()) == rztest::Geometry(map));
        const auto before = rztool::ExportDIB(map), after = rztool::ExportDIB(back.get());
        EXPECT_TRUE(before.size() == after.size() &&
                    std::memcmp(before.data(), after.data(), before.size()) == 0)
            << colourType;
    }
}

#endif

} // namespace
