// Resampled draws against a brute-force reference written from the filter
// definitions: for each target pixel centre, the inverse-mapped source point
// and the normalised kernel weights of every source pixel, in double
// precision, with mirrored edges and colours weighted by their alpha.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/GdiFixtures.h"

using namespace Gdiplus;

namespace {

// The kernels: the nearest pixel, the triangle and Catmull-Rom's cubic.
double Kernel(InterpolationMode mode, double x) {
    const double a = std::fabs(x);
    if (mode == InterpolationModeNearestNeighbor) return x >= -0.5 && x < 0.5;
    if (mode == InterpolationModeBilinear) return std::max(0.0, 1 - a);
    return a <= 1  ? 1.5 * a * a * a - 2.5 * a * a + 1
           : a < 2 ? -0.5 * a * a * a + 2.5 * a * a - 4 * a + 2
                   : 0;
}
int Mirror(int i, int n) {
    while (i < 0 || i >= n) i = i < 0 ? -1 - i : 2 * n - 1 - i;
    return i;
}

TEST(ResamplerReference, FiltersTurnedScaledAndMirrored) {
    const struct {
        int width, height; // of the source
        Rect target;
        double degrees; // turn about the world origin, then (dx, dy)
        float dx, dy;
        InterpolationMode mode;
    } cases[] = {
        {9, 7, Rect(0, 0, 9, 7), 30, 20, 5, InterpolationModeBilinear},
        // 3 -> 17 across (enlarged), 30 -> 9 down (shrunk, kernel widened).
        {3, 30, Rect(4, 6, 17, 9), 0, 0, 0, InterpolationModeHighQualityBicubic},
        {24, 20, Rect(0, 0, 12, 10), 25, 18, 4, InterpolationModeHighQualityBicubic},
        {11, 5, Rect(30, 3, -22, 15), 0, 0, 0, InterpolationModeBicubic},
        {9, 7, Rect(2, 1, 13, 11), -35, 6, 16, InterpolationModeNearestNeighbor},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", " << c.degrees << " degrees");
        std::mt19937 random(42);
        rztest::ArgbBitmap source(c.width, c.height), target(40, 40);
        for (auto& p : source.pixels) p = std::uint32_t(random()) | 0x80000000u; // alpha >= 128
        const double radians = c.degrees * std::numbers::pi / 180;
        const float m11 = float(std::cos(radians)), m12 = float(std::sin(radians));
        ASSERT_EQ(rztest::Draw(target, source.bitmap, c.target,
                               {.interpolation = c.mode, .m = {m11, m12, -m12, m11, c.dx, c.dy}}),
                  Ok);
        // Source (u, v) -> device (a u + b v + e, p u + q v + f).
        const double sx = double(c.target.Width) / c.width, sy = double(c.target.Height) / c.height;
        const double a = sx * m11, b = -sy * m12, p = sx * m12, q = sy * m11, det = a * q - b * p;
        const double e = c.target.X * m11 - c.target.Y * m12 + c.dx;
        const double f = c.target.X * m12 + c.target.Y * m11 + c.dy;
        // Shrinking widens the kernel of the high quality mode.
        const double widen = c.mode == InterpolationModeHighQualityBicubic ? 1 : 1e300;
        const double scaleU = std::min(1.0, widen * std::hypot(a, p)),
                     scaleV = std::min(1.0, widen * std::hypot(b, q));
        int compared = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const double dx = x + 0.5 - e, dy = y + 0.5 - f;
                const double u = (q * dx - b * dy) / det, v = (a * dy - p * dx) / det;
                const std::uint32_t got = target.At(x, y);
                // Centres this close to an edge or a pixel boundary may go either way.
                constexpr double kMargin = 1e-4;
                if (std::min(u, v) < -kMargin || u >= c.width + kMargin ||
                    v >= c.height + kMargin) {
                    ASSERT_EQ(got, 0u) << "outside the rectangle at " << x << "," << y;
                    continue;
                }
                if (std::min(std::fabs(u - std::round(u)), std::fabs(v - std::round(v))) < kMargin)
                    continue;
                double sum[3] = {0, 0, 0}, alpha = 0, total = 0;
                const int i0 = int(std::floor(u - 0.5)), j0 = int(std::floor(v - 0.5));
                const int reachU = int(2 / scaleU) + 2, reachV = int(2 / scaleV) + 2;
                for (int j = j0 - reachV; j <= j0 + reachV; ++j)
                    for (int i = i0 - reachU; i <= i0 + reachU; ++i) {
                        const double w = Kernel(c.mode, (i + 0.5 - u) * scaleU) *
                                         Kernel(c.mode, (j + 0.5 - v) * scaleV);
                        const std::uint32_t s = source.At(Mirror(i, c.width), Mirror(j, c.height));
                        for (int k = 0; k < 3; ++k) sum[k] += w * (s >> 24) * (s >> (8 * k) & 0xFF);
                        alpha += w * (s >> 24);
                        total += w;
                    }
                ASSERT_NEAR(got >> 24, std::clamp(alpha / total, 0.0, 255.0), 1.0) << x << "," << y;
                for (int k = 0; k < 3; ++k)
                    ASSERT_NEAR((got >> (8 * k)) & 0xFF, std::clamp(sum[k] / alpha, 0.0, 255.0),
                                1.0)
                        << "channel " << k << " at " << x << "," << y;
                ++compared;
            }
        EXPECT_GT(compared, 20);
    }
}

} // namespace
