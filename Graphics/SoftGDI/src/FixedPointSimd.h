// Vector helpers of the fixed-point paths. They use SSE4.1 (byte shuffles
// among them), compiled for it function by function so that the rest of the
// library keeps to the SSE2 baseline; callers check FixedPointAvailable()
// before running any of them.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#define SOFTGDI_FIXED_POINT 1
#include <immintrin.h>

#include <cstdint>

#include "ChannelSelect.h"

#define SOFTGDI_SSE41 __attribute__((target("sse4.1")))

namespace softgdi::fixed {

// Weights are in units of 2^-14; the horizontal pass keeps 1/64 of a level.
constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;
constexpr int kLevelBits = 6;

// Byte shuffles that take two adjacent pixels (bytes 0 .. 7, or 8 .. 15 for
// the high mask) to 16-bit lanes (c(p), c(p + 1)) for each output channel c
// in the order blue, green, red, alpha, through the selection; constant
// channels become 0 and are put in by ConstantBits at the end.
struct PairShuffle {
    __m128i low, high;
};

SOFTGDI_SSE41 inline PairShuffle PairShuffleFor(const ChannelSelect& select) {
    alignas(16) std::uint8_t low[16], high[16];
    for (int c = 0; c < 4; ++c) {
        const bool constant = select.from[c] == ChannelSelect::kConstant;
        const std::uint8_t byte = select.from[c];
        const std::uint8_t lanes[4] = {std::uint8_t(constant ? 0x80 : byte), 0x80,
                                       std::uint8_t(constant ? 0x80 : 4 + byte), 0x80};
        for (int k = 0; k < 4; ++k) {
            low[4 * c + k] = lanes[k];
            high[4 * c + k] = lanes[k] == 0x80 ? 0x80 : std::uint8_t(lanes[k] + 8);
        }
    }
    return {_mm_load_si128(reinterpret_cast<const __m128i*>(low)),
            _mm_load_si128(reinterpret_cast<const __m128i*>(high))};
}

// The constant channels of the selection, to be or-ed into each pixel.
inline std::uint32_t ConstantBits(const ChannelSelect& select) {
    std::uint32_t bits = 0;
    for (int c = 0; c < 4; ++c)
        if (select.from[c] == ChannelSelect::kConstant)
            bits |= std::uint32_t(select.value[c]) << (8 * c);
    return bits;
}

// A horizontal sum (weights x levels) to 1/64 of a level, halves up.
SOFTGDI_SSE41 inline __m128i ToSixtyFourths(__m128i sum) {
    return _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << (kWeightBits - kLevelBits - 1))),
                          kWeightBits - kLevelBits);
}

// A vertical sum (weights x sixty-fourths) to whole levels, halves up.
SOFTGDI_SSE41 inline __m128i ToLevels(__m128i sum) {
    constexpr int shift = kWeightBits + kLevelBits;
    return _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << (shift - 1))), shift);
}

// Four pixels from four sums of levels: clamped to bytes, constants put in.
SOFTGDI_SSE41 inline __m128i PackPixels(__m128i p0, __m128i p1, __m128i p2, __m128i p3,
                                        __m128i constants) {
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(p0, p1), _mm_packs_epi32(p2, p3));
    return _mm_or_si128(bytes, constants);
}

} // namespace softgdi::fixed

#endif
