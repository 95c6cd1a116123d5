// Drawing a 4096 x 4096 32-bit pixel map on devices of 8 and 32 bits, one to
// one and at half size; reading a 4096 x 4096 32-bit device bitmap back into
// a pixel map; beside them the conversion the 8-bit draw contains and memcpy
// of the map's bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "GdiPlusSession.h"
#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"
#include "RZ/platform/WindowsImaging.h"
#include "SoftGDI/Display.h"

namespace {

constexpr int kSide = 4096;

const rzbench::GdiPlusSession gdiPlus;

KWPixMap** Source() {
    static KWPixMap** map = [] {
        KWPixMap** m = RZCreateKWPixMap(kSide, kSide, 72, 72, PixelTypeARGB);
        std::mt19937 random(1);
        auto* pixels = reinterpret_cast<std::uint32_t*>(RZGetKWPixMapBaseAddr(m));
        for (std::size_t i = 0; i < std::size_t(kSide) * kSide; ++i) pixels[i] = random() | 0xFFu;
        return m;
    }();
    return map;
}

void DrawOnDevice(benchmark::State& state) {
    const int depth = int(state.range(0)), size = int(state.range(1));
    HDC device = SoftGdiCreateDisplayDC(depth, size, size);
    const KWRect source{0, 0, kSide, kSide}, target{0, 0, size, size};
    for (auto _ : state)
        if (RZDrawKWPixMapPartOnHDC(device, Source(), &source, &target, 0, 0, 0) != 0)
            state.SkipWithError("RZDrawKWPixMapPartOnHDC failed");
    DeleteDC(device);
    state.SetItemsProcessed(state.iterations() * std::int64_t(kSide) * kSide);
}
BENCHMARK(DrawOnDevice)
    ->ArgNames({"depth", "size"})
    ->Args({8, kSide})
    ->Args({8, kSide / 2})
    ->Args({32, kSide})
    ->Args({32, kSide / 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the 8-bit draw contains: the DIB export and the conversion.
void ExportAndConvertTo8Bits(benchmark::State& state) {
    for (auto _ : state) {
        char* dib = nullptr;
        RZKWPixMap2DIB(Source(), nullptr, &dib, nullptr);
        void* converted = nullptr;
        CRZConvertBitmap(&converted, 8, reinterpret_cast<BITMAPINFOHEADER*>(dib), 0, 0);
        BMKillPtr(&dib);
        char* block = static_cast<char*>(converted);
        BMKillPtr(&block);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(kSide) * kSide);
}
BENCHMARK(ExportAndConvertTo8Bits)->Unit(benchmark::kMillisecond)->UseRealTime();

void DeviceBitmapToPixMap(benchmark::State& state) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kSide, kSide);
    ReleaseDC(nullptr, screen);
    for (auto _ : state) {
        KWPixMap** map = nullptr;
        if (RZDDB2KWPixMap(dc, bitmap, &map, nullptr) != 0) state.SkipWithError("failed");
        RZDeleteKWPixMap(map);
    }
    DeleteObject(bitmap);
    DeleteDC(dc);
    state.SetBytesProcessed(state.iterations() * std::int64_t(kSide) * kSide * 4);
}
BENCHMARK(DeviceBitmapToPixMap)->Unit(benchmark::kMillisecond)->UseRealTime();

void MemcpyOfTheMap(benchmark::State& state) {
    const std::size_t bytes = std::size_t(kSide) * kSide * 4;
    KWPixMap** copy = RZCreateKWPixMap(kSide, kSide, 72, 72, PixelTypeARGB);
    for (auto _ : state) {
        std::memcpy(RZGetKWPixMapBaseAddr(copy), RZGetKWPixMapBaseAddr(Source()), bytes);
        benchmark::ClobberMemory();
    }
    RZDeleteKWPixMap(copy);
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes));
}
BENCHMARK(MemcpyOfTheMap)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
