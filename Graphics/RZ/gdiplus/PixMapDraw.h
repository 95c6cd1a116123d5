// One draw of a rectangle of a source pixel map into a target pixel map with
// GDI+'s high-quality bicubic filter, shared by stretching and rotation.
#pragma once

#include "RZ/KWPixMap"
#include "RZ/platform/WindowsImaging.h"

namespace rz::gdiplus {

struct PixMapDraw {
    KWPixMap** source;
    KWPixMap** target;
    KWRect sourceRect;           // inside the source map
    KWRect targetRect;           // what is opened for drawing; clipped to the target there
    Gdiplus::Rect destination;   // where the source rectangle lands, in world coordinates
    const float* worldTransform; // m11, m12, m21, m22, dx, dy; null for none
    int useAlpha;                // 0 replaces the target's pixels, else source over
    bool channelPairs;           // two draws, each resampling two bytes of every pixel
    bool wrapIndexedSources;     // tile-flip edges for 1-bit and grey sources too
};

// 0, or RZErrFailed when the drawing target, the source bitmap or the
// drawing objects cannot be made, or the last draw fails. A channel pair
// copied back before a failing draw stays in the target.
short DrawPixMapWithGdiPlus(const PixMapDraw& draw);

} // namespace rz::gdiplus
