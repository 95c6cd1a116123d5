// The separable path in fixed point for opaque selections: a horizontal pass
// over each source row into a ring of rows of 16-bit sixty-fourths of a
// level, then a vertical pass per device row straight to bytes. Both passes
// multiply pairs of taps at once (pmaddwd), the selection being part of the
// byte shuffle that pairs the taps up.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "FixedPointSimd.h"
#include "ResampleKernel.h"
#include "ResamplePaths.h"

namespace softgdi {

#if SOFTGDI_FIXED_POINT

namespace {

using namespace fixed;

// One axis's taps in fixed point, padded to pairs: pair k of entry e holds
// weights (w[2k], w[2k + 1]) as the 32-bit value w[2k] | w[2k + 1] << 16,
// repeated `repeat` times so that it loads as a vector.
struct FixedAxis {
    std::vector<int> first, pairs, offset;
    std::vector<std::int32_t> weights;
    int maxPairs = 0;
};

// Rounds each entry's weights to units of 2^-14, the largest taking the
// rounding error so that they sum to exactly 2^14. With uniform set every
// entry is padded with zero weights to the most pairs any entry has, so that
// the horizontal pass runs the same straight code for every pixel.
bool QuantiseAxis(const AxisPlan& plan, int repeat, bool uniform, FixedAxis* axis) {
    const std::size_t entries = plan.first.size();
    std::size_t total = 0;
    axis->maxPairs = 0;
    for (std::size_t e = 0; e < entries; ++e)
        axis->maxPairs = std::max(axis->maxPairs, (plan.count[e] + 1) / 2);
    try {
        axis->first = plan.first;
        axis->pairs.resize(entries);
        axis->offset.resize(entries);
        for (std::size_t e = 0; e < entries; ++e) {
            axis->offset[e] = int(total);
            axis->pairs[e] = uniform ? axis->maxPairs : (plan.count[e] + 1) / 2;
            total += std::size_t(axis->pairs[e]) * std::size_t(repeat);
        }
        axis->weights.resize(total);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::vector<int> q(2 * std::size_t(axis->maxPairs), 0);
    for (std::size_t e = 0; e < entries; ++e) {
        const int count = plan.count[e];
        const float* w = &plan.weights[e * std::size_t(plan.stride)];
        int sum = 0, largest = 0;
        for (int k = 0; k < count; ++k) {
            q[std::size_t(k)] = int(std::lround(w[k] * float(kOne)));
            sum += q[std::size_t(k)];
            if (q[std::size_t(k)] > q[std::size_t(largest)]) largest = k;
        }
        q[std::size_t(largest)] += kOne - sum;
        std::fill(q.begin() + count, q.end(), 0);
        std::int32_t* out = &axis->weights[std::size_t(axis->offset[e])];
        for (int k = 0; k < axis->pairs[e]; ++k) {
            const std::uint32_t pair = std::uint16_t(q[std::size_t(2 * k)]) |
                                       std::uint32_t(std::uint16_t(q[std::size_t(2 * k + 1)]))
                                           << 16;
            for (int r = 0; r < repeat; ++r) *out++ = std::int32_t(pair);
        }
    }
    return true;
}

// Pairs k .. k + 1 of taps from s (16 bytes, 4 pixels) added to sum.
SOFTGDI_SSE41 inline __m128i AddFourTaps(__m128i sum, const std::uint8_t* s, const __m128i* w,
                                         const PairShuffle& shuffle) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(p, shuffle.low), _mm_loadu_si128(w)));
    return _mm_add_epi32(sum,
                         _mm_madd_epi16(_mm_shuffle_epi8(p, shuffle.high), _mm_loadu_si128(w + 1)));
}

// One pair of taps from s (8 bytes, 2 pixels) added to sum.
SOFTGDI_SSE41 inline __m128i AddTwoTaps(__m128i sum, const std::uint8_t* s, const __m128i* w,
                                        const PairShuffle& shuffle) {
    const __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    return _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(p, shuffle.low), _mm_loadu_si128(w)));
}

// One source row for the horizontal pass: its pixels, read directly where
// all of an entry's taps lie inside the source, and its extended row (pixel
// i is column lo + i, mapped by the edge mode) for the entries at the edges.
struct SourceRow {
    const std::uint8_t* pixels;
    int width;
    const std::uint8_t* ext;
    int lo;
};

