// Choosing a path for each draw: whole-pixel copies, the fixed-point paths
// for opaque selections where the processor has them, else the float paths.
#include "Resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "ResampleKernel.h"
#include "ResamplePaths.h"

namespace softgdi {

namespace {

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
    // Inverse of the pixel permutation: the source pixel of a device pixel's
    // centre. Along a row it steps by whole pixels, so only the first one of
    // each row is worked out.
    const double det = m.a * m.d - m.b * m.c;
    const double iux = m.d / det, iuy = -m.c / det, ivx = -m.b / det, ivy = m.a / det;
    const long long stepI = (long long)iux, stepJ = (long long)ivx;
    const std::size_t count = std::size_t(x1 - x0);
    for (long long y = y0; y < y1; ++y) {
        const double dx = x0 + 0.5 - m.e, dy = y + 0.5 - m.f;
        long long i = (long long)std::floor(iux * dx + iuy * dy);
        long long j = (long long)std::floor(ivx * dx + ivy * dy);
        if (stepI == 1 && stepJ == 0) {
            std::memcpy(row.data(), source.pixels + std::ptrdiff_t(j) * source.stride + 4 * i,
                        4 * count);
        } else {
            for (std::size_t k = 0; k < count; ++k, i += stepI, j += stepJ)
                std::memcpy(&row[k], source.pixels + std::ptrdiff_t(j) * source.stride + 4 * i, 4);
        }
        ApplySelection(source.select, row.data(), int(count));
        if (source.select.IsOpaque())
            sink.OpaqueRow(int(y), int(x0), int(count), row.data());
        else
            sink.ExactRow(int(y), int(x0), int(count), row.data());
    }
}

} // namespace

bool FixedPointAvailable() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool available = [] {
        __builtin_cpu_init(); // harmless when already done, needed before constructors ran
        return __builtin_cpu_supports("sse4.1") != 0;
    }();
    return available;
#else
    return false;
#endif
}

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
    const bool fixedPoint = source.select.IsOpaque() && options.edgeX != EdgeMode::Border &&
                            options.edgeY != EdgeMode::Border && FixedPointAvailable();
    if (map.b == 0.0 && map.c == 0.0) {
        if (map.a == 0.0 || map.d == 0.0) return true;
        return fixedPoint && SeparableFixedHandles(source, map, options)
                   ? ResampleSeparableFixed(source, map, options, clipWidth, clipHeight, sink)
                   : ResampleSeparableFloat(source, map, options, clipWidth, clipHeight, sink);
    }
    if (fixedPoint && AffineFixedHandles(source, map, options))
        return ResampleAffineFixed(source, map, options, clipWidth, clipHeight, sink);
    return ResampleAffineFloat(source, map, options, clipWidth, clipHeight, sink);
}

} // namespace softgdi
