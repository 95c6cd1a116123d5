// Pieces shared by the resampler's paths: filter kernels, tap weights, edge
// modes and the per-axis weight tables of the separable paths. The geometry
// and filters they implement are described in Resampler.h.
#pragma once

#include <vector>

#include "Resampler.h"

namespace softgdi {

constexpr float kInv255 = 1.0f / 255.0f;

// t, or the whole number within 1e-6 of it.
double Snap(double t);

float CatmullRom(float x);

// The kernel along one axis of the source.
struct Kernel {
    ResampleFilter filter;
    double scale;   // kernel stretch: 1, or the reduction factor when widening
    double support; // half-width in source pixels
    int maxTaps;
};

Kernel KernelFor(const ResampleOptions& options, double axisScale, int sourceSize);

// Taps of one sample at index position t: the first index and the weights,
// normalised to sum 1. Returns the number of taps (at most k.maxTaps).
int Taps(const Kernel& k, double t, int* first, float* weights);

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

// Weight tables of one axis of the separable paths.
struct AxisPlan {
    int begin = 0, end = 0; // written device pixels [begin, end)
    int lo = 0, hi = -1;    // source indices any tap reaches
    int stride = 1;         // weights per entry
    std::vector<int> first, count;
    std::vector<float> weights;
};

// Plans the axis x' = scale x + offset of a source n pixels long into device
// pixels [0, clip). False when out of memory.
bool PlanAxis(double scale, double offset, int n, int clip, const Kernel& k, AxisPlan* plan);

// Both axes of a separable draw of source under map into [0, clipWidth) x
// [0, clipHeight); rowTaps is the most source rows one device row takes.
// False when out of memory.
bool PlanSeparable(const ResampleSource& source, const AffineMap& map,
                   const ResampleOptions& options, int clipWidth, int clipHeight, AxisPlan* px,
                   AxisPlan* py, int* rowTaps);

// A run of device pixels or rows [begin, end); empty when begin >= end.
struct Span {
    int begin = 0, end = 0;
};

// The device pixels of a row of the affine path whose centres map inside the
// source, given u and v at x = 0 and their steps per pixel.
Span InsideSpan(double u0, double iux, double v0, double ivx, double w, double h, int clipWidth);

// The device rows the transformed source rectangle can reach.
Span ReachedRows(const AffineMap& m, double w, double h, int clipHeight);

} // namespace softgdi
