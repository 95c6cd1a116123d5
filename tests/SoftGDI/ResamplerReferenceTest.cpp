// Resampled draws against a brute-force reference written from the filter
// definitions: for each target pixel centre, the inverse-mapped source point
// and the normalised kernel weights of every source pixel, in double
// precision, with mirrored or tiled edges and colours weighted by their
// alpha. Every case is drawn plainly and through colour matrices that only
// move bytes and set constants (as the pixel-map renderer uses them), in both
// compositing modes: opaque selections must ignore the source's own alpha.
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
int Edge(int i, int n, WrapMode wrap) {
    if (wrap == WrapModeTile) return (i % n + n) % n;
    while (i < 0 || i >= n) i = i < 0 ? -1 - i : 2 * n - 1 - i;
    return i;
}

// clang-format off
// Bytes 0 and 1 into blue and green, red 0, alpha 1.
const ColorMatrix kLowPair = {{{0, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0},
                               {0, 0, 0, 0, 0}, {0, 0, 0, 1, 1}}};
// Bytes 3 and 2 into blue and green, red a constant 0.6 (153), alpha 1.
const ColorMatrix kSwapped = {{{0, 1, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0},
                               {0, 0, 1, 0, 0}, {0.6f, 0, 0, 1, 1}}};
// All four bytes reversed: alpha from blue.
const ColorMatrix kReversed = {{{0, 1, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 0, 0, 1, 0},
                                {0, 0, 1, 0, 0}, {0, 0, 0, 0, 1}}};
// clang-format on

// Output byte k (blue, green, red, alpha) is source byte from[k], or value[k]
// where from[k] is -1.
const struct Selection {
    const ColorMatrix* matrix;
    int from[4], value[4];
} kSelections[] = {{nullptr, {0, 1, 2, 3}, {}},
                   {&kLowPair, {0, 1, -1, -1}, {0, 0, 0, 255}},
                   {&kSwapped, {3, 2, -1, -1}, {0, 0, 153, 255}},
                   {&kReversed, {3, 2, 1, 0}, {}}};

unsigned Byte(const Selection& s, std::uint32_t p, int k) {
    return s.from[k] < 0 ? unsigned(s.value[k]) : p >> (8 * s.from[k]) & 0xFF;
}

struct Case {
    int width, height; // of the source
    Rect target;
    double degrees; // turn about the world origin, then (dx, dy)
    float dx, dy;
    InterpolationMode mode;
    WrapMode wrap;
    bool uniform = false; // one colour, which opaque selections deliver exactly
};

// Draws a random source into a 40 x 40 target of random pixels and compares
// every pixel with the reference; pixels outside the drawn rectangle keep theirs.
void DrawAndCompare(const Case& c, const Selection& s, CompositingMode compositing) {
    const bool opaque = s.from[3] < 0;
    std::mt19937 random(42);
    rztest::ArgbBitmap source(c.width, c.height), target(40, 40);
    // Alpha at least 128 where it weighs.
    for (auto& p : source.pixels)
        p = (c.uniform ? 0x3C9AE205u : std::uint32_t(random())) |
            (opaque ? 0 : 0x80u << (8 * s.from[3]));
    for (auto& p : target.pixels) p = std::uint32_t(random());
    const std::vector<std::uint32_t> before = target.pixels;
    const double radians = c.degrees * std::numbers::pi / 180;
    const float m11 = float(std::cos(radians)), m12 = float(std::sin(radians));
    ASSERT_EQ(
        rztest::Draw(target, source.bitmap, c.target,
                     {c.mode, compositing, {m11, m12, -m12, m11, c.dx, c.dy}, c.wrap, s.matrix}),
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
            if (std::min(u, v) < -kMargin || u >= c.width + kMargin || v >= c.height + kMargin) {
                ASSERT_EQ(got, before[std::size_t(y) * 40 + x]) << "outside at " << x << "," << y;
                continue;
            }
            if (std::min(std::fabs(u - std::round(u)), std::fabs(v - std::round(v))) < kMargin)
                continue;
            double sum[4] = {0, 0, 0, 0}, total = 0; // sum[3]: alpha
            const int i0 = int(std::floor(u - 0.5)), j0 = int(std::floor(v - 0.5));
            const int reachU = int(2 / scaleU) + 2, reachV = int(2 / scaleV) + 2;
            for (int j = j0 - reachV; j <= j0 + reachV; ++j)
                for (int i = i0 - reachU; i <= i0 + reachU; ++i) {
                    const double w = Kernel(c.mode, (i + 0.5 - u) * scaleU) *
                                     Kernel(c.mode, (j + 0.5 - v) * scaleV);
                    const std::uint32_t pixel =
                        source.At(Edge(i, c.width, c.wrap), Edge(j, c.height, c.wrap));
                    const double alpha = w * Byte(s, pixel, 3);
                    for (int k = 0; k < 3; ++k) sum[k] += alpha * Byte(s, pixel, k);
                    sum[3] += alpha;
                    total += w;
                }
            for (int k = 0; k < 4; ++k) {
                // Constants, and uniform opaque colour, arrive exactly.
                const bool exact = s.from[k] < 0 || (c.uniform && opaque);
                ASSERT_NEAR(got >> (8 * k) & 0xFF,
                            std::clamp(sum[k] / (k == 3 ? total : sum[3]), 0.0, 255.0),
                            exact ? 1e-6 : 1.0)
                    << "byte " << k << " at " << x << "," << y;
            }
            ++compared;
        }
    EXPECT_GT(compared, 20);
}

