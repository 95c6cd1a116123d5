#include "ClipRectPair.h"

#include <cmath>
#include <cstdint>

namespace rz::gdiplus {
namespace {

// Differences of two edges wrap around in 32 bits, as the arithmetic on
// rectangles has always done; written this way they are defined behaviour
// even for rectangles at the limits of the integer range.
std::int32_t Difference(std::int32_t high, std::int32_t low) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(high) -
                                     static_cast<std::uint32_t>(low));
}

// b's edge moved to the fraction cut / extent of b's extent, from b's low edge.
std::int32_t Proportional(std::int32_t bLow, std::int32_t bHigh, std::int32_t cut,
                          std::int32_t extent) {
    const double ratio = double(cut) / double(extent);
    return static_cast<std::int32_t>(std::lround(double(Difference(bHigh, bLow)) * ratio + bLow));
}

// One axis: a's edges (low, high) clipped to [0, limit], b's moved along.
void ClipAxis(std::int32_t aLow, std::int32_t aHigh, std::int32_t bLow, std::int32_t bHigh,
              std::int32_t limit, std::int32_t* low, std::int32_t* high, std::int32_t* newBLow,
              std::int32_t* newBHigh) {
    const std::int32_t extent = Difference(aHigh, aLow);
    *low = aLow;
    *newBLow = bLow;
    if (aLow < 0) {
        *low = 0;
        *newBLow = Proportional(bLow, bHigh, Difference(0, aLow), extent);
    }
    *high = aHigh;
    *newBHigh = bHigh;
    if (aHigh > limit) {
        *high = limit;
        *newBHigh = Proportional(bLow, bHigh, Difference(limit, aLow), extent);
    }
}

} // namespace

bool ClipRectPair(int limitWidth, int limitHeight, const KWRect* a, const KWRect* b,
                  KWRect* clippedA, KWRect* adjustedB) {
    if (!(a->right > a->left && a->bottom > a->top)) return false;
    KWRect ca, ab;
    ClipAxis(a->left, a->right, b->left, b->right, limitWidth, &ca.left, &ca.right, &ab.left,
             &ab.right);
    ClipAxis(a->top, a->bottom, b->top, b->bottom, limitHeight, &ca.top, &ca.bottom, &ab.top,
             &ab.bottom);
    *clippedA = ca;
    *adjustedB = ab;
    return ca.left < ca.right && ca.top < ca.bottom;
}

} // namespace rz::gdiplus
