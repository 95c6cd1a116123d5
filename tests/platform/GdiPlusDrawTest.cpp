// Drawing through GDI+ as a host does, asserted the same way against the real
// GDI+ (under Wine) and ours. Moves that land every source pixel on exactly one
// target pixel (quarter turns, mirrors, whole-number offsets), colour matrices
// and source copy must agree to the byte; resampling filters may differ, so
// their results are held to properties every sound filter meets.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "RZ/platform/WindowsImaging.h"

namespace {

using Gdiplus::REAL;
using Pixels = std::vector<std::uint32_t>;

struct Image {
    int width;
    int height;
    Pixels pixels;
    std::uint32_t& At(int x, int y) { return pixels[std::size_t(y) * width + x]; }
};

Image Filled(int width, int height, std::uint32_t argb) {
    return Image{width, height, Pixels(std::size_t(width) * height, argb)};
}

// Distinct colours; opaque, partly transparent and fully transparent alpha.
Image Distinct(int width, int height) {
    Image image = Filled(width, height, 0);
    const std::uint32_t alphas[] = {0xFF, 0x80, 0xFF, 0x00, 0x01, 0xFE, 0xFF};
    for (int i = 0; i < width * height; ++i)
        image.pixels[i] = alphas[i % 7] << 24 | std::uint32_t(11 + 19 * i) % 256 << 16 |
                          std::uint32_t(250 - 13 * i) % 256 << 8 | std::uint32_t(3 + 29 * i) % 256;
    return image;
}

unsigned Channel(std::uint32_t argb, int shift) {
    return argb >> shift & 0xFF;
}

struct DrawOptions {
    Gdiplus::CompositingMode compositing = Gdiplus::CompositingModeSourceCopy;
    Gdiplus::InterpolationMode interpolation = Gdiplus::InterpolationModeDefault;
    const Gdiplus::ColorMatrix* colours = nullptr;
    bool tileFlipXY = false;
    REAL transform[6] = {1, 0, 0, 1, 0, 0};
};

// Draws all of `source` into the rectangle (x, y, width, height) of `target`
// through the options' world transform, both bitmaps over caller memory.
void Draw(Image& source, Image& target, Gdiplus::Rect where, const DrawOptions& options) {
    Gdiplus::Bitmap from(source.width, source.height, source.width * 4, PixelFormat32bppARGB,
                         reinterpret_cast<BYTE*>(source.pixels.data()));
    Gdiplus::Bitmap to(target.width, target.height, target.width * 4, PixelFormat32bppARGB,
                       reinterpret_cast<BYTE*>(target.pixels.data()));
    ASSERT_EQ(from.GetLastStatus(), Gdiplus::Ok);
    ASSERT_EQ(to.GetLastStatus(), Gdiplus::Ok);
    Gdiplus::ImageAttributes attributes;
    if (options.colours != nullptr) {
        ASSERT_EQ(attributes.SetColorMatrix(options.colours), Gdiplus::Ok);
    }
    if (options.tileFlipXY) {
        ASSERT_EQ(attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY), Gdiplus::Ok);
    }
    const REAL* m = options.transform;
    Gdiplus::Matrix matrix(m[0], m[1], m[2], m[3], m[4], m[5]);
    Gdiplus::Graphics graphics(&to);
    ASSERT_EQ(graphics.GetLastStatus(), Gdiplus::Ok);
    ASSERT_EQ(graphics.SetCompositingMode(options.compositing), Gdiplus::Ok);
    ASSERT_EQ(graphics.SetInterpolationMode(options.interpolation), Gdiplus::Ok);
    ASSERT_EQ(graphics.SetTransform(&matrix), Gdiplus::Ok);
    ASSERT_EQ(graphics.DrawImage(&from, where, 0, 0, source.width, source.height,
                                 Gdiplus::UnitPixel, &attributes),
              Gdiplus::Ok);
    graphics.Flush();
}

