// DIB import and export of 4096 x 4096 pictures, in Mpixel/s, each beside
// a memcpy of the same bytes: import of 1-bit, 8-bit (paletted and RLE8),
// 24-bit and 32-bit DIBs, export of a 32-bit map.
#include <cstdint>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"

namespace {

constexpr int kSide = 4096;
constexpr double kPixels = double(kSide) * kSide;

enum class Kind { Bits1, Bits8, Rle8, Bits24, Bits32 };

void CountPixels(benchmark::State& state, std::size_t bytesPerIteration) {
    state.counters["Mpixel/s"] =
        benchmark::Counter(kPixels * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytesPerIteration));
}

// Deterministic pseudo-random numbers.
struct Random {
    std::uint32_t state = 12345;
    std::uint32_t Next() { return state = state * 1664525u + 1013904223u; }
};

// Palette indices with the structure of a drawing: runs of one colour of
// 1 to 64 pixels, and now and then a stretch of noise.
std::vector<std::uint8_t> IndexRow(Random& random) {
    std::vector<std::uint8_t> row;
    row.reserve(kSide);
    while (row.size() < kSide) {
        const std::uint32_t choice = random.Next() >> 8;
        if (choice % 8 == 0) {
            for (std::uint32_t n = 4 + choice / 8 % 28; n > 0 && row.size() < kSide; --n)
                row.push_back(static_cast<std::uint8_t>(random.Next() >> 24));
        } else {
            const auto colour = static_cast<std::uint8_t>(random.Next() >> 24);
            for (std::uint32_t n = 1 + choice / 8 % 64; n > 0 && row.size() < kSide; --n)
                row.push_back(colour);
        }
    }
    return row;
}

// RLE8 for one row: encoded runs for repeats of three or more, absolute
// runs (padded to even length) for the rest, then end of line.
void EncodeRle8Row(const std::vector<std::uint8_t>& row, std::vector<std::uint8_t>& out) {
    std::size_t x = 0;
    auto runAt = [&row](std::size_t at) {
        std::size_t n = 1;
        while (at + n < row.size() && n < 255 && row[at + n] == row[at]) ++n;
        return n;
    };
    while (x < row.size()) {
        const std::size_t run = runAt(x);
        if (run >= 3) {
            out.push_back(static_cast<std::uint8_t>(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        std::size_t literal = 0;
        while (x + literal < row.size() && literal < 255 && runAt(x + literal) < 3) ++literal;
        if (literal < 3) { // absolute runs need at least three pixels
            for (std::size_t i = 0; i < literal; ++i) {
                out.push_back(1);
                out.push_back(row[x + i]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<std::uint8_t>(literal));
            out.insert(out.end(), row.begin() + x, row.begin() + x + literal);
            if (literal % 2) out.push_back(0);
        }
        x += literal;
    }
    out.push_back(0);
    out.push_back(0);
}

std::vector<char> MakeDIB(Kind kind) {
    const int bits = kind == Kind::Bits1    ? 1
                     : kind == Kind::Bits24 ? 24
                     : kind == Kind::Bits32 ? 32
                                            : 8;
    const int colours = bits == 1 ? 2 : bits == 8 ? 256 : 0;
    const std::size_t rowBytes = std::size_t(kSide * bits + 31) / 32 * 4;

    Random random;
    std::vector<std::uint8_t> pixels;
    if (kind == Kind::Rle8) {
        for (int y = 0; y < kSide; ++y) EncodeRle8Row(IndexRow(random), pixels);
        pixels.push_back(0);
        pixels.push_back(1);
    } else if (bits == 8) {
        for (int y = 0; y < kSide; ++y) {
            const auto row = IndexRow(random);
            pixels.insert(pixels.end(), row.begin(), row.end());
        }
    } else {
        pixels.resize(rowBytes * kSide);
        for (auto& byte : pixels) byte = static_cast<std::uint8_t>(random.Next() >> 24);
    }

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = kSide;
    header.biHeight = kSide;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biCompression = kind == Kind::Rle8 ? BI_RLE8 : BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    header.biXPelsPerMeter = header.biYPelsPerMeter = 3780;

    std::vector<char> dib(sizeof header + 4 * colours + pixels.size());
    std::memcpy(dib.data(), &header, sizeof header);
    for (int i = 0; i < colours; ++i) {
        // A colour palette (not grey), so the grey conversion has work to do.
        const RGBQUAD entry{static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i),
                            static_cast<BYTE>(i * 37), 0};
        std::memcpy(dib.data() + sizeof header + 4 * i, &entry, 4);
    }
    std::memcpy(dib.data() + sizeof header + 4 * colours, pixels.data(), pixels.size());
    return dib;
}

const std::vector<char>& DIBOf(Kind kind) {
    static const std::vector<char> dibs[] = {MakeDIB(Kind::Bits1), MakeDIB(Kind::Bits8),
                                             MakeDIB(Kind::Rle8), MakeDIB(Kind::Bits24),
                                             MakeDIB(Kind::Bits32)};
    return dibs[static_cast<int>(kind)];
}

void Import(benchmark::State& state, Kind kind) {
    const std::vector<char>& dib = DIBOf(kind);
    for (auto _ : state) {
        KWPixMap** map = nullptr;
        if (RZDIB2KWPixMap(dib.data(), static_cast<unsigned int>(dib.size()), &map) != 0) {
            state.SkipWithError("import failed");
            break;
        }
        benchmark::DoNotOptimize(*map);
        RZDeleteKWPixMap(map);
    }
    CountPixels(state, dib.size());
}

void MemcpyBytes(benchmark::State& state, std::size_t size) {
    const std::vector<char> source(size, 1);
    std::vector<char> target(size, 0);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), size);
        benchmark::ClobberMemory();
    }
    CountPixels(state, size);
}

void MemcpyDIB(benchmark::State& state, Kind kind) {
    MemcpyBytes(state, DIBOf(kind).size());
}

void Export32(benchmark::State& state) {
    KWPixMap** map = RZCreateKWPixMap(kSide, kSide, 72, 72, PixelTypeARGB);
    auto* base = reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(map));
    Random random;
    for (std::size_t i = 0; i < std::size_t(kSide) * kSide * 4; ++i)
        base[i] = static_cast<unsigned char>(random.Next() >> 24);
    unsigned int size = 0;
    for (auto _ : state) {
        char* dib = nullptr;
        if (RZKWPixMap2DIB(map, nullptr, &dib, &size) != 0) {
            state.SkipWithError("export failed");
            break;
        }
        benchmark::DoNotOptimize(dib);
        BMKillPtr(&dib);
    }
    RZDeleteKWPixMap(map);
    CountPixels(state, size);
}

void MemcpyMap32(benchmark::State& state) {
    MemcpyBytes(state, std::size_t(kSide) * kSide * 4);
}

BENCHMARK_CAPTURE(Import, 1bit, Kind::Bits1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemcpyDIB, 1bit, Kind::Bits1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Import, 8bit, Kind::Bits8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemcpyDIB, 8bit, Kind::Bits8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Import, 8bitRLE8, Kind::Rle8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemcpyDIB, 8bitRLE8, Kind::Rle8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Import, 24bit, Kind::Bits24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemcpyDIB, 24bit, Kind::Bits24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Import, 32bit, Kind::Bits32)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemcpyDIB, 32bit, Kind::Bits32)->Unit(benchmark::kMillisecond);
BENCHMARK(Export32)->Unit(benchmark::kMillisecond);
BENCHMARK(MemcpyMap32)->Unit(benchmark::kMillisecond);

} // namespace
