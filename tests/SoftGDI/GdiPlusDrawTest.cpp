// GDI+ drawing: exact identity, turn and mirror draws, filter behaviour,
// colour matrices, compositing, targets of every depth and failure results.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "GdiTestSupport.h"
#include "SoftGDI/GdiPlus.h"

using namespace Gdiplus;
using namespace softgditest;

namespace {

// A 32bppARGB bitmap over memory the test owns, pixels as 0xAARRGGBB.
struct ArgbImage {
    ArgbImage(int w, int h, std::uint32_t fill = 0)
        : width(w), height(h), pixels(std::size_t(w) * h, fill),
          bitmap(new Bitmap(w, h, w * 4, PixelFormat32bppARGB,
                            reinterpret_cast<BYTE*>(pixels.data()))) {}
    std::uint32_t& At(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    int width, height;
    std::vector<std::uint32_t> pixels;
    std::unique_ptr<Bitmap> bitmap;
};

void FillRandom(ArgbImage& image, unsigned seed, bool opaque) {
    std::mt19937 random(seed);
    for (auto& p : image.pixels) p = std::uint32_t(random()) | (opaque ? 0xFF000000u : 0u);
}

unsigned Channel(std::uint32_t c, int shift) {
    return (c >> shift) & 0xFF;
}

Status DrawWith(Graphics& g, ArgbImage& source, const Rect& target,
                const ImageAttributes* attributes = nullptr) {
    return g.DrawImage(source.bitmap.get(), target, 0, 0, source.width, source.height, UnitPixel,
                       attributes);
}

// Copies all of source onto all of target with the given filter, edges mirrored or left bare.
Status DrawScaled(ArgbImage& source, ArgbImage& target, InterpolationMode mode,
                  bool mirrored = true) {
    Graphics g(target.bitmap.get());
    g.SetCompositingMode(CompositingModeSourceCopy);
    g.SetInterpolationMode(mode);
    ImageAttributes attributes;
    if (mirrored) attributes.SetWrapMode(WrapModeTileFlipXY);
    return DrawWith(g, source, Rect(0, 0, target.width, target.height), &attributes);
}

TEST(GdiPlusExactness, IdentityDrawsReproduceTheSourceInEveryMode) {
    for (InterpolationMode mode : {InterpolationModeNearestNeighbor, InterpolationModeBilinear,
                                   InterpolationModeBicubic, InterpolationModeHighQualityBicubic}) {
        ArgbImage source(13, 9), target(20, 16, 0x12345678);
        FillRandom(source, 3, false);  // semi-transparent pixels included
        source.At(0, 0) = 0x00ABCDEFu; // colour of a fully transparent pixel kept too
        Graphics g(target.bitmap.get());
        ASSERT_EQ(g.GetLastStatus(), Ok);
        g.SetCompositingMode(CompositingModeSourceCopy);
        g.SetInterpolationMode(mode);
        ImageAttributes attributes;
        attributes.SetWrapMode(WrapModeTileFlipXY, Color(0xFF000000), FALSE);
        ASSERT_EQ(DrawWith(g, source, Rect(4, 5, 13, 9), &attributes), Ok);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool inside = x >= 4 && x < 17 && y >= 5 && y < 14;
                const std::uint32_t want = inside ? source.At(x - 4, y - 5) : 0x12345678u;
                ASSERT_EQ(target.At(x, y), want) << "mode " << mode << " at " << x << "," << y;
            }
    }
}

// Where source pixel (i, j) of a w x h source lands under the turn by
// quarter turns (and mirror), with the transform made as rotation callers
// make it: from the float cosine and sine of the angle.
TEST(GdiPlusExactness, QuarterTurnsAndMirrorsReproduceTheSource) {
    const int w = 7, h = 5;
    ArgbImage source(w, h);
    FillRandom(source, 11, true);
    for (int quarter = 0; quarter < 4; ++quarter)
        for (bool mirror : {false, true}) {
            const double angle = quarter * M_PI / 2;
            const float c = float(std::cos(angle)), s = float(std::sin(angle));
            ArgbImage target(20, 20, 0);
            Graphics g(target.bitmap.get());
            g.SetCompositingMode(CompositingModeSourceCopy);
            g.SetInterpolationMode(InterpolationModeHighQualityBicubic);
            const float m11 = mirror ? -c : c, m12 = mirror ? s : -s;
            Matrix m(m11, m12, s, c, 10, 10);
            ASSERT_EQ(g.SetTransform(&m), Ok);
            ImageAttributes attributes;
            attributes.SetWrapMode(WrapModeTileFlipXY);
            ASSERT_EQ(DrawWith(g, source, Rect(0, 0, w, h), &attributes), Ok);
            int written = 0;
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) {
                    // Centre of source pixel (i, j) mapped by the transform.
                    const double u = i + 0.5, v = j + 0.5;
                    const double x = u * m11 + v * s + 10, y = u * m12 + v * c + 10;
                    const int tx = int(std::floor(x)), ty = int(std::floor(y));
                    EXPECT_EQ(target.At(tx, ty), source.At(i, j))
                        << "quarter " << quarter << " mirror " << mirror << " at " << i << "," << j;
                    ++written;
                }
            int nonZero = 0;
            for (auto p : target.pixels) nonZero += p != 0;
            EXPECT_EQ(nonZero, written) << "only the turned rectangle is written";
        }
}