// Horizontal pass of one source row into 16-bit sixty-fourths, 4 lanes a
// pixel; Pairs is the axis's pairs per entry, or 0 for any number.
template <int Pairs>
SOFTGDI_SSE41 void FilterRow(const SourceRow& row, const FixedAxis& axis,
                             const PairShuffle& shuffle, int outWidth, std::int16_t* out) {
    const __m128i* w = reinterpret_cast<const __m128i*>(axis.weights.data());
    const int pairs = Pairs > 0 ? Pairs : axis.maxPairs;
    for (std::size_t e = 0; e < std::size_t(outWidth); ++e, w += pairs) {
        const int first = axis.first[e];
        const std::uint8_t* s = first >= 0 && first <= row.width - 2 * pairs
                                    ? row.pixels + 4 * std::size_t(first)
                                    : row.ext + 4 * std::size_t(first - row.lo);
        __m128i sum = _mm_setzero_si128();
        int k = 0;
        for (; k + 2 <= pairs; k += 2) sum = AddFourTaps(sum, s + 8 * k, w + k, shuffle);
        if (k < pairs) sum = AddTwoTaps(sum, s + 8 * k, w + k, shuffle);
        const __m128i level = ToSixtyFourths(sum);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * e), _mm_packs_epi32(level, level));
    }
}

SOFTGDI_SSE41 void FilterAnyRow(const SourceRow& row, const FixedAxis& axis,
                                const PairShuffle& shuffle, int outWidth, std::int16_t* out) {
    switch (axis.maxPairs) {
    case 1:
        return FilterRow<1>(row, axis, shuffle, outWidth, out);
    case 2:
        return FilterRow<2>(row, axis, shuffle, outWidth, out);
    case 3:
        return FilterRow<3>(row, axis, shuffle, outWidth, out);
    case 4:
        return FilterRow<4>(row, axis, shuffle, outWidth, out);
    default:
        return FilterRow<0>(row, axis, shuffle, outWidth, out);
    }
}

// Vertical pass: rows[k] weighed by pair weights, for width pixels (a
// multiple of 4; rows hold that many).
SOFTGDI_SSE41 void CombineRows(const std::int16_t* const* rows, const std::int32_t* pairWeights,
                               int pairs, int width, std::uint32_t constantBits, Argb* out) {
    const __m128i constants = _mm_set1_epi32(int(constantBits));
    for (int x = 0; x < width; x += 4) {
        __m128i s0 = _mm_setzero_si128(), s1 = s0, s2 = s0, s3 = s0;
        for (int k = 0; k < pairs; ++k) {
            const __m128i w = _mm_set1_epi32(pairWeights[k]);
            const auto* a = reinterpret_cast<const __m128i*>(rows[2 * k] + 4 * x);
            const auto* b = reinterpret_cast<const __m128i*>(rows[2 * k + 1] + 4 * x);
            const __m128i a0 = _mm_loadu_si128(a), b0 = _mm_loadu_si128(b);
            const __m128i a1 = _mm_loadu_si128(a + 1), b1 = _mm_loadu_si128(b + 1);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(a0, b0), w));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(a0, b0), w));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(a1, b1), w));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(a1, b1), w));
        }
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + x),
            PackPixels(ToLevels(s0), ToLevels(s1), ToLevels(s2), ToLevels(s3), constants));
    }
}

// The columns of the extended row that entries at the edges read: [lo,
// leftEnd) and [rightStart, hi].
struct EdgeColumns {
    int leftEnd, rightStart;
};

EdgeColumns EdgeColumnsOf(const FixedAxis& axis, int entries, int width, int lo, int hi) {
    EdgeColumns c{lo, hi + 1};
    const int taps = 2 * axis.maxPairs;
    for (int e = 0; e < entries; ++e) {
        const int first = axis.first[std::size_t(e)];
        if (first < 0)
            c.leftEnd = std::max(c.leftEnd, std::min(first + taps, hi + 1));
        else if (first > width - taps)
            c.rightStart = std::min(c.rightStart, first);
    }
    c.rightStart = std::max(c.rightStart, c.leftEnd);
    return c;
}

