#include "ResampleKernel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace softgdi {

namespace {

float Triangle(float x) {
    x = std::fabs(x);
    return x < 1.0f ? 1.0f - x : 0.0f;
}

} // namespace

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

bool PlanSeparable(const ResampleSource& source, const AffineMap& map,
                   const ResampleOptions& options, int clipWidth, int clipHeight, AxisPlan* px,
                   AxisPlan* py, int* rowTaps) {
    const Kernel kx = KernelFor(options, std::fabs(map.a), source.width);
    const Kernel ky = KernelFor(options, std::fabs(map.d), source.height);
    *rowTaps = ky.maxTaps;
    return PlanAxis(map.a, map.e, source.width, clipWidth, kx, px) &&
           PlanAxis(map.d, map.f, source.height, clipHeight, ky, py);
}

Span InsideSpan(double u0, double iux, double v0, double ivx, double w, double h, int clipWidth) {
    // Solve 0 <= u < w and 0 <= v < h for x, widen by one and then trim with
    // the exact test.
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
    if (!(lo <= hi)) return {};
    Span s{std::max(0, int(std::floor(lo)) - 1), std::min(clipWidth, int(std::ceil(hi)) + 1)};
    auto inside = [&](int x) {
        const double u = u0 + iux * x, v = v0 + ivx * x;
        return u >= 0.0 && u < w && v >= 0.0 && v < h;
    };
    while (s.begin < s.end && !inside(s.begin)) ++s.begin;
    while (s.end > s.begin && !inside(s.end - 1)) --s.end;
    return s;
}

Span ReachedRows(const AffineMap& m, double w, double h, int clipHeight) {
    const double ys[4] = {m.f, m.f + m.b * w, m.f + m.d * h, m.f + m.b * w + m.d * h};
    const double yMin = *std::min_element(ys, ys + 4), yMax = *std::max_element(ys, ys + 4);
    const double yLimit = double(clipHeight) + 1.0;
    return {int(std::floor(std::clamp(yMin, 0.0, yLimit))),
            std::min(clipHeight, int(std::ceil(std::clamp(yMax, 0.0, yLimit))))};
}

} // namespace softgdi