TEST(GdiPlusFilters, DoublingAStepEdgeIsSmoothAndInRange) {
    ArgbImage source(8, 4), target(16, 8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) source.At(x, y) = x < 4 ? 0xFF000000u : 0xFFFFFFFFu;
    ASSERT_EQ(DrawScaled(source, target, InterpolationModeHighQualityBicubic), Ok);
    for (int y = 0; y < 8; ++y) {
        int intermediate = 0;
        for (int x = 0; x < 16; ++x) {
            const std::uint32_t p = target.At(x, y);
            EXPECT_EQ(Channel(p, 24), 255u);
            EXPECT_EQ(Channel(p, 16), Channel(p, 0)); // grey stays grey
            if (x > 0) {
                EXPECT_GE(Channel(p, 8), Channel(target.At(x - 1, y), 8));
            }
            intermediate += Channel(p, 8) > 0 && Channel(p, 8) < 255;
        }
        EXPECT_GE(intermediate, 2) << "an interpolated edge, not a hard step";
        EXPECT_EQ(target.At(0, y), 0xFF000000u);
        EXPECT_EQ(target.At(15, y), 0xFFFFFFFFu);
    }
}

TEST(GdiPlusFilters, ShrinkingACheckerboardByFourGivesMidGrey) {
    ArgbImage source(64, 64), target(16, 16);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) source.At(x, y) = (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u;
    ASSERT_EQ(DrawScaled(source, target, InterpolationModeHighQualityBicubic), Ok);
    for (auto p : target.pixels)
        for (int shift : {0, 8, 16}) EXPECT_NEAR(double(Channel(p, shift)), 127.5, 6.0);
    // Without widening the kernel, the same reduction aliases.
    ArgbImage plain(16, 16);
    ASSERT_EQ(DrawScaled(source, plain, InterpolationModeNearestNeighbor), Ok);
    EXPECT_TRUE(Channel(plain.At(0, 0), 8) == 0 || Channel(plain.At(0, 0), 8) == 255);
}

TEST(GdiPlusFilters, OutsideTheSourceIsTransparentUnlessMirrored) {
    ArgbImage source(4, 4, 0xFF808080u), bare(8, 8), mirrored(8, 8);
    ASSERT_EQ(DrawScaled(source, bare, InterpolationModeHighQualityBicubic, false), Ok);
    ASSERT_EQ(DrawScaled(source, mirrored, InterpolationModeHighQualityBicubic), Ok);
    EXPECT_LT(Channel(bare.At(0, 0), 24), 255u);
    EXPECT_EQ(Channel(bare.At(4, 4), 24), 255u);
    EXPECT_EQ(Channel(bare.At(0, 0), 16), 0x80u); // colour unchanged: resampled premultiplied
    for (auto p : mirrored.pixels) EXPECT_EQ(p, 0xFF808080u);
}

