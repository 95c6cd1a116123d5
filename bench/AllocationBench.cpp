// Large pixel maps in one-shot work: every iteration takes a fresh block from
// the root library and touches all of it, so the cost of first-touch page
// faults is part of what is measured (as it is for a host that imports one
// image). Freeing is timed too: unmapping is part of a block's life.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "RZ/KWPixMap"

namespace {

constexpr int kSide = 4096;
constexpr unsigned char kColour[4] = {255, 10, 120, 230};

std::int64_t MapBytes(int width, int height) {
    return static_cast<std::int64_t>(width) * height * 4 + 32;
}

// A filled 4096 x 4096 32-bit map that outlives the timed loop.
class SourceMap {
public:
    SourceMap() : handle_(RZCreateKWPixMap(kSide, kSide, 72, 72, PixelTypeARGB)) {
        if (handle_ != nullptr) RZFillKWPixMap(handle_, kColour);
    }
    ~SourceMap() { RZDeleteKWPixMap(handle_); }
    SourceMap(const SourceMap&) = delete;
    SourceMap& operator=(const SourceMap&) = delete;
    KWPixMap** get() const { return handle_; }

private:
    KWPixMap** handle_;
};

void BM_CreateAndFill4096(benchmark::State& state) {
    for (auto _ : state) {
        KWPixMap** map = RZCreateKWPixMap(kSide, kSide, 72, 72, PixelTypeARGB);
        if (map == nullptr) {
            state.SkipWithError("RZCreateKWPixMap failed");
            break;
        }
        RZFillKWPixMap(map, kColour);
        benchmark::DoNotOptimize(*map);
        RZDeleteKWPixMap(map);
    }
    state.SetBytesProcessed(state.iterations() * MapBytes(kSide, kSide));
}
BENCHMARK(BM_CreateAndFill4096)->Unit(benchmark::kMillisecond);

void BM_Copy4096(benchmark::State& state) {
    SourceMap source;
    if (source.get() == nullptr) {
        state.SkipWithError("RZCreateKWPixMap failed");
        return;
    }
    for (auto _ : state) {
        KWPixMap** copy = nullptr;
        if (RZCopyKWPixMap(&copy, source.get()) != RZErrNone) {
            state.SkipWithError("RZCopyKWPixMap failed");
            break;
        }
        benchmark::DoNotOptimize(*copy);
        RZDeleteKWPixMap(copy);
    }
    state.SetBytesProcessed(state.iterations() * MapBytes(kSide, kSide));
}
BENCHMARK(BM_Copy4096)->Unit(benchmark::kMillisecond);

// A crop that keeps all but a 48-pixel border: row-by-row copying into a
// fresh 4000 x 4000 map.
void BM_Crop4096(benchmark::State& state) {
    SourceMap source;
    if (source.get() == nullptr) {
        state.SkipWithError("RZCreateKWPixMap failed");
        return;
    }
    const KWRect rect = {48, 48, kSide - 48, kSide - 48};
    for (auto _ : state) {
        KWPixMap** cropped = nullptr;
        if (RZCropKWPixMap(source.get(), &cropped, &rect) != RZErrNone) {
            state.SkipWithError("RZCropKWPixMap failed");
            break;
        }
        benchmark::DoNotOptimize(*cropped);
        RZDeleteKWPixMap(cropped);
    }
    state.SetBytesProcessed(state.iterations() * MapBytes(kSide - 96, kSide - 96));
}
BENCHMARK(BM_Crop4096)->Unit(benchmark::kMillisecond);

} // namespace
