// The affine path in fixed point for opaque selections, for unwidened
// bilinear (2 x 2 taps) and bicubic (4 x 4 taps) filters: per device pixel,
// the weights of both axes in one vector, each source row of the block
// weighed by a byte shuffle and pmaddwd, and the rows combined the same way.
#include <algorithm>
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

// The horizontally weighed row at line, in sixty-fourths.
template <int N>
SOFTGDI_SSE41 inline __m128i WeighRow(const std::uint8_t* line, const PairShuffle& shuffle,
                                      __m128i w01, __m128i w23) {
    if constexpr (N == 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line));
        return ToSixtyFourths(
            _mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi8(p, shuffle.low), w01),
                          _mm_madd_epi16(_mm_shuffle_epi8(p, shuffle.high), w23)));
    } else {
        const __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(line));
        return ToSixtyFourths(_mm_madd_epi16(_mm_shuffle_epi8(p, shuffle.low), w01));
    }
}

// Two weighed rows combined with the pair weights w: their 16-bit lanes
// interleaved channel by channel, then multiplied in pairs.
SOFTGDI_SSE41 inline __m128i CombinePair(__m128i upper, __m128i lower, __m128i w) {
    const __m128i both = _mm_packs_epi32(upper, lower);
    return _mm_madd_epi16(_mm_unpacklo_epi16(both, _mm_srli_si128(both, 8)), w);
}

// The four Catmull-Rom weights of taps floor(t) - 1 .. floor(t) + 2 at
// fraction f (in every lane), as one cubic per lane, in units of 2^-14.
SOFTGDI_SSE41 inline __m128i CubicWeights(__m128 f) {
    const __m128 a = _mm_setr_ps(-0.5f, 1.5f, -1.5f, 0.5f);
    const __m128 b = _mm_setr_ps(1.0f, -2.5f, 2.0f, -0.5f);
    const __m128 c = _mm_setr_ps(-0.5f, 0.0f, 0.5f, 0.0f);
    const __m128 d = _mm_setr_ps(0.0f, 1.0f, 0.0f, 0.0f);
    const __m128 w =
        _mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(a, f), b), f), c), f), d);
    return _mm_cvtps_epi32(_mm_mul_ps(w, _mm_set1_ps(float(kOne))));
}

// Weights of both axes in one vector: u in 16-bit lanes 0 .. 3, v in 4 .. 7.
SOFTGDI_SSE41 inline __m128i CubicWeights(float fu, float fv) {
    return _mm_packs_epi32(CubicWeights(_mm_set1_ps(fu)), CubicWeights(_mm_set1_ps(fv)));
}

SOFTGDI_SSE41 inline __m128i LinearWeights(float fu, float fv) {
    const __m128 f = _mm_setr_ps(1.0f - fu, fu, 0.0f, 0.0f);
    const __m128 g = _mm_setr_ps(1.0f - fv, fv, 0.0f, 0.0f);
    const __m128 scale = _mm_set1_ps(float(kOne));
    return _mm_packs_epi32(_mm_cvtps_epi32(_mm_mul_ps(f, scale)),
                           _mm_cvtps_epi32(_mm_mul_ps(g, scale)));
}

// How far below a block the source is fetched ahead.
constexpr int kRowsAhead = 2;

// What every pixel of one draw shares.
struct Sampler {
    const ResampleSource* source;
    EdgeMode edgeX, edgeY;
    PairShuffle shuffle;
    __m128i constants;
};

