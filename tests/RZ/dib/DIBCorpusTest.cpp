// The public BMP corpus: every file, its 14-byte file header stripped, is
// imported. Good files with 12- and 40-byte headers import with the size,
// type and resolution their headers state; the encodings of one picture
// agree with each other and with the raw bytes of the plain 24-bit file;
// everything else is refused or imported without harm.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "DIBTestSupport.h"

namespace fs = std::filesystem;
using dibtest::Imported;

namespace {

const fs::path kCorpus = RZ_BMP_CORPUS_DIR;

std::vector<unsigned char> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// Imports a BMP file without its file header.
void ImportFile(const fs::path& path, Imported* result) {
    const auto file = ReadFile(path);
    ASSERT_GE(file.size(), 14u) << path;
    dibtest::Import(std::vector<unsigned char>(file.begin() + 14, file.end()), result);
}

// Imports a picture of the good set, which must import without error.
::testing::AssertionResult ImportGood(const char* name, Imported* result) {
    ImportFile(kCorpus / "g" / name, result);
    if (result->code == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << name << " gives " << result->code;
}

std::vector<fs::path> FilesIn(const char* folder) {
    std::vector<fs::path> files;
    if (fs::is_directory(kCorpus / folder))
        for (const auto& entry : fs::directory_iterator(kCorpus / folder))
            if (entry.path().extension() == ".bmp") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

bool SameMap(KWPixMap** a, KWPixMap** b) {
    if (a == nullptr || b == nullptr) return false;
    const int size = BMGetHandleSize(reinterpret_cast<const char* const*>(a));
    return size == BMGetHandleSize(reinterpret_cast<const char* const*>(b)) &&
           std::memcmp(*a, *b, static_cast<std::size_t>(size)) == 0;
}

// CI requires the corpus; elsewhere its absence skips these tests.
#define REQUIRE_CORPUS()                                                                           \
    if (!fs::is_directory(kCorpus / "g")) {                                                        \
        if (RZ_REQUIRE_BMP_CORPUS) FAIL() << "no BMP corpus at " << kCorpus;                       \
        GTEST_SKIP() << "no BMP corpus at " << kCorpus << " (set RZ_BMP_CORPUS_DIR)";              \
    }

} // namespace

TEST(DIBCorpus, ImportsEveryGoodFileAsItsHeaderDescribes) {
    REQUIRE_CORPUS();
    int checked = 0;
    for (const auto& path : FilesIn("g")) {
        SCOPED_TRACE(path.filename().string());
        const auto file = ReadFile(path);
        const std::uint32_t headerSize = U32(file, 14);
        Imported imported;
        ImportFile(path, &imported);
        if (headerSize != 12 && headerSize != 40) {
            EXPECT_EQ(imported.code, RZErrFailed);
            EXPECT_EQ(imported.Map(), nullptr);
            continue;
        }
        ASSERT_EQ(imported.code, 0);
        std::uint32_t width, height, bits, h = 72, v = 72;
        if (headerSize == 12) {
            width = U16(file, 18);
            height = U16(file, 20);
            bits = U16(file, 22) * U16(file, 24);
        } else {
            width = U32(file, 18);
            const auto signedHeight = static_cast<std::int32_t>(U32(file, 22));
            height = static_cast<std::uint32_t>(signedHeight < 0 ? -signedHeight : signedHeight);
            bits = U16(file, 26) * U16(file, 28);
            const auto x = static_cast<std::int32_t>(U32(file, 38));
            const auto y = static_cast<std::int32_t>(U32(file, 42));
            if (x != 0 || y != 0) {
                h = static_cast<std::uint32_t>(x * 254 / 10000);
                v = static_cast<std::uint32_t>(y * 254 / 10000);
            }
        }
        EXPECT_EQ(RZGetKWPixMapWidth(imported.Map()), width);
        EXPECT_EQ(RZGetKWPixMapHeight(imported.Map()), height);
        EXPECT_EQ(RZGetKWPixMapPixelType(imported.Map()), bits == 1   ? PixelTypeBlackWhite
                                                          : bits == 8 ? PixelTypeGrey
                                                                      : PixelTypeARGB);
        EXPECT_EQ(RZGetKWPixMapHResolution(imported.Map()), h);
        EXPECT_EQ(RZGetKWPixMapVResolution(imported.Map()), v);
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

TEST(DIBCorpus, TheTwentyFourBitPictureMatchesItsRawBytes) {
    REQUIRE_CORPUS();
    const auto file = ReadFile(kCorpus / "g" / "rgb24.bmp");
    Imported imported;
    ASSERT_TRUE(ImportGood("rgb24.bmp", &imported));
    const std::uint32_t offset = U32(file, 10);
    const int width = 127, height = 64, rowBytes = (width * 24 + 31) / 32 * 4;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = file.data() + offset + (height - 1 - y) * rowBytes + 3 * x;
            ASSERT_EQ(dibtest::Pixel(imported.Map(), x, y),
                      (std::vector<unsigned char>{255, p[2], p[1], p[0]}))
                << x << "," << y;
        }
    // Hand-read from the file: the top-left pixel is pure red, and row 32
    // has (230, 125, 230) at column 60 and white at column 63.
    EXPECT_EQ(dibtest::Pixel(imported.Map(), 0, 0), (std::vector<unsigned char>{255, 255, 0, 0}));
    EXPECT_EQ(dibtest::Pixel(imported.Map(), 60, 32),
              (std::vector<unsigned char>{255, 230, 125, 230}));
    EXPECT_EQ(dibtest::Pixel(imported.Map(), 63, 32),
              (std::vector<unsigned char>{255, 255, 255, 255}));
}

TEST(DIBCorpus, EncodingsOfOnePictureAgree) {
    REQUIRE_CORPUS();
    // Each group holds one picture in encodings that must import to the same
    // map: colour tables skipped or not, bit fields with default masks,
    // top-down rows, run-length data, core headers, implicit palette sizes,
    // and 1-bit palettes in either order or in colours of the same lightness.
    const std::vector<std::vector<const char*>> groups = {
        {"rgb24.bmp", "rgb24pal.bmp", "rgb32.bmp", "rgb32bf.bmp", "rgb32bfdef.bmp"},
        {"rgb16.bmp", "rgb16bfdef.bmp"},
        {"rgb16-565.bmp", "rgb16-565pal.bmp"},
        {"pal8.bmp", "pal8-0.bmp", "pal8topdown.bmp", "pal8rle.bmp", "pal8os2.bmp"},
        {"pal4.bmp", "pal4rle.bmp"},
        {"pal1.bmp", "pal1wb.bmp", "pal1bg.bmp"}};
    for (const auto& group : groups) {
        Imported first;
        ASSERT_TRUE(ImportGood(group[0], &first));
        for (std::size_t i = 1; i < group.size(); ++i) {
            Imported other;
            ASSERT_TRUE(ImportGood(group[i], &other));
            EXPECT_TRUE(SameMap(first.Map(), other.Map())) << group[0] << " vs " << group[i];
        }
    }
}

TEST(DIBCorpus, FiveBitComponentsStayCloseToTheTwentyFourBitPicture) {
    REQUIRE_CORPUS();
    Imported full, reduced;
    ASSERT_TRUE(ImportGood("rgb24.bmp", &full));
    ASSERT_TRUE(ImportGood("rgb16.bmp", &reduced));
    // A component c of the 24-bit picture is stored as about c >> 3 and
    // read back as x -> (x << 3) | x, which lies between 8x and 8x + 31:
    // at most 8 below c, at most 31 above it.
    int lowest = 0, highest = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 127; ++x) {
            const auto a = dibtest::Pixel(full.Map(), x, y);
            const auto b = dibtest::Pixel(reduced.Map(), x, y);
            for (int c = 1; c < 4; ++c) {
                lowest = std::min(lowest, b[c] - a[c]);
                highest = std::max(highest, b[c] - a[c]);
            }
        }
    EXPECT_GE(lowest, -8);
    EXPECT_LE(highest, 31);
    EXPECT_GT(highest, 15); // the overshoot of the OR expansion shows
}

TEST(DIBCorpus, PalettedPicturesKeepTheirLightness) {
    REQUIRE_CORPUS();
    // The 8-bit picture imports as grey levels; they follow the lightness of
    // the 24-bit picture it was reduced from.
    Imported grey, colour;
    ASSERT_TRUE(ImportGood("pal8.bmp", &grey));
    ASSERT_TRUE(ImportGood("rgb24.bmp", &colour));
    long long total = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 127; ++x) {
            const auto c = dibtest::Pixel(colour.Map(), x, y);
            const int level = static_cast<int>((c[2] * 0.587 + c[1] * 0.299) + c[3] * 0.114);
            total += std::abs(level - dibtest::Row(grey.Map(), y)[x]);
        }
    // The 8-bit file is a dithered reduction of the same picture.
    EXPECT_LT(total / (64 * 127), 12);
}

TEST(DIBCorpus, QuestionableAndBadFilesAreRefusedOrImportedWithoutHarm) {
    REQUIRE_CORPUS();
    int refused = 0, imported = 0;
    for (const char* folder : {"q", "b"})
        for (const auto& path : FilesIn(folder)) {
            SCOPED_TRACE(path.filename().string());
            const auto file = ReadFile(path);
            Imported result;
            ImportFile(path, &result);
            const std::uint32_t headerSize = file.size() >= 18 ? U32(file, 14) : 0;
            if (headerSize != 12 && headerSize != 40) {
                EXPECT_EQ(result.code, RZErrFailed);
            }
            if (result.code == 0) {
                ++imported;
                ASSERT_NE(result.Map(), nullptr);
                EXPECT_GT(RZGetKWPixMapWidth(result.Map()), 0u);
            } else {
                ++refused;
                EXPECT_EQ(result.code, RZErrFailed);
                EXPECT_EQ(result.Map(), nullptr);
            }
        }
    EXPECT_GT(refused, 0);
    EXPECT_GT(imported, 0);
}

TEST(DIBCorpus, RefusesTheMalformedFiles) {
    REQUIRE_CORPUS();
    for (const char* name :
         {"badbitcount.bmp", "badheadersize.bmp", "badpalettesize.bmp", "badplanes.bmp",
          "badwidth.bmp", "reallybig.bmp", "rletopdown.bmp", "shortfile.bmp"}) {
        Imported result;
        ImportFile(kCorpus / "b" / name, &result);
        EXPECT_EQ(result.code, RZErrFailed) << name;
    }
    // Indices past the palette (101 entries here) give black.
    const auto file = ReadFile(kCorpus / "b" / "pal8badindex.bmp");
    Imported badIndex;
    ImportFile(kCorpus / "b" / "pal8badindex.bmp", &badIndex);
    ASSERT_EQ(badIndex.code, 0);
    ASSERT_EQ(U32(file, 46), 101u);
    const std::uint32_t offset = U32(file, 10);
    int pastPalette = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 127; ++x) {
            const unsigned index = file[offset + (63 - y) * 128 + x];
            if (index < 101) continue;
            ++pastPalette;
            ASSERT_EQ(dibtest::Row(badIndex.Map(), y)[x], 0) << x << "," << y;
        }
    EXPECT_GT(pastPalette, 0);
}
