// RZStretchKWPixMap: a rectangle of one pixel map scaled into a rectangle of
// another. Equal sizes between 32-bit maps are plain pixel copies; the rest
// is drawn by GDI+.
#include <algorithm>
#include <cstring>

#include "ClipRectPair.h"
#include "PixMapDraw.h"
#include "RZ/pixmap/PixMapRecord.h"

namespace rz::gdiplus {
namespace {

bool IsThirtyTwoBit(int pixelType) {
    return pixelType == PixelTypeARGB || pixelType == PixelTypeARGBDirect;
}

std::int64_t WidthOf(const KWPixMap* record) {
    return record != nullptr ? std::int64_t{record->width} : 0;
}
std::int64_t HeightOf(const KWPixMap* record) {
    return record != nullptr ? std::int64_t{record->height} : 0;
}

// Source rows and columns inside the source go to the target from the target
// rectangle's corner on, as far as the target reaches, 4 bytes a pixel.
void CopyEqualSize(KWPixMap* source, KWPixMap* target, const KWRect& s, const KWRect& t) {
    const std::int64_t sourceLeft = std::max(s.left, 0);
    const std::int64_t columns = std::min<std::int64_t>(
        std::min<std::int64_t>(s.right, WidthOf(source)) - sourceLeft, WidthOf(target) - t.left);
    const std::int64_t sourceTop = std::max(s.top, 0);
    const std::int64_t rows = std::min<std::int64_t>(
        std::min<std::int64_t>(s.bottom, HeightOf(source)) - sourceTop, HeightOf(target) - t.top);
    if (columns <= 0 || rows <= 0 || t.left < 0 || t.top < 0) return;
    // A map copied onto itself moves like memmove: rows downwards are taken
    // from the bottom up, so no row is overwritten before it is read.
    const bool bottomUp = source == target && t.top > sourceTop;
    for (std::int64_t i = 0; i < rows; ++i) {
        const std::int64_t y = bottomUp ? rows - 1 - i : i;
        std::memmove(RowOf(target, std::uint32_t(t.top + y)) + 4 * t.left,
                     RowOf(source, std::uint32_t(sourceTop + y)) + 4 * sourceLeft,
                     std::size_t(columns) * 4);
    }
}

// A rectangle that GDI+ may read the map through: inside it and not empty.
bool IsInside(const KWRect& r, const KWPixMap* record) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           r.right <= WidthOf(record) && r.bottom <= HeightOf(record);
}

short StretchPixMapWithGdiPlus(KWPixMap** source, KWPixMap** target, const KWRect& s,
                               const KWRect& t, int useAlpha) {
    const int sourceType = RZGetKWPixMapPixelType(source);
    const int targetType = RZGetKWPixMapPixelType(target);
    const bool bothThirtyTwoBit = IsThirtyTwoBit(sourceType) && IsThirtyTwoBit(targetType);
    const bool sameSize = std::int64_t{s.right} - s.left == std::int64_t{t.right} - t.left &&
                          std::int64_t{s.bottom} - s.top == std::int64_t{t.bottom} - t.top;
    if (bothThirtyTwoBit && useAlpha == 0 && sameSize) {
        CopyEqualSize(*source, *target, s, t);
        return 0;
    }
    // Clipping keeps the source inside its map; rectangles so large that
    // their edges wrapped around cannot, and are not read through.
    if (!IsInside(s, RecordOf(source))) return RZErrFailed;
    PixMapDraw draw{};
    draw.source = source;
    draw.target = target;
    draw.sourceRect = s;
    draw.targetRect = t;
    draw.destination = Gdiplus::Rect(t.left, t.top, t.right - t.left, t.bottom - t.top);
    draw.useAlpha = useAlpha;
    draw.channelPairs = bothThirtyTwoBit && useAlpha == 0;
    return DrawPixMapWithGdiPlus(draw);
}

} // namespace
} // namespace rz::gdiplus

extern "C" short RZStretchKWPixMap(KWPixMap** source, KWPixMap** target, const KWRect* sourceRect,
                                   const KWRect* targetRect, int useAlpha) {
    using namespace rz::gdiplus;
    if (source == nullptr || target == nullptr || sourceRect == nullptr || targetRect == nullptr)
        return RZErrFailed;
    const KWPixMap* from = rz::RecordOf(source);
    const KWPixMap* to = rz::RecordOf(target);
    KWRect clippedSource, adjustedTarget, finalSource, finalTarget;
    if (!ClipRectPair(int(WidthOf(from)), int(HeightOf(from)), sourceRect, targetRect,
                      &clippedSource, &adjustedTarget))
        return 0;
    if (!ClipRectPair(int(WidthOf(to)), int(HeightOf(to)), &adjustedTarget, &clippedSource,
                      &finalTarget, &finalSource))
        return 0;
    return StretchPixMapWithGdiPlus(source, target, finalSource, finalTarget, useAlpha);
}
