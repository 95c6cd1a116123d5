// Runs rztool as a separate program and checks its exit codes, its messages
// and the BMP files it writes, re-imported here with RZDIB2KWPixMap.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "ImageFiles.h"
#include "PngFile.h"
#include "TestImage.h"
#include "support/PixMaps.h"

#if __has_include(<sys/wait.h>)
#include <sys/wait.h>
#define RZTEST_EXIT_STATUS(status) (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
#else
#define RZTEST_EXIT_STATUS(status) (status)
#endif

namespace {

namespace fs = std::filesystem;
using rztest::Colour;
using rztest::Pixel;
using rztool::OwnedPixMap;
using rztool::TestImagePixel;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

class RzToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // Unique per run: suites in other checkouts may run the same test at once.
        dir_ = fs::path(::testing::TempDir()) / ("rztool-" + std::string(info->name()) + "-" +
                                                 std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored; // see Run
        fs::remove_all(dir_, ignored);
    }

    // The exit code and the output, stdout and stderr together, or stderr
    // alone. Each run writes a file of its own: under Wine a tool that has
    // finished may hold its output file a moment longer.
    std::pair<int, std::string> Run(const std::string& arguments, bool errorsOnly = false) const {
        const std::string output = "output-" + std::to_string(++runs_) + ".txt";
        const std::string command = "cd \"" + dir_.string() + "\" && \"" RZTOOL_PATH "\" " +
                                    arguments + (errorsOnly ? " 2> " : " > ") + output +
                                    (errorsOnly ? "" : " 2>&1");
        const int status = std::system(command.c_str());
        return {RZTEST_EXIT_STATUS(status), Read(dir_ / output)};
    }

    // A BMP file the tool wrote: its file header checked, the DIB after it imported.
    OwnedPixMap Reimport(const std::string& name) const {
        const std::string bytes = Read(dir_ / name);
        OwnedPixMap map;
        if (bytes.size() < 54) {
            ADD_FAILURE() << name << " is too short";
            return map;
        }
        auto field = [&](std::size_t at, std::size_t size) {
            std::uint32_t value = 0;
            std::memcpy(&value, &bytes[at], size);
            return value;
        };
        const std::uint32_t bits = field(28, 2), table = bits <= 8 ? 4u << bits : 0;
        EXPECT_TRUE(bytes.starts_with("BM") && field(2, 4) == bytes.size()) << name;
        EXPECT_TRUE(field(14, 4) == 40 && field(10, 4) == 14 + 40 + table) << name;
        EXPECT_EQ(RZDIB2KWPixMap(&bytes[14], unsigned(bytes.size() - 14), map.out()), 0) << name;
        return map;
    }

    fs::path dir_;
    mutable int runs_ = 0;
};

// The luminance the pixel setter computes for a colour value; truncated,
// it is the grey level it stores.
double Luminance(const Colour& colour) {
    return (colour[2] * 0.587 + colour[1] * 0.299) + colour[3] * 0.114;
}

