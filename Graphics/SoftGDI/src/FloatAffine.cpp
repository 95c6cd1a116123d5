// The affine path in premultiplied floats: each row's written span is solved
// once and (u, v) stepped along it; every device pixel weighs its own block
// of source taps.
#include <algorithm>
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

struct Premultiplied {
    float b, g, r, a;
};

Premultiplied Premultiply(Argb c) {
    const float fa = float(AlphaOf(c)) * kInv255;
    return {float(BlueOf(c)) * fa, float(GreenOf(c)) * fa, float(RedOf(c)) * fa, float(AlphaOf(c))};
}

// Weights of the four Catmull-Rom taps around t (first tap floor(t) - 1),
// or of the two bilinear taps (first tap floor(t)), for unstretched kernels.
inline int FixedTaps(ResampleFilter filter, double t, float* w) {
    const double base = std::floor(t);
    const float f = float(t - base);
    if (filter == ResampleFilter::Bilinear) {
        w[0] = 1.0f - f;
        w[1] = f;
        return int(base);
    }
    w[0] = CatmullRom(1.0f + f);
    w[1] = CatmullRom(f);
    w[2] = CatmullRom(1.0f - f);
    w[3] = CatmullRom(2.0f - f);
    return int(base) - 1;
}

// Weighted premultiplied sum of an nu x nv block of source pixels starting
// at line, all inside the source; writes blue, green, red, alpha to o.
template <Pick pick>
inline void InteriorSumAny(const std::uint8_t* line, std::ptrdiff_t stride, int nu, int nv,
                           const float* wu, const float* wv, const ChannelSelect& select,
                           float* o) {
    float b = 0, g = 0, r = 0, a = 0;
    for (int kj = 0; kj < nv; ++kj, line += stride) {
        float rb = 0, rg = 0, rr = 0, ra = 0;
        for (int ki = 0; ki < nu; ++ki) {
            const Argb p = LoadPicked<pick>(line + 4 * ki, select);
            const float wa = wu[ki] * float(AlphaOf(p));
            rb += wa * float(BlueOf(p)), rg += wa * float(GreenOf(p)), rr += wa * float(RedOf(p));
            ra += wa;
        }
        b += wv[kj] * rb, g += wv[kj] * rg, r += wv[kj] * rr, a += wv[kj] * ra;
    }
    o[0] = b * kInv255, o[1] = g * kInv255, o[2] = r * kInv255, o[3] = a;
}

// InteriorSumAny for a fixed n x n block. Each pixel enters as (b, g, r, 255) times weight x alpha,
// so one vector multiply-add premultiplies and weighs it, and the alpha lane sums weight x alpha x
// 255.
template <int N, Pick pick>
inline void InteriorSum(const std::uint8_t* line, std::ptrdiff_t stride, const float* wu,
                        const float* wv, const ChannelSelect& select, float* o) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128 sum = _mm_setzero_ps();
    for (int kj = 0; kj < N; ++kj, line += stride) {
        __m128 row = _mm_setzero_ps();
        for (int ki = 0; ki < N; ++ki) {
            const std::uint32_t p = LoadPicked<pick>(line + 4 * ki, select);
            const float wa = wu[ki] * float(p >> 24);
            __m128i v = _mm_cvtsi32_si128(int((p & 0x00FFFFFFu) | 0xFF000000u));
            v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(v, zero), zero);
            row = _mm_add_ps(row, _mm_mul_ps(_mm_cvtepi32_ps(v), _mm_set1_ps(wa)));
        }
        sum = _mm_add_ps(sum, _mm_mul_ps(row, _mm_set1_ps(wv[kj])));
    }
    _mm_storeu_ps(o, _mm_mul_ps(sum, _mm_set1_ps(kInv255)));
#else
    InteriorSumAny<pick>(line, stride, N, N, wu, wv, select, o);
#endif
}

