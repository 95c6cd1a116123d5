// The lookup cube builder against brute-force searches with the same
// distances, the pinning of black and white, and the argument checks.
#include <array>
#include <cstdio>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "HsvConversion.h"
#include "InverseColorMap.h"
#include "StandardPalettes.h"
#include "support/LeakCheck.h"

using namespace rz::color;

namespace {

constexpr int kCells = 32768;

std::vector<RGBQUAD> Palette16() {
    return {kStandardPalette16.begin(), kStandardPalette16.end()};
}

// Every cell: the entry of least distance, ties to the lower index. The
// distance per axis is (c - 8k - 4)^2 plus 2c - 7 (HSV, whole component) or
// 2(c mod 8) - 7 (RGB, low bits only).
std::vector<std::uint8_t> BruteForceCube(const std::vector<RGBQUAD>& palette, bool hsv) {
    // axis[i][a][k]: entry i's distance term on axis a at cell k.
    std::vector<std::array<std::array<long, 32>, 3>> axis(palette.size());
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const RGBQUAD& q = palette[i];
        int comps[3] = {q.rgbRed, q.rgbGreen, q.rgbBlue};
        if (hsv) {
            const Hsv c = RgbToHsv(q.rgbRed, q.rgbGreen, q.rgbBlue);
            comps[0] = c.h, comps[1] = c.s, comps[2] = c.v;
        }
        for (int a = 0; a < 3; ++a)
            for (int k = 0; k < 32; ++k) {
                const int c = comps[a];
                const long diff = c - 8 * k - 4;
                axis[i][a][k] = diff * diff + 2 * (hsv ? c : c % 8) - 7;
            }
    }
    std::vector<std::uint8_t> cube(kCells);
    for (int cell = 0; cell < kCells; ++cell) {
        const int k1 = cell >> 10, k2 = (cell >> 5) & 31, k3 = cell & 31;
        long best = -1;
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const long d = axis[i][0][k1] + axis[i][1][k2] + axis[i][2][k3];
            if (best < 0 || d < best) {
                best = d;
                cube[cell] = static_cast<std::uint8_t>(i);
            }
        }
    }
    return cube;
}

std::vector<std::uint8_t> Build(const std::vector<RGBQUAD>& palette) {
    std::vector<std::uint8_t> cube(kCells, 0);
    EXPECT_NE(
        BuildColorCube(static_cast<std::int16_t>(palette.size()), palette.data(), 5, cube.data()),
        0);
    return cube;
}

RGBQUAD Rgb(int r, int g, int b) {
    return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

std::vector<RGBQUAD> RandomPalette(std::mt19937& rng, int count) {
    std::vector<RGBQUAD> palette(count);
    for (RGBQUAD& q : palette) q = Rgb(rng() & 255, rng() & 255, rng() & 255);
    return palette;
}

// Cells the search and brute force disagree on, leaving out the two pinned
// corners.
int Disagreements(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    int n = 0;
    for (int cell = 1; cell < kCells - 1; ++cell) n += a[cell] != b[cell];
    return n;
}

} // namespace

