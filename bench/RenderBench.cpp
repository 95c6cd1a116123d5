// Stretching and rotating a 4096 x 4096 32-bit pixel map: shrunk to
// 2731 x 2731 and enlarged to 6144 x 6144, opaque (two channel-pair draws)
// and blended; turned by 30 degrees into a map that just holds it; and the
// equal-size copy beside memcpy of the same bytes. Rates are target pixels
// per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "GdiPlusSession.h"
#include "RZ/KWPixMap"
#include "RZ/platform/WindowsImaging.h"

namespace {

constexpr int kSource = 4096;

const rzbench::GdiPlusSession gdiPlus;

struct Map {
    explicit Map(int width, int height = -1)
        : handle(RZCreateKWPixMap(width, height < 0 ? width : height, 72, 72, PixelTypeARGB)) {}
    ~Map() { RZDeleteKWPixMap(handle); }
    KWPixMap** handle;
};

Map& Source() {
    static Map* source = [] {
        auto* map = new Map(kSource);
        std::mt19937 random(1);
        auto* bytes = reinterpret_cast<std::uint32_t*>(RZGetKWPixMapBaseAddr(map->handle));
        for (std::size_t i = 0; i < std::size_t(kSource) * kSource; ++i) bytes[i] = random();
        return map;
    }();
    return *source;
}

void Stretch(benchmark::State& state) {
    const int size = int(state.range(0));
    const int useAlpha = int(state.range(1));
    Map target(size);
    const KWRect from{0, 0, kSource, kSource}, to{0, 0, size, size};
    for (auto _ : state)
        if (RZStretchKWPixMap(Source().handle, target.handle, &from, &to, useAlpha) != 0)
            state.SkipWithError("RZStretchKWPixMap failed");
    state.SetItemsProcessed(state.iterations() * std::int64_t(size) * size);
}
BENCHMARK(Stretch)
    ->ArgNames({"size", "useAlpha"})
    ->Args({2731, 0})
    ->Args({2731, 1})
    ->Args({6144, 0})
    ->Args({6144, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void Rotate30(benchmark::State& state) {
    const double angle = 30 * std::numbers::pi / 180;
    int width = kSource, height = kSource;
    RZGetRotatedKWPixMapWidthHeight(&width, &height, angle, nullptr, 0, nullptr, nullptr);
    Map target(width, height);
    const KWRect from{0, 0, kSource, kSource};
    // The bottom-left corner lands where the box just holds the picture.
    const int x = int(std::lround(kSource * std::sin(angle)));
    for (auto _ : state)
        if (RZRotateKWPixMap(Source().handle, target.handle, &from, x, height, angle, false, 0) !=
            0)
            state.SkipWithError("RZRotateKWPixMap failed");
    state.SetItemsProcessed(state.iterations() * std::int64_t(width) * height);
}
BENCHMARK(Rotate30)->Unit(benchmark::kMillisecond)->UseRealTime();

void EqualSizeCopy(benchmark::State& state) {
    Map target(kSource);
    const KWRect all{0, 0, kSource, kSource};
    for (auto _ : state) RZStretchKWPixMap(Source().handle, target.handle, &all, &all, 0);
    state.SetBytesProcessed(state.iterations() * std::int64_t(kSource) * kSource * 4);
}
BENCHMARK(EqualSizeCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

void MemcpyOfTheSameBytes(benchmark::State& state) {
    Map target(kSource);
    const std::size_t bytes = std::size_t(kSource) * kSource * 4;
    for (auto _ : state) {
        std::memcpy(RZGetKWPixMapBaseAddr(target.handle), RZGetKWPixMapBaseAddr(Source().handle),
                    bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes));
}
BENCHMARK(MemcpyOfTheSameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
