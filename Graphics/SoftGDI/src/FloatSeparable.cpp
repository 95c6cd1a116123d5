// The separable path in premultiplied floats: a horizontal pass over each
// source row into a ring of filtered rows, then a vertical pass per device
// row. The selection is applied as each source row is loaded.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>
#include <vector>

#include "ResampleKernel.h"
#include "ResamplePaths.h"

namespace softgdi {

namespace {

// Premultiplied floats of one pixel from its selected bytes.
inline void LoadPremultiplied(Argb c, float* e) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_cvtsi32_si128(int(c));
    const __m128 v = _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
    const __m128 fa = _mm_mul_ps(_mm_shuffle_ps(v, v, 0xFF), _mm_set1_ps(kInv255));
    const __m128 colour = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    const __m128 p = _mm_mul_ps(v, fa);
    _mm_storeu_ps(e, _mm_or_ps(_mm_and_ps(colour, p), _mm_andnot_ps(colour, v)));
#else
    const float fa = float(AlphaOf(c)) * kInv255;
    e[0] = float(BlueOf(c)) * fa, e[1] = float(GreenOf(c)) * fa, e[2] = float(RedOf(c)) * fa;
    e[3] = float(AlphaOf(c));
#endif
}

// Source row pixels (nullptr: a row of border) at the given columns (-1:
// the border), selected and premultiplied, into ext.
template <Pick pick>
void LoadRow(const std::uint8_t* pixels, const int* columnOf, int count,
             const ChannelSelect& select, const float* border, float* ext) {
    for (int i = 0; i < count; ++i, ext += 4) {
        const int column = columnOf[i];
        if (pixels == nullptr || column < 0) {
            std::copy(border, border + 4, ext);
            continue;
        }
        LoadPremultiplied(LoadPicked<pick>(pixels + 4 * std::size_t(column), select), ext);
    }
}

} // namespace

bool ResampleSeparableFloat(const ResampleSource& source, const AffineMap& map,
                            const ResampleOptions& options, int clipWidth, int clipHeight,
                            ResampleSink& sink) {
    AxisPlan px, py;
    int ringSize = 0;
    if (!PlanSeparable(source, map, options, clipWidth, clipHeight, &px, &py, &ringSize))
        return false;
    if (px.begin >= px.end || py.begin >= py.end) return true;

    const int extWidth = px.hi - px.lo + 1;
    const int outWidth = px.end - px.begin;
    std::vector<int> columnOf;
    std::vector<float> ext, ring, out;
    std::vector<long long> ringKey;
    std::vector<const float*> rows;
    try {
        columnOf.resize(std::size_t(extWidth));
        ext.resize(std::size_t(extWidth) * 4);
        ring.resize(std::size_t(ringSize) * std::size_t(outWidth) * 4);
        ringKey.assign(std::size_t(ringSize), LLONG_MIN);
        out.resize(std::size_t(outWidth) * 4);
        rows.resize(static_cast<std::size_t>(ringSize));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int i = 0; i < extWidth; ++i)
        columnOf[std::size_t(i)] = MapIndex(px.lo + i, source.width, options.edgeX);
    float border[4];
    LoadPremultiplied(options.border, border);
    const Pick pick = PickOf(source.select);

    // Horizontal pass over source row j (virtual index) into a ring slot.
    auto filterRow = [&](long long j, float* slot) {
        const int row = MapIndex(j, source.height, options.edgeY);
        const std::uint8_t* pixels =
            row >= 0 ? source.pixels + std::ptrdiff_t(row) * source.stride : nullptr;
        switch (pick) {
        case Pick::Same:
            LoadRow<Pick::Same>(pixels, columnOf.data(), extWidth, source.select, border,
                                ext.data());
            break;
        case Pick::Reversed:
            LoadRow<Pick::Reversed>(pixels, columnOf.data(), extWidth, source.select, border,
                                    ext.data());
            break;
        case Pick::Any:
            LoadRow<Pick::Any>(pixels, columnOf.data(), extWidth, source.select, border,
                               ext.data());
            break;
        }
        for (int x = 0; x < outWidth; ++x) {
            const int count = px.count[std::size_t(x)];
            const float* w = &px.weights[std::size_t(x) * std::size_t(px.stride)];
            const float* s = ext.data() + 4 * std::size_t(px.first[std::size_t(x)] - px.lo);
#if defined(__SSE2__)
            // Even and odd taps in two sums, halving the chain of dependent adds.
            __m128 even = _mm_setzero_ps(), odd = _mm_setzero_ps();
            int k = 0;
            for (; k + 2 <= count; k += 2, s += 8) {
                even = _mm_add_ps(even, _mm_mul_ps(_mm_loadu_ps(s), _mm_set1_ps(w[k])));
                odd = _mm_add_ps(odd, _mm_mul_ps(_mm_loadu_ps(s + 4), _mm_set1_ps(w[k + 1])));
            }
            if (k < count) even = _mm_add_ps(even, _mm_mul_ps(_mm_loadu_ps(s), _mm_set1_ps(w[k])));
            _mm_storeu_ps(slot + 4 * std::size_t(x), _mm_add_ps(even, odd));
#else
            float sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < count; ++k, s += 4)
                for (int c = 0; c < 4; ++c) sum[c] += w[k] * s[c];
            std::copy(sum, sum + 4, slot + 4 * std::size_t(x));
#endif
        }
    };

    for (int y = py.begin; y < py.end; ++y) {
        const std::size_t e = std::size_t(y - py.begin);
        const int count = py.count[e];
        const float* w = &py.weights[e * std::size_t(py.stride)];
        for (int k = 0; k < count; ++k) {
            const long long j = py.first[e] + k;
            const std::size_t slot = std::size_t(((j % ringSize) + ringSize) % ringSize);
            float* data = ring.data() + slot * std::size_t(outWidth) * 4;
            if (ringKey[slot] != j) {
                filterRow(j, data);
                ringKey[slot] = j;
            }
            rows[std::size_t(k)] = data;
        }
        if (count == 1 && w[0] == 1.0f) {
            sink.Row(y, px.begin, outWidth, rows[0]);
            continue;
        }
        // Each output value summed over the taps in registers, even and odd
        // taps apart so that fewer adds wait for each other.
        for (std::size_t i = 0; i < std::size_t(outWidth) * 4; i += 4) {
#if defined(__SSE2__)
            __m128 even = _mm_setzero_ps(), odd = _mm_setzero_ps();
            int k = 0;
            for (; k + 2 <= count; k += 2) {
                even = _mm_add_ps(
                    even, _mm_mul_ps(_mm_loadu_ps(rows[std::size_t(k)] + i), _mm_set1_ps(w[k])));
                odd = _mm_add_ps(odd, _mm_mul_ps(_mm_loadu_ps(rows[std::size_t(k) + 1] + i),
                                                 _mm_set1_ps(w[k + 1])));
            }
            if (k < count)
                even = _mm_add_ps(
                    even, _mm_mul_ps(_mm_loadu_ps(rows[std::size_t(k)] + i), _mm_set1_ps(w[k])));
            _mm_storeu_ps(&out[i], _mm_add_ps(even, odd));
#else
            float sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < count; ++k)
                for (int c = 0; c < 4; ++c) sum[c] += w[k] * rows[std::size_t(k)][i + c];
            std::copy(sum, sum + 4, &out[i]);
#endif
        }
        sink.Row(y, px.begin, outWidth, out.data());
    }
    return true;
}

} // namespace softgdi
