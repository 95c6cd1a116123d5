// The resampler: draws a source image under an affine map, producing colour
// row by row for a sink to composite.
//
// Geometry, stated once for the whole component:
// - Source pixel (i, j) covers [i, i + 1) x [j, j + 1); its centre is
//   (i + 0.5, j + 0.5). The map takes source coordinates (u, v) to device
//   coordinates: x = a u + c v + e, y = b u + d v + f.
// - Device pixel (X, Y) has its centre at (X + 0.5, Y + 0.5). It is written
//   only when that centre, mapped back to (u, v), lies in [0, w) x [0, h): the
//   centre lies inside the transformed source rectangle. Edges of the
//   destination get no partial coverage.
// - Filters sample at t = u - 0.5 in index space. Nearest takes pixel
//   floor(u). Bilinear and bicubic weigh taps i by k(i - t); bicubic is the
//   Catmull-Rom spline (Keys, a = -0.5), which interpolates, so a sample at a
//   whole-number t returns that pixel exactly. With widening, a reduction by
//   factor s < 1 along an axis stretches the kernel to k((i - t) s) over 1/s
//   times the support, so that shrinking averages instead of aliasing.
//   Weights are normalised to sum 1. A t within 1e-6 of a whole number is
//   taken as that number, so identity draws at whole-number offsets and
//   turns by multiples of 90 degrees reproduce the source exactly despite the
//   rounding of sines and cosines.
// - Taps outside the source: Mirror reflects at the edge with the edge pixel
//   repeated (-1 reads 0, w reads w - 1, period 2w); Tile repeats with period
//   w; Border reads the border colour (transparent by default).
// - Source pixels pass through the source's channel selection as they are
//   loaded. Colour is resampled premultiplied by alpha, as floats in
//   0..255, so transparent pixels lend no colour to their neighbours. The
//   compositing sink clamps to 0..255, divides colour by alpha and rounds to
//   the nearest byte, halves up; bicubic overshoot is clamped there.
// - Opaque selections (alpha the constant 255) need no premultiplying. Where
//   the processor has SSE4.1 they are resampled in fixed point instead:
//   weights in units of 2^-14, the first pass rounded to 1/64 of a level,
//   the second rounded to the nearest byte, halves up, and clamped to
//   0..255. In the separable path each axis's weights sum to exactly 2^14,
//   and axes of more than 16 taps stay in floats so that rounding errors
//   cannot add up. Results stay within a level of the exact filter; uniform
//   colours and single taps come out exactly.
//
// Maps that only move whole pixels (whole-number offsets combined with turns
// by multiples of 90 degrees and mirrors, all within 1e-6) copy the source
// pixels as they are, colour of fully transparent pixels included. Other
// axis-aligned maps (b = c = 0) take a separable two-pass path with
// per-column and per-row weight tables; every other map takes the affine
// path, which solves each row's written span once and steps (u, v) along
// it; in fixed point it draws in strips of columns for the sake of the cache.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ChannelSelect.h"
#include "Surface.h"

namespace softgdi {

enum class ResampleFilter : std::uint8_t { Nearest, Bilinear, Bicubic };
enum class EdgeMode : std::uint8_t { Border, Tile, Mirror };

// 32-bit pixels whose bytes, through select, are non-premultiplied blue,
// green, red and alpha.
struct ResampleSource {
    const std::uint8_t* pixels = nullptr; // top row
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    ChannelSelect select;
};

struct ResampleOptions {
    ResampleFilter filter = ResampleFilter::Bilinear;
    bool widenWhenShrinking = false;
    EdgeMode edgeX = EdgeMode::Border;
    EdgeMode edgeY = EdgeMode::Border;
    Argb border = 0;
};

struct AffineMap {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

class ResampleSink {
public:
    // Premultiplied blue, green, red, alpha floats for pixels x0 .. x0 + count - 1 of row y.
    virtual void Row(int y, int x0, int count, const float* premultiplied) = 0;
    // Source pixels as they are (selected), for maps that only move whole pixels.
    virtual void ExactRow(int y, int x0, int count, const Argb* colours) = 0;
    // Final colours, every alpha 255: fixed-point rows, and whole-pixel
    // copies of opaque selections.
    virtual void OpaqueRow(int y, int x0, int count, const Argb* colours) = 0;

protected:
    ~ResampleSink() = default;
};

// Draws into device pixels [0, clipWidth) x [0, clipHeight). False when out
// of memory (some rows may have been delivered). A degenerate map covers no
// pixel centre and draws nothing.
bool Resample(const ResampleSource& source, const AffineMap& map, const ResampleOptions& options,
              int clipWidth, int clipHeight, ResampleSink& sink);

} // namespace softgdi
