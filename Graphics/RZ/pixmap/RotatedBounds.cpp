// The box that holds a pixel map, or part of it, turned by an angle.
#include <cmath>
#include <initializer_list>

#include "RZ/KWPixMap"

namespace {

// Nearest integer, halves away from zero, kept as a signed 32-bit value.
// llround rather than lround: long is 32 bits on Windows.
std::int32_t RoundToInt32(double value) {
    if (!(value > -9.2e18 && value < 9.2e18)) return INT32_MIN; // NaN or huge: no sound answer
    return static_cast<std::int32_t>(std::llround(value));
}

// Quarter turns are snapped so that the box of a map turned by them is exact.
bool NearQuarterTurn(double angle) {
    constexpr double kPi = 3.14159265358979323846;
    constexpr double kTolerance = 1e-5;
    for (double target : {0.0, kPi / 2, kPi, 3 * kPi / 2, 2 * kPi})
        if (kTolerance > std::fabs(angle - target)) return true;
    return false;
}

} // namespace

extern "C" void RZGetRotatedKWPixMapWidthHeight(int* width, int* height, double angle,
                                                const KWRect* rect, int, int* originH,
                                                int* originV) {
    if (width == nullptr || height == nullptr) return;
    std::int32_t left = 0, top = 0, right = *width, bottom = *height;
    if (rect != nullptr) {
        left = rect->left > 0 ? rect->left : 0;
        top = rect->top > 0 ? rect->top : 0;
        right = rect->right > *width ? *width : rect->right;
        bottom = rect->bottom > *height ? *height : rect->bottom;
    }
    const bool wantOrigin = originH != nullptr && originV != nullptr;
    if (left >= right || top >= bottom) {
        *width = 0;
        *height = 0;
        if (wantOrigin) *originH = *originV = 0;
        return;
    }
    double s = std::sin(-angle);
    double c = std::cos(-angle);
    if (NearQuarterTurn(angle)) {
        s = std::round(s);
        c = std::round(c);
    }
    const double corners[4][2] = {{double(left), double(top)},
                                  {double(right), double(bottom)},
                                  {double(left), double(bottom)},
                                  {double(right), double(top)}};
    std::int32_t minH = 0, maxH = 0, minV = 0, maxV = 0;
    for (int i = 0; i < 4; ++i) {
        const double x = corners[i][0], y = corners[i][1];
        const std::int32_t h = RoundToInt32(x * c - y * s);
        const std::int32_t v = RoundToInt32(y * c + x * s);
        if (i == 0 || h < minH) minH = h;
        if (i == 0 || h > maxH) maxH = h;
        if (i == 0 || v < minV) minV = v;
        if (i == 0 || v > maxV) maxV = v;
    }
    *width = static_cast<int>(static_cast<std::uint32_t>(maxH) - static_cast<std::uint32_t>(minH));
    *height = static_cast<int>(static_cast<std::uint32_t>(maxV) - static_cast<std::uint32_t>(minV));
    if (wantOrigin) {
        const double H = minH, V = minV;
        *originH = RoundToInt32((V * s + H * c) * 65536.0);
        *originV = RoundToInt32((V * c - H * s) * 65536.0);
    }
}
