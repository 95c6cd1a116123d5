// Resampled draws against a brute-force reference written from the filter
// definitions: for each target pixel centre, the inverse-mapped source point
// and the normalised kernel weights of every source pixel, in double
// precision, with mirrored edges.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
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

int Mirror(int i, int n) {
    while (i < 0 || i >= n) i = i < 0 ? -1 - i : 2 * n - 1 - i;
    return i;
}

struct Case {
    int sourceWidth, sourceHeight;
    int targetX, targetY, targetWidth, targetHeight; // destination rectangle
    double angle;                                    // degrees, about the world origin
    float dx, dy;                                    // translation of the world transform
    InterpolationMode mode;
};

void CheckAgainstReference(const Case& c) {
    std::mt19937 random(42);
    std::vector<std::uint32_t> source(std::size_t(c.sourceWidth) * c.sourceHeight);
    for (auto& p : source) p = std::uint32_t(random()) | 0xFF000000u;
    const int size = 40;
    std::vector<std::uint32_t> target(std::size_t(size) * size, 0x00000000u);
    Bitmap sourceBitmap(c.sourceWidth, c.sourceHeight, c.sourceWidth * 4, PixelFormat32bppARGB,
                        reinterpret_cast<BYTE*>(source.data()));
    Bitmap targetBitmap(size, size, size * 4, PixelFormat32bppARGB,
                        reinterpret_cast<BYTE*>(target.data()));
    const double radians = c.angle * M_PI / 180;
    const float m11 = float(std::cos(radians)), m12 = float(std::sin(radians));
    const float m21 = -m12, m22 = m11;
    {
        Graphics g(&targetBitmap);
        g.SetCompositingMode(CompositingModeSourceCopy);
        g.SetInterpolationMode(c.mode);
        Matrix matrix(m11, m12, m21, m22, c.dx, c.dy);
        g.SetTransform(&matrix);
        ImageAttributes attributes;
        attributes.SetWrapMode(WrapModeTileFlipXY);
        ASSERT_EQ(g.DrawImage(&sourceBitmap,
                              Rect(c.targetX, c.targetY, c.targetWidth, c.targetHeight), 0, 0,
                              c.sourceWidth, c.sourceHeight, UnitPixel, &attributes),
                  Ok);
    }
    // Source (u, v) -> device: u * sx * (m11, m12) + v * sy * (m21, m22) + origin.
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
    int compared = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double px = x + 0.5 - e, py = y + 0.5 - f;
            const double u = (d * px - cc * py) / det, v = (-b * px + a * py) / det;
            const std::uint32_t got = target[std::size_t(y) * size + x];
            // Centres within 1e-4 of the rectangle's edge may go either way.
            const double margin = 1e-4;
            if (u < -margin || v < -margin || u >= c.sourceWidth + margin ||
                v >= c.sourceHeight + margin) {
                ASSERT_EQ(got, 0u) << "outside the rectangle at " << x << "," << y;
                continue;
            }
            if (u < margin || v < margin || u >= c.sourceWidth - margin ||
                v >= c.sourceHeight - margin)
                continue;
            const double tu = u - 0.5, tv = v - 0.5;
            double sum[3] = {0, 0, 0}, total = 0;
            const int reachU = int(radius / scaleU) + 2, reachV = int(radius / scaleV) + 2;
            for (int j = int(std::floor(tv)) - reachV; j <= int(std::floor(tv)) + reachV; ++j)
                for (int i = int(std::floor(tu)) - reachU; i <= int(std::floor(tu)) + reachU; ++i) {
                    const double xu = (i - tu) * scaleU, xv = (j - tv) * scaleV;
                    const double w =
                        cubic ? CatmullRom(xu) * CatmullRom(xv) : Triangle(xu) * Triangle(xv);
                    if (w == 0) continue;
                    const std::uint32_t p =
                        source[std::size_t(Mirror(j, c.sourceHeight)) * c.sourceWidth +
                               std::size_t(Mirror(i, c.sourceWidth))];
                    for (int k = 0; k < 3; ++k) sum[k] += w * ((p >> (8 * k)) & 0xFF);
                    total += w;
                }
            for (int k = 0; k < 3; ++k) {
                const double want = std::clamp(sum[k] / total, 0.0, 255.0);
                ASSERT_NEAR(double((got >> (8 * k)) & 0xFF), want, 1.0)
                    << "channel " << k << " at " << x << "," << y;
            }
            ASSERT_EQ(got >> 24, 255u);
            ++compared;
        }
    EXPECT_GT(compared, 20);
}

TEST(ResamplerReference, BilinearTurnBy30Degrees) {
    CheckAgainstReference({9, 7, 0, 0, 9, 7, 30, 20, 5, InterpolationModeBilinear});
}

TEST(ResamplerReference, BicubicEnlargesAndShrinksAlongTheAxes) {
    // 3 -> 17 across (enlarged), 30 -> 9 down (shrunk, kernel widened).
    CheckAgainstReference({3, 30, 4, 6, 17, 9, 0, 0, 0, InterpolationModeHighQualityBicubic});
}

TEST(ResamplerReference, BicubicTurnedAndShrunk) {
    CheckAgainstReference({24, 20, 0, 0, 12, 10, 25, 18, 4, InterpolationModeHighQualityBicubic});
}

TEST(ResamplerReference, PlainBicubicMirrored) {
    CheckAgainstReference({11, 5, 30, 3, -22, 15, 0, 0, 0, InterpolationModeBicubic});
}

} // namespace
