// RZCalcPixMapColorTable: worked values, the white cell, the cut-off,
// refusals, allocation failures, and a direct recount as oracle.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"
#include "support/LeakCheck.h"

namespace {

struct Element {
    int red, green, blue;
    bool operator==(const Element&) const = default;
};

// A descriptor that disposes of its elements.
struct Table {
    TVADescriptor d{};
    Table() { vaManager.init(&d); }
    ~Table() { vaManager.dispose(&d); }
    std::vector<Element> Elements() const {
        std::vector<Element> out;
        for (int i = 0; i < d.count; ++i) {
            std::uint16_t c[3];
            std::memcpy(c, *d.elements + 6 * i, 6);
            out.push_back({c[0], c[1], c[2]});
        }
        return out;
    }
};

struct Map {
    KWPixMap** h;
    Map(int w, int height, KWPixelType type = PixelTypeARGB)
        : h(RZCreateKWPixMap(w, height, 72, 72, type)) {}
    ~Map() { RZDeleteKWPixMap(h); }
    void Set(int x, int y, int r, int g, int b) {
        unsigned char* p = reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(h)) +
                           y * RZGetKWPixMapBytesPerRow(h) + 4 * x;
        p[0] = 0x77, p[1] = static_cast<unsigned char>(r), p[2] = static_cast<unsigned char>(g),
        p[3] = static_cast<unsigned char>(b);
    }
};

} // namespace

TEST(ColorTable, WorkedValues) {
    {
        Map map(3, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) map.Set(x, y, 255, 255, 255);
        Table t;
        EXPECT_EQ(RZCalcPixMapColorTable(map.h, 10, &t.d), 0);
        EXPECT_EQ(t.Elements(), (std::vector<Element>{{65280, 65280, 65280}}));
        EXPECT_EQ(t.d.elementSize, 6);
    }
    {
        // (255, 255, 254) is in cell 32767, apart from exact white.
        Map map(3, 1);
        map.Set(0, 0, 255, 255, 255);
        map.Set(1, 0, 255, 255, 254);
        map.Set(2, 0, 255, 255, 254);
        Table t;
        EXPECT_EQ(RZCalcPixMapColorTable(map.h, 10, &t.d), 0);
        EXPECT_EQ(t.Elements(),
                  (std::vector<Element>{{65280, 65280, 65024}, {65280, 65280, 65280}}));
    }
    {
        Map map(2, 1);
        map.Set(0, 0, 8, 0, 0);
        map.Set(1, 0, 15, 0, 0);
        Table t;
        EXPECT_EQ(RZCalcPixMapColorTable(map.h, 1, &t.d), 0);
        EXPECT_EQ(t.Elements(), (std::vector<Element>{{2944, 0, 0}}));
    }
}

TEST(ColorTable, CutOffKeepsTheMostPopulatedCellsAndTheirOwnPixels) {
    Map map(10, 1);
    // Cell A: 5 pixels, cell B: 3, cell C: 2 (C's pixels are near B's).
    for (int x = 0; x < 5; ++x) map.Set(x, 0, 100, 10 + x, 200);
    for (int x = 5; x < 8; ++x) map.Set(x, 0, 40, 40, 40);
    map.Set(8, 0, 48, 40, 40);
    map.Set(9, 0, 48, 40, 40);
    Table t;
    EXPECT_EQ(RZCalcPixMapColorTable(map.h, 2, &t.d), 0);
    // Green mean of A: (10 + 11 + 12 + 13 + 14) / 5 = 12, i.e. 3072.
    EXPECT_EQ(t.Elements(), (std::vector<Element>{{25600, 3072, 51200}, {10240, 10240, 10240}}));
}

TEST(ColorTable, EmptyMapsAndZeroColoursAppendNothing) {
    for (auto [w, h, maxColors] : {std::array<int, 3>{0, 5, 10}, {5, 0, 10}, {4, 4, 0}}) {
        Map map(w, h);
        Table t;
        EXPECT_EQ(RZCalcPixMapColorTable(map.h, static_cast<unsigned>(maxColors), &t.d), 0);
        EXPECT_EQ(t.d.count, 0);
        EXPECT_EQ(t.d.elementSize, 6);
    }
}