// Checks that map holds the test image's pixels from (left, top) on.
void ExpectTestImagePart(KWPixMap** map, int left, int top, int width, int height) {
    ASSERT_TRUE(map && RZGetKWPixMapPixelType(map) == PixelTypeARGB);
    ASSERT_EQ(RZGetKWPixMapWidth(map) * 1000 + RZGetKWPixMapHeight(map), width * 1000u + height);
    int mismatches = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            mismatches += Pixel(map, x, y) != TestImagePixel(left + x, top + y);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(RzToolTest, DemoWritesPicturesThatImportBack) {
    const auto [code, output] = Run("demo");
    ASSERT_EQ(code, 0) << output;
    EXPECT_TRUE(Has(output, "pictures are in")) << output;
    // The test image itself, exactly, at the resolution the DIB carries:
    // 72 dpi -> 2834 pixels per metre -> 71 dpi.
    OwnedPixMap builtin = Reimport("rztool-out/builtin.bmp");
    ExpectTestImagePart(builtin.get(), 0, 0, 512, 384);
    EXPECT_EQ(RZGetKWPixMapHResolution(builtin.get()), 71u);
    EXPECT_EQ(fs::file_size(dir_ / "rztool-out/builtin.bmp"), 14u + 40 + 512 * 384 * 4);
    ExpectTestImagePart(Reimport("rztool-out/roundtrip.bmp").get(), 0, 0, 512, 384);
    ExpectTestImagePart(Reimport("rztool-out/crop.bmp").get(), 224, 160, 256, 192);
    // Grey: each pixel's luminance, and on import the ramp entry (g, g, g)
    // goes through the luminance once more. Black and white: above 127.
    OwnedPixMap grey = Reimport("rztool-out/grey.bmp"), bw = Reimport("rztool-out/bw.bmp");
    ASSERT_EQ(RZGetKWPixMapPixelType(grey.get()) * 10 + RZGetKWPixMapPixelType(bw.get()), 32);
    int greyMismatches = 0, bitMismatches = 0;
    for (int x = 0, y = 0; y < 384; x = (x + 1) % 512, y += x == 0) {
        const double luminance = Luminance(TestImagePixel(x, y));
        const auto level = static_cast<unsigned char>(luminance);
        greyMismatches += Pixel(grey.get(), x, y)[1] != int(Luminance({0, level, level, level}));
        bitMismatches += Pixel(bw.get(), x, y)[1] != (luminance > 127.0 ? 255 : 0);
    }
    EXPECT_TRUE(greyMismatches == 0 && bitMismatches == 0)
        << greyMismatches << ", " << bitMismatches;
    OwnedPixMap filled = Reimport("rztool-out/fill.bmp");
    EXPECT_TRUE(RZKWPixMapIsAllAlphaEqual(filled.get(), nullptr));
    EXPECT_EQ(Pixel(filled.get(), 255, 191), (Colour{255, 0x33, 0x66, 0xCC}));
}

TEST_F(RzToolTest, CommandsReadTheFilesTheyWrite) {
    ASSERT_EQ(Run("roundtrip -o start.bmp").first, 0);
    // Cropping a file takes the same part as cropping the built-in image.
    const auto crop = Run("crop start.bmp --rect 10,20,110,70 part.bmp");
    ASSERT_EQ(crop.first, 0) << crop.second;
    ExpectTestImagePart(Reimport("part.bmp").get(), 10, 20, 100, 50);
    // A round trip of a file changes nothing but the resolution fields, on
    // the way through files, a pipe, standard input, a PNG file, or a file
    // with a V5 header (84 more bytes of header; the pixels after them).
    const std::string first = Read(dir_ / "start.bmp");
    std::string v5 = first.substr(0, 54) + std::string(84, '\0') + first.substr(54);
    v5[10] = char(138), v5[14] = char(124);
    std::ofstream(dir_ / "v5.bmp", std::ios::binary) << v5;
    const bool png = rztool::PngSupport() != "built without PNG support";
    const std::pair<const char*, const char*> trips[] = {
        {"roundtrip start.bmp again.bmp", "again.bmp"},
        {"roundtrip start.bmp - > piped.bmp", "piped.bmp"},
        {"roundtrip - from-stdin.bmp < start.bmp", "from-stdin.bmp"},
        {"roundtrip v5.bmp from-v5.bmp", "from-v5.bmp"},
        {png ? "roundtrip start.bmp --output=trip.png" : nullptr, nullptr},
        {png ? "roundtrip trip.png via-png.bmp" : nullptr, "via-png.bmp"}};
    for (const auto& [arguments, name] : trips) {
        if (arguments == nullptr) continue;
        ASSERT_EQ(Run(arguments, true).first, 0) << arguments;
        if (name == nullptr) continue;
        const std::string again = Read(dir_ / name);
        EXPECT_TRUE(first.size() == again.size() && first.substr(54) == again.substr(54)) << name;
    }
    ASSERT_EQ(Run("fill part.bmp --colour=#102030 -o filled.bmp").first, 0);
    EXPECT_EQ(Pixel(Reimport("filled.bmp").get(), 99, 49), (Colour{255, 0x10, 0x20, 0x30}));
    const auto info = Run("info part.bmp");
    EXPECT_TRUE(info.first == 0 && Has(info.second, "BITMAPINFOHEADER") &&
                Has(info.second, "100 x 50, PixelTypeARGB"))
        << info.second;
    // A reduced picture as a palette PNG holds the colours of its BMP file.
    if (!png) return;
    ASSERT_EQ(Run("convert --bits 4 --dither yes -o reduced.bmp").first, 0);
    ASSERT_EQ(Run("convert --bits 4 --dither yes -o reduced.png").first, 0);
    const OwnedPixMap fromPng = rztool::LoadImageFile((dir_ / "reduced.png").string());
    EXPECT_TRUE(rztest::PixelsOf(fromPng.get()) == rztest::PixelsOf(Reimport("reduced.bmp").get()));
}

// The rendering commands place the picture where the library says: a
// stretch of a rectangle is the library's stretch of that rectangle, and
// with our GDI+ quarter turns land whole pixels (mirrored, a transpose) and
// a 1:1 draw onto a 32-bit device is the picture itself.
TEST_F(RzToolTest, RenderingCommandsPlaceThePicture) {
    ASSERT_EQ(Run("rotate --degrees 90 -o turned.bmp").first, 0);
    ASSERT_EQ(Run("rotate --degrees 90 --mirror -o mirrored.bmp").first, 0);
    ASSERT_EQ(Run("draw --depth 32 -o drawn.bmp").first, 0);
    const auto stretch = Run("stretch --rect 10,20,138,116 --size 200x150 -o stretched.bmp");
    ASSERT_EQ(stretch.first, 0) << stretch.second;
    const OwnedPixMap turned = Reimport("turned.bmp"), mirrored = Reimport("mirrored.bmp");
    ASSERT_TRUE(RZGetKWPixMapWidth(turned.get()) == 384 &&
                RZGetKWPixMapHeight(turned.get()) == 512);
    ASSERT_TRUE(RZGetKWPixMapWidth(mirrored.get()) == 384);
    // Exact whole-pixel placement is our GDI+'s promise; another may filter.
#if !defined(_WIN32)
    int misplaced = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 384; ++x)
            misplaced += (Pixel(turned.get(), x, y) != TestImagePixel(511 - y, x)) +
                         (Pixel(mirrored.get(), x, y) != TestImagePixel(y, x));
    EXPECT_EQ(misplaced, 0);
    ExpectTestImagePart(Reimport("drawn.bmp").get(), 0, 0, 512, 384);
#endif
    const OwnedPixMap image = rztool::MakeTestImage();
    OwnedPixMap expected(RZCreateKWPixMap(200, 150, 72, 72, PixelTypeARGB));
    const KWRect part{20, 10, 116, 138}, all{0, 0, 150, 200};
    ASSERT_EQ(RZStretchKWPixMap(image.get(), expected.get(), &part, &all, 0), 0);
    EXPECT_TRUE(rztest::PixelsOf(Reimport("stretched.bmp").get()) ==
                rztest::PixelsOf(expected.get()));
}

