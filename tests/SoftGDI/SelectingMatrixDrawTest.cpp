// Draws through colour matrices that only select channels and set constants
// (as the pixel-map renderer uses them), against a brute-force reference:
// for each target pixel centre, the inverse-mapped source point and the
// normalised kernel weights of every source pixel in double precision, each
// output channel the weighted source byte it selects. Alpha is the constant
// 255, so the source's own alpha bytes must neither weigh nor premultiply.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "SoftGDI/GdiPlus.h"

using namespace Gdiplus;

namespace {

double CatmullRom(double x) {
    x = std::fabs(x);
    if (x <= 1) return 1.5 * x * x * x - 2.5 * x * x + 1;
    if (x < 2) return -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2;
    return 0;
}
double Triangle(double x) {
    return std::max(0.0, 1 - std::fabs(x));
}

int Wrap(int i, int n, bool mirror) {
    if (!mirror) return ((i % n) + n) % n;
    while (i < 0 || i >= n) i = i < 0 ? -1 - i : 2 * n - 1 - i;
    return i;
}

// clang-format off
// Source bytes 0 and 1, then 2 and 3, into blue and green; red 0, alpha 1.
const ColorMatrix kLowPair = {{{0, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0},
                               {0, 0, 0, 0, 0}, {0, 0, 0, 1, 1}}};
const ColorMatrix kHighPair = {{{0, 0, 1, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0},
                                {0, 1, 0, 0, 0}, {0, 0, 0, 1, 1}}};
// Bytes reversed, red from a constant 0.6 (153), alpha 1.
const ColorMatrix kSwapped = {{{0, 1, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0},
                               {0, 0, 1, 0, 0}, {0.6f, 0, 0, 1, 1}}};
// clang-format on

// Output byte k (blue, green, red, alpha) is source byte from[k], or the
// constant value[k] where from[k] is -1.
struct Selection {
    const ColorMatrix* matrix;
    int from[4];
    int value[4];
};
const Selection kSelections[] = {{&kLowPair, {0, 1, -1, -1}, {0, 0, 0, 255}},
                                 {&kHighPair, {2, 3, -1, -1}, {0, 0, 0, 255}},
                                 {&kSwapped, {3, 2, -1, -1}, {0, 0, 153, 255}}};

struct Case {
    int sourceWidth, sourceHeight;
    int targetX, targetY, targetWidth, targetHeight; // destination rectangle
    double angle;                                    // degrees, about the world origin
    float dx, dy;                                    // translation of the world transform
    InterpolationMode mode;
    WrapMode wrap;
};

const std::uint32_t kUniform = 0x3C9AE205u;

// Draws a random source (alpha included) through each selection into a
// 40 x 40 target of random pixels and compares every pixel with the
// reference; with uniform set, the source is one colour and must arrive
// exactly. Opaque colour replaces the target in either compositing mode, and
// pixels outside the drawn rectangle keep theirs.
void CheckAgainstReference(const Case& c, bool uniform = false) {
    for (const Selection& s : kSelections)
        for (CompositingMode compositing : {CompositingModeSourceCopy, CompositingModeSourceOver}) {
            std::mt19937 random(7);
            std::vector<std::uint32_t> source(std::size_t(c.sourceWidth) * c.sourceHeight);
            for (auto& p : source) p = uniform ? kUniform : std::uint32_t(random());
            const int size = 40;
            std::vector<std::uint32_t> target(std::size_t(size) * size);
            for (auto& p : target) p = std::uint32_t(random());
            const std::vector<std::uint32_t> before = target;
            Bitmap sourceBitmap(c.sourceWidth, c.sourceHeight, c.sourceWidth * 4,
                                PixelFormat32bppARGB, reinterpret_cast<BYTE*>(source.data()));
            Bitmap targetBitmap(size, size, size * 4, PixelFormat32bppARGB,
                                reinterpret_cast<BYTE*>(target.data()));
            const double radians = c.angle * M_PI / 180;
            const float m11 = float(std::cos(radians)), m12 = float(std::sin(radians));
            const float m21 = -m12, m22 = m11;
            {
                Graphics g(&targetBitmap);
                g.SetCompositingMode(compositing);
                g.SetInterpolationMode(c.mode);
                Matrix matrix(m11, m12, m21, m22, c.dx, c.dy);
                g.SetTransform(&matrix);
                ImageAttributes attributes;
                attributes.SetWrapMode(c.wrap);
                attributes.SetColorMatrix(s.matrix);
                ASSERT_EQ(g.DrawImage(&sourceBitmap,
                                      Rect(c.targetX, c.targetY, c.targetWidth, c.targetHeight), 0,
                                      0, c.sourceWidth, c.sourceHeight, UnitPixel, &attributes),
                          Ok);
            }
            const double sx = double(c.targetWidth) / c.sourceWidth;
            const double sy = double(c.targetHeight) / c.sourceHeight;
            const double a = sx * m11, b = sx * m12, cc = sy * m21, d = sy * m22;
            const double e = c.targetX * m11 + c.targetY * m21 + c.dx;
            const double f = c.targetX * m12 + c.targetY * m22 + c.dy;
            const double det = a * d - b * cc;
            const bool widen = c.mode == InterpolationModeHighQualityBicubic;
            const bool cubic = widen || c.mode == InterpolationModeBicubic;
            const double radius = cubic ? 2 : 1;
            const double scaleU = widen ? std::min(1.0, std::hypot(a, b)) : 1;
            const double scaleV = widen ? std::min(1.0, std::hypot(cc, d)) : 1;
            const bool mirror = c.wrap == WrapModeTileFlipXY;
            int compared = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const double px = x + 0.5 - e, py = y + 0.5 - f;
                    const double u = (d * px - cc * py) / det, v = (-b * px + a * py) / det;
                    const std::uint32_t got = target[std::size_t(y) * size + x];
                    const double margin = 1e-4;
                    if (u < -margin || v < -margin || u >= c.sourceWidth + margin ||
                        v >= c.sourceHeight + margin) {
                        ASSERT_EQ(got, before[std::size_t(y) * size + x])
                            << "outside the rectangle at " << x << "," << y;
                        continue;
                    }
                    if (u < margin || v < margin || u >= c.sourceWidth - margin ||
                        v >= c.sourceHeight - margin)
                        continue;
                    const double tu = u - 0.5, tv = v - 0.5;
                    double sum[4] = {0, 0, 0, 0}, total = 0;
                    const int reachU = int(radius / scaleU) + 2, reachV = int(radius / scaleV) + 2;
                    for (int j = int(std::floor(tv)) - reachV; j <= int(std::floor(tv)) + reachV;
                         ++j)
                        for (int i = int(std::floor(tu)) - reachU;
                             i <= int(std::floor(tu)) + reachU; ++i) {
                            const double xu = (i - tu) * scaleU, xv = (j - tv) * scaleV;
                            const double w = cubic ? CatmullRom(xu) * CatmullRom(xv)
                                                   : Triangle(xu) * Triangle(xv);
                            if (w == 0) continue;
                            const std::uint32_t p =
                                source[std::size_t(Wrap(j, c.sourceHeight, mirror)) *
                                           c.sourceWidth +
                                       std::size_t(Wrap(i, c.sourceWidth, mirror))];
                            for (int k = 0; k < 4; ++k) sum[k] += w * ((p >> (8 * k)) & 0xFF);
                            total += w;
                        }
                    for (int k = 0; k < 4; ++k) {
                        const double gotByte = double((got >> (8 * k)) & 0xFF);
                        if (s.from[k] < 0) {
                            ASSERT_EQ(gotByte, s.value[k])
                                << "constant " << k << " at " << x << "," << y;
                            continue;
                        }
                        const double want = uniform
                                                ? double((kUniform >> (8 * s.from[k])) & 0xFF)
                                                : std::clamp(sum[s.from[k]] / total, 0.0, 255.0);
                        ASSERT_NEAR(gotByte, want, uniform ? 0.0 : 1.0)
                            << "byte " << k << " at " << x << "," << y;
                    }
                    ++compared;
                }
            EXPECT_GT(compared, 20);
        }
}