// Quarter turns and mirrors as world transforms (m11 m12 m21 m22 dx dy); a
// source of w x h drawn at the origin, moved on by whole pixels (1, 2).
struct Placement {
    const char* name;
    REAL m[4];
    bool swapsSides;
};
constexpr Placement kPlacements[] = {
    {"identity", {1, 0, 0, 1}, false},           {"quarter turn", {0, 1, -1, 0}, true},
    {"half turn", {-1, 0, 0, -1}, false},        {"three quarter turn", {0, -1, 1, 0}, true},
    {"mirror left-right", {-1, 0, 0, 1}, false}, {"mirror top-bottom", {1, 0, 0, -1}, false},
};

// Whether `got` shows the source pixel `want` (alpha only when transparent:
// Wine's GDI+ clears the colour of fully transparent pixels).
bool Reproduces(std::uint32_t got, std::uint32_t want) {
    return want >> 24 == 0 ? got >> 24 == 0 : got == want;
}

// Wine's GDI+ maps pixels through a reversing transform one pixel further
// along each reversed axis than ours (it takes pixel centres on whole
// coordinates), leaving the first line transparent and cutting off the last.
// Both move every inner pixel unchanged by one common displacement, 0 or 1
// pixel along reversed axes only; that is what is asserted here.
TEST(GdiPlusDraw, QuarterTurnsAndMirrorsReproduceSourceBytes) {
    constexpr int kW = 5, kH = 4, kMargin = 3;
    constexpr std::uint32_t kBackground = 0x5A6B7C8Du;
    const Gdiplus::InterpolationMode modes[] = {Gdiplus::InterpolationModeNearestNeighbor,
                                                Gdiplus::InterpolationModeDefault,
                                                Gdiplus::InterpolationModeHighQualityBicubic};
    int reversedShift = -1; // the same for every reversed axis of one implementation
    for (const Placement& placement : kPlacements) {
        for (const auto mode : modes) {
            SCOPED_TRACE(testing::Message() << placement.name << ", interpolation " << int(mode));
            Image source = Distinct(kW, kH);
            const int outW = placement.swapsSides ? kH : kW;
            const int outH = placement.swapsSides ? kW : kH;
            Image target = Filled(outW + 2 * kMargin, outH + 2 * kMargin, kBackground);
            const REAL* m = placement.m;
            // The offset that brings the turned rectangle to (kMargin, kMargin).
            const REAL dx = kMargin - std::min(REAL(0), m[0] * kW) - std::min(REAL(0), m[2] * kH);
            const REAL dy = kMargin - std::min(REAL(0), m[1] * kW) - std::min(REAL(0), m[3] * kH);
            DrawOptions options;
            options.interpolation = mode;
            std::copy(m, m + 4, options.transform);
            options.transform[4] = dx;
            options.transform[5] = dy;
            Draw(source, target, Gdiplus::Rect(0, 0, kW, kH), options);

            const bool reversedX = m[0] + m[2] < 0, reversedY = m[1] + m[3] < 0;
            // Where the transform takes each inner source pixel's centre, moved on by shift.
            auto innerPixelsMatch = [&](int shift) {
                for (int y = 1; y < kH - 1; ++y)
                    for (int x = 1; x < kW - 1; ++x) {
                        const REAL cx = x + REAL(0.5), cy = y + REAL(0.5);
                        const int tx =
                            int(std::floor(m[0] * cx + m[2] * cy + dx)) + (reversedX ? shift : 0);
                        const int ty =
                            int(std::floor(m[1] * cx + m[3] * cy + dy)) + (reversedY ? shift : 0);
                        if (!Reproduces(target.At(tx, ty), source.At(x, y))) return false;
                    }
                return true;
            };
            int shift = 0;
            if (reversedX || reversedY) {
                shift = innerPixelsMatch(0) ? 0 : 1;
                if (reversedShift < 0) reversedShift = shift;
                EXPECT_EQ(shift, reversedShift) << "reversed axes treated differently";
            }
            EXPECT_TRUE(innerPixelsMatch(shift)) << "inner pixels changed or moved";
            // Nothing lands outside the rectangle (widened by the shift).
            for (int y = 0; y < target.height; ++y)
                for (int x = 0; x < target.width; ++x) {
                    const bool inside = x >= kMargin - 1 && x <= kMargin + outW &&
                                        y >= kMargin - 1 && y <= kMargin + outH;
                    if (!inside) {
                        EXPECT_EQ(target.At(x, y), kBackground) << "at " << x << ", " << y;
                    }
                }
        }
    }
}