// Failures name the file and the system's reason, say "too large" when the
// refusal is about size, and leave nothing behind; bad arguments are usage
// errors (exit code 2), and help and the version succeed.
TEST_F(RzToolTest, BadFilesAndArgumentsFailWithAMessage) {
    ASSERT_EQ(Run("roundtrip -o good.bmp").first, 0);
    std::string good = Read(dir_ / "good.bmp"), wide = good;
    wide.replace(18, 4, "\x40\x9C\x00\x00", 4); // 40000 pixels wide
    std::ofstream(dir_ / "text.bmp", std::ios::binary) << "hello world and more";
    std::ofstream(dir_ / "short.bmp", std::ios::binary) << good.substr(0, 5000); // cut in the rows
    std::ofstream(dir_ / "wide.bmp", std::ios::binary) << wide;
    std::ofstream(dir_ / "short.png", std::ios::binary) << "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR";
    const bool png = rztool::PngSupport() != "built without PNG support";
    const std::pair<const char*, const char*> cases[] = {
        // arguments, what the message says
        {"info no-such-file.bmp", "cannot open no-such-file.bmp: No such file or directory"},
        {"roundtrip text.bmp", "text.bmp: not a BMP or PNG file (starts with bytes 68 65)"},
        {"crop short.bmp --rect 0,0,8,8", "cannot import"},
        {"info wide.bmp", "wide.bmp: too large"},
        {"stretch --size 100000x100000", "too large"},
        {"roundtrip good.bmp missing/out.bmp",
         "cannot create missing/out.bmp: No such file or directory"},
        {"info short.png", png ? "short.png: cannot read the PNG file" : "without PNG support"},
        {png ? "roundtrip good.bmp missing/out.png" : "roundtrip -o out.png",
         png ? "cannot create missing/out.png" : "without PNG support"}};
    for (const auto& [arguments, message] : cases) {
        const auto [code, output] = Run(arguments);
        EXPECT_TRUE(code == 1 && Has(output, message)) << arguments << ": " << output;
    }
    // No rectangle, one wider than the image, an empty one; a colour channel
    // beyond 255, no colour; unknown options and too many files; two
    // outputs; outputs of no known format.
    for (const char* arguments :
         {"frobnicate", "crop", "crop --rect 0,0,513,10", "crop --rect 10,10,10,20",
          "fill --colour 256,0,0", "fill --colour", "info --frobnicate 1", "info a.bmp b.bmp",
          "roundtrip a.bmp b.bmp -o c.bmp", "roundtrip -o x.jpg", "roundtrip --format gif"})
        EXPECT_EQ(Run(arguments).first, 2) << arguments;
    EXPECT_TRUE(Run("help").first == 0 && Run("crop --help").first == 0);
    const auto version = Run("--version");
    EXPECT_TRUE(version.first == 0 && Has(version.second, "rztool " RZTOOL_VERSION));
    EXPECT_FALSE(fs::exists(dir_ / "rztool-out" / "roundtrip.bmp") || fs::exists(dir_ / "missing"));
}