TEST(GdiPlusColourMatrix, SwapsChannelsAndDropsAlpha) {
    ArgbImage source(3, 2), target(3, 2);
    FillRandom(source, 5, false);
    // Red and blue swapped; alpha replaced by 1 (opaque).
    ColorMatrix swap{};
    swap.m[0][2] = 1; // red -> blue
    swap.m[2][0] = 1; // blue -> red
    swap.m[1][1] = 1;
    swap.m[4][3] = 1; // alpha = 1
    swap.m[4][4] = 1;
    ImageAttributes attributes;
    ASSERT_EQ(attributes.SetColorMatrix(&swap, ColorMatrixFlagsDefault, ColorAdjustTypeBitmap), Ok);
    Graphics g(target.bitmap.get());
    g.SetCompositingMode(CompositingModeSourceCopy);
    ASSERT_EQ(DrawWith(g, source, Rect(0, 0, 3, 2), &attributes), Ok);
    for (std::size_t i = 0; i < source.pixels.size(); ++i) {
        const std::uint32_t s = source.pixels[i], t = target.pixels[i];
        EXPECT_EQ(Channel(t, 24), 255u);
        EXPECT_EQ(Channel(t, 16), Channel(s, 0));
        EXPECT_EQ(Channel(t, 8), Channel(s, 8));
        EXPECT_EQ(Channel(t, 0), Channel(s, 16));
    }
    // Results are clamped to 0..255.
    ColorMatrix bright{};
    for (int i = 0; i < 3; ++i) bright.m[i][i] = 3;
    bright.m[3][3] = 1;
    bright.m[4][4] = 1;
    bright.m[4][0] = -0.5f; // red pulled down by 127.5
    ArgbImage grey(1, 1, 0xFF646464u), out(1, 1);
    ImageAttributes brighten;
    brighten.SetColorMatrix(&bright);
    Graphics g2(out.bitmap.get());
    g2.SetCompositingMode(CompositingModeSourceCopy);
    ASSERT_EQ(DrawWith(g2, grey, Rect(0, 0, 1, 1), &brighten), Ok);
    EXPECT_EQ(out.At(0, 0), 0xFFADFFFFu); // 300 - 127.5 rounds to 173 (0xAD); 300 clamps
}

TEST(GdiPlusCompositing, SourceOverMatchesTheTextbookFormula) {
    const std::uint32_t background[] = {0xFFC86432u, 0x80204060u, 0x00000000u};
    const std::uint32_t foreground[] = {0x800AC85Au, 0x40FF0000u, 0xFF010203u, 0x00FFFFFFu};
    for (std::uint32_t b : background)
        for (std::uint32_t f : foreground) {
            ArgbImage source(1, 1, f), target(1, 1, b);
            Graphics g(target.bitmap.get());
            g.SetCompositingMode(CompositingModeSourceOver);
            ASSERT_EQ(DrawWith(g, source, Rect(0, 0, 1, 1)), Ok);
            const double as = Channel(f, 24) / 255.0, ad = Channel(b, 24) / 255.0;
            const double ao = as + ad * (1 - as);
            EXPECT_NEAR(Channel(target.At(0, 0), 24), ao * 255, 0.51);
            if (ao > 0)
                for (int shift : {0, 8, 16}) {
                    const double co =
                        (Channel(f, shift) * as + Channel(b, shift) * ad * (1 - as)) / ao;
                    EXPECT_NEAR(Channel(target.At(0, 0), shift), co, 1.0)
                        << std::hex << f << " over " << b;
                }
        }
}

TEST(GdiPlusTargets, DrawsIntoDeviceContextsOfEveryDepth) {
    // Colours drawn are entries of the sections' colour table, so indexed
    // targets find them exactly.
    const Info table = MakeInfo(1, 1, 8, true);
    auto colourOf = [&](int index) {
        const RGBQUAD& q = table.colours[index];
        return 0xFF000000u | std::uint32_t(q.rgbRed) << 16 | std::uint32_t(q.rgbGreen) << 8 |
               q.rgbBlue;
    };
    ArgbImage source(4, 2);
    for (int i = 0; i < 8; ++i) source.pixels[std::size_t(i)] = colourOf(i % 2 == 0 ? 0 : 1 + i);
    for (int bits : {1, 8, 24, 32}) {
        SectionDC s(4, 2, bits);
        std::memset(s.bytes, 0, std::size_t(s.stride) * 2);
        Graphics g(s.dc);
        ASSERT_EQ(g.GetLastStatus(), Ok);
        g.SetCompositingMode(CompositingModeSourceCopy);
        ASSERT_EQ(DrawWith(g, source, Rect(0, 0, 4, 2)), Ok) << bits;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                const int i = y * 4 + x;
                const std::uint8_t* row = s.Row(y);
                if (bits == 1) {
                    // Entries 0 and 1 only: the nearest of the two.
                    const int bit = (row[0] >> (7 - x)) & 1;
                    if (i % 2 == 0) {
                        EXPECT_EQ(bit, 0);
                    }
                } else if (bits == 8) {
                    EXPECT_EQ(row[x], i % 2 == 0 ? 0 : 1 + i);
                } else {
                    const std::uint8_t* p = row + x * (bits / 8);
                    const std::uint32_t c = source.pixels[std::size_t(i)];
                    EXPECT_EQ(p[0], Channel(c, 0));
                    EXPECT_EQ(p[1], Channel(c, 8));
                    EXPECT_EQ(p[2], Channel(c, 16));
                    if (bits == 32) {
                        EXPECT_EQ(p[3], 0xFF);
                    }
                }
            }
    }
}