TEST(GdiPlusDraw, ColourMatrixWithSourceCopyIsExact) {
    // Red and blue exchanged, alpha replaced by a constant 1 (opaque).
    Gdiplus::ColorMatrix swap = {
        {{0, 0, 1, 0, 0}, {0, 1, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 1, 1}}};
    Image source = Distinct(7, 2);
    for (auto& pixel : source.pixels)
        if (pixel >> 24 == 0)
            pixel |= 0x10000000u; // colour of transparent pixels is not common ground
    Image target = Filled(7, 2, 0x01020304u);
    DrawOptions options;
    options.colours = &swap;
    Draw(source, target, Gdiplus::Rect(0, 0, 7, 2), options);
    for (std::size_t i = 0; i < source.pixels.size(); ++i) {
        const std::uint32_t s = source.pixels[i];
        const std::uint32_t want =
            0xFF000000u | Channel(s, 0) << 16 | (s & 0xFF00u) | Channel(s, 16);
        EXPECT_EQ(target.pixels[i], want) << std::hex << "source " << s;
    }
}

// Textbook source-over on straight (non-premultiplied) ARGB, in real numbers.
std::uint32_t SourceOver(std::uint32_t s, std::uint32_t d) {
    const double as = Channel(s, 24) / 255.0, ad = Channel(d, 24) / 255.0;
    const double a = as + ad * (1 - as);
    std::uint32_t out = std::uint32_t(std::lround(a * 255)) << 24;
    for (int shift : {16, 8, 0}) {
        const double c = (Channel(s, shift) * as + Channel(d, shift) * ad * (1 - as)) / a;
        out |= std::uint32_t(std::lround(c)) << shift;
    }
    return out;
}

TEST(GdiPlusDraw, SourceOverHalfTransparentColourMatchesTextbookFormula) {
    const std::uint32_t colours[] = {0x80FF4010u, 0x80205080u, 0x7F00FFFFu};
    const std::uint32_t backgrounds[] = {0xFF000000u, 0xFFFFFFFFu, 0xFF3366CCu, 0xC0808040u};
    for (std::uint32_t colour : colours)
        for (std::uint32_t background : backgrounds) {
            Image source = Filled(2, 2, colour);
            Image target = Filled(4, 4, background);
            DrawOptions options;
            options.compositing = Gdiplus::CompositingModeSourceOver;
            Draw(source, target, Gdiplus::Rect(1, 1, 2, 2), options);
            const std::uint32_t want = SourceOver(colour, background);
            const std::uint32_t got = target.At(1, 2);
            for (int shift : {24, 16, 8, 0})
                EXPECT_LE(std::abs(int(Channel(got, shift)) - int(Channel(want, shift))), 1)
                    << std::hex << colour << " over " << background << ": " << got << " for "
                    << want;
            EXPECT_EQ(target.At(0, 0), background);
            EXPECT_EQ(target.At(3, 3), background);
        }
}

DrawOptions HighQualityBicubic(bool tileFlipXY) {
    DrawOptions options;
    options.interpolation = Gdiplus::InterpolationModeHighQualityBicubic;
    options.tileFlipXY = tileFlipXY;
    return options;
}