// The edge columns of a source row's extended row, mapped by the edge mode.
void ExtendRow(const std::uint8_t* pixels, int width, int lo, int hi, const EdgeColumns& edges,
               EdgeMode mode, std::uint8_t* ext) {
    auto fill = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            std::memcpy(ext + 4 * std::size_t(i - lo),
                        pixels + 4 * std::size_t(MapIndex(i, width, mode)), 4);
    };
    fill(lo, edges.leftEnd);
    fill(edges.rightStart, hi + 1);
}

SOFTGDI_SSE41 bool Separable(const ResampleSource& source, const AffineMap& map,
                             const ResampleOptions& options, int clipWidth, int clipHeight,
                             ResampleSink& sink) {
    AxisPlan px, py;
    int ringSize = 0;
    if (!PlanSeparable(source, map, options, clipWidth, clipHeight, &px, &py, &ringSize))
        return false;
    if (px.begin >= px.end || py.begin >= py.end) return true;
    FixedAxis fx, fy;
    if (!QuantiseAxis(px, 4, true, &fx) || !QuantiseAxis(py, 1, false, &fy)) return false;

    // Rows are padded to whole vectors; the padding stays zero.
    const int extWidth = px.hi - px.lo + 1;
    const int outWidth = px.end - px.begin;
    const int paddedWidth = (outWidth + 3) / 4 * 4;
    std::vector<std::uint8_t> ext;
    std::vector<std::int16_t> ring;
    std::vector<long long> ringKey;
    std::vector<const std::int16_t*> rows;
    std::vector<Argb> out;
    try {
        // Room for the zero-weight taps that pad the last entries.
        ext.resize((std::size_t(extWidth) + 2 * std::size_t(fx.maxPairs) + 2) * 4);
        ring.resize(std::size_t(ringSize) * std::size_t(paddedWidth) * 4);
        ringKey.assign(std::size_t(ringSize), LLONG_MIN);
        rows.resize(std::size_t(ringSize) + 1);
        out.resize(std::size_t(paddedWidth));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const EdgeColumns edges = EdgeColumnsOf(fx, outWidth, source.width, px.lo, px.hi);
    const PairShuffle shuffle = PairShuffleFor(source.select);
    const std::uint32_t constantBits = ConstantBits(source.select);

    for (int y = py.begin; y < py.end; ++y) {
        const std::size_t e = std::size_t(y - py.begin);
        const int count = py.count[e];
        for (int k = 0; k < count; ++k) {
            const long long j = py.first[e] + k;
            const std::size_t slot = std::size_t(((j % ringSize) + ringSize) % ringSize);
            std::int16_t* data = ring.data() + slot * std::size_t(paddedWidth) * 4;
            if (ringKey[slot] != j) {
                const int row = MapIndex(j, source.height, options.edgeY);
                const std::uint8_t* pixels = source.pixels + std::ptrdiff_t(row) * source.stride;
                ExtendRow(pixels, source.width, px.lo, px.hi, edges, options.edgeX, ext.data());
                FilterAnyRow({pixels, source.width, ext.data(), px.lo}, fx, shuffle, outWidth,
                             data);
                ringKey[slot] = j;
            }
            rows[std::size_t(k)] = data;
        }
        rows[std::size_t(count)] = rows[std::size_t(count) - 1]; // its weight is 0
        CombineRows(rows.data(), &fy.weights[std::size_t(fy.offset[e])], fy.pairs[e], paddedWidth,
                    constantBits, out.data());
        sink.OpaqueRow(y, px.begin, outWidth, out.data());
    }
    return true;
}

} // namespace

bool SeparableFixedHandles(const ResampleSource& source, const AffineMap& map,
                           const ResampleOptions& options) {
    return KernelFor(options, std::fabs(map.a), source.width).maxTaps <= kMaxFixedTaps &&
           KernelFor(options, std::fabs(map.d), source.height).maxTaps <= kMaxFixedTaps;
}

bool ResampleSeparableFixed(const ResampleSource& source, const AffineMap& map,
                            const ResampleOptions& options, int clipWidth, int clipHeight,
                            ResampleSink& sink) {
    return Separable(source, map, options, clipWidth, clipHeight, sink);
}

#else

bool SeparableFixedHandles(const ResampleSource&, const AffineMap&, const ResampleOptions&) {
    return false;
}
bool ResampleSeparableFixed(const ResampleSource&, const AffineMap&, const ResampleOptions&, int,
                            int, ResampleSink&) {
    return false;
}

#endif

} // namespace softgdi
