// Drawing through GDI+ as the library draws. Moves that land every source
// pixel on exactly one target pixel (quarter turns, mirrors, whole-pixel
// offsets), colour matrices and source copy agree to the byte; resampling
// filters may differ, so the real GDI+ is held to properties every sound
// filter meets and ours to its exact values as well.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/GdiFixtures.h"

using namespace rztest;
using Gdiplus::Rect;

namespace {

// Whether `got` shows `want`: the real GDI+ clears the colour of fully
// transparent pixels, ours keeps it.
bool Shows(std::uint32_t got, std::uint32_t want) {
    return kSoftGdi || want >> 24 != 0 ? got == want : got >> 24 == 0;
}

// Wine's GDI+ maps pixels through a reversing transform one pixel further
// along each reversed axis than ours (it takes pixel centres on whole
// coordinates), leaving the first line transparent and cutting off the last.
// There every inner pixel moves by one common displacement, 0 or 1 pixel
// along reversed axes only; ours moves every pixel exactly.
TEST(GdiPlusDraw, QuarterTurnsAndMirrorsMoveWholePixels) {
    constexpr int kW = 5, kH = 4, kMargin = 3, kSide = kW + 2 * kMargin;
    constexpr std::uint32_t kBackground = 0x5A6B7C8Du;
    const std::uint32_t alphas[] = {0xFF, 0x80, 0xFF, 0x00, 0x01, 0xFE, 0xFF};
    ArgbBitmap source(kW, kH);
    for (unsigned i = 0; i < kW * kH; ++i)
        source.pixels[i] = alphas[i % 7] << 24 | (0x9E3779B9u * (i + 1) >> 8);
    int reversedShift = -1;
    for (int quarter = 0; quarter < 4; ++quarter)
        for (float mirror : {1.0f, -1.0f})
            for (auto mode : {Gdiplus::InterpolationModeNearestNeighbor,
                              Gdiplus::InterpolationModeBilinear, Gdiplus::InterpolationModeBicubic,
                              Gdiplus::InterpolationModeHighQualityBicubic}) {
                SCOPED_TRACE(testing::Message() << quarter << " turns, " << mirror << ", " << mode);
                // As rotation callers make it: from the float cosine and sine.
                const double angle = quarter * std::numbers::pi / 2;
                const float c = float(std::cos(angle)), s = float(std::sin(angle));
                DrawSettings settings{.interpolation = mode, .m = {mirror * c, mirror * s, -s, c}};
                float* m = settings.m;
                m[4] = kMargin - std::min(0.0f, m[0] * kW) - std::min(0.0f, m[2] * kH);
                m[5] = kMargin - std::min(0.0f, m[1] * kW) - std::min(0.0f, m[3] * kH);
                ArgbBitmap target(kSide, kSide, kBackground);
                ASSERT_EQ(Draw(target, source.bitmap, Rect(0, 0, kW, kH), settings), Gdiplus::Ok);
                const bool reversedX = m[0] + m[2] < 0, reversedY = m[1] + m[3] < 0;
                auto matches = [&](int shift, int inset) {
                    for (int y = inset; y < kH - inset; ++y)
                        for (int x = inset; x < kW - inset; ++x) {
                            const float u = float(x) + 0.5f, v = float(y) + 0.5f;
                            const int tx = int(std::floor(m[0] * u + m[2] * v + m[4]));
                            const int ty = int(std::floor(m[1] * u + m[3] * v + m[5]));
                            if (!Shows(target.At(tx + reversedX * shift, ty + reversedY * shift),
                                       source.At(x, y)))
                                return false;
                        }
                    return true;
                };
                const int shift = kSoftGdi || matches(0, 1) ? 0 : 1;
                if (reversedShift < 0 && (reversedX || reversedY)) reversedShift = shift;
                EXPECT_TRUE(!(reversedX || reversedY) || shift == reversedShift) << "axes differ";
                EXPECT_TRUE(matches(shift, kSoftGdi ? 0 : 1)) << "pixels changed or moved";
                // Nothing lands outside the rectangle (widened by the shift).
                int changed = 0;
                for (int i = 0; i < kSide * kSide; ++i) {
                    const int x = i % kSide - kMargin, y = i / kSide - kMargin;
                    const int w = quarter % 2 ? kH : kW, h = quarter % 2 ? kW : kH;
                    if (target.pixels[std::size_t(i)] == kBackground) continue;
                    ++changed;
                    EXPECT_TRUE(x >= -1 && x <= w && y >= -1 && y <= h) << x << ", " << y;
                }
                EXPECT_TRUE(!kSoftGdi || changed == kW * kH) << changed;
            }
    // Wholly beyond the right edge, level with the target: nothing drawn.
    ArgbBitmap beside(4, 4, kBackground);
    ASSERT_EQ(Draw(beside, source.bitmap, Rect(6, 1, kW, kH)), Gdiplus::Ok);
    for (auto p : beside.pixels) EXPECT_EQ(p, kBackground);
}

TEST(GdiPlusDraw, ColourMatricesApplyToTheSourceAndClampTheirResults) {
    // Red and blue exchanged, alpha replaced by a constant 1 (opaque).
    const Gdiplus::ColorMatrix swap = {
        {{0, 0, 1, 0, 0}, {0, 1, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 1, 1}}};
    ArgbBitmap source(7, 2), target(7, 2, 0x01020304u);
    for (unsigned i = 0; i < 14; ++i) source.pixels[i] = 0x10000000u | 0x9E3779B9u * (i + 1);
    ASSERT_EQ(Draw(target, source.bitmap, Rect(0, 0, 7, 2), {.colours = &swap}), Gdiplus::Ok);
    for (std::size_t i = 0; i < 14; ++i) {
        const std::uint32_t s = source.pixels[i];
        EXPECT_EQ(target.pixels[i],
                  0xFF000000u | Channel(s, 0) << 16 | (s & 0xFF00) | Channel(s, 16));
    }
    // Channels tripled and red less half its range: 300 - 127.5 rounds to
    // 173 (Wine: 172), 300 clamps to 255. A matrix for text is not used here;
    // nor is a transform once reset.
    const Gdiplus::ColorMatrix bright = {
        {{3, 0, 0, 0, 0}, {0, 3, 0, 0, 0}, {0, 0, 3, 0, 0}, {0, 0, 0, 1, 0}, {-0.5f, 0, 0, 0, 1}}};
    ArgbBitmap grey(1, 1, 0xFF646464u), out(1, 1);
    Gdiplus::ImageAttributes attributes;
    ASSERT_EQ(attributes.SetColorMatrix(&bright), Gdiplus::Ok);
    ASSERT_EQ(attributes.SetColorMatrix(&swap, Gdiplus::ColorMatrixFlagsDefault,
                                        Gdiplus::ColorAdjustTypeText),
              Gdiplus::Ok);
    {
        Gdiplus::Graphics graphics(&out.bitmap);
        const Gdiplus::Matrix tripled(3, 0, 0, 3, 0, 0);
        graphics.SetTransform(&tripled);
        ASSERT_EQ(graphics.ResetTransform(), Gdiplus::Ok);
        graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        ASSERT_EQ(graphics.DrawImage(&grey.bitmap, Gdiplus::RectF(0, 0, 1, 1), 0, 0, 1, 1,
                                     Gdiplus::UnitPixel, &attributes),
                  Gdiplus::Ok);
    }
    EXPECT_EQ(out.At(0, 0) | 0xFF0000, 0xFFFFFFFFu);
    EXPECT_NEAR(Channel(out.At(0, 0), 16), 173, kSoftGdi ? 0 : 1);
}

// Textbook source-over on straight (non-premultiplied) colour, in real numbers.
TEST(GdiPlusDraw, SourceOverFollowsTheTextbookFormula) {
    for (std::uint32_t b : {0xFF000000u, 0xFFFFFFFFu, 0xFFC86432u, 0xC0808040u, 0x80204060u, 0u})
        for (std::uint32_t f :
             {0x80FF4010u, 0x7F00FFFFu, 0x800AC85Au, 0x40FF0000u, 0xFF010203u, 0x00FFFFFFu}) {
            SCOPED_TRACE(testing::Message() << std::hex << f << " over " << b);
            ArgbBitmap source(2, 2, f), target(4, 4, b);
            ASSERT_EQ(Draw(target, source.bitmap, Rect(1, 1, 2, 2),
                           {.compositing = Gdiplus::CompositingModeSourceOver}),
                      Gdiplus::Ok);
            const double as = Channel(f, 24) / 255.0, ad = Channel(b, 24) / 255.0;
            const double a = as + ad * (1 - as);
            const std::uint32_t got = target.At(1, 2);
            EXPECT_EQ(target.At(0, 0), b);
            EXPECT_EQ(target.At(3, 3), b);
            EXPECT_NEAR(Channel(got, 24), a * 255, kSoftGdi ? 0.51 : 1.0);
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(Channel(got, shift) * a,
                            Channel(f, shift) * as + Channel(b, shift) * ad * (1 - as), a);
        }
}

TEST(GdiPlusFilters, DoublingAStepEdgeIsMonotoneAndInRange) {
    ArgbBitmap source(8, 4, 0xFF000000u), target(16, 8);
    for (int i = 0; i < 32; ++i) source.pixels[std::size_t(i)] |= i % 8 < 4 ? 0 : 0xFFFFFF;
    ASSERT_EQ(Draw(target, source.bitmap, Rect(0, 0, 16, 8)), Gdiplus::Ok);
    for (int y = 0; y < 8; ++y) {
        int intermediate = 0;
        for (int x = 0; x < 16; ++x) {
            const std::uint32_t p = target.At(x, y);
            EXPECT_EQ(p, 0xFF000000u | (p & 0xFF) * 0x010101u) << "opaque grey at " << x;
            EXPECT_GE(p & 0xFF, x > 0 ? target.At(x - 1, y) & 0xFF : 0) << "at " << x;
            intermediate += (p & 0xFF) > 0 && (p & 0xFF) < 255;
        }
        EXPECT_GE(intermediate, kSoftGdi ? 2 : 1) << "an interpolated edge, not a hard step";
        EXPECT_LE(Channel(target.At(0, y), 0), kSoftGdi ? 0u : 2u);
        EXPECT_GE(Channel(target.At(15, y), 0), kSoftGdi ? 255u : 253u);
        EXPECT_LE(Channel(target.At(6, y), 0), 127u); // the edge stays within a pixel of the middle
        EXPECT_GE(Channel(target.At(9, y), 0), 128u);
    }
}

// Ours averages the pattern to mid grey; Wine's GDI+ samples it without
// averaging (all white). Common ground: no pattern survives, no colour appears.
TEST(GdiPlusFilters, ShrinkingACheckerboardLeavesNoPattern) {
    ArgbBitmap source(32, 32, 0xFF000000u), target(8, 8), nearest(8, 8);
    for (int i = 0; i < 32 * 32; ++i) source.pixels[std::size_t(i)] |= (i + i / 32) % 2 * 0xFFFFFF;
    ASSERT_EQ(Draw(target, source.bitmap, Rect(0, 0, 8, 8)), Gdiplus::Ok);
    for (auto p : target.pixels) {
        EXPECT_EQ(p, 0xFF000000u | (p & 0xFF) * 0x010101u);
        EXPECT_NEAR(int(Channel(p, 0)), int(Channel(target.pixels[0], 0)), 8);
        EXPECT_TRUE(!kSoftGdi || std::fabs(Channel(p, 0) - 127.5) <= 6) << "mid grey";
    }
    // Without widening the kernel, the same reduction aliases.
    ASSERT_EQ(Draw(nearest, source.bitmap, Rect(0, 0, 8, 8),
                   {.interpolation = Gdiplus::InterpolationModeNearestNeighbor}),
              Gdiplus::Ok);
    EXPECT_TRUE(Channel(nearest.At(0, 0), 8) == 0 || Channel(nearest.At(0, 0), 8) == 255);
}

TEST(GdiPlusFilters, EdgesAreMirroredWhenAskedAndTransparentOtherwise) {
    constexpr std::uint32_t kColour = 0xFF3C78B4u;
    ArgbBitmap source(13, 9, kColour), mirrored(5, 4), bare(26, 18);
    ASSERT_EQ(Draw(mirrored, source.bitmap, Rect(0, 0, 5, 4)), Gdiplus::Ok);
    for (auto p : mirrored.pixels)
        for (int shift : {24, 16, 8, 0})
            EXPECT_NEAR(Channel(p, shift), Channel(kColour, shift), kSoftGdi ? 0 : 1);
    if (!kSoftGdi) return;
    ASSERT_EQ(Draw(bare, source.bitmap, Rect(0, 0, 26, 18), {.tileFlipXY = false}), Gdiplus::Ok);
    EXPECT_LT(Channel(bare.At(0, 0), 24), 255u);
    EXPECT_EQ(bare.At(13, 9), kColour);
    EXPECT_EQ(bare.At(0, 0) & 0xFFFFFF, kColour & 0xFFFFFF); // resampled premultiplied
}

} // namespace