TEST(GdiPlusTargets, IndexedSourcesReadThroughTheirPalette) {
    std::vector<std::uint8_t> rows = {0, 1, 2, 3, 3, 2, 1, 0};
    Bitmap indexed(4, 2, 4, PixelFormat8bppIndexed, rows.data());
    struct {
        ColorPalette head;
        ARGB more[3];
    } palette{{PaletteFlagsHasAlpha, 4, {0xFF112233u}}, {0x80445566u, 0xFF778899u, 0x00000000u}};
    ASSERT_EQ(indexed.SetPalette(&palette.head), Ok);
    EXPECT_EQ(indexed.GetPaletteSize(), int(sizeof(ColorPalette) + 3 * sizeof(ARGB)));
    ArgbImage target(4, 2, 0xDEADBEEFu);
    Graphics g(target.bitmap.get());
    g.SetCompositingMode(CompositingModeSourceCopy);
    ASSERT_EQ(g.DrawImage(&indexed, Rect(0, 0, 4, 2), 0, 0, 4, 2, UnitPixel), Ok);
    const ARGB entries[] = {0xFF112233u, 0x80445566u, 0xFF778899u, 0x00000000u};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(target.pixels[std::size_t(i)], entries[rows[i]]) << i;
}

// A bitmap class of the caller's, as the library derives one.
class OwningBitmap : public Bitmap {
public:
    OwningBitmap(int w, int h, std::uint32_t* memory, bool* destroyed)
        : Bitmap(w, h, w * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(memory)),
          destroyed_(destroyed) {}
    ~OwningBitmap() override { *destroyed_ = true; }
    GpImage* Native() const { return nativeImage; }

private:
    bool* destroyed_;
};

TEST(GdiPlusWrappers, DerivedBitmapsAndCloneBehave) {
    std::uint32_t memory[4] = {1, 2, 3, 0xFF00FF00u};
    bool destroyed = false;
    Image* image = new OwningBitmap(2, 2, memory, &destroyed);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetLastStatus(), Ok);
    EXPECT_EQ(image->GetPixelFormat(), PixelFormat32bppARGB);
    Image* clone = image->Clone();
    ASSERT_NE(clone, nullptr);
    delete image;
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(clone->GetWidth(), 2u);
    // The clone is a copy: drawing it shows the pixels the original had.
    memory[3] = 0;
    ArgbImage shown(2, 2);
    Graphics g(shown.bitmap.get());
    g.SetCompositingMode(CompositingModeSourceCopy);
    ASSERT_EQ(g.DrawImage(clone, 0, 0), Ok);
    EXPECT_EQ(shown.At(1, 1), 0xFF00FF00u);
    EXPECT_EQ(shown.At(0, 0), 1u);
    delete clone;
}

