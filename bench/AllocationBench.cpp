// Large pixel maps in one-shot work (create and fill, copy, crop, DIB import):
// every iteration takes fresh blocks from the root library and touches all of
// them, so the cost of first-touch page faults is part of what is measured,
// as it is for a host that imports one image. Freeing is timed too: unmapping
// is part of a block's life.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

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

void PutLittleEndian(std::vector<char>& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// A packed bottom-up 4096 x 4096 DIB of 32 or 8 bits per pixel (8 bits with
// a 256-entry colour table), its pixels a non-uniform pattern.
std::vector<char> PackedDIB(int bits) {
    const std::uint32_t colours = bits == 8 ? 256 : 0;
    const std::uint32_t rowBytes = kSide * bits / 8;
    const std::size_t headerSize = 40 + 4 * colours;
    std::vector<char> dib(headerSize + std::size_t{rowBytes} * kSide);
    PutLittleEndian(dib, 0, 40, 4);                // biSize
    PutLittleEndian(dib, 4, kSide, 4);             // biWidth
    PutLittleEndian(dib, 8, kSide, 4);             // biHeight: bottom-up
    PutLittleEndian(dib, 12, 1, 2);                // biPlanes
    PutLittleEndian(dib, 14, bits, 2);             // biBitCount
    PutLittleEndian(dib, 16, 0, 4);                // biCompression: BI_RGB
    PutLittleEndian(dib, 20, rowBytes * kSide, 4); // biSizeImage
    PutLittleEndian(dib, 24, 2835, 4);             // 72 dpi
    PutLittleEndian(dib, 28, 2835, 4);
    PutLittleEndian(dib, 32, colours, 4); // biClrUsed
    for (std::uint32_t i = 0; i < colours; ++i)
        PutLittleEndian(dib, 40 + 4 * i, (i * 0x010307u) & 0xFFFFFFu, 4);
    for (std::size_t i = headerSize; i < dib.size(); ++i)
        dib[i] = static_cast<char>((i * 2654435761u) >> 13);
    return dib;
}

void ImportDIB(benchmark::State& state, int bits) {
    const std::vector<char> dib = PackedDIB(bits);
    for (auto _ : state) {
        KWPixMap** map = nullptr;
        if (RZDIB2KWPixMap(dib.data(), static_cast<unsigned int>(dib.size()), &map) != RZErrNone) {
            state.SkipWithError("RZDIB2KWPixMap failed");
            break;
        }
        benchmark::DoNotOptimize(*map);
        RZDeleteKWPixMap(map);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(dib.size()));
}

void BM_ImportDIB32_4096(benchmark::State& state) {
    ImportDIB(state, 32);
}
BENCHMARK(BM_ImportDIB32_4096)->Unit(benchmark::kMillisecond);

void BM_ImportDIB8_4096(benchmark::State& state) {
    ImportDIB(state, 8);
}
BENCHMARK(BM_ImportDIB8_4096)->Unit(benchmark::kMillisecond);

} // namespace
