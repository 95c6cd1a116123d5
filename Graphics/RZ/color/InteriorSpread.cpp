// Eight accumulators at a time for the long middle of the row; the four
// positions at each end take their sources one by one.
#include "InteriorSpread.h"

#include <cstring>

#include "JjnWeights.h"

namespace rz::color {
namespace {

typedef std::int16_t Lanes __attribute__((vector_size(16)));
constexpr int kLanes = 8;

inline Lanes Load(const std::int16_t* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Add(std::int16_t* p, Lanes v) {
    v += Load(p);
    std::memcpy(p, &v, sizeof v);
}

constexpr const int (&kNext)[5] = kJjnWeights[kPlaceInterior][kNextRow];
constexpr const int (&kAfter)[5] = kJjnWeights[kPlaceInterior][kAfterNextRow];
static_assert(kNext[0] == kNext[4] && kNext[1] == kNext[3] && kAfter[0] == kAfter[4] &&
                  kAfter[1] == kAfter[3],
              "the interior kernel is symmetric");

// The weights for the two, one and zero positions away, as lane values.
constexpr std::int16_t kNextOuter = kNext[0], kNextInner = kNext[1], kNextOwn = kNext[2];
constexpr std::int16_t kAfterOuter = kAfter[0], kAfterInner = kAfter[1], kAfterOwn = kAfter[2];

// Target position j, from whichever of its sources are interior pixels.
void SpreadToEdgePosition(const std::int16_t* errors, std::int16_t* next, std::int16_t* afterNext,
                          int width, int channels, int j) {
    for (int k = -2; k <= 2; ++k) {
        const int source = j + k;
        if (source < 2 || source > width - 3) continue;
        for (int c = 0; c < channels; ++c) {
            const int e = errors[channels * source + c];
            next[channels * j + c] += kNext[k + 2] * e;
            afterNext[channels * j + c] += kAfter[k + 2] * e;
        }
    }
}

// Positions 4 to width - 5, whose five sources are all interior pixels.
template <int C>
void SpreadToMiddle(const std::int16_t* e, std::int16_t* next, std::int16_t* afterNext, int width) {
    int i = 4 * C;
    const int end = (width - 4) * C;
    for (; i + kLanes <= end; i += kLanes) {
        const Lanes outer = Load(e + i - 2 * C) + Load(e + i + 2 * C);
        const Lanes inner = Load(e + i - C) + Load(e + i + C);
        const Lanes own = Load(e + i);
        Add(next + i, outer * kNextOuter + inner * kNextInner + own * kNextOwn);
        Add(afterNext + i, outer * kAfterOuter + inner * kAfterInner + own * kAfterOwn);
    }
    for (; i < end; ++i) {
        const int outer = e[i - 2 * C] + e[i + 2 * C], inner = e[i - C] + e[i + C];
        next[i] += outer * kNextOuter + inner * kNextInner + e[i] * kNextOwn;
        afterNext[i] += outer * kAfterOuter + inner * kAfterInner + e[i] * kAfterOwn;
    }
}

} // namespace

void SpreadInteriorErrors(const std::int16_t* errors, std::int16_t* next, std::int16_t* afterNext,
                          int width, int channels) {
    for (int j = 0; j < 4 && j < width; ++j)
        SpreadToEdgePosition(errors, next, afterNext, width, channels, j);
    for (int j = width - 4 > 4 ? width - 4 : 4; j < width; ++j)
        SpreadToEdgePosition(errors, next, afterNext, width, channels, j);
    if (channels == 1)
        SpreadToMiddle<1>(errors, next, afterNext, width);
    else
        SpreadToMiddle<3>(errors, next, afterNext, width);
}

} // namespace rz::color
