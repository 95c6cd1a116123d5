// The row quantiser on its own: the diffusion tables against the rule they
// come from, the impulse response of each place in both directions, error
// truncation, packing and the serpentine direction.
#include <array>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "JjnWeights.h"
#include "RowQuantizer.h"
#include "StandardPalettes.h"

using namespace rz::color;

namespace {

constexpr int kKernel[3][5] = {{0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}};

// The tables derived from the full kernel for a pixel at place p of a row
// of n: outside weights move to the nearest position inside on the same
// error row, and are dropped when that is the pixel itself on the current
// row. Result indexed like kJjnWeights.
std::array<std::array<int, 5>, 3> DerivedWeights(int position, int n) {
    std::array<std::array<int, 5>, 3> w{};
    for (int row = 0; row < 3; ++row)
        for (int k = 0; k < 5; ++k) {
            int target = position + k - 2;
            target = target < 0 ? 0 : target >= n ? n - 1 : target;
            if (row == 0 && target == position) continue;
            w[row][target - position + 2] += kKernel[row][k];
        }
    return w;
}

// The direction the next QuantiseRow call will scan in.
int UpcomingDirection() {
    const int upcoming = NextScanDirection();
    NextScanDirection();
    return upcoming;
}

struct RowSetup {
    int width;
    std::vector<std::uint8_t> work;
    std::vector<std::int32_t> errors;
    ErrorRows rows;
    std::vector<std::uint8_t> target;
    explicit RowSetup(int w)
        : width(w), work(4 * w, 0),
          errors(9 * w, 0), rows{errors.data(), errors.data() + 3 * w, errors.data() + 6 * w},
          target(w + 8, 0xEE) {}
};

} // namespace

TEST(JjnWeights, TablesFollowTheNearestInsideRule) {
    const int n = 9;
    const int placeOf[n] = {kPlaceFirst,    kPlaceSecond,       kPlaceInterior,
                            kPlaceInterior, kPlaceInterior,     kPlaceInterior,
                            kPlaceInterior, kPlaceSecondToLast, kPlaceLast};
    for (int x = 0; x < n; ++x) {
        const auto derived = DerivedWeights(x, n);
        int sum = 0;
        for (int row = 0; row < 3; ++row)
            for (int k = 0; k < 5; ++k) {
                EXPECT_EQ(kJjnWeights[placeOf[x]][row][k], derived[row][k])
                    << "place " << x << " row " << row << " offset " << k - 2;
                sum += kJjnWeights[placeOf[x]][row][k];
            }
        EXPECT_EQ(sum, x == n - 1 ? 36 : 48) << "place " << x;
    }
}

// One pixel off its palette colour by a small error: its weights land on the
// next two rows exactly as the table says, in scan direction, and sum to 36
// times the error there (the 12 of the current row go to pixels ahead).
TEST(RowQuantiser, ImpulseResponseOfEveryPlaceInBothDirections) {
    const int width = 9;
    // A cube that maps everything to entry 0, black: the error is the pixel.
    std::vector<std::uint8_t> cube(32768, 0);
    const RGBQUAD* palette = kStandardPalette256.data();
    for (int pass = 0; pass < 2; ++pass)
        for (int x0 = 0; x0 < width; ++x0) {
            RowSetup s(width);
            s.work[4 * x0] = 1; // blue 1, green 2, red 3: 7/48 of it truncates to 0
            s.work[4 * x0 + 1] = 2;
            s.work[4 * x0 + 2] = 3;
            const int dir = UpcomingDirection();
            QuantiseRow(s.target.data(), 8, width, palette, s.work.data(), cube.data(), &s.rows,
                        true);
            const int place = dir > 0 ? x0 : width - 1 - x0;
            const auto expected = DerivedWeights(place, width);
            // After the row the old next row is current and the old
            // after-next row is next.
            for (int row = 1; row < 3; ++row) {
                const std::int32_t* got = row == 1 ? s.rows.current : s.rows.next;
                int total = 0;
                for (int x = 0; x < width; ++x) {
                    const int k = dir * (x - x0) + 2;
                    const int w = k >= 0 && k < 5 ? expected[row][k] : 0;
                    EXPECT_EQ(got[3 * x], w * 1);
                    EXPECT_EQ(got[3 * x + 1], w * 2);
                    EXPECT_EQ(got[3 * x + 2], w * 3);
                    total += got[3 * x];
                }
                EXPECT_EQ(total, row == 1 ? 23 : 13);
            }
            // The rotated-in row is clear.
            for (int i = 0; i < 3 * width; ++i) ASSERT_EQ(s.rows.afterNext[i], 0);
        }
}

