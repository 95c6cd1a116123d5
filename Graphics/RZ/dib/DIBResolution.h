// Resolutions travel as dots per inch in pixel maps and as pixels per metre
// in DIBs; both directions truncate toward zero.
#pragma once

#include <cstdint>

namespace rz {

// Dots per inch to pixels per metre: 72 gives 2834, 96 gives 3779. The
// product is saturated so that absurd resolutions cannot overflow.
inline std::int32_t PixelsPerMetreFromDpi(std::int32_t dpi) {
    const double perMetre = dpi * 39.37007874015748;
    if (perMetre >= 2147483647.0) return INT32_MAX;
    if (perMetre <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(perMetre);
}

// Pixels per metre to dots per inch: 3780 gives 96, 2834 gives 71. Always
// fits, the factor being below 1.
inline std::int32_t DpiFromPixelsPerMetre(std::int32_t perMetre) {
    return static_cast<std::int32_t>(perMetre * 0.0254);
}

} // namespace rz
