// Copying a rectangle of pixels between two surfaces, converting the layout
// when they differ. Rectangles must lie inside both surfaces.
#pragma once

#include "Surface.h"

namespace softgdi {

// True when the two surfaces hold their pixels the same way, so that bytes
// (or indices) can be copied as they are.
bool SameEncoding(const Surface& a, const Surface& b);

// Copies width x height pixels from (sx, sy) of source to (dx, dy) of target.
// Overlapping copies within one surface are handled. False when out of memory
// or the target cannot be written.
bool CopyPixels(const Surface& source, int sx, int sy, const Surface& target, int dx, int dy,
                int width, int height);

} // namespace softgdi