TEST(RowQuantiser, CarriedErrorTruncatesTowardZero) {
    // Cube cell = red >> 3 on this palette-free check; rows of 5 carry the
    // error in but spread none out.
    std::vector<std::uint8_t> cube(32768);
    for (int cell = 0; cell < 32768; ++cell) cube[cell] = static_cast<std::uint8_t>(cell >> 10);
    const int width = 5;
    RowSetup s(width);
    for (int x = 0; x < width; ++x) s.work[4 * x + 2] = 16;
    const std::int32_t carried[width] = {-47, -48, 47, 48, -48 * 20};
    for (int x = 0; x < width; ++x) s.rows.current[3 * x + 2] = carried[x];
    QuantiseRow(s.target.data(), 8, width, kStandardPalette256.data(), s.work.data(), cube.data(),
                &s.rows, true);
    // 16 + 0, 16 - 1, 16 + 0, 16 + 1, clamp(16 - 20) = 0.
    const int expected[width] = {16 >> 3, 15 >> 3, 16 >> 3, 17 >> 3, 0};
    for (int x = 0; x < width; ++x) EXPECT_EQ(s.target[x], expected[x]) << x;
}

TEST(RowQuantiser, NarrowRowsSpreadNothingAndDirectionFlipsEveryRow) {
    std::vector<std::uint8_t> cube(32768, 0);
    for (int width = 1; width <= 5; ++width) {
        RowSetup s(width);
        for (int x = 0; x < width; ++x) s.work[4 * x] = s.work[4 * x + 1] = s.work[4 * x + 2] = 200;
        QuantiseRow(s.target.data(), 8, static_cast<std::int16_t>(width),
                    kStandardPalette256.data(), s.work.data(), cube.data(), &s.rows, true);
        for (std::int32_t e : s.errors) ASSERT_EQ(e, 0) << "width " << width;
    }
    const int first = UpcomingDirection();
    std::vector<std::uint8_t> target(4);
    std::vector<std::uint8_t> work(8);
    QuantiseRow(target.data(), 8, 2, kStandardPalette256.data(), work.data(), cube.data(), nullptr,
                false);
    EXPECT_EQ(UpcomingDirection(), -first);
}

TEST(RowQuantiser, PackingAndTwentyFourBitPassThrough) {
    std::vector<std::uint8_t> cube(32768);
    for (int cell = 0; cell < 32768; ++cell) cube[cell] = static_cast<std::uint8_t>(cell & 15);
    const int width = 11;
    RowSetup s(width);
    for (int x = 0; x < width; ++x) {
        s.work[4 * x] = static_cast<std::uint8_t>(8 * x); // value cell x when grey
        s.work[4 * x + 1] = static_cast<std::uint8_t>(8 * x);
        s.work[4 * x + 2] = static_cast<std::uint8_t>(8 * x);
    }
    // 4 bits: HSV key of grey 8x is cell x (hue 0, saturation 0).
    QuantiseRow(s.target.data(), 4, width, kStandardPalette16.data(), s.work.data(), cube.data(),
                nullptr, false);
    for (int x = 0; x < width; ++x)
        EXPECT_EQ(x % 2 ? s.target[x / 2] & 15 : s.target[x / 2] >> 4, x & 15) << x;
    // The row is cleared first: the padding byte of the 4-byte word is 0.
    EXPECT_EQ(s.target[6], 0);
    EXPECT_EQ(s.target[7], 0);
    EXPECT_EQ(s.target[8], 0xEE);

    // 1 bit: odd cells are white.
    QuantiseRow(s.target.data(), 1, width, kStandardPalette2.data(), s.work.data(), cube.data(),
                nullptr, false);
    EXPECT_EQ(s.target[0], 0b01010101);
    EXPECT_EQ(s.target[1], 0b01000000);

    // 24 bits: the pixels, dithering or not.
    std::vector<std::uint8_t> out(3 * width + 4, 0);
    QuantiseRow(out.data(), 24, width, nullptr, s.work.data(), nullptr, &s.rows, true);
    for (int x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(out[3 * x + c], s.work[4 * x + c]);
    for (std::int32_t e : s.errors) ASSERT_EQ(e, 0);
}
