// The resampler's paths, chosen by Resample (Resampler.cpp). Each draws the
// source under the map into device pixels [0, clipWidth) x [0, clipHeight)
// and returns false when out of memory.
#pragma once

#include "Resampler.h"

namespace softgdi {

// Axis-aligned maps (b = c = 0, a and d non-zero), any selection and edge
// mode, premultiplied floats.
bool ResampleSeparableFloat(const ResampleSource& source, const AffineMap& map,
                            const ResampleOptions& options, int clipWidth, int clipHeight,
                            ResampleSink& sink);

// Any other map, any selection and edge mode, premultiplied floats.
bool ResampleAffineFloat(const ResampleSource& source, const AffineMap& map,
                         const ResampleOptions& options, int clipWidth, int clipHeight,
                         ResampleSink& sink);

// The fixed-point paths for opaque selections: true when this processor has
// the instructions they use (SSE4.1).
bool FixedPointAvailable();

// True when ResampleSeparableFixed can draw the map: an opaque selection,
// edges mirrored or tiled, and at most kMaxFixedTaps taps along each axis
// (more small weights would add up rounding errors of 2^-15 each).
constexpr int kMaxFixedTaps = 16;
bool SeparableFixedHandles(const ResampleSource& source, const AffineMap& map,
                           const ResampleOptions& options);
// Delivers OpaqueRow.
bool ResampleSeparableFixed(const ResampleSource& source, const AffineMap& map,
                            const ResampleOptions& options, int clipWidth, int clipHeight,
                            ResampleSink& sink);

// True when ResampleAffineFixed can draw the map: an opaque selection,
// bilinear or bicubic taps that are not widened, edges mirrored or tiled.
bool AffineFixedHandles(const ResampleSource& source, const AffineMap& map,
                        const ResampleOptions& options);
bool ResampleAffineFixed(const ResampleSource& source, const AffineMap& map,
                         const ResampleOptions& options, int clipWidth, int clipHeight,
                         ResampleSink& sink);

} // namespace softgdi