TEST(GdiPlusFailures, BadArgumentsGiveStatusesAndNoCrash) {
    using namespace DllExports;
    GpBitmap* bitmap = nullptr;
    std::uint32_t memory[16] = {};
    auto* scan0 = reinterpret_cast<BYTE*>(memory);
    EXPECT_EQ(GdipCreateBitmapFromScan0(0, 4, 16, PixelFormat32bppARGB, scan0, &bitmap),
              InvalidParameter);
    EXPECT_EQ(GdipCreateBitmapFromScan0(4, 4, 6, PixelFormat32bppARGB, scan0, &bitmap),
              InvalidParameter); // stride not a multiple of 4
    EXPECT_EQ(GdipCreateBitmapFromScan0(4, 4, 8, PixelFormat32bppARGB, scan0, &bitmap),
              InvalidParameter); // stride shorter than a row
    EXPECT_EQ(GdipCreateBitmapFromScan0(4, 4, 16, 0x12345, scan0, &bitmap), InvalidParameter);
    EXPECT_EQ(bitmap, nullptr);
    // Every published format can be made.
    for (PixelFormat format :
         {PixelFormat1bppIndexed, PixelFormat4bppIndexed, PixelFormat8bppIndexed,
          PixelFormat16bppGrayScale, PixelFormat16bppRGB555, PixelFormat16bppRGB565,
          PixelFormat16bppARGB1555, PixelFormat24bppRGB, PixelFormat32bppRGB, PixelFormat32bppARGB,
          PixelFormat32bppPARGB, PixelFormat48bppRGB, PixelFormat64bppARGB, PixelFormat64bppPARGB,
          PixelFormat32bppCMYK}) {
        std::vector<std::uint8_t> rows(64 * 2);
        Bitmap b(2, 2, 64, format, rows.data());
        EXPECT_EQ(b.GetLastStatus(), Ok) << std::hex << format;
        EXPECT_EQ(b.GetPixelFormat(), format);
    }
    // No graphics on indexed bitmaps.
    std::uint8_t indexedRows[8] = {};
    Bitmap indexed(4, 2, 4, PixelFormat8bppIndexed, indexedRows);
    Graphics onIndexed(&indexed);
    EXPECT_NE(onIndexed.GetLastStatus(), Ok);
    // Dead or foreign objects are refused.
    ASSERT_EQ(GdipCreateBitmapFromScan0(4, 4, 16, PixelFormat32bppARGB, scan0, &bitmap), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(bitmap, &graphics), Ok);
    EXPECT_EQ(GdipDrawImageRectRectI(graphics, nullptr, 0, 0, 1, 1, 0, 0, 1, 1, UnitPixel, nullptr,
                                     nullptr, nullptr),
              InvalidParameter);
    auto* foreign = reinterpret_cast<GpImageAttributes*>(memory);
    EXPECT_EQ(GdipDrawImageRectRectI(graphics, bitmap, 0, 0, 1, 1, 0, 0, 1, 1, UnitPixel, foreign,
                                     nullptr, nullptr),
              InvalidParameter);
    EXPECT_EQ(GdipSetCompositingMode(graphics, CompositingMode(7)), InvalidParameter);
    EXPECT_EQ(GdipSetWorldTransform(graphics, nullptr), InvalidParameter);
    EXPECT_EQ(GdipDisposeImage(bitmap), Ok);
    EXPECT_EQ(GdipDisposeImage(bitmap), InvalidParameter);
    EXPECT_EQ(GdipDrawImageRectRectI(graphics, bitmap, 0, 0, 1, 1, 0, 0, 1, 1, UnitPixel, nullptr,
                                     nullptr, nullptr),
              InvalidParameter);
    EXPECT_EQ(GdipDeleteGraphics(graphics), Ok);
    EXPECT_EQ(GdipDeleteGraphics(graphics), InvalidParameter);
    EXPECT_EQ(GdipCreateFromHDC(reinterpret_cast<HDC>(std::uintptr_t(0x70)), &graphics),
              OutOfMemory);
    EXPECT_EQ(GdipFlush(nullptr, FlushIntentionFlush), InvalidParameter);
    // A graphics whose DC is gone fails its draws.
    HDC dc = CreateCompatibleDC(nullptr);
    Graphics onDC(dc);
    EXPECT_EQ(onDC.GetLastStatus(), Ok);
    DeleteDC(dc);
    ArgbImage source(1, 1);
    EXPECT_NE(DrawWith(onDC, source, Rect(0, 0, 1, 1)), Ok);
    // A source rectangle far beyond a tiny image is refused, not allocated.
    ArgbImage tiny(2, 2), canvas(4, 4);
    Graphics onCanvas(canvas.bitmap.get());
    EXPECT_EQ(
        onCanvas.DrawImage(tiny.bitmap.get(), Rect(0, 0, 4, 4), 0, 0, 100000, 100000, UnitPixel),
        OutOfMemory);
    EXPECT_EQ(onCanvas.DrawImage(tiny.bitmap.get(), Rect(0, 0, 4, 4), 0, 0, 2, 2, UnitInch),
              NotImplemented);
    // Startup hands out tokens.
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    EXPECT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    EXPECT_NE(token, 0u);
    GdiplusShutdown(token);
    EXPECT_EQ(GdiplusStartup(nullptr, &input, nullptr), InvalidParameter);
}

} // namespace
