// RZRotateKWPixMap and its older entry point: a rectangle of one pixel map
// drawn into another turned by an angle about an anchor, optionally
// mirrored, with GDI+ resampling under a world transform.
//
// The anchor (x, y) is where the rectangle's bottom-left corner lands
// (bottom-right when mirrored). On the target (y pointing down) the bottom
// edge runs from the anchor in direction (cos a, -sin a) and the left edge
// upward in direction (-sin a, -cos a): a positive angle turns the picture
// counter-clockwise as seen on the target.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "PixMapDraw.h"
#include "RZ/pixmap/PixMapRecord.h"

namespace rz::gdiplus {
namespace {

bool IsThirtyTwoBit(int pixelType) {
    return pixelType == PixelTypeARGB || pixelType == PixelTypeARGBDirect;
}

// Plain comparisons: a standard template instantiated here, unless inlined,
// would join the library's exports.
std::int32_t ClampToInt32(std::int64_t v) {
    return std::int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// lround for values that may be anything a hostile anchor makes: saturated
// to the range rectangles can hold.
std::int64_t RoundedCoordinate(double v) {
    if (!(v > -4e18 && v < 4e18))
        return v > 0 ? INT64_C(4000000000000000000) : -INT64_C(4000000000000000000);
    return std::lround(v);
}

short RotatePixMapWithGdiPlus(KWPixMap** source, KWPixMap** target, const KWRect& r, double x,
                              double y, double c, double s, bool mirror, int useAlpha) {
    const double w = double(r.right - r.left), h = double(r.bottom - r.top);
    // The four corners on the target: top-left, top-right, bottom-left
    // (the anchor), bottom-right.
    const double cornerX[4] = {x - h * s, x + w * c - h * s, x, x + w * c};
    const double cornerY[4] = {y - h * c, y - w * s - h * c, y, y - w * s};
    std::int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
    for (int i = 0; i < 4; ++i) {
        const std::int64_t px = RoundedCoordinate(cornerX[i]), py = RoundedCoordinate(cornerY[i]);
        minX = std::min(minX, px), maxX = std::max(maxX, px);
        minY = std::min(minY, py), maxY = std::max(maxY, py);
    }
    // A pixel of margin around the box, for the filter's reach.
    const KWRect box{ClampToInt32(minY - 1), ClampToInt32(minX - 1), ClampToInt32(maxY + 2),
                     ClampToInt32(maxX + 2)};
    // The transform in single precision, its offsets whole numbers.
    const float cf = float(c), sf = float(s);
    const float transform[6] = {mirror ? -cf : cf,
                                mirror ? sf : -sf,
                                sf,
                                cf,
                                float(RoundedCoordinate(mirror ? x + w * c - h * s : x - h * s)),
                                float(RoundedCoordinate(mirror ? y - w * s - h * c : y - h * c))};

    PixMapDraw draw{};
    draw.source = source;
    draw.target = target;
    draw.sourceRect = r;
    draw.targetRect = box;
    draw.destination = Gdiplus::Rect(0, 0, r.right - r.left, r.bottom - r.top);
    draw.worldTransform = transform;
    draw.useAlpha = useAlpha;
    draw.channelPairs = IsThirtyTwoBit(RZGetKWPixMapPixelType(source)) &&
                        IsThirtyTwoBit(RZGetKWPixMapPixelType(target)) && useAlpha == 0;
    draw.wrapIndexedSources = true;
    return DrawPixMapWithGdiPlus(draw);
}

} // namespace
} // namespace rz::gdiplus

extern "C" short RZRotateKWPixMap(KWPixMap** source, KWPixMap** target, const KWRect* sourceRect,
                                  int x, int y, double angle, bool mirror, int useAlpha) {
    if (source == nullptr || target == nullptr || sourceRect == nullptr) return RZErrFailed;
    // No turn can be drawn by an angle that is not a number.
    if (!std::isfinite(angle)) return RZErrFailed;
    const KWPixMap* record = rz::RecordOf(source);
    const std::int32_t width = record != nullptr ? std::int32_t(record->width) : 0;
    const std::int32_t height = record != nullptr ? std::int32_t(record->height) : 0;
    const double c = std::cos(angle), s = std::sin(angle);
    double anchorX = x, anchorY = y;
    // Clip to the source; the anchor moves with the corner it stands for.
    KWRect r = *sourceRect;
    if (r.left < 0) {
        if (!mirror) {
            anchorX -= double(r.left) * c;
            anchorY += double(r.left) * s;
        }
        r.left = 0;
    }
    if (r.right > width) {
        if (mirror) {
            const double d = double(r.right) - width;
            anchorX += d * c;
            anchorY -= d * s;
        }
        r.right = width;
    }
    r.top = std::max(r.top, 0);
    if (r.bottom > height) {
        const double d = double(r.bottom) - height;
        anchorX -= d * s;
        anchorY -= d * c;
        r.bottom = height;
    }
    if (r.left >= r.right || r.top >= r.bottom) return 0;
    return rz::gdiplus::RotatePixMapWithGdiPlus(source, target, r, anchorX, anchorY, c, s, mirror,
                                                useAlpha);
}

extern "C" short RZRotateKWPixMap_OldParList(KWPixMap** source, KWPixMap** target, double angle,
                                             bool mirror, const KWRect* sourceRect, int centreX,
                                             int centreY) {
    if (sourceRect == nullptr) return RZErrFailed;
    // The centre rounded to whole source pixels (16.16 fixed point); 64-bit,
    // so that centres near the integer limits do not overflow.
    const std::int64_t px = (std::int64_t{centreX} + 32768) / 65536;
    const std::int64_t py = (std::int64_t{centreY} + 32768) / 65536;
    const double a = double(px - sourceRect->left), b = double(sourceRect->bottom - py);
    const double c = std::cos(angle), s = std::sin(angle);
    const long y = std::isfinite(angle) ? std::lround(a * s + b * c) : 0;
    const long x = std::isfinite(angle) ? std::lround(-(a * c - b * s)) : 0;
    return RZRotateKWPixMap(source, target, sourceRect, int(x), int(y), angle, mirror, 0);
}