TEST(ResamplerReference, FiltersTurnedScaledAndTiledThroughSelections) {
    constexpr auto kHigh = InterpolationModeHighQualityBicubic;
    constexpr auto kMirror = WrapModeTileFlipXY;
    const Case cases[] = {
        // 3 -> 17 across (enlarged), 30 -> 9 down (shrunk, kernel widened), and the reverse.
        {3, 30, Rect(4, 6, 17, 9), 0, 0, 0, kHigh, kMirror},
        {31, 7, Rect(1, 2, 20, 33), 0, 0, 0, kHigh, kMirror},
        {11, 5, Rect(30, 3, -22, 15), 0, 0, 0, InterpolationModeBicubic, WrapModeTile},
        {9, 12, Rect(2, 1, 35, 30), 0, 0, 0, InterpolationModeBilinear, kMirror},
        {24, 20, Rect(0, 0, 24, 20), 30, 18, 4, kHigh, kMirror},
        {9, 7, Rect(0, 0, 9, 7), 30, 20, 5, InterpolationModeBilinear, WrapModeTile},
        {9, 7, Rect(2, 1, 13, 11), -35, 6, 16, InterpolationModeNearestNeighbor, kMirror},
        // 40 -> 6 across: too many taps for fixed point.
        {40, 7, Rect(1, 0, 6, 30), 0, 0, 0, kHigh, WrapModeTile},
        // Turned and shrunk: the kernel widens along both axes.
        {24, 20, Rect(0, 0, 12, 10), 25, 18, 4, kHigh, kMirror},
        // Sources narrower than the filter.
        {2, 3, Rect(1, 1, 30, 25), 0, 0, 0, kHigh, kMirror},
        {1, 2, Rect(3, 0, 20, 37), 0, 0, 0, InterpolationModeBicubic, WrapModeTile},
        {3, 2, Rect(0, 0, 24, 16), 30, 12, 2, kHigh, kMirror},
        {31, 7, Rect(1, 2, 20, 33), 0, 0, 0, kHigh, kMirror, true},
        {24, 20, Rect(0, 0, 24, 20), 30, 18, 4, kHigh, kMirror, true},
        {9, 7, Rect(0, 0, 9, 7), 30, 20, 5, InterpolationModeBilinear, WrapModeTile, true},
    };
    for (const Case& c : cases)
        for (const Selection& s : kSelections)
            for (auto compositing : {CompositingModeSourceCopy, CompositingModeSourceOver}) {
                // Opaque colour replaces the target in either mode; blending
                // translucent colour is the blended drawing tests' concern.
                if (s.from[3] >= 0 && compositing == CompositingModeSourceOver) continue;
                SCOPED_TRACE(testing::Message()
                             << "mode " << c.mode << ", " << c.degrees << " degrees, selection "
                             << &s - kSelections << ", compositing " << compositing);
                DrawAndCompare(c, s, compositing);
            }
}

} // namespace
