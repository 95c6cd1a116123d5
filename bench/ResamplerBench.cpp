// The software GDI+ drawing a 4096 x 4096 32-bit bitmap with high-quality
// bicubic resampling: at identity, shrunk to 2731 x 2731, enlarged to
// 6144 x 6144 and turned by 30 degrees. Rates are output pixels per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "SoftGDI/GdiPlus.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

constexpr int kSource = 4096;

struct Canvas {
    explicit Canvas(int size) : size(size), pixels(std::size_t(size) * size) {
        GdipCreateBitmapFromScan0(size, size, size * 4, PixelFormat32bppARGB,
                                  reinterpret_cast<BYTE*>(pixels.data()), &bitmap);
    }
    ~Canvas() { GdipDisposeImage(bitmap); }
    int size;
    std::vector<std::uint32_t> pixels;
    GpBitmap* bitmap = nullptr;
};

Canvas& Source() {
    static Canvas* source = [] {
        auto* canvas = new Canvas(kSource);
        std::mt19937 random(1);
        for (auto& p : canvas->pixels) p = std::uint32_t(random()) | 0xFF000000u;
        return canvas;
    }();
    return *source;
}

// Draws the whole source into a targetSize square target, scaled to
// drawSize, turned by angle degrees about the target's centre.
void Draw(benchmark::State& state, int drawSize, int targetSize, double angle) {
    Canvas& source = Source();
    Canvas target(targetSize);
    GpGraphics* graphics = nullptr;
    GdipGetImageGraphicsContext(target.bitmap, &graphics);
    GdipSetCompositingMode(graphics, CompositingModeSourceCopy);
    GdipSetCompositingQuality(graphics, CompositingQualityHighQuality);
    GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBicubic);
    const double radians = angle * M_PI / 180.0;
    const float c = float(std::cos(radians)), s = float(std::sin(radians));
    const double half = drawSize / 2.0, centre = targetSize / 2.0;
    GpMatrix* matrix = nullptr;
    GdipCreateMatrix2(c, -s, s, c, float(centre - half * c - half * s),
                      float(centre + half * s - half * c), &matrix);
    GdipSetWorldTransform(graphics, matrix);
    GdipDeleteMatrix(matrix);
    GpImageAttributes* attributes = nullptr;
    GdipCreateImageAttributes(&attributes);
    GdipSetImageAttributesWrapMode(attributes, WrapModeTileFlipXY, 0xFF000000u, FALSE);
    for (auto _ : state) {
        const Status status =
            GdipDrawImageRectRectI(graphics, source.bitmap, 0, 0, drawSize, drawSize, 0, 0, kSource,
                                   kSource, UnitPixel, attributes, nullptr, nullptr);
        if (status != Ok) state.SkipWithError("draw failed");
        benchmark::DoNotOptimize(target.pixels.data());
    }
    // Output: the pixels of the drawn square.
    state.counters["Mpixel/s"] = benchmark::Counter(double(drawSize) * drawSize * 1e-6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
    GdipDisposeImageAttributes(attributes);
    GdipDeleteGraphics(graphics);
}

void BM_BicubicIdentity(benchmark::State& state) {
    Draw(state, kSource, kSource, 0);
}
void BM_BicubicShrinkTo2731(benchmark::State& state) {
    Draw(state, 2731, 2731, 0);
}
void BM_BicubicEnlargeTo6144(benchmark::State& state) {
    Draw(state, 6144, 6144, 0);
}
void BM_BicubicTurn30Degrees(benchmark::State& state) {
    Draw(state, kSource, 5600, 30);
}

BENCHMARK(BM_BicubicIdentity)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BicubicShrinkTo2731)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BicubicEnlargeTo6144)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BicubicTurn30Degrees)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
