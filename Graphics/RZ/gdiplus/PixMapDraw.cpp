#include "PixMapDraw.h"

#include "ColorMatrices.h"
#include "GdiPlusObjects.h"
#include "PixMapBitmap.h"
#include "PixMapGraphics.h"
#include "RZ/platform/GdiResources.h"

namespace rz::gdiplus {
namespace {

using platform::GdiPlusObject;

bool IsThirtyTwoBit(int pixelType) {
    return pixelType == PixelTypeARGB || pixelType == PixelTypeARGBDirect;
}

// Draws on an open graphics; the status of the last draw.
Gdiplus::Status DrawOnGraphics(const PixMapDraw& d, Gdiplus::Graphics* graphics,
                               const PixMapGraphics& record, Gdiplus::Bitmap* bitmap,
                               bool wholeMap) {
    // A failed setting stays in the graphics' last status and changes nothing
    // here; only the draws decide.
    graphics->SetCompositingMode(d.useAlpha == 0 ? Gdiplus::CompositingModeSourceCopy
                                                 : Gdiplus::CompositingModeSourceOver);
    graphics->SetCompositingQuality(Gdiplus::CompositingQualityHighQuality);
    graphics->SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    // Without its attributes (or its transform) the draw would come out wrong,
    // so objects that cannot be made fail the draw.
    GdiPlusObject<Gdiplus::ImageAttributes> attributes(
        NewGdiPlusObject<Gdiplus::ImageAttributes>());
    if (attributes == nullptr || attributes->GetLastStatus() != Gdiplus::Ok)
        return Gdiplus::OutOfMemory;
    if (d.worldTransform != nullptr) {
        const float* m = d.worldTransform;
        GdiPlusObject<Gdiplus::Matrix> matrix(
            NewGdiPlusObject<Gdiplus::Matrix>(m[0], m[1], m[2], m[3], m[4], m[5]));
        if (matrix == nullptr || matrix->GetLastStatus() != Gdiplus::Ok)
            return Gdiplus::OutOfMemory;
        graphics->SetTransform(matrix.get());
    }
    const KWRect& s = d.sourceRect;
    const INT sourceX = wholeMap ? s.left : 0, sourceY = wholeMap ? s.top : 0;
    const INT sourceWidth = s.right - s.left, sourceHeight = s.bottom - s.top;
    auto drawOnce = [&]() {
        const Gdiplus::Status status =
            graphics->DrawImage(bitmap, d.destination, sourceX, sourceY, sourceWidth, sourceHeight,
                                Gdiplus::UnitPixel, attributes.get());
        graphics->Flush(Gdiplus::FlushIntentionFlush);
        return status;
    };
    const Gdiplus::Color edgeColour(0xFF000000u);
    if (d.channelPairs) {
        Gdiplus::Status status = Gdiplus::Ok;
        for (int pair = 0; pair < 2; ++pair) {
            CopyPixMapChannelPair(d.target, &record, pair, 1);
            attributes->SetColorMatrix(&kChannelPairMatrices[pair],
                                       Gdiplus::ColorMatrixFlagsDefault,
                                       Gdiplus::ColorAdjustTypeBitmap);
            attributes->SetWrapMode(Gdiplus::WrapModeTileFlipXY, edgeColour, FALSE);
            status = drawOnce();
            if (status != Gdiplus::Ok) break;
            CopyPixMapChannelPair(d.target, &record, pair, 0);
        }
        return status;
    }
    const bool thirtyTwoBit = IsThirtyTwoBit(RZGetKWPixMapPixelType(d.source));
    if (thirtyTwoBit)
        attributes->SetColorMatrix(d.useAlpha != 0 ? &kAlphaColorMatrix : &kOpaqueColorMatrix,
                                   Gdiplus::ColorMatrixFlagsDefault,
                                   Gdiplus::ColorAdjustTypeBitmap);
    if (thirtyTwoBit || d.wrapIndexedSources)
        attributes->SetWrapMode(Gdiplus::WrapModeTileFlipXY, edgeColour, FALSE);
    return drawOnce();
}

} // namespace

short DrawPixMapWithGdiPlus(const PixMapDraw& d) {
    PixMapGraphics record;
    Gdiplus::Graphics* graphics =
        OpenPixMapGraphics(d.target, &d.targetRect, &record, d.channelPairs);
    if (graphics == nullptr) return RZErrFailed;
    bool wholeMap = false;
    GdiPlusObject<Gdiplus::Bitmap> bitmap(
        NewBitmapFromKWPixMap(d.source, d.sourceRect, &wholeMap, false));
    Gdiplus::Status status = Gdiplus::GenericError;
    if (bitmap != nullptr) status = DrawOnGraphics(d, graphics, record, bitmap.get(), wholeMap);
    ClosePixMapGraphics(d.target, &record);
    return status == Gdiplus::Ok ? 0 : RZErrFailed;
}

} // namespace rz::gdiplus
