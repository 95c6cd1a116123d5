// GDI+ graphics objects: their targets and drawing settings.
#include <new>

#include "GdiState.h"
#include "GdipObjects.h"

using namespace Gdiplus;
using namespace softgdi;

namespace {

Status Register(GraphicsObject* graphics, GpGraphics** result) {
    if (!RegisterGdip(graphics, GdipKind::Graphics)) {
        delete graphics;
        return OutOfMemory;
    }
    *result = graphics;
    return Ok;
}

// Reads one drawing setting of a live graphics object.
template <class T> Status GetSetting(GpGraphics* graphics, T GraphicsObject::*setting, T* value) {
    GraphicsObject* object = LiveGraphics(graphics);
    if (object == nullptr || value == nullptr) return InvalidParameter;
    *value = object->*setting;
    return Ok;
}

// Stores one drawing setting when it lies in [first, last].
template <class T>
Status SetSetting(GpGraphics* graphics, T GraphicsObject::*setting, T value, T first, T last) {
    GraphicsObject* object = LiveGraphics(graphics);
    if (object == nullptr || value < first || value > last) return InvalidParameter;
    object->*setting = value;
    return Ok;
}

} // namespace

extern "C" Status WINAPI Gdiplus::DllExports::GdipCreateFromHDC(HDC dc, GpGraphics** graphics) {
    if (graphics == nullptr) return InvalidParameter;
    *graphics = nullptr;
    {
        GdiState& state = GdiState::Instance();
        std::lock_guard<std::mutex> lock(state.Lock());
        if (state.FindDC(dc) == nullptr) return OutOfMemory; // as the published API answers
    }
    auto* object = new (std::nothrow) GraphicsObject;
    if (object == nullptr) return OutOfMemory;
    object->dc = dc;
    return Register(object, graphics);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetImageGraphicsContext(GpImage* image,
                                                                          GpGraphics** graphics) {
    if (graphics == nullptr) return InvalidParameter;
    *graphics = nullptr;
    ImageObject* target = LiveImage(image);
    if (target == nullptr) return InvalidParameter;
    // No drawing into indexed or extended formats.
    switch (target->surface.layout) {
    case PixelLayout::Rgb555:
    case PixelLayout::Rgb565:
    case PixelLayout::Argb1555:
    case PixelLayout::Bgr24:
    case PixelLayout::Bgrx32:
    case PixelLayout::Bgra32:
    case PixelLayout::Pbgra32:
        break;
    default:
        return OutOfMemory;
    }
    auto* object = new (std::nothrow) GraphicsObject;
    if (object == nullptr) return OutOfMemory;
    object->image = target;
    return Register(object, graphics);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipDeleteGraphics(GpGraphics* graphics) {
    GraphicsObject* object = LiveGraphics(graphics);
    if (object == nullptr) return InvalidParameter;
    UnregisterGdip(object);
    delete object;
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipSetCompositingMode(GpGraphics* graphics,
                                                                     CompositingMode mode) {
    return SetSetting(graphics, &GraphicsObject::compositingMode, mode, CompositingModeSourceOver,
                      CompositingModeSourceCopy);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetCompositingMode(GpGraphics* graphics,
                                                                     CompositingMode* mode) {
    return GetSetting(graphics, &GraphicsObject::compositingMode, mode);
}

// Quality is recorded only: compositing is always done in the one precise way.
extern "C" Status WINAPI
Gdiplus::DllExports::GdipSetCompositingQuality(GpGraphics* graphics, CompositingQuality quality) {
    return SetSetting(graphics, &GraphicsObject::compositingQuality, quality,
                      CompositingQualityDefault, CompositingQualityAssumeLinear);
}

extern "C" Status WINAPI
Gdiplus::DllExports::GdipGetCompositingQuality(GpGraphics* graphics, CompositingQuality* quality) {
    return GetSetting(graphics, &GraphicsObject::compositingQuality, quality);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipSetInterpolationMode(GpGraphics* graphics,
                                                                       InterpolationMode mode) {
    // As published, the two generic settings stand for concrete modes.
    if (mode == InterpolationModeDefault || mode == InterpolationModeLowQuality)
        mode = InterpolationModeBilinear;
    else if (mode == InterpolationModeHighQuality)
        mode = InterpolationModeHighQualityBicubic;
    return SetSetting(graphics, &GraphicsObject::interpolationMode, mode, InterpolationModeDefault,
                      InterpolationModeHighQualityBicubic);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetInterpolationMode(GpGraphics* graphics,
                                                                       InterpolationMode* mode) {
    return GetSetting(graphics, &GraphicsObject::interpolationMode, mode);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipSetWorldTransform(GpGraphics* graphics,
                                                                    GpMatrix* matrix) {
    GraphicsObject* object = LiveGraphics(graphics);
    MatrixObject* m = LiveMatrix(matrix);
    if (object == nullptr || m == nullptr) return InvalidParameter;
    for (int i = 0; i < 6; ++i) object->transform[i] = m->m[i];
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetWorldTransform(GpGraphics* graphics,
                                                                    GpMatrix* matrix) {
    GraphicsObject* object = LiveGraphics(graphics);
    MatrixObject* m = LiveMatrix(matrix);
    if (object == nullptr || m == nullptr) return InvalidParameter;
    for (int i = 0; i < 6; ++i) m->m[i] = object->transform[i];
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipResetWorldTransform(GpGraphics* graphics) {
    GraphicsObject* object = LiveGraphics(graphics);
    if (object == nullptr) return InvalidParameter;
    const float identity[6] = {1, 0, 0, 1, 0, 0};
    for (int i = 0; i < 6; ++i) object->transform[i] = identity[i];
    return Ok;
}

// Drawing is finished when each call returns: nothing is pending.
extern "C" Status WINAPI Gdiplus::DllExports::GdipFlush(GpGraphics* graphics, FlushIntention) {
    return LiveGraphics(graphics) != nullptr ? Ok : InvalidParameter;
}