TEST(SelectingMatrixDraw, BicubicEnlargesAndShrinksAlongTheAxes) {
    // 3 -> 17 across (enlarged), 30 -> 9 down (shrunk, kernel widened).
    CheckAgainstReference(
        {3, 30, 4, 6, 17, 9, 0, 0, 0, InterpolationModeHighQualityBicubic, WrapModeTileFlipXY});
    CheckAgainstReference(
        {31, 7, 1, 2, 20, 33, 0, 0, 0, InterpolationModeHighQualityBicubic, WrapModeTileFlipXY});
}

TEST(SelectingMatrixDraw, PlainFiltersMirroredAndTiled) {
    CheckAgainstReference({11, 5, 30, 3, -22, 15, 0, 0, 0, InterpolationModeBicubic, WrapModeTile});
    CheckAgainstReference(
        {9, 12, 2, 1, 35, 30, 0, 0, 0, InterpolationModeBilinear, WrapModeTileFlipXY});
}

TEST(SelectingMatrixDraw, TurnedDraws) {
    CheckAgainstReference(
        {24, 20, 0, 0, 24, 20, 30, 18, 4, InterpolationModeHighQualityBicubic, WrapModeTileFlipXY});
    CheckAgainstReference({9, 7, 0, 0, 9, 7, 30, 20, 5, InterpolationModeBilinear, WrapModeTile});
    // Turned and shrunk: the kernel widens along both axes.
    CheckAgainstReference(
        {24, 20, 0, 0, 12, 10, 25, 18, 4, InterpolationModeHighQualityBicubic, WrapModeTileFlipXY});
}

TEST(SelectingMatrixDraw, SourcesNarrowerThanTheFilter) {
    CheckAgainstReference(
        {2, 3, 1, 1, 30, 25, 0, 0, 0, InterpolationModeHighQualityBicubic, WrapModeTileFlipXY});
    CheckAgainstReference({1, 2, 3, 0, 20, 37, 0, 0, 0, InterpolationModeBicubic, WrapModeTile});
    CheckAgainstReference(
        {3, 2, 0, 0, 24, 16, 30, 12, 2, InterpolationModeHighQualityBicubic, WrapModeTileFlipXY});
}

TEST(SelectingMatrixDraw, UniformSourcesArriveExactly) {
    CheckAgainstReference(
        {31, 7, 1, 2, 20, 33, 0, 0, 0, InterpolationModeHighQualityBicubic, WrapModeTileFlipXY},
        true);
    CheckAgainstReference(
        {24, 20, 0, 0, 24, 20, 30, 18, 4, InterpolationModeHighQualityBicubic, WrapModeTileFlipXY},
        true);
    CheckAgainstReference({9, 7, 0, 0, 9, 7, 30, 20, 5, InterpolationModeBilinear, WrapModeTile},
                          true);
}

} // namespace
