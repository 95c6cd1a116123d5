// The separable path in premultiplied floats: a horizontal pass over each
// source row into a ring of filtered rows, then a vertical pass per device
// row. The selection is applied as each source row is loaded.
#include <algorithm>
#include <climits>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <new>
#include <vector>

#include "ResampleKernel.h"
#include "ResamplePaths.h"

namespace softgdi {

namespace {

// Premultiplied floats of one selected pixel: the 4 output bytes.
inline void LoadPremultiplied(const std::uint8_t* bytes, float* e) {
    const float fa = float(bytes[3]) * kInv255;
    e[0] = float(bytes[0]) * fa, e[1] = float(bytes[1]) * fa, e[2] = float(bytes[2]) * fa;
    e[3] = float(bytes[3]);
}

} // namespace

bool ResampleSeparableFloat(const ResampleSource& source, const AffineMap& map,
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
    float border[4];
    {
        const Argb c = options.border;
        const std::uint8_t bytes[4] = {std::uint8_t(BlueOf(c)), std::uint8_t(GreenOf(c)),
                                       std::uint8_t(RedOf(c)), std::uint8_t(AlphaOf(c))};
        LoadPremultiplied(bytes, border);
    }
    const ChannelSelect& select = source.select;
    const bool identity = select.IsIdentity();

    // Horizontal pass over source row j (virtual index) into a ring slot.
    auto filterRow = [&](long long j, float* slot) {
        const int row = MapIndex(j, source.height, options.edgeY);
        const std::uint8_t* pixels =
            row >= 0 ? source.pixels + std::ptrdiff_t(row) * source.stride : nullptr;
        float* e = ext.data();
        for (int i = 0; i < extWidth; ++i, e += 4) {
            const int column = columnOf[std::size_t(i)];
            if (pixels == nullptr || column < 0) {
                std::copy(border, border + 4, e);
                continue;
            }
            const std::uint8_t* p = pixels + 4 * std::size_t(column);
            if (identity) {
                LoadPremultiplied(p, e);
                continue;
            }
            std::uint8_t bytes[4];
            for (int k = 0; k < 4; ++k)
                bytes[k] = select.from[k] == ChannelSelect::kConstant ? select.value[k]
                                                                      : p[select.from[k]];
            LoadPremultiplied(bytes, e);
        }
        for (int x = 0; x < outWidth; ++x) {
            const int count = px.count[std::size_t(x)];
            const float* w = &px.weights[std::size_t(x) * std::size_t(px.stride)];
            const float* s = ext.data() + 4 * std::size_t(px.first[std::size_t(x)] - px.lo);
#if defined(__SSE2__)
            __m128 sum = _mm_setzero_ps();
            for (int k = 0; k < count; ++k, s += 4)
                sum = _mm_add_ps(sum, _mm_mul_ps(_mm_loadu_ps(s), _mm_set1_ps(w[k])));
            _mm_storeu_ps(slot + 4 * std::size_t(x), sum);
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

} // namespace softgdi