TEST(HsvConversion, PrimariesGreysAndTruncation) {
    auto hsv = [](int r, int g, int b) {
        const Hsv c = RgbToHsv(r, g, b);
        return std::array<int, 3>{c.h, c.s, c.v};
    };
    EXPECT_EQ(hsv(255, 0, 0), (std::array<int, 3>{0, 255, 255}));
    EXPECT_EQ(hsv(0, 255, 0), (std::array<int, 3>{85, 255, 255}));
    EXPECT_EQ(hsv(0, 0, 255), (std::array<int, 3>{170, 255, 255}));
    EXPECT_EQ(hsv(0, 0, 0), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(hsv(77, 77, 77), (std::array<int, 3>{0, 0, 77}));
    // Red maximum, blue above green: 40 * (0 - 10) / 200 = -2, +240 = 238,
    // 238 * 256 / 240 = 253.
    EXPECT_EQ(hsv(210, 10, 20), (std::array<int, 3>{253, 200 * 255 / 210, 210}));
    // Ties test red first: (255, 255, 0) is hue 40 * 255 / 255 = 40 -> 42.
    EXPECT_EQ(hsv(255, 255, 0)[0], 42);
    // Magenta: blue ties red, red wins: 40 * (0 - 255) / 255 = -40 -> 200 -> 213.
    EXPECT_EQ(hsv(255, 0, 255)[0], 213);
}

TEST(HsvCube, WorkedExamples) {
    const std::vector<RGBQUAD> bw = {Rgb(0, 0, 0), Rgb(255, 255, 255)};
    const std::vector<std::uint8_t> cube2 = Build(bw);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(cube2[HsvCubeKey(v, v, v)], v <= 127 ? 0 : 1) << "grey " << v;

    const std::vector<std::uint8_t> cube16 = Build(Palette16());
    EXPECT_EQ(cube16[HsvCubeKey(255, 0, 0)], 9);
    EXPECT_EQ(cube16[HsvCubeKey(128, 0, 0)], 1);
    EXPECT_EQ(cube16[HsvCubeKey(255, 128, 0)], 9);
    EXPECT_EQ(cube16[HsvCubeKey(100, 100, 100)], 8);
    EXPECT_EQ(cube16[HsvCubeKey(250, 250, 250)], 15);
    // Hue does not wrap: hue byte 250 is far from red's 0.
    const std::vector<RGBQUAD> hues = {Rgb(255, 0, 0), Rgb(255, 0, 255)};
    const std::vector<std::uint8_t> cubeHue = Build(hues);
    EXPECT_EQ(cubeHue[(250 >> 3) << 10 | 31 << 5 | 31], 1);
}

TEST(HsvCube, MatchesBruteForceOnStandardAndRandomPalettes) {
    EXPECT_EQ(Build(Palette16()), BruteForceCube(Palette16(), true));
    std::mt19937 rng(7);
    for (int trial = 0; trial < 40; ++trial) {
        const auto palette = RandomPalette(rng, 1 + trial % 16);
        ASSERT_EQ(Build(palette), BruteForceCube(palette, true)) << "trial " << trial;
    }
}

TEST(RgbCube, StandardPaletteMatchesBruteForce) {
    const std::vector<RGBQUAD> palette(kStandardPalette256.begin(), kStandardPalette256.end());
    const std::vector<std::uint8_t> cube = Build(palette);
    const std::vector<std::uint8_t> brute = BruteForceCube(palette, false);
    EXPECT_EQ(Disagreements(cube, brute), 0);
    EXPECT_EQ(cube[0], 0);
    EXPECT_EQ(cube[kCells - 1], 1);
}

// The outward search assumes each entry's region is found by walking out
// from its own cell; with the per-entry offset of the distance some cells
// can be missed. Counts how often that happens on random palettes.
TEST(RgbCube, RandomPalettesAgainstBruteForce) {
    std::mt19937 rng(2024);
    int palettesAgreeing = 0, palettes = 0;
    long cellsDisagreeing = 0, cells = 0;
    for (int trial = 0; trial < 120; ++trial) {
        const int count = 17 + static_cast<int>(rng() % 240);
        const auto palette = RandomPalette(rng, count);
        const int bad = Disagreements(Build(palette), BruteForceCube(palette, false));
        ++palettes;
        palettesAgreeing += bad == 0;
        cellsDisagreeing += bad;
        cells += kCells - 2;
    }
    std::printf("RGB search vs brute force: %d of %d random palettes agree on every cell; "
                "%ld of %ld cells differ\n",
                palettesAgreeing, palettes, cellsDisagreeing, cells);
    RecordProperty("PalettesAgreeing", palettesAgreeing);
    RecordProperty("CellsDisagreeing", static_cast<int>(cellsDisagreeing));
    // Misses are rare boundary cells, never whole regions.
    EXPECT_LT(cellsDisagreeing, cells / 200);
}

TEST(RgbCube, PinsFirstBlackAndLastWhite) {
    std::mt19937 rng(5);
    auto palette = RandomPalette(rng, 256);
    palette[5] = Rgb(255, 255, 255);
    palette[200] = Rgb(255, 255, 255);
    palette[3] = Rgb(0, 0, 0);
    palette[9] = Rgb(0, 0, 0);
    const std::vector<std::uint8_t> cube = Build(palette);
    EXPECT_EQ(cube[kCells - 1], 200);
    EXPECT_EQ(cube[0], 3);

    // Without pure black the search's own choice stays in cell 0.
    auto noBlack = RandomPalette(rng, 40);
    for (RGBQUAD& q : noBlack)
        if (q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0) q.rgbRed = 1;
    noBlack[0] = Rgb(1, 2, 3);
    std::vector<std::uint8_t> searched(kCells, 0);
    std::vector<std::uint32_t> distances(kCells);
    SearchRgbCube(40, noBlack.data(), 5, distances.data(), searched.data());
    EXPECT_EQ(Build(noBlack)[0], searched[0]);
    EXPECT_EQ(searched[0], 0); // (1, 2, 3) owns the black corner
}

TEST(RgbCube, SixteenEntriesUseHsvSeventeenUseRgbWithPinning) {
    // Sixteen entries: the HSV cube, exactly brute force, no pinning.
    std::vector<RGBQUAD> sixteen = Palette16();
    sixteen[3] = Rgb(255, 255, 255); // an earlier white; HSV keeps the tie order
    EXPECT_EQ(Build(sixteen), BruteForceCube(sixteen, true));
    std::vector<RGBQUAD> seventeen = Palette16();
    seventeen.push_back(Rgb(255, 255, 255));
    const std::vector<std::uint8_t> cube = Build(seventeen);
    EXPECT_EQ(cube[kCells - 1], 16); // last white pinned
    EXPECT_EQ(cube[RgbCubeKey(200, 10, 10)], 9);
}

TEST(CubeBuild, RefusesBadArgumentsAndSurvivesAllocationFailure) {
    std::vector<std::uint8_t> cube(kCells, 0xAB);
    std::vector<RGBQUAD> palette(257, Rgb(1, 2, 3));
    EXPECT_EQ(BuildColorCube(257, palette.data(), 5, cube.data()), 0);
    EXPECT_EQ(BuildColorCube(16, palette.data(), 6, cube.data()), 0);
    EXPECT_EQ(BuildColorCube(16, palette.data(), 2, cube.data()), 0);
    EXPECT_EQ(BuildColorCube(16, nullptr, 5, cube.data()), 0);
    EXPECT_EQ(BuildColorCube(16, palette.data(), 5, nullptr), 0);
    EXPECT_EQ(cube, std::vector<std::uint8_t>(kCells, 0xAB));
    // No entries: success, nothing written.
    EXPECT_NE(BuildColorCube(0, palette.data(), 5, cube.data()), 0);
    EXPECT_EQ(cube, std::vector<std::uint8_t>(kCells, 0xAB));
    // Smaller cubes build too; their cells are 32 or 16 units wide.
    std::vector<std::uint8_t> small(1 << 9, 0);
    const std::vector<RGBQUAD> p16 = Palette16();
    EXPECT_NE(BuildColorCube(16, p16.data(), 3, small.data()), 0);
    EXPECT_EQ(small[0 << 6 | (255 >> 5) << 3 | (255 >> 5)], 9); // HSV cell of pure red

    int result = -1;
    const int allocations = rztest::SweepAllocationFailures(
        [&] { result = BuildColorCube(256, palette.data(), 5, cube.data()); },
        [&](int) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(cube, std::vector<std::uint8_t>(kCells, 0xAB));
        });
    EXPECT_EQ(allocations, 1);
}