// Where the import rules change a picture in a way its owner would not
// guess, and where an option does nothing, one warning line says so and the
// command still succeeds.
TEST_F(RzToolTest, SurprisesGetOneWarningLine) {
    const fs::path corpus = RZ_BMP_CORPUS_DIR;
    if (!fs::is_directory(corpus / "g")) GTEST_SKIP() << "no BMP corpus at " << corpus;
    const std::pair<std::string, const char*> cases[] = {
        {"g/pal8.bmp", "the 8-bit colour palette was imported as an 8-bit grey map"},
        {"g/pal1bg.bmp", "the 1-bit palette (#4040FF and #40FF40) was imported as black and white"},
        {"q/pal2.bmp", "the import does not decode 2-bit pixels: the picture comes out black"},
        {"q/rgba32-1.bmp", "the alpha channel was dropped"},
        {"g/pal8gs.bmp", nullptr},
        {"g/pal1wb.bmp", nullptr},
        {"q/rgb32h52.bmp", nullptr},
        {"--bits 4 --palette standard", "--palette has no effect at 4 bits"},
        {"--bits 24 --dither yes", "--dither has no effect at 24 bits"},
        {"--bits 8 --palette standard", nullptr}};
    for (const auto& [input, warning] : cases) {
        const std::string arguments = input.starts_with("--")
                                          ? "convert " + input
                                          : "info \"" + (corpus / input).string() + "\"";
        const auto [code, output] = Run(arguments);
        const auto first = output.find("warning:");
        EXPECT_TRUE(code == 0 && (warning ? Has(output, warning) : first == std::string::npos) &&
                    output.find("warning:", first + 1) == std::string::npos)
            << arguments << ": " << output;
    }
}

} // namespace