// The device pixel whose centre maps to uv = (u, v).
template <int N> SOFTGDI_SSE41 inline Argb Sample(const Sampler& s, __m128d uv) {
    // The first tap lies this far before floor(t).
    constexpr int before = N == 4 ? 1 : 0;
    const ResampleSource& source = *s.source;
    // t = (u, v) - 0.5, snapped to a whole number within 1e-6 (as Snap does);
    // its whole parts and fractions.
    __m128d t = _mm_sub_pd(uv, _mm_set1_pd(0.5));
    const __m128d whole = _mm_round_pd(t, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m128d distance = _mm_andnot_pd(_mm_set1_pd(-0.0), _mm_sub_pd(t, whole));
    t = _mm_blendv_pd(t, whole, _mm_cmplt_pd(distance, _mm_set1_pd(1e-6)));
    const __m128d base = _mm_floor_pd(t);
    const __m128 fraction = _mm_cvtpd_ps(_mm_sub_pd(t, base));
    const __m128i index = _mm_cvttpd_epi32(base);
    const int i0 = _mm_cvtsi128_si32(index) - before;
    const int j0 = _mm_extract_epi32(index, 1) - before;
    const float fu = _mm_cvtss_f32(fraction);
    const float fv = _mm_cvtss_f32(_mm_shuffle_ps(fraction, fraction, 0x55));
    const __m128i weights = N == 4 ? CubicWeights(fu, fv) : LinearWeights(fu, fv);
    const std::uint8_t* line;
    std::ptrdiff_t stride;
    // Blocks reaching past the source are gathered here through the edge modes.
    alignas(16) std::uint8_t block[4 * 16];
    if (i0 >= 0 && i0 + N <= source.width && j0 >= 0 && j0 + N <= source.height) {
        line = source.pixels + std::ptrdiff_t(j0) * source.stride + 4 * std::size_t(i0);
        stride = source.stride;
        // The rows below the block are what the next device rows read first.
        const int ahead = std::min(j0 + N + kRowsAhead, source.height - 1);
        _mm_prefetch(reinterpret_cast<const char*>(line + std::ptrdiff_t(ahead - j0) * stride),
                     _MM_HINT_T0);
    } else {
        for (int r = 0; r < N; ++r) {
            const std::uint8_t* row =
                source.pixels +
                std::ptrdiff_t(MapIndex(j0 + r, source.height, s.edgeY)) * source.stride;
            for (int k = 0; k < N; ++k)
                std::memcpy(block + 16 * r + 4 * k,
                            row + 4 * MapIndex(i0 + k, source.width, s.edgeX), 4);
        }
        line = block;
        stride = 16;
    }
    const __m128i wu01 = _mm_shuffle_epi32(weights, 0x00);
    const __m128i wu23 = _mm_shuffle_epi32(weights, 0x55);
    const __m128i wv01 = _mm_shuffle_epi32(weights, 0xAA);
    const __m128i r0 = WeighRow<N>(line, s.shuffle, wu01, wu23);
    const __m128i r1 = WeighRow<N>(line + stride, s.shuffle, wu01, wu23);
    __m128i sum = CombinePair(r0, r1, wv01);
    if constexpr (N == 4) {
        const __m128i wv23 = _mm_shuffle_epi32(weights, 0xFF);
        const __m128i r2 = WeighRow<N>(line + 2 * stride, s.shuffle, wu01, wu23);
        const __m128i r3 = WeighRow<N>(line + 3 * stride, s.shuffle, wu01, wu23);
        sum = _mm_add_epi32(sum, CombinePair(r2, r3, wv23));
    }
    const __m128i level = ToLevels(sum);
    const __m128i pixel =
        _mm_or_si128(_mm_packus_epi16(_mm_packs_epi32(level, level), level), s.constants);
    return Argb(_mm_cvtsi128_si32(pixel));
}

// Device columns are drawn in strips this wide, row after row, so that the
// source rows a turned strip reads stay in cache from one device row to the
// next.
constexpr int kStripWidth = 128;

template <int N>
SOFTGDI_SSE41 bool Affine(const ResampleSource& source, const AffineMap& m,
                          const ResampleOptions& options, int clipWidth, int clipHeight,
                          ResampleSink& sink) {
    const double det = m.a * m.d - m.b * m.c;
    if (!(std::fabs(det) > 1e-12)) return true; // degenerate: covers no pixel centre
    const double iux = m.d / det, iuy = -m.c / det, ivx = -m.b / det, ivy = m.a / det;
    const double w = source.width, h = source.height;
    const Span rows = ReachedRows(m, w, h, clipHeight);
    if (rows.begin >= rows.end) return true;
    // Each reached row: u and v at x = 0 and the span written.
    struct RowStart {
        double u0, v0;
        Span span;
    };
    std::vector<RowStart> starts;
    std::vector<Argb> out;
    try {
        starts.resize(std::size_t(rows.end - rows.begin));
        out.resize(std::size_t(clipWidth));
    } catch (const std::bad_alloc&) {
        return false;
    }
    int left = clipWidth, right = 0;
    for (int y = rows.begin; y < rows.end; ++y) {
        RowStart& r = starts[std::size_t(y - rows.begin)];
        const double dy = y + 0.5 - m.f;
        r.u0 = iux * (0.5 - m.e) + iuy * dy;
        r.v0 = ivx * (0.5 - m.e) + ivy * dy;
        r.span = InsideSpan(r.u0, iux, r.v0, ivx, w, h, clipWidth);
        if (r.span.begin < r.span.end)
            left = std::min(left, r.span.begin), right = std::max(right, r.span.end);
    }
    const Sampler sampler{&source, options.edgeX, options.edgeY, PairShuffleFor(source.select),
                          _mm_cvtsi32_si128(int(ConstantBits(source.select)))};
    const __m128d step = _mm_setr_pd(iux, ivx);
    for (int strip = left; strip < right; strip += kStripWidth)
        for (int y = rows.begin; y < rows.end; ++y) {
            const RowStart& r = starts[std::size_t(y - rows.begin)];
            const __m128d start = _mm_setr_pd(r.u0, r.v0);
            const int x0 = std::max(r.span.begin, strip);
            const int x1 = std::min(r.span.end, strip + kStripWidth);
            if (x0 >= x1) continue;
            for (int x = x0; x < x1; ++x)
                out[std::size_t(x)] =
                    Sample<N>(sampler, _mm_add_pd(start, _mm_mul_pd(step, _mm_set1_pd(double(x)))));
            sink.OpaqueRow(y, x0, x1 - x0, out.data() + x0);
        }
    return true;
}

} // namespace

bool AffineFixedHandles(const ResampleSource& source, const AffineMap& map,
                        const ResampleOptions& options) {
    if (options.filter == ResampleFilter::Nearest) return false;
    const Kernel ku = KernelFor(options, std::hypot(map.a, map.b), source.width);
    const Kernel kv = KernelFor(options, std::hypot(map.c, map.d), source.height);
    return ku.scale == 1.0 && kv.scale == 1.0;
}

bool ResampleAffineFixed(const ResampleSource& source, const AffineMap& map,
                         const ResampleOptions& options, int clipWidth, int clipHeight,
                         ResampleSink& sink) {
    return options.filter == ResampleFilter::Bicubic
               ? Affine<4>(source, map, options, clipWidth, clipHeight, sink)
               : Affine<2>(source, map, options, clipWidth, clipHeight, sink);
}

#else

bool AffineFixedHandles(const ResampleSource&, const AffineMap&, const ResampleOptions&) {
    return false;
}
bool ResampleAffineFixed(const ResampleSource&, const AffineMap&, const ResampleOptions&, int, int,
                         ResampleSink&) {
    return false;
}

#endif

} // namespace softgdi