TEST(ColorTable, RefusesOtherPixelTypesAfterSettingUpTheArray) {
    for (KWPixelType type : {PixelTypeBlackWhite, PixelTypeGrey}) {
        Map map(4, 4, type);
        Table t;
        EXPECT_EQ(RZCalcPixMapColorTable(map.h, 10, &t.d), RZErrFailed);
        EXPECT_EQ(t.d.elementSize, 6);
        EXPECT_EQ(t.d.count, 0);
    }
    Table t;
    EXPECT_EQ(RZCalcPixMapColorTable(nullptr, 10, &t.d), RZErrFailed);
    EXPECT_EQ(t.d.elementSize, 6);
    KWPixMap* nullRecord = nullptr;
    EXPECT_EQ(RZCalcPixMapColorTable(&nullRecord, 10, &t.d), RZErrFailed);
    Map map(2, 2);
    EXPECT_EQ(RZCalcPixMapColorTable(map.h, 10, nullptr), RZErrFailed);
}

// Recount every cell directly and compare with the table, cell by cell; the
// counts are kept distinct so the order is fully determined.
TEST(ColorTable, MatchesADirectRecount) {
    std::mt19937 rng(11);
    const int w = 61, h = 37;
    Map map(w, h, PixelTypeARGBDirect);
    // 40 base colours, colour k used about k times; white among them.
    std::vector<std::array<int, 3>> bases;
    for (int k = 0; k < 40; ++k)
        bases.push_back({int(rng() & 255), int(rng() & 255), int(rng() & 255)});
    bases[7] = {255, 255, 255};
    std::map<int, std::pair<int, std::array<long, 3>>> cells; // key -> count, sums
    int i = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, ++i) {
            // Triangular numbers give colour k exactly k + 1 pixels, then
            // the rest goes to colour 39.
            int k = 0;
            while (k < 39 && (k + 1) * (k + 2) / 2 <= i) ++k;
            auto c = bases[k];
            if (c != std::array<int, 3>{255, 255, 255}) c[2] ^= static_cast<int>(rng() & 7);
            map.Set(x, y, c[0], c[1], c[2]);
            const int key = (c[0] & c[1] & c[2]) == 255
                                ? 32768
                                : (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | c[2] >> 3;
            auto& cell = cells[key];
            ++cell.first;
            for (int a = 0; a < 3; ++a) cell.second[a] += c[a];
        }
    std::vector<std::pair<int, Element>> expected;
    for (auto& entry : cells) {
        const auto& cell = entry.second;
        auto mean = [&](int a) {
            return int(std::trunc(cell.second[a] * (256.0 / cell.first) + 0.5));
        };
        expected.push_back({cell.first, {mean(0), mean(1), mean(2)}});
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](auto& a, auto& b) { return a.first > b.first; });
    ASSERT_GT(expected.size(), 30u);
    const unsigned maxColors = 30;
    // Only compare where the counts make the order unique.
    Table t;
    ASSERT_EQ(RZCalcPixMapColorTable(map.h, maxColors, &t.d), 0);
    const auto got = t.Elements();
    ASSERT_EQ(got.size(), maxColors);
    int compared = 0;
    for (unsigned k = 0; k < maxColors; ++k) {
        const bool unique =
            (k == 0 || expected[k - 1].first != expected[k].first) &&
            (k + 1 >= expected.size() || expected[k + 1].first != expected[k].first);
        if (!unique) continue;
        EXPECT_EQ(got[k], expected[k].second) << "element " << k;
        ++compared;
    }
    EXPECT_GT(compared, 10);
}

TEST(ColorTable, EveryAllocationFailureGivesFailedAndLeavesNothing) {
    Map map(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) map.Set(x, y, 30 * x, 30 * y, 90);
    short result = 0;
    std::vector<Element> elements;
    const int allocations = rztest::SweepAllocationFailures(
        [&] {
            Table t;
            result = RZCalcPixMapColorTable(map.h, 16, &t.d);
            elements = t.Elements();
        },
        [&](int) {
            EXPECT_EQ(result, RZErrFailed);
            EXPECT_TRUE(elements.empty());
        });
    EXPECT_EQ(allocations, 3); // bins, sums, element block
    EXPECT_EQ(result, 0);
    EXPECT_EQ(elements.size(), 16u);
}