template <Pick pick>
bool AffineFloat(const ResampleSource& source, const AffineMap& m, const ResampleOptions& options,
                 int clipWidth, int clipHeight, ResampleSink& sink) {
    const ChannelSelect& select = source.select;
    const double det = m.a * m.d - m.b * m.c;
    if (!(std::fabs(det) > 1e-12)) return true; // degenerate: covers no pixel centre
    // Inverse map: u = iu.x * (x - e) + iu.y * (y - f), likewise v.
    const double iux = m.d / det, iuy = -m.c / det, ivx = -m.b / det, ivy = m.a / det;
    const Kernel ku = KernelFor(options, std::hypot(m.a, m.b), source.width);
    const Kernel kv = KernelFor(options, std::hypot(m.c, m.d), source.height);
    const double w = source.width, h = source.height;

    const Span rows = ReachedRows(m, w, h, clipHeight);

    std::vector<float> out, wu, wv;
    try {
        out.resize(std::size_t(clipWidth) * 4);
        wu.resize(std::size_t(std::max(ku.maxTaps, 4)));
        wv.resize(std::size_t(std::max(kv.maxTaps, 4)));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const Premultiplied border = Premultiply(options.border);
    // Unstretched kernels have a fixed number of taps with closed-form weights.
    const bool fixed = ku.scale == 1.0 && kv.scale == 1.0;
    const int fixedTaps = ku.filter == ResampleFilter::Bicubic ? 4 : 2;

    for (int y = rows.begin; y < rows.end; ++y) {
        const double dy = y + 0.5 - m.f;
        const double u0 = iux * (0.5 - m.e) + iuy * dy; // u at x = 0
        const double v0 = ivx * (0.5 - m.e) + ivy * dy;
        const Span span = InsideSpan(u0, iux, v0, ivx, w, h, clipWidth);
        const int x0 = span.begin, x1 = span.end;
        if (x0 >= x1) continue;

        float* o = out.data();
        if (ku.filter == ResampleFilter::Nearest) {
            for (int x = x0; x < x1; ++x, o += 4) {
                const double u = u0 + iux * x, v = v0 + ivx * x;
                const int i = std::min(int(u), source.width - 1);
                const int j = std::min(int(v), source.height - 1);
                const Argb p = LoadPicked<pick>(
                    source.pixels + std::ptrdiff_t(j) * source.stride + 4 * std::size_t(i), select);
                const float fa = float(AlphaOf(p)) * kInv255;
                o[0] = float(BlueOf(p)) * fa, o[1] = float(GreenOf(p)) * fa;
                o[2] = float(RedOf(p)) * fa, o[3] = float(AlphaOf(p));
            }
            sink.Row(y, x0, x1 - x0, out.data());
            continue;
        }
        for (int x = x0; x < x1; ++x, o += 4) {
            const double u = u0 + iux * x, v = v0 + ivx * x;
            int iFirst = 0, jFirst = 0, nu = 0, nv = 0;
            if (fixed) {
                nu = nv = fixedTaps;
                iFirst = FixedTaps(ku.filter, Snap(u - 0.5), wu.data());
                jFirst = FixedTaps(kv.filter, Snap(v - 0.5), wv.data());
            } else {
                nu = Taps(ku, Snap(u - 0.5), &iFirst, wu.data());
                nv = Taps(kv, Snap(v - 0.5), &jFirst, wv.data());
            }
            const bool interior = iFirst >= 0 && iFirst + nu <= source.width && jFirst >= 0 &&
                                  jFirst + nv <= source.height;
            if (interior) {
                const std::uint8_t* line = source.pixels + std::ptrdiff_t(jFirst) * source.stride +
                                           4 * std::size_t(iFirst);
                if (nu == 4 && nv == 4)
                    InteriorSum<4, pick>(line, source.stride, wu.data(), wv.data(), select, o);
                else if (nu == 2 && nv == 2)
                    InteriorSum<2, pick>(line, source.stride, wu.data(), wv.data(), select, o);
                else
                    InteriorSumAny<pick>(line, source.stride, nu, nv, wu.data(), wv.data(), select,
                                         o);
                continue;
            }
            // Taps outside the source are mapped by the edge modes or take the border.
            float b = 0, g = 0, r = 0, a = 0;
            for (int kj = 0; kj < nv; ++kj) {
                const int row = MapIndex(jFirst + kj, source.height, options.edgeY);
                const std::uint8_t* line =
                    row >= 0 ? source.pixels + std::ptrdiff_t(row) * source.stride : nullptr;
                for (int ki = 0; ki < nu; ++ki) {
                    const float weight = wv[std::size_t(kj)] * wu[std::size_t(ki)];
                    const int column = MapIndex(iFirst + ki, source.width, options.edgeX);
                    if (line == nullptr || column < 0) {
                        b += weight * border.b, g += weight * border.g;
                        r += weight * border.r, a += weight * border.a;
                        continue;
                    }
                    const Argb p = LoadPicked<pick>(line + 4 * std::size_t(column), select);
                    const float fa = weight * float(AlphaOf(p)) * kInv255;
                    b += fa * float(BlueOf(p)), g += fa * float(GreenOf(p));
                    r += fa * float(RedOf(p)), a += weight * float(AlphaOf(p));
                }
            }
            o[0] = b, o[1] = g, o[2] = r, o[3] = a;
        }
        sink.Row(y, x0, x1 - x0, out.data());
    }
    return true;
}

} // namespace

bool ResampleAffineFloat(const ResampleSource& source, const AffineMap& map,
                         const ResampleOptions& options, int clipWidth, int clipHeight,
                         ResampleSink& sink) {
    switch (PickOf(source.select)) {
    case Pick::Same:
        return AffineFloat<Pick::Same>(source, map, options, clipWidth, clipHeight, sink);
    case Pick::Reversed:
        return AffineFloat<Pick::Reversed>(source, map, options, clipWidth, clipHeight, sink);
    case Pick::Any:
        break;
    }
    return AffineFloat<Pick::Any>(source, map, options, clipWidth, clipHeight, sink);
}

} // namespace softgdi
