// Colour reduction on a 4096 x 4096 photograph-like 32-bit DIB (the picture
// bench/peers.sh gives the peers): conversions to 8, 4 and 1 bits, the lookup
// cube builds and the popularity colour table, beside a plain copy of the
// source bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "KWRoot/Memory.h"
#include "PhotoPicture.h"
#include "RZ/KWPixMap"
#include "RZ/color/InverseColorMap.h"
#include "RZ/color/StandardPalettes.h"

namespace {

constexpr int kSide = 4096;
constexpr std::int64_t kPixels = std::int64_t{kSide} * kSide;

const BITMAPINFOHEADER* PhotoDib() {
    static std::vector<std::uint32_t> words = [] {
        std::vector<std::uint32_t> w(10 + kPixels);
        auto* h = reinterpret_cast<BITMAPINFOHEADER*>(w.data());
        h->biSize = 40;
        h->biWidth = kSide;
        h->biHeight = kSide;
        h->biPlanes = 1;
        h->biBitCount = 32;
        rzbench::FillPhoto(kSide, kSide, reinterpret_cast<std::uint8_t*>(w.data() + 10), 4, false);
        return w;
    }();
    return reinterpret_cast<const BITMAPINFOHEADER*>(words.data());
}

void Convert(benchmark::State& state, short bits, bool dither, bool standard) {
    const BITMAPINFOHEADER* dib = PhotoDib();
    for (auto _ : state) {
        void* out = nullptr;
        const unsigned size = CRZConvertBitmap(&out, bits, dib, dither, standard);
        if (size == 0) state.SkipWithError("conversion failed");
        char* block = static_cast<char*>(out);
        BMKillPtr(&block);
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_CopySourceBytes(benchmark::State& state) {
    const BITMAPINFOHEADER* dib = PhotoDib();
    std::vector<std::uint8_t> copy(kPixels * 4);
    for (auto _ : state) {
        std::memcpy(copy.data(), reinterpret_cast<const char*>(dib) + 40, copy.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_Convert8Popularity(benchmark::State& s) {
    Convert(s, 8, false, false);
}
void BM_Convert8PopularityDithered(benchmark::State& s) {
    Convert(s, 8, true, false);
}
void BM_Convert8Standard(benchmark::State& s) {
    Convert(s, 8, false, true);
}
void BM_Convert8StandardDithered(benchmark::State& s) {
    Convert(s, 8, true, true);
}
void BM_Convert4(benchmark::State& s) {
    Convert(s, 4, false, false);
}
void BM_Convert4Dithered(benchmark::State& s) {
    Convert(s, 4, true, false);
}
void BM_Convert1(benchmark::State& s) {
    Convert(s, 1, false, false);
}
void BM_Convert1Dithered(benchmark::State& s) {
    Convert(s, 1, true, false);
}

void BuildCube(benchmark::State& state, const RGBQUAD* palette, int count) {
    std::vector<std::uint8_t> cube(32768);
    for (auto _ : state) {
        if (!rz::color::BuildColorCube(static_cast<std::int16_t>(count), palette, 5, cube.data()))
            state.SkipWithError("cube build failed");
        benchmark::DoNotOptimize(cube.data());
    }
}

void BM_CubeStandard256(benchmark::State& s) {
    BuildCube(s, rz::color::kStandardPalette256.data(), 256);
}
void BM_CubeStandard16(benchmark::State& s) {
    BuildCube(s, rz::color::kStandardPalette16.data(), 16);
}

void BM_CalcPixMapColorTable(benchmark::State& state) {
    KWPixMap** map = RZCreateKWPixMap(kSide, kSide, 72, 72, PixelTypeARGB);
    rzbench::FillPhoto(kSide, kSide, reinterpret_cast<std::uint8_t*>(RZGetKWPixMapBaseAddr(map)), 4,
                       true);
    for (auto _ : state) {
        TVADescriptor table{};
        vaManager.init(&table);
        if (RZCalcPixMapColorTable(map, 256, &table) != 0) state.SkipWithError("table failed");
        vaManager.dispose(&table);
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
    RZDeleteKWPixMap(map);
}

} // namespace

BENCHMARK(BM_CopySourceBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert8Popularity)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert8PopularityDithered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert8Standard)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert8StandardDithered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert4Dithered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert1Dithered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CubeStandard256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CubeStandard16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CalcPixMapColorTable)->Unit(benchmark::kMillisecond);
