// The native objects behind the flat GDI+ API, and the registry that tells a
// live object of the right kind from anything else a caller may pass.
#pragma once

#include <memory>
#include <vector>

#include "SoftGDI/GdiPlusFlat.h"
#include "Surface.h"

namespace softgdi {

struct ImageObject : Gdiplus::GpBitmap {
    Gdiplus::PixelFormat format = PixelFormatUndefined;
    Surface surface;                       // palette points into palette below
    std::unique_ptr<std::uint8_t[]> owned; // pixel memory of its own, if any
    std::vector<Argb> palette;
    UINT paletteFlags = 0;
};

struct MatrixObject : Gdiplus::GpMatrix {
    float m[6] = {1, 0, 0, 1, 0, 0}; // m11, m12, m21, m22, dx, dy
};

struct AttributesObject : Gdiplus::GpImageAttributes {
    // Colour matrices per adjust type: [0] default, [1] bitmap.
    bool matrixEnabled[2] = {false, false};
    Gdiplus::ColorMatrix matrix[2]{};
    Gdiplus::WrapMode wrap = Gdiplus::WrapModeClamp;
    Argb wrapColour = 0;
};

struct GraphicsObject : Gdiplus::GpGraphics {
    ImageObject* image = nullptr; // drawing into a GDI+ bitmap ...
    HDC dc = nullptr;             // ... or into the bitmap selected into a DC
    Gdiplus::CompositingMode compositingMode = Gdiplus::CompositingModeSourceOver;
    Gdiplus::CompositingQuality compositingQuality = Gdiplus::CompositingQualityDefault;
    Gdiplus::InterpolationMode interpolationMode = Gdiplus::InterpolationModeBilinear;
    float transform[6] = {1, 0, 0, 1, 0, 0};
};

enum class GdipKind : std::uint8_t { Image, Matrix, Attributes, Graphics };

// Registers a new object; false when out of memory.
bool RegisterGdip(const void* object, GdipKind kind);
void UnregisterGdip(const void* object);
bool IsLiveGdip(const void* object, GdipKind kind);

inline ImageObject* LiveImage(Gdiplus::GpImage* image) {
    return IsLiveGdip(image, GdipKind::Image) ? static_cast<ImageObject*>(image) : nullptr;
}
inline MatrixObject* LiveMatrix(const Gdiplus::GpMatrix* matrix) {
    return IsLiveGdip(matrix, GdipKind::Matrix)
               ? static_cast<MatrixObject*>(const_cast<Gdiplus::GpMatrix*>(matrix))
               : nullptr;
}
inline AttributesObject* LiveAttributes(const Gdiplus::GpImageAttributes* attributes) {
    return IsLiveGdip(attributes, GdipKind::Attributes)
               ? static_cast<AttributesObject*>(const_cast<Gdiplus::GpImageAttributes*>(attributes))
               : nullptr;
}
inline GraphicsObject* LiveGraphics(Gdiplus::GpGraphics* graphics) {
    return IsLiveGdip(graphics, GdipKind::Graphics) ? static_cast<GraphicsObject*>(graphics)
                                                    : nullptr;
}

// The pixel layout of a GDI+ pixel format; false for unknown formats.
bool LayoutOfFormat(Gdiplus::PixelFormat format, PixelLayout* layout);

} // namespace softgdi
