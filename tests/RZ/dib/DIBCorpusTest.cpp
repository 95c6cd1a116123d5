// The public BMP corpus, each file imported without its 14-byte file header.
// Good files with 12- and 40-byte headers import with the size, type and
// resolution their headers state; the encodings of one picture agree;
// everything else is refused or imported without harm.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>

#include <gtest/gtest.h>

#include "DIBTestSupport.h"

namespace fs = std::filesystem;
using namespace rztest;
using namespace dibtest;

namespace {

const fs::path kCorpus = RZ_BMP_CORPUS_DIR;

// A file's bytes after its file header.
ByteVector ReadDib(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const ByteVector file{std::istreambuf_iterator<char>(in), {}};
    return file.size() < 14 ? ByteVector() : ByteVector(file.begin() + 14, file.end());
}

// A little-endian field of a DIB; 0 past its end.
std::uint32_t Field(const ByteVector& dib, std::size_t at, int bytes = 4) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | (at + i < dib.size() ? dib[at + i] : 0);
    return value;
}

std::vector<fs::path> FilesIn(const char* folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kCorpus / folder))
        if (entry.path().extension() == ".bmp") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// CI requires the corpus; elsewhere its absence skips these tests.
#define REQUIRE_CORPUS()                                                                           \
    if (!fs::is_directory(kCorpus / "g")) {                                                        \
        if (RZ_REQUIRE_BMP_CORPUS) FAIL() << "no BMP corpus at " << kCorpus;                       \
        GTEST_SKIP() << "no BMP corpus at " << kCorpus << " (set RZ_BMP_CORPUS_DIR)";              \
    }

} // namespace

TEST(DIBCorpus, ImportsGoodFilesAsTheirHeadersSayAndOthersWithoutHarm) {
    REQUIRE_CORPUS();
    const std::set<fs::path> malformed = {
        "badbitcount.bmp", "badheadersize.bmp", "badpalettesize.bmp", "badplanes.bmp",
        "badwidth.bmp",    "reallybig.bmp",     "rletopdown.bmp",     "shortfile.bmp"};
    int files = 0, good = 0, refused = 0;
    for (const char* folder : {"g", "q", "b"})
        for (const auto& path : FilesIn(folder)) {
            const ByteVector dib = ReadDib(path);
            const Imported imported = Import(dib);
            KWPixMap** map = imported.Map();
            const std::uint32_t headerSize = Field(dib, 0);
            const bool known = headerSize == 12 || headerSize == 40;
            ++files;
            refused += imported.code != 0;
            if (folder[0] != 'g' || !known) { // refused, or imported and not one of the malformed
                EXPECT_TRUE(imported.code == 0 ? known && RZGetKWPixMapWidth(map) > 0 &&
                                                     !malformed.count(path.filename())
                                               : imported.code == RZErrFailed && map == nullptr)
                    << path;
                continue;
            }
            ASSERT_EQ(imported.code, 0) << path;
            ++good;
            // Core fields are 16 bits wide and come without resolutions.
            const int n = headerSize == 12 ? 2 : 4,
                      bits = Field(dib, 4 + 2 * n, 2) * Field(dib, 6 + 2 * n, 2);
            const int x = n == 2 ? 0 : int(Field(dib, 24)), y = n == 2 ? 0 : int(Field(dib, 28));
            EXPECT_EQ(std::pair(RZGetKWPixMapWidth(map), RZGetKWPixMapHeight(map)),
                      std::pair(Field(dib, 4, n), unsigned(std::abs(int(Field(dib, 4 + n, n))))))
                << path;
            // Pixel types 2 (one bit), 3 (grey) and 0; both resolutions 0 give 72 dpi.
            EXPECT_EQ(RZGetKWPixMapPixelType(map), bits == 1 ? 2 : bits == 8 ? 3 : 0) << path;
            EXPECT_EQ(std::pair(RZGetKWPixMapHResolution(map), RZGetKWPixMapVResolution(map)),
                      x || y ? std::pair(unsigned(x * 254 / 10000), unsigned(y * 254 / 10000))
                             : std::pair(72u, 72u))
                << path;
        }
    // Most good files are described, some files are refused, and some
    // questionable or bad ones import.
    EXPECT_TRUE(good >= 20 && refused > 0 && refused + good < files) << good << ", " << refused;
}

TEST(DIBCorpus, EncodingsOfOnePictureAgree) {
    REQUIRE_CORPUS();
    // Colour tables skipped or not, bit fields with default masks, top-down
    // rows, run-length data, core headers, implicit palette sizes, and 1-bit
    // palettes in either order or in colours of the same lightness.
    const std::vector<std::vector<const char*>> groups = {
        {"rgb24.bmp", "rgb24pal.bmp", "rgb32.bmp", "rgb32bf.bmp", "rgb32bfdef.bmp"},
        {"rgb16.bmp", "rgb16bfdef.bmp"},
        {"rgb16-565.bmp", "rgb16-565pal.bmp"},
        {"pal8.bmp", "pal8-0.bmp", "pal8topdown.bmp", "pal8rle.bmp", "pal8os2.bmp"},
        {"pal4.bmp", "pal4rle.bmp"},
        {"pal1.bmp", "pal1wb.bmp", "pal1bg.bmp"}};
    for (const auto& group : groups)
        for (const char* other : group)
            EXPECT_TRUE(SameBlock(Import(ReadDib(kCorpus / "g" / group[0])).Map(),
                                  Import(ReadDib(kCorpus / "g" / other)).Map()))
                << group[0] << " vs " << other;
}
