// The fuzzers' reader of their input: bytes, words and doubles taken in
// order (zeros once the input runs out), and picks from tables of hostile
// values, where one extra choice stands for any value at all. Also the
// pieces the fuzzers share: the check of a promise, row sizes, the count of
// live root-library blocks and the comparison of a map with its import.
#pragma once

#include <bit>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "KWRoot/Memory.h"
#include "KWRoot/TestSupport.h"
#include "RZ/KWPixMap"

namespace rzfuzz {

// What the fuzzer drives, named when it breaks a promise; each fuzzer
// defines it.
extern const char* const kSubject;

inline void Require(bool condition, const char* promise) {
    if (condition) return;
    std::fprintf(stderr, "%s broke its promise: %s\n", kSubject, promise);
    std::abort();
}

// Bytes of a row of this many pixels of this many bits, in whole 32-bit words.
inline std::int64_t RowBytes(std::int64_t width, std::int64_t bits) {
    return ((width * bits + 31) >> 3) & ~std::int64_t{3};
}

// Checks, when it goes, that as many root-library blocks live as when it came.
struct NoBlockLeft {
    const std::int64_t live = KWRootLiveBlockCount();
    ~NoBlockLeft() { Require(KWRootLiveBlockCount() == live, "no root-library block is left"); }
};

// Requires a map imported from another's export to have its sides and
// pixels: 32-bit maps their colours with alpha 255, grey maps their levels
// through the grey ramp and the luminance weights (which lose one level for
// some values), 1-bit maps their bits.
inline void CheckReimported(KWPixMap** map, KWPixMap** back) {
    const unsigned width = RZGetKWPixMapWidth(map), height = RZGetKWPixMapHeight(map);
    Require(RZGetKWPixMapWidth(back) == width && RZGetKWPixMapHeight(back) == height,
            "an exported map imports back at its size");
    const int type = RZGetKWPixMapPixelType(map);
    const std::size_t rowBytes = RZGetKWPixMapBytesPerRow(map);
    const auto* b = reinterpret_cast<const std::uint8_t*>(RZGetKWPixMapBaseAddr(map));
    const auto* a = reinterpret_cast<const std::uint8_t*>(RZGetKWPixMapBaseAddr(back));
    for (std::size_t y = 0; y < height; ++y, b += rowBytes, a += rowBytes)
        for (unsigned x = 0; x < width; ++x)
            Require(type == PixelTypeGrey
                        ? a[x] == int((b[x] * 0.587 + b[x] * 0.299) + b[x] * 0.114)
                    : type == PixelTypeBlackWhite
                        ? ((a[x / 8] ^ b[x / 8]) & 0x80 >> x % 8) == 0
                        : a[4 * x] == 255 && std::memcmp(a + 4 * x + 1, b + 4 * x + 1, 3) == 0,
                    "the pixels of an exported map survive its import");
}

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
        return value;
    }
    double Double() {
        const std::uint64_t high = Word();
        return std::bit_cast<double>(high << 32 | Word());
    }
    // The bytes not read yet.
    std::span<const std::uint8_t> Rest() const { return {data_ + at_, size_ - at_}; }
    // One of the table's values, or (for the extra choice) any 32-bit value.
    template <typename T, std::size_t N> T Pick(const T (&table)[N]) {
        const std::size_t i = Byte() % (N + 1);
        return i < N ? table[i] : static_cast<T>(static_cast<std::int32_t>(Word()));
    }
    // A coordinate or side: small, near the given extent, or extreme.
    int Coordinate(int extent) {
        const int kind = Byte() % 8;
        if (kind == 0) return extent;
        if (kind == 1) return extent - 1;
        if (kind == 2) return -1 - (Byte() & 7);
        if (kind == 3) return INT_MAX - (Byte() & 3);
        if (kind == 4) return INT_MIN + (Byte() & 3);
        if (kind == 5) return static_cast<std::int32_t>(Word());
        return Byte() % 48;
    }
    // An angle: ordinary, a quarter turn, huge, tiny or not a number.
    double Angle() {
        constexpr double kPi = 3.141592653589793;
        static constexpr double kAngles[] = {0,         kPi / 2, kPi,   -1.5 * kPi,
                                             1e-300,    1e300,   -1e19, HUGE_VAL,
                                             -HUGE_VAL, NAN,     0.5,   2 * kPi};
        const int i = Byte() % 14;
        if (i < 12) return kAngles[i];
        return i == 12 ? (Byte() - 128) / 16.0 : Double();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace rzfuzz
