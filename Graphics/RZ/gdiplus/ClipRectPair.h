// Clipping a rectangle to a map while moving a paired rectangle's edges in
// proportion, so that what is left of the first still maps onto what is
// left of the second.
#pragma once

#include "RZ/KWPixMap"

namespace rz::gdiplus {

// Clips a to (0, 0, limitWidth, limitHeight) into *clippedA and moves each
// edge of b whose counterpart in a was cut by the same fraction of b's
// extent into *adjustedB (lround, halves away from zero). False, with
// nothing written, when a is empty or reversed; otherwise whether the
// clipped a is non-empty.
bool ClipRectPair(int limitWidth, int limitHeight, const KWRect* a, const KWRect* b,
                  KWRect* clippedA, KWRect* adjustedB);

} // namespace rz::gdiplus
