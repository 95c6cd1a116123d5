// Runs rztool as a separate program and checks its exit codes, its messages
// and the BMP files it writes, re-imported here with RZDIB2KWPixMap.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Images.h"
#include "TestImage.h"

#if __has_include(<sys/wait.h>)
#include <sys/wait.h>
#define RZTEST_EXIT_STATUS(status) (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
#else
#define RZTEST_EXIT_STATUS(status) (status)
#endif

namespace {

namespace fs = std::filesystem;
using rztool::OwnedPixMap;
using rztool::TestImagePixel;

struct RunResult {
    int exitCode;
    std::string output; // stdout and stderr together
};

class RzToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        directory_ = fs::path(::testing::TempDir()) / (std::string("rztool-") + info->name());
        fs::remove_all(directory_);
        fs::create_directories(directory_);
    }
    void TearDown() override { fs::remove_all(directory_); }

    RunResult Run(const std::string& arguments) const {
        const fs::path log = directory_ / "output.txt";
        const std::string command = "cd \"" + directory_.string() + "\" && \"" RZTOOL_PATH "\" " +
                                    arguments + " > \"" + log.string() + "\" 2>&1";
        const int status = std::system(command.c_str());
        return {RZTEST_EXIT_STATUS(status), ReadText(log)};
    }

    static std::string ReadText(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::vector<unsigned char> ReadBytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteBytes(const fs::path& path, const std::vector<unsigned char>& bytes) const {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    // A BMP file written by the tool, checked for its file header and
    // imported from the DIB after it.
    static OwnedPixMap Reimport(const fs::path& path) {
        const auto bytes = ReadBytes(path);
        OwnedPixMap map;
        if (bytes.size() < 54) {
            ADD_FAILURE() << path << " is too short for a BMP file";
            return map;
        }
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        std::uint32_t fileSize, pixelOffset, headerSize;
        std::memcpy(&fileSize, &bytes[2], 4);
        std::memcpy(&pixelOffset, &bytes[10], 4);
        std::memcpy(&headerSize, &bytes[14], 4);
        EXPECT_EQ(fileSize, bytes.size());
        EXPECT_EQ(headerSize, 40u);
        std::uint16_t bits;
        std::memcpy(&bits, &bytes[28], 2);
        const std::uint32_t tableBytes = bits == 1 ? 8 : bits == 8 ? 1024 : 0;
        EXPECT_EQ(pixelOffset, 14 + 40 + tableBytes);
        EXPECT_EQ(RZDIB2KWPixMap(reinterpret_cast<const char*>(&bytes[14]),
                                 static_cast<unsigned int>(bytes.size() - 14), map.out()),
                  0)
            << path;
        return map;
    }

    fs::path directory_;
};

// The luminance the pixel setter computes for a colour value; truncated,
// it is the grey level it stores.
double Luminance(const std::array<unsigned char, 4>& colour) {
    return (colour[2] * 0.587 + colour[1] * 0.299) + colour[3] * 0.114;
}

// Checks that map holds the test image's pixels from (left, top) on.
void ExpectTestImagePart(KWPixMap** map, int left, int top, int width, int height) {
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(RZGetKWPixMapPixelType(map), PixelTypeARGB);
    ASSERT_EQ(RZGetKWPixMapWidth(map), static_cast<unsigned int>(width));
    ASSERT_EQ(RZGetKWPixMapHeight(map), static_cast<unsigned int>(height));
    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char pixel[4];
            RZGetKWPixMapPixel(map, x, y, pixel);
            const auto expected = TestImagePixel(left + x, top + y);
            if (std::memcmp(pixel, expected.data(), 4) != 0 && ++mismatches <= 3)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs";
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(RzToolTest, DemoWritesPicturesThatImportBack) {
    const RunResult run = Run("demo");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const fs::path out = directory_ / "rztool-out";
    EXPECT_NE(run.output.find("pictures are in"), std::string::npos) << run.output;

    // The test image itself, exactly, at the resolution the DIB carries.
    OwnedPixMap builtin = Reimport(out / "builtin.bmp");
    ExpectTestImagePart(builtin.get(), 0, 0, 512, 384);
    EXPECT_EQ(RZGetKWPixMapHResolution(builtin.get()), 71u); // 72 dpi -> 2834 ppm -> 71 dpi
    EXPECT_EQ(fs::file_size(out / "builtin.bmp"), 14u + 40 + 512 * 384 * 4);
    ExpectTestImagePart(Reimport(out / "roundtrip.bmp").get(), 0, 0, 512, 384);
    ExpectTestImagePart(Reimport(out / "crop.bmp").get(), 224, 160, 256, 192);

    // Grey: each pixel's luminance; on import the ramp entry (g, g, g) goes
    // through the luminance once more.
    OwnedPixMap grey = Reimport(out / "grey.bmp");
    ASSERT_EQ(RZGetKWPixMapPixelType(grey.get()), PixelTypeGrey);
    OwnedPixMap blackWhite = Reimport(out / "bw.bmp");
    ASSERT_EQ(RZGetKWPixMapPixelType(blackWhite.get()), PixelTypeBlackWhite);
    int greyMismatches = 0, bitMismatches = 0;
    for (int y = 0; y < 384; ++y) {
        for (int x = 0; x < 512; ++x) {
            const double luminance = Luminance(TestImagePixel(x, y));
            const auto level = static_cast<unsigned char>(luminance);
            unsigned char pixel[4];
            RZGetKWPixMapPixel(grey.get(), x, y, pixel);
            greyMismatches += pixel[1] != static_cast<int>(Luminance({0, level, level, level}));
            RZGetKWPixMapPixel(blackWhite.get(), x, y, pixel);
            bitMismatches += pixel[1] != (luminance > 127.0 ? 255 : 0);
        }
    }
    EXPECT_EQ(greyMismatches, 0);
    EXPECT_EQ(bitMismatches, 0);

    OwnedPixMap filled = Reimport(out / "fill.bmp");
    unsigned char alpha = 0;
    EXPECT_TRUE(RZKWPixMapIsAllAlphaEqual(filled.get(), &alpha));
    unsigned char pixel[4];
    RZGetKWPixMapPixel(filled.get(), 255, 191, pixel);
    EXPECT_EQ(std::vector<int>(pixel, pixel + 4), (std::vector<int>{255, 0x33, 0x66, 0xCC}));
}

TEST_F(RzToolTest, CommandsReadTheFilesTheyWrite) {
    ASSERT_EQ(Run("roundtrip -o start.bmp").exitCode, 0);

    // Cropping a file takes the same part as cropping the built-in image.
    const RunResult crop = Run("crop start.bmp --rect 10,20,110,70 -o part.bmp");
    ASSERT_EQ(crop.exitCode, 0) << crop.output;
    ExpectTestImagePart(Reimport(directory_ / "part.bmp").get(), 10, 20, 100, 50);

    // A round trip of a file changes nothing but the resolution fields.
    ASSERT_EQ(Run("roundtrip start.bmp -o again.bmp").exitCode, 0);
    const auto first = ReadBytes(directory_ / "start.bmp");
    const auto second = ReadBytes(directory_ / "again.bmp");
    ASSERT_EQ(first.size(), second.size());
    EXPECT_TRUE(std::equal(first.begin() + 54, first.end(), second.begin() + 54));

    const RunResult fill = Run("fill part.bmp --colour=#102030 -o filled.bmp");
    ASSERT_EQ(fill.exitCode, 0) << fill.output;
    OwnedPixMap filled = Reimport(directory_ / "filled.bmp");
    unsigned char pixel[4];
    RZGetKWPixMapPixel(filled.get(), 99, 49, pixel);
    EXPECT_EQ(std::vector<int>(pixel, pixel + 4), (std::vector<int>{255, 0x10, 0x20, 0x30}));

    const RunResult info = Run("info part.bmp");
    ASSERT_EQ(info.exitCode, 0) << info.output;
    EXPECT_NE(info.output.find("BITMAPINFOHEADER"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("100 x 50, PixelTypeARGB"), std::string::npos) << info.output;
}

TEST_F(RzToolTest, BadFilesFailWithAMessage) {
    const RunResult missing = Run("info no-such-file.bmp");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("cannot open file"), std::string::npos) << missing.output;

    WriteBytes(directory_ / "text.bmp", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l',
                                         'd', ' ', 'a', 'n', 'd', ' ', 'm', 'o', 'r', 'e'});
    const RunResult text = Run("roundtrip text.bmp");
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_NE(text.output.find("not a BMP file"), std::string::npos) << text.output;
    EXPECT_FALSE(fs::exists(directory_ / "rztool-out" / "roundtrip.bmp"));

    ASSERT_EQ(Run("roundtrip -o good.bmp").exitCode, 0);
    auto bytes = ReadBytes(directory_ / "good.bmp");

    // Cut off in the middle of the pixel rows.
    WriteBytes(directory_ / "short.bmp", {bytes.begin(), bytes.begin() + 5000});
    const RunResult truncated = Run("crop short.bmp --rect 0,0,8,8");
    EXPECT_EQ(truncated.exitCode, 1);
    EXPECT_NE(truncated.output.find("cannot import"), std::string::npos) << truncated.output;

    // A header size the import does not take.
    bytes[14] = 124;
    WriteBytes(directory_ / "v5.bmp", bytes);
    const RunResult v5 = Run("info v5.bmp");
    EXPECT_EQ(v5.exitCode, 1);
    EXPECT_NE(v5.output.find("BITMAPV5HEADER"), std::string::npos) << v5.output;
}

TEST_F(RzToolTest, BadArgumentsAreUsageErrors) {
    EXPECT_EQ(Run("frobnicate").exitCode, 2);
    EXPECT_EQ(Run("crop").exitCode, 2);                    // no rectangle
    EXPECT_EQ(Run("crop --rect 0,0,513,10").exitCode, 2);  // wider than the image
    EXPECT_EQ(Run("crop --rect 10,10,10,20").exitCode, 2); // empty
    EXPECT_EQ(Run("fill --colour 256,0,0").exitCode, 2);
    EXPECT_EQ(Run("fill --colour").exitCode, 2); // no value
    EXPECT_EQ(Run("info --frobnicate 1").exitCode, 2);
    EXPECT_EQ(Run("info a.bmp b.bmp").exitCode, 2);
    EXPECT_EQ(Run("help").exitCode, 0);
    EXPECT_EQ(Run("crop --help").exitCode, 0);
}

} // namespace
