// Whole-map operations of the pixel map core on a 4096 x 4096 map of each
// pixel type, in Mpixel/s, beside a plain memcpy of the same row bytes.
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "RZ/KWPixMap"

namespace {

constexpr int kSide = 4096;
constexpr double kPixels = double(kSide) * kSide;

void CountPixels(benchmark::State& state, double pixelsPerIteration) {
    state.counters["Mpixel/s"] = benchmark::Counter(
        pixelsPerIteration * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

KWPixelType TypeOf(const benchmark::State& state) {
    return static_cast<KWPixelType>(state.range(0));
}

// A map with varied content, so that fills and reads see realistic bytes.
KWPixMap** MakeMap(KWPixelType type) {
    KWPixMap** map = RZCreateKWPixMap(kSide, kSide, 72, 72, type);
    auto* base = reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(map));
    const std::size_t bytes = std::size_t(RZGetKWPixMapBytesPerRow(map)) * kSide;
    for (std::size_t i = 0; i < bytes; ++i)
        base[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    return map;
}

void Fill(benchmark::State& state) {
    PixMapHandleGuard map(MakeMap(TypeOf(state)));
    unsigned char colour[4] = {255, 200, 100, 50};
    for (auto _ : state) {
        colour[1] ^= 0xFF; // alternate white and dark so 1-bit fills differ
        RZFillKWPixMap(map(), colour);
        benchmark::ClobberMemory();
    }
    CountPixels(state, kPixels);
}

void GetPixel(benchmark::State& state) {
    PixMapHandleGuard map(MakeMap(TypeOf(state)));
    KWPixMap** const handle = map();
    for (auto _ : state) {
        unsigned int sum = 0;
        unsigned char colour[4];
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                RZGetKWPixMapPixel(handle, x, y, colour);
                sum += colour[0] + colour[1] + colour[2] + colour[3];
            }
        benchmark::DoNotOptimize(sum);
    }
    CountPixels(state, kPixels);
}

void SetPixel(benchmark::State& state) {
    PixMapHandleGuard map(MakeMap(TypeOf(state)));
    KWPixMap** const handle = map();
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const unsigned char colour[4] = {0, static_cast<unsigned char>(x),
                                                 static_cast<unsigned char>(y),
                                                 static_cast<unsigned char>(x + y)};
                RZSetKWPixMapPixel(handle, x, y, colour);
            }
        benchmark::ClobberMemory();
    }
    CountPixels(state, kPixels);
}

void Copy(benchmark::State& state) {
    PixMapHandleGuard map(MakeMap(TypeOf(state)));
    for (auto _ : state) {
        KWPixMap** copy = nullptr;
        RZCopyKWPixMap(&copy, map());
        benchmark::DoNotOptimize(copy);
        RZDeleteKWPixMap(copy);
    }
    CountPixels(state, kPixels);
}

// The central half in each direction; the rate counts result pixels.
void Crop(benchmark::State& state) {
    PixMapHandleGuard map(MakeMap(TypeOf(state)));
    const KWRect centre{kSide / 4, kSide / 4 + 3, 3 * kSide / 4, 3 * kSide / 4 + 3};
    KWPixMap** result = nullptr;
    for (auto _ : state) {
        RZCropKWPixMap(map(), &result, &centre);
        benchmark::DoNotOptimize(result);
    }
    RZDeleteKWPixMap(result);
    CountPixels(state, kPixels / 4);
}

// The floor: memcpy of the row bytes of a map of this type.
void Memcpy(benchmark::State& state) {
    PixMapHandleGuard map(MakeMap(TypeOf(state)));
    const std::size_t bytes = std::size_t(RZGetKWPixMapBytesPerRow(map())) * kSide;
    std::vector<char> target(bytes, 1);
    for (auto _ : state) {
        std::memcpy(target.data(), RZGetKWPixMapBaseAddr(map()), bytes);
        benchmark::ClobberMemory();
    }
    CountPixels(state, kPixels);
}

void EachType(benchmark::internal::Benchmark* b) {
    b->ArgName("type")->DenseRange(PixelTypeARGB, PixelTypeGrey)->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(Fill)->Apply(EachType);
BENCHMARK(GetPixel)->Apply(EachType);
BENCHMARK(SetPixel)->Apply(EachType);
BENCHMARK(Copy)->Apply(EachType);
BENCHMARK(Crop)->Apply(EachType);
BENCHMARK(Memcpy)->Apply(EachType);