TEST(GdiPlusDraw, BicubicEnlargementOfStepEdgeIsMonotoneAndInRange) {
    constexpr int kW = 8, kH = 4;
    Image source = Filled(kW, kH, 0xFF000000u);
    for (int y = 0; y < kH; ++y)
        for (int x = kW / 2; x < kW; ++x) source.At(x, y) = 0xFFFFFFFFu;
    Image target = Filled(2 * kW, 2 * kH, 0);
    Draw(source, target, Gdiplus::Rect(0, 0, 2 * kW, 2 * kH), HighQualityBicubic(true));
    for (int y = 0; y < target.height; ++y) {
        SCOPED_TRACE(testing::Message() << "row " << y);
        for (int x = 0; x < target.width; ++x) {
            const std::uint32_t pixel = target.At(x, y);
            EXPECT_EQ(Channel(pixel, 24), 255u) << "at " << x;
            // A grey edge stays grey.
            EXPECT_EQ(Channel(pixel, 16), Channel(pixel, 0)) << "at " << x;
            EXPECT_EQ(Channel(pixel, 8), Channel(pixel, 0)) << "at " << x;
            if (x > 0) {
                EXPECT_GE(Channel(pixel, 0), Channel(target.At(x - 1, y), 0)) << "at " << x;
            }
        }
        // Far from the edge the two sides keep their values.
        EXPECT_LE(Channel(target.At(0, y), 0), 2u);
        EXPECT_GE(Channel(target.At(target.width - 1, y), 0), 253u);
        // The edge stays within a pixel of the middle.
        EXPECT_LE(Channel(target.At(kW - 2, y), 0), 127u);
        EXPECT_GE(Channel(target.At(kW + 1, y), 0), 128u);
    }
}

// Ours averages the pattern to mid grey; Wine's GDI+ samples it without
// averaging (all white here). Common ground: no pattern survives, no colour
// appears.
TEST(GdiPlusDraw, BicubicShrinkOfOnePixelCheckerboardIsUniformGrey) {
    constexpr int kSide = 32;
    Image source = Filled(kSide, kSide, 0xFF000000u);
    for (int y = 0; y < kSide; ++y)
        for (int x = (y & 1); x < kSide; x += 2) source.At(x, y) = 0xFFFFFFFFu;
    Image target = Filled(kSide / 4, kSide / 4, 0);
    Draw(source, target, Gdiplus::Rect(0, 0, kSide / 4, kSide / 4), HighQualityBicubic(true));
    const unsigned first = Channel(target.At(0, 0), 0);
    for (int y = 0; y < target.height; ++y)
        for (int x = 0; x < target.width; ++x) {
            const std::uint32_t pixel = target.At(x, y);
            EXPECT_EQ(Channel(pixel, 24), 255u) << "at " << x << ", " << y;
            EXPECT_EQ(Channel(pixel, 16), Channel(pixel, 0)) << "at " << x << ", " << y;
            EXPECT_EQ(Channel(pixel, 8), Channel(pixel, 0)) << "at " << x << ", " << y;
            EXPECT_NEAR(int(Channel(pixel, 0)), int(first), 8)
                << std::hex << pixel << std::dec << " at " << x << ", " << y;
        }
}

TEST(GdiPlusDraw, TileFlipXYKeepsEdgesOfUniformImageUniform) {
    constexpr std::uint32_t kColour = 0xFF3C78B4u;
    Image source = Filled(13, 9, kColour);
    Image target = Filled(5, 4, 0);
    Draw(source, target, Gdiplus::Rect(0, 0, 5, 4), HighQualityBicubic(true));
    for (int y = 0; y < target.height; ++y)
        for (int x = 0; x < target.width; ++x)
            for (int shift : {24, 16, 8, 0})
                EXPECT_NEAR(int(Channel(target.At(x, y), shift)), int(Channel(kColour, shift)), 1)
                    << std::hex << target.At(x, y) << std::dec << " at " << x << ", " << y;
}

} // namespace
