// RZCalcPixMapColorTable: worked values, the white cell, neighbouring cells,
// the cut-off, the rows read, refusals, allocation failures, and a direct
// recount as oracle.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "RZ/KWPixMap"
#include "support/LeakCheck.h"
#include "support/PixMaps.h"

namespace {

using Result = std::pair<short, std::vector<int>>; // code; red, green, blue of each element

// The table of map, appended to a fresh array that is set up for 6-byte
// elements, growing by 10, whatever the outcome.
Result Calc(KWPixMap** map, unsigned maxColors) {
    TVADescriptor d{};
    vaManager.init(&d);
    const short code = RZCalcPixMapColorTable(map, maxColors, &d);
    EXPECT_EQ(std::pair(d.growBy, d.elementSize), std::pair(10, 6));
    std::vector<std::uint16_t> c(3 * std::size_t(d.count));
    if (!c.empty()) std::memcpy(c.data(), *d.elements, 2 * c.size());
    vaManager.dispose(&d);
    return {code, {c.begin(), c.end()}};
}

struct Map {
    KWPixMap** h;
    Map(int w, int height, KWPixelType type = PixelTypeARGB)
        : h(RZCreateKWPixMap(w, height, 72, 72, type)) {}
    ~Map() { RZDeleteKWPixMap(h); }
    void Set(std::size_t x, int y, int r, int g, int b) {
        unsigned char* p = rztest::Row(h, y) + 4 * x;
        p[0] = 0x77, p[1] = std::uint8_t(r), p[2] = std::uint8_t(g), p[3] = std::uint8_t(b);
    }
};

} // namespace

TEST(ColorTable, WorkedValues) {
    // Pixels as runs of (red, green, blue, count) along one row; elements as
    // (red, green, blue) in table order.
    const struct {
        unsigned maxColors;
        std::vector<int> runs, elements;
    } cases[] = {
        {10, {255, 255, 255, 3}, {65280, 65280, 65280}},
        // (255, 255, 254) is in cell 32767, apart from exact white.
        {10, {255, 255, 255, 1, 255, 255, 254, 2}, {65280, 65280, 65024, 65280, 65280, 65280}},
        // One cell: red trunc(23 x 128 + 0.5).
        {1, {8, 0, 0, 1, 15, 0, 0, 1}, {2944, 0, 0}},
        // Neighbouring cells on each axis stay apart.
        {10,
         {0, 0, 0, 4, 8, 0, 0, 3, 0, 8, 0, 2, 0, 0, 8, 1},
         {0, 0, 0, 2048, 0, 0, 0, 2048, 0, 0, 0, 2048}},
        // Only the two most populated cells, each the mean of its own pixels:
        // (48, 40, 40) does not join the grey cell.
        {2,
         {100, 10, 200, 2, 100, 14, 200, 3, 40, 40, 40, 3, 48, 40, 40, 2},
         {25600, 3174, 51200, 10240, 10240, 10240}},
        {0, {1, 2, 3, 1}, {}},
        {10, {}, {}}};
    for (const auto& k : cases) {
        int width = 0;
        for (std::size_t i = 3; i < k.runs.size(); i += 4) width += k.runs[i];
        // A second row of other pixels, hidden by the header: only the rows of
        // the bounds count.
        Map map(width, 2);
        for (std::size_t i = 0, x = 0; i < k.runs.size(); i += 4)
            for (int n = 0; n < k.runs[i + 3]; ++n, ++x)
                map.Set(x, 0, k.runs[i], k.runs[i + 1], k.runs[i + 2]), map.Set(x, 1, 15, 0, 0);
        for (std::uint32_t rows : {1u, 0u}) {
            (*map.h)->height = rows;
            EXPECT_EQ(Calc(map.h, k.maxColors), Result(0, rows ? k.elements : std::vector<int>{}))
                << "case " << &k - cases;
        }
    }
}

// Recounts every cell directly. Colour k's pixels (blue varied in its low
// three bits) fall into one cell of k + 1 pixels, the last colour's into one
// of the rest, so no two counts tie and the order is fixed.
TEST(ColorTable, MatchesADirectRecount) {
    std::mt19937 rng(11);
    const int w = 61, h = 37;
    Map map(w, h, PixelTypeARGBDirect);
    std::vector<int> bases(120);
    for (int& c : bases) c = static_cast<int>(rng() & 255);
    bases[21] = bases[22] = bases[23] = 255;    // colour 7 is white
    std::map<int, std::array<double, 4>> cells; // key: count, red, green, blue sums
    for (int i = 0, k = 0; i < w * h; ++i) {
        if (k < 39 && (k + 1) * (k + 2) / 2 <= i) ++k;
        const int r = bases[3 * k], g = bases[3 * k + 1];
        const int b = bases[3 * k + 2] ^ (k == 7 ? 0 : static_cast<int>(rng() & 7));
        map.Set(i % w, i / w, r, g, b);
        auto& cell = cells[k == 7 ? 32768 : (r >> 3) << 10 | (g >> 3) << 5 | b >> 3];
        cell[0] += 1, cell[1] += r, cell[2] += g, cell[3] += b;
    }
    std::vector<std::array<double, 4>> sorted;
    for (const auto& entry : cells) sorted.push_back(entry.second);
    std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a[0] > b[0]; });
    std::vector<int> expected;
    for (int k = 0; k < 30; ++k)
        for (int a = 1; a < 4; ++a)
            expected.push_back(
                static_cast<int>(std::trunc(sorted[k][a] * (256.0 / sorted[k][0]) + 0.5)));
    EXPECT_EQ(Calc(map.h, 30), Result(0, expected));
}

// Failures return RZErrFailed and append nothing: other pixel types and null
// handles (after the array is set up).
TEST(ColorTable, FailuresAppendNothing) {
    Map map(8, 8), bw(4, 4, PixelTypeBlackWhite), grey(4, 4, PixelTypeGrey);
    KWPixMap* nullRecord = nullptr;
    for (KWPixMap** h : {bw.h, grey.h, static_cast<KWPixMap**>(nullptr), &nullRecord})
        EXPECT_EQ(Calc(h, 10), Result(RZErrFailed, {}));
    EXPECT_EQ(RZCalcPixMapColorTable(map.h, 10, nullptr), RZErrFailed);
}
