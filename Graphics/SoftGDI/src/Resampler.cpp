#include "Resampler.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>
#include <vector>

namespace softgdi {

namespace {

constexpr float kInv255 = 1.0f / 255.0f;

double Snap(double t) {
    const double r = std::nearbyint(t);
    return std::fabs(t - r) < 1e-6 ? r : t;
}

float CatmullRom(float x) {
    x = std::fabs(x);
    if (x <= 1.0f) return (1.5f * x - 2.5f) * x * x + 1.0f;
    if (x < 2.0f) return ((-0.5f * x + 2.5f) * x - 4.0f) * x + 2.0f;
    return 0.0f;
}

float Triangle(float x) {
    x = std::fabs(x);
    return x < 1.0f ? 1.0f - x : 0.0f;
}

// The kernel along one axis of the source.
struct Kernel {
    ResampleFilter filter;
    double scale;   // kernel stretch: 1, or the reduction factor when widening
    double support; // half-width in source pixels
    int maxTaps;
};

Kernel KernelFor(const ResampleOptions& options, double axisScale, int sourceSize) {
    Kernel k{options.filter, 1.0, 0.5, 1};
    if (options.filter == ResampleFilter::Nearest) return k;
    const double radius = options.filter == ResampleFilter::Bicubic ? 2.0 : 1.0;
    // Scales within rounding of 1 (turns made from float sines and cosines)
    // count as no reduction.
    if (options.widenWhenShrinking && axisScale < 1.0 - 1e-6) k.scale = std::max(axisScale, 1e-9);
    // Beyond the whole source the taps only repeat it.
    k.support = std::min(radius / k.scale, double(sourceSize) + radius + 2.0);
    k.scale = radius / k.support < k.scale ? radius / k.support : k.scale;
    k.maxTaps = int(std::ceil(2.0 * k.support)) + 2;
    return k;
}

// Taps of one sample at index position t: the first index and the weights.
int Taps(const Kernel& k, double t, int* first, float* weights) {
    if (k.filter == ResampleFilter::Nearest) {
        *first = int(std::floor(t + 0.5));
        weights[0] = 1.0f;
        return 1;
    }
    int i0 = int(std::floor(t - k.support)) + 1;
    const int i1 = int(std::ceil(t + k.support)) - 1;
    int count = 0;
    float sum = 0.0f;
    for (int i = i0; i <= i1; ++i) {
        const float x = float((double(i) - t) * k.scale);
        const float w = k.filter == ResampleFilter::Bicubic ? CatmullRom(x) : Triangle(x);
        weights[count++] = w;
        sum += w;
    }
    // Trim zero weights at both ends: an interpolating kernel at a whole
    // number keeps a single tap.
    int begin = 0;
    while (begin < count && weights[begin] == 0.0f) ++begin;
    while (count > begin && weights[count - 1] == 0.0f) --count;
    if (sum == 0.0f || begin == count) {
        *first = int(std::floor(t + 0.5));
        weights[0] = 1.0f;
        return 1;
    }
    const float norm = 1.0f / sum;
    for (int i = begin; i < count; ++i) weights[i - begin] = weights[i] * norm;
    *first = i0 + begin;
    return count - begin;
}

// A source index, or -1 for the border colour.
inline int MapIndex(long long i, int n, EdgeMode mode) {
    if (i >= 0 && i < n) return int(i);
    switch (mode) {
    case EdgeMode::Border:
        return -1;
    case EdgeMode::Tile:
        return int(((i % n) + n) % n);
    case EdgeMode::Mirror: {
        const long long period = 2LL * n;
        const long long r = ((i % period) + period) % period;
        return int(r < n ? r : period - 1 - r);
    }
    }
    return -1;
}

struct Premultiplied {
    float b, g, r, a;
};

Premultiplied Premultiply(Argb c) {
    const float fa = float(AlphaOf(c)) * kInv255;
    return {float(BlueOf(c)) * fa, float(GreenOf(c)) * fa, float(RedOf(c)) * fa, float(AlphaOf(c))};
}

// Weight tables of one axis of the separable path.
struct AxisPlan {
    int begin = 0, end = 0; // written device pixels [begin, end)
    int lo = 0, hi = -1;    // source indices any tap reaches
    int stride = 1;         // weights per entry
    std::vector<int> first, count;
    std::vector<float> weights;
};

bool PlanAxis(double scale, double offset, int n, int clip, const Kernel& k, AxisPlan* plan) {
    const double p0 = offset, p1 = offset + scale * n;
    const double lowEdge = std::max(std::min(p0, p1) - 1.0, -1.0);
    const double highEdge = std::min(std::max(p0, p1) + 1.0, double(clip) + 1.0);
    if (!(lowEdge < highEdge)) return true;
    int begin = std::max(0, int(std::floor(lowEdge)));
    int end = std::min(clip, int(std::ceil(highEdge)));
    auto inside = [&](int x) {
        const double u = (x + 0.5 - offset) / scale;
        return u >= 0.0 && u < double(n);
    };
    while (begin < end && !inside(begin)) ++begin;
    while (end > begin && !inside(end - 1)) --end;
    plan->begin = begin;
    plan->end = end;
    if (begin >= end) return true;
    plan->stride = k.maxTaps;
    const std::size_t entries = std::size_t(end - begin);
    try {
        plan->first.resize(entries);
        plan->count.resize(entries);
        plan->weights.resize(entries * std::size_t(k.maxTaps));
    } catch (const std::bad_alloc&) {
        return false;
    }
    plan->lo = INT32_MAX;
    plan->hi = INT32_MIN;
    for (int x = begin; x < end; ++x) {
        const std::size_t e = std::size_t(x - begin);
        const double t = Snap((x + 0.5 - offset) / scale - 0.5);
        const int count = Taps(k, t, &plan->first[e], &plan->weights[e * std::size_t(k.maxTaps)]);
        plan->count[e] = count;
        plan->lo = std::min(plan->lo, plan->first[e]);
        plan->hi = std::max(plan->hi, plan->first[e] + count - 1);
    }
    return true;
}

bool ResampleSeparable(const ResampleSource& source, const AffineMap& map,
                       const ResampleOptions& options, int clipWidth, int clipHeight,
                       ResampleSink& sink) {
    const Kernel kx = KernelFor(options, std::fabs(map.a), source.width);
    const Kernel ky = KernelFor(options, std::fabs(map.d), source.height);
    AxisPlan px, py;
    if (!PlanAxis(map.a, map.e, source.width, clipWidth, kx, &px) ||
        !PlanAxis(map.d, map.f, source.height, clipHeight, ky, &py))
        return false;
    if (px.begin >= px.end || py.begin >= py.end) return true;

    const int extWidth = px.hi - px.lo + 1;
    const int outWidth = px.end - px.begin;
    const int ringSize = ky.maxTaps;
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
    const Premultiplied border = Premultiply(options.border);

    // Horizontal pass over source row j (virtual index) into a ring slot.
    auto filterRow = [&](long long j, float* slot) {
        const int row = MapIndex(j, source.height, options.edgeY);
        const std::uint8_t* pixels =
            row >= 0 ? source.pixels + std::ptrdiff_t(row) * source.stride : nullptr;
        float* e = ext.data();
        for (int i = 0; i < extWidth; ++i, e += 4) {
            const int column = columnOf[std::size_t(i)];
            if (pixels == nullptr || column < 0) {
                e[0] = border.b, e[1] = border.g, e[2] = border.r, e[3] = border.a;
                continue;
            }
            const std::uint8_t* p = pixels + 4 * std::size_t(column);
            const float fa = float(p[3]) * kInv255;
            e[0] = float(p[0]) * fa, e[1] = float(p[1]) * fa, e[2] = float(p[2]) * fa;
            e[3] = float(p[3]);
        }
        for (int x = 0; x < outWidth; ++x) {
            const int count = px.count[std::size_t(x)];
            const float* w = &px.weights[std::size_t(x) * std::size_t(px.stride)];
            const float* s = ext.data() + 4 * std::size_t(px.first[std::size_t(x)] - px.lo);
            float b = 0, g = 0, r = 0, a = 0;
            for (int k = 0; k < count; ++k, s += 4) {
                b += w[k] * s[0], g += w[k] * s[1], r += w[k] * s[2], a += w[k] * s[3];
            }
            float* o = slot + 4 * std::size_t(x);
            o[0] = b, o[1] = g, o[2] = r, o[3] = a;
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
        std::fill(out.begin(), out.end(), 0.0f);
        for (int k = 0; k < count; ++k) {
            const float wk = w[k];
            const float* s = rows[std::size_t(k)];
            float* o = out.data();
            for (int i = 0; i < outWidth * 4; ++i) o[i] += wk * s[i];
        }
        sink.Row(y, px.begin, outWidth, out.data());
    }
    return true;
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
inline void InteriorSumAny(const std::uint8_t* line, std::ptrdiff_t stride, int nu, int nv,
                           const float* wu, const float* wv, float* o) {
    float b = 0, g = 0, r = 0, a = 0;
    for (int kj = 0; kj < nv; ++kj, line += stride) {
        float rb = 0, rg = 0, rr = 0, ra = 0;
        for (int ki = 0; ki < nu; ++ki) {
            const std::uint8_t* p = line + 4 * ki;
            const float wa = wu[ki] * float(p[3]);
            rb += wa * float(p[0]), rg += wa * float(p[1]), rr += wa * float(p[2]);
            ra += wa;
        }
        b += wv[kj] * rb, g += wv[kj] * rg, r += wv[kj] * rr, a += wv[kj] * ra;
    }
    o[0] = b * kInv255, o[1] = g * kInv255, o[2] = r * kInv255, o[3] = a;
}

// InteriorSumAny for a fixed n x n block. Each pixel enters as (b, g, r, 255) times weight x alpha,
// so one vector multiply-add premultiplies and weighs it, and the alpha lane sums weight x alpha x
// 255.
template <int N>
inline void InteriorSum(const std::uint8_t* line, std::ptrdiff_t stride, const float* wu,
                        const float* wv, float* o) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128 sum = _mm_setzero_ps();
    for (int kj = 0; kj < N; ++kj, line += stride) {
        __m128 row = _mm_setzero_ps();
        for (int ki = 0; ki < N; ++ki) {
            std::uint32_t p;
            std::memcpy(&p, line + 4 * ki, 4);
            const float wa = wu[ki] * float(p >> 24);
            __m128i v = _mm_cvtsi32_si128(int((p & 0x00FFFFFFu) | 0xFF000000u));
            v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(v, zero), zero);
            row = _mm_add_ps(row, _mm_mul_ps(_mm_cvtepi32_ps(v), _mm_set1_ps(wa)));
        }
        sum = _mm_add_ps(sum, _mm_mul_ps(row, _mm_set1_ps(wv[kj])));
    }
    _mm_storeu_ps(o, _mm_mul_ps(sum, _mm_set1_ps(kInv255)));
#else
    InteriorSumAny(line, stride, N, N, wu, wv, o);
#endif
}

bool ResampleAffine(const ResampleSource& source, const AffineMap& m,
                    const ResampleOptions& options, int clipWidth, int clipHeight,
                    ResampleSink& sink) {
    const double det = m.a * m.d - m.b * m.c;
    if (!(std::fabs(det) > 1e-12)) return true; // degenerate: covers no pixel centre
    // Inverse map: u = iu.x * (x - e) + iu.y * (y - f), likewise v.
    const double iux = m.d / det, iuy = -m.c / det, ivx = -m.b / det, ivy = m.a / det;
    const Kernel ku = KernelFor(options, std::hypot(m.a, m.b), source.width);
    const Kernel kv = KernelFor(options, std::hypot(m.c, m.d), source.height);
    const double w = source.width, h = source.height;

    // Device rows the transformed rectangle can reach.
    const double ys[4] = {m.f, m.f + m.b * w, m.f + m.d * h, m.f + m.b * w + m.d * h};
    const double yMin = *std::min_element(ys, ys + 4), yMax = *std::max_element(ys, ys + 4);
    const double yLimit = double(clipHeight) + 1.0;
    const int y0 = int(std::floor(std::clamp(yMin, 0.0, yLimit)));
    const int y1 = std::min(clipHeight, int(std::ceil(std::clamp(yMax, 0.0, yLimit))));

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

    for (int y = y0; y < y1; ++y) {
        const double dy = y + 0.5 - m.f;
        const double u0 = iux * (0.5 - m.e) + iuy * dy; // u at x = 0
        const double v0 = ivx * (0.5 - m.e) + ivy * dy;
        // Span where 0 <= u < w and 0 <= v < h, widened by one and then
        // trimmed with the exact test.
        double lo = -1.0, hi = double(clipWidth) + 1.0;
        auto limit = [&](double start, double step, double size) {
            if (step == 0.0) {
                if (!(start >= 0.0 && start < size)) hi = lo - 1.0;
                return;
            }
            const double a = -start / step, b = (size - start) / step;
            lo = std::max(lo, std::min(a, b));
            hi = std::min(hi, std::max(a, b));
        };
        limit(u0, iux, w);
        limit(v0, ivx, h);
        if (!(lo <= hi)) continue;
        int x0 = std::max(0, int(std::floor(lo)) - 1);
        int x1 = std::min(clipWidth, int(std::ceil(hi)) + 1);
        auto inside = [&](int x) {
            const double u = u0 + iux * x, v = v0 + ivx * x;
            return u >= 0.0 && u < w && v >= 0.0 && v < h;
        };
        while (x0 < x1 && !inside(x0)) ++x0;
        while (x1 > x0 && !inside(x1 - 1)) --x1;
        if (x0 >= x1) continue;

        float* o = out.data();
        if (ku.filter == ResampleFilter::Nearest) {
            for (int x = x0; x < x1; ++x, o += 4) {
                const double u = u0 + iux * x, v = v0 + ivx * x;
                const int i = std::min(int(u), source.width - 1);
                const int j = std::min(int(v), source.height - 1);
                const std::uint8_t* p =
                    source.pixels + std::ptrdiff_t(j) * source.stride + 4 * std::size_t(i);
                const float fa = float(p[3]) * kInv255;
                o[0] = float(p[0]) * fa, o[1] = float(p[1]) * fa, o[2] = float(p[2]) * fa;
                o[3] = float(p[3]);
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
                    InteriorSum<4>(line, source.stride, wu.data(), wv.data(), o);
                else if (nu == 2 && nv == 2)
                    InteriorSum<2>(line, source.stride, wu.data(), wv.data(), o);
                else
                    InteriorSumAny(line, source.stride, nu, nv, wu.data(), wv.data(), o);
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
                    const std::uint8_t* p = line + 4 * std::size_t(column);
                    const float fa = weight * float(p[3]) * kInv255;
                    b += fa * float(p[0]), g += fa * float(p[1]), r += fa * float(p[2]);
                    a += weight * float(p[3]);
                }
            }
            o[0] = b, o[1] = g, o[2] = r, o[3] = a;
        }
        sink.Row(y, x0, x1 - x0, out.data());
    }
    return true;
}

// A map that moves whole pixels: entries of the linear part 0 or +-1, one
// non-zero per row and column, and whole-number offsets.
bool MovesWholePixels(const AffineMap& m, AffineMap* snapped) {
    auto unit = [](double v, double* out) {
        for (double target : {-1.0, 0.0, 1.0})
            if (std::fabs(v - target) < 1e-6) {
                *out = target;
                return true;
            }
        return false;
    };
    AffineMap s;
    if (!unit(m.a, &s.a) || !unit(m.b, &s.b) || !unit(m.c, &s.c) || !unit(m.d, &s.d)) return false;
    if (std::fabs(s.a * s.d - s.b * s.c) != 1.0) return false;
    if (std::fabs(m.e) > 1e9 || std::fabs(m.f) > 1e9) return false;
    s.e = std::nearbyint(m.e);
    s.f = std::nearbyint(m.f);
    if (std::fabs(m.e - s.e) > 1e-6 || std::fabs(m.f - s.f) > 1e-6) return false;
    *snapped = s;
    return true;
}

void CopyWholePixels(const ResampleSource& source, const AffineMap& m, int clipWidth,
                     int clipHeight, std::vector<Argb>& row, ResampleSink& sink) {
    const long long w = source.width, h = source.height;
    // Device rectangle covered: the images of the source corners.
    const long long xs[2] = {(long long)m.e, (long long)(m.e + m.a * w + m.c * h)};
    const long long ys[2] = {(long long)m.f, (long long)(m.f + m.b * w + m.d * h)};
    const long long x0 = std::max(0LL, std::min(xs[0], xs[1]));
    const long long x1 = std::min<long long>(clipWidth, std::max(xs[0], xs[1]));
    const long long y0 = std::max(0LL, std::min(ys[0], ys[1]));
    const long long y1 = std::min<long long>(clipHeight, std::max(ys[0], ys[1]));
    if (x0 >= x1 || y0 >= y1) return;
    // Inverse of the pixel permutation: source pixel of device pixel centre.
    const double det = m.a * m.d - m.b * m.c;
    const double iux = m.d / det, iuy = -m.c / det, ivx = -m.b / det, ivy = m.a / det;
    for (long long y = y0; y < y1; ++y) {
        for (long long x = x0; x < x1; ++x) {
            const double dx = x + 0.5 - m.e, dy = y + 0.5 - m.f;
            const long long i = (long long)std::floor(iux * dx + iuy * dy);
            const long long j = (long long)std::floor(ivx * dx + ivy * dy);
            std::memcpy(&row[std::size_t(x - x0)],
                        source.pixels + std::ptrdiff_t(j) * source.stride + 4 * i, 4);
        }
        sink.ExactRow(int(y), int(x0), int(x1 - x0), row.data());
    }
}

} // namespace

bool Resample(const ResampleSource& source, const AffineMap& map, const ResampleOptions& options,
              int clipWidth, int clipHeight, ResampleSink& sink) {
    if (source.width <= 0 || source.height <= 0 || clipWidth <= 0 || clipHeight <= 0) return true;
    for (double v : {map.a, map.b, map.c, map.d, map.e, map.f})
        if (!std::isfinite(v)) return true;
    AffineMap whole;
    if (MovesWholePixels(map, &whole)) {
        std::vector<Argb> row;
        try {
            row.resize(std::size_t(clipWidth));
        } catch (const std::bad_alloc&) {
            return false;
        }
        CopyWholePixels(source, whole, clipWidth, clipHeight, row, sink);
        return true;
    }
    if (map.b == 0.0 && map.c == 0.0) {
        if (map.a == 0.0 || map.d == 0.0) return true;
        return ResampleSeparable(source, map, options, clipWidth, clipHeight, sink);
    }
    return ResampleAffine(source, map, options, clipWidth, clipHeight, sink);
}

} // namespace softgdi
