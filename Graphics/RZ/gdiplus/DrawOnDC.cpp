// RZDrawKWPixMapPartOnHDC: a rectangle of a pixel map drawn into a rectangle
// of a device context. Palette devices (8 bits or fewer) get pixels already
// reduced to their depth, stretched by StretchDIBits; deeper ones get a GDI+
// draw with the map's channels put in GDI+ order.
#include <cstdint>

#include "ClipRectPair.h"
#include "ColorMatrices.h"
#include "GdiPlusObjects.h"
#include "PixMapBitmap.h"
#include "RZ/pixmap/PixMapRecord.h"
#include "RZ/platform/GdiResources.h"
#include "RZ/platform/PointerBlock.h"

namespace rz::gdiplus {
namespace {

using platform::GdiPlusObject;
using platform::PointerBlock;

// Extents of rectangles whose edges may lie anywhere: the difference wraps
// in 32 bits instead of overflowing.
INT Extent(std::int32_t high, std::int32_t low) {
    return static_cast<INT>(std::int64_t{high} - low);
}

Gdiplus::Rect RectOf(const KWRect& r) {
    return Gdiplus::Rect(r.left, r.top, Extent(r.right, r.left), Extent(r.bottom, r.top));
}

short DrawThroughDIB(HDC dc, KWPixMap** pixMap, const KWRect& source, const KWRect& target,
                     std::int16_t depth, unsigned char dither, unsigned char standardPalette) {
    PointerBlock dib;
    if (RZKWPixMap2DIB(pixMap, &source, dib.Out(), nullptr) < 0) return RZErrFailed;
    void* converted = nullptr;
    CRZConvertBitmap(&converted, depth, dib.As<BITMAPINFOHEADER>(), dither, standardPalette);
    dib = PointerBlock();
    const PointerBlock reduced(static_cast<char*>(converted));
    if (!reduced) return RZErrFailed;
    const auto* header = reduced.As<BITMAPINFO>();
    // The rows follow the 40-byte header and the colour table.
    unsigned int colours = header->bmiHeader.biClrUsed & 0xFFFF;
    if (colours == 0 && depth > 0) colours = 1u << depth;
    StretchDIBits(dc, target.left, target.top, Extent(target.right, target.left),
                  Extent(target.bottom, target.top), 0, 0, Extent(source.right, source.left),
                  Extent(source.bottom, source.top), reduced.Get() + (colours + 10) * 4, header,
                  DIB_RGB_COLORS, SRCCOPY);
    return 0;
}

short DrawThroughGdiPlus(HDC dc, KWPixMap** pixMap, const KWRect& source, const KWRect& target,
                         int useAlpha) {
    const int type = RZGetKWPixMapPixelType(pixMap);
    bool wholeMap = false;
    const GdiPlusObject<Gdiplus::Bitmap> bitmap(
        NewBitmapFromKWPixMap(pixMap, source, &wholeMap, false));
    if (bitmap == nullptr) return RZErrFailed;
    // Without its colour matrix the draw would come out in the wrong channel
    // order, so attributes that cannot be made fail the draw.
    const GdiPlusObject<Gdiplus::ImageAttributes> attributes(
        NewGdiPlusObject<Gdiplus::ImageAttributes>());
    if (attributes == nullptr || attributes->GetLastStatus() != Gdiplus::Ok) return RZErrFailed;
    if (type == PixelTypeARGB || type == PixelTypeARGBDirect)
        attributes->SetColorMatrix(useAlpha != 0 ? &kAlphaColorMatrix : &kOpaqueColorMatrix,
                                   Gdiplus::ColorMatrixFlagsDefault,
                                   Gdiplus::ColorAdjustTypeBitmap);
    const GdiPlusObject<Gdiplus::Graphics> graphics(NewGdiPlusObject<Gdiplus::Graphics>(dc));
    if (graphics == nullptr) return RZErrFailed;
    graphics->SetCompositingMode(useAlpha == 0 ? Gdiplus::CompositingModeSourceCopy
                                               : Gdiplus::CompositingModeSourceOver);
    // A graphics that could not be made on dc fails its draw.
    const Gdiplus::Status status = graphics->DrawImage(
        bitmap.get(), RectOf(target), wholeMap ? source.left : 0, wholeMap ? source.top : 0,
        Extent(source.right, source.left), Extent(source.bottom, source.top), Gdiplus::UnitPixel,
        attributes.get());
    return status == Gdiplus::Ok ? 0 : RZErrFailed;
}

} // namespace
} // namespace rz::gdiplus

extern "C" short RZDrawKWPixMapPartOnHDC(HDC dc, KWPixMap** pixMap, const KWRect* sourceRect,
                                         const KWRect* targetRect, unsigned char dither,
                                         unsigned char standardPalette, int useAlpha) {
    using namespace rz::gdiplus;
    if (dc == nullptr || pixMap == nullptr || sourceRect == nullptr || targetRect == nullptr)
        return RZErrFailed;
    const KWPixMap* record = rz::RecordOf(pixMap);
    const int width = record != nullptr ? int(record->width) : 0;
    const int height = record != nullptr ? int(record->height) : 0;
    KWRect source, target;
    if (!ClipRectPair(width, height, sourceRect, targetRect, &source, &target)) return 0;
    SetStretchBltMode(dc, COLORONCOLOR);
    const auto depth =
        static_cast<std::int16_t>(static_cast<std::int16_t>(GetDeviceCaps(dc, PLANES)) *
                                  static_cast<std::int16_t>(GetDeviceCaps(dc, BITSPIXEL)));
    if (useAlpha != 1 && depth <= 8)
        return DrawThroughDIB(dc, pixMap, source, target, depth, dither, standardPalette);
    return DrawThroughGdiPlus(dc, pixMap, source, target, useAlpha);
}
