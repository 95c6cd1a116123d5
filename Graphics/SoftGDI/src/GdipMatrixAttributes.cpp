// GDI+ matrices and image attributes.
#include <cmath>
#include <new>

#include "GdipObjects.h"

using namespace Gdiplus;
using namespace softgdi;

namespace {

template <typename T, typename Base> Status Register(T* object, GdipKind kind, Base** result) {
    if (object == nullptr) return OutOfMemory;
    if (!RegisterGdip(object, kind)) {
        delete object;
        return OutOfMemory;
    }
    *result = object;
    return Ok;
}

} // namespace

extern "C" Status WINAPI Gdiplus::DllExports::GdipCreateMatrix(GpMatrix** matrix) {
    if (matrix == nullptr) return InvalidParameter;
    *matrix = nullptr;
    return Register(new (std::nothrow) MatrixObject, GdipKind::Matrix, matrix);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipCreateMatrix2(REAL m11, REAL m12, REAL m21,
                                                                REAL m22, REAL dx, REAL dy,
                                                                GpMatrix** matrix) {
    if (matrix == nullptr) return InvalidParameter;
    *matrix = nullptr;
    auto* object = new (std::nothrow) MatrixObject;
    if (object != nullptr) {
        const float m[6] = {m11, m12, m21, m22, dx, dy};
        for (int i = 0; i < 6; ++i) object->m[i] = m[i];
    }
    return Register(object, GdipKind::Matrix, matrix);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipCloneMatrix(GpMatrix* matrix, GpMatrix** clone) {
    MatrixObject* source = LiveMatrix(matrix);
    if (source == nullptr || clone == nullptr) return InvalidParameter;
    *clone = nullptr;
    auto* object = new (std::nothrow) MatrixObject(*source);
    return Register(object, GdipKind::Matrix, clone);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipDeleteMatrix(GpMatrix* matrix) {
    MatrixObject* object = LiveMatrix(matrix);
    if (object == nullptr) return InvalidParameter;
    UnregisterGdip(object);
    delete object;
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipSetMatrixElements(GpMatrix* matrix, REAL m11,
                                                                    REAL m12, REAL m21, REAL m22,
                                                                    REAL dx, REAL dy) {
    MatrixObject* object = LiveMatrix(matrix);
    if (object == nullptr) return InvalidParameter;
    const float m[6] = {m11, m12, m21, m22, dx, dy};
    for (int i = 0; i < 6; ++i) object->m[i] = m[i];
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetMatrixElements(const GpMatrix* matrix,
                                                                    REAL* elements) {
    MatrixObject* object = LiveMatrix(matrix);
    if (object == nullptr || elements == nullptr) return InvalidParameter;
    for (int i = 0; i < 6; ++i) elements[i] = object->m[i];
    return Ok;
}

extern "C" Status WINAPI
Gdiplus::DllExports::GdipCreateImageAttributes(GpImageAttributes** attributes) {
    if (attributes == nullptr) return InvalidParameter;
    *attributes = nullptr;
    return Register(new (std::nothrow) AttributesObject, GdipKind::Attributes, attributes);
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipCloneImageAttributes(
    const GpImageAttributes* attributes, GpImageAttributes** clone) {
    AttributesObject* source = LiveAttributes(attributes);
    if (source == nullptr || clone == nullptr) return InvalidParameter;
    *clone = nullptr;
    return Register(new (std::nothrow) AttributesObject(*source), GdipKind::Attributes, clone);
}

extern "C" Status WINAPI
Gdiplus::DllExports::GdipDisposeImageAttributes(GpImageAttributes* attributes) {
    AttributesObject* object = LiveAttributes(attributes);
    if (object == nullptr) return InvalidParameter;
    UnregisterGdip(object);
    delete object;
    return Ok;
}

// Matrices for the default and the bitmap categories are kept; a bitmap is
// drawn with its own matrix when one is enabled, else with the default one.
// Grey matrices and the grey-skipping flags are not supported.
extern "C" Status WINAPI Gdiplus::DllExports::GdipSetImageAttributesColorMatrix(
    GpImageAttributes* attributes, ColorAdjustType type, BOOL enable,
    const ColorMatrix* colorMatrix, const ColorMatrix* grayMatrix, ColorMatrixFlags flags) {
    AttributesObject* object = LiveAttributes(attributes);
    if (object == nullptr) return InvalidParameter;
    if (type != ColorAdjustTypeDefault && type != ColorAdjustTypeBitmap &&
        (type < ColorAdjustTypeBrush || type > ColorAdjustTypeText))
        return InvalidParameter;
    if (flags != ColorMatrixFlagsDefault && flags != ColorMatrixFlagsSkipGrays &&
        flags != ColorMatrixFlagsAltGray)
        return InvalidParameter;
    if (flags != ColorMatrixFlagsDefault || grayMatrix != nullptr) return NotImplemented;
    if (type != ColorAdjustTypeDefault && type != ColorAdjustTypeBitmap)
        return Ok; // not drawn here
    const int slot = type == ColorAdjustTypeBitmap ? 1 : 0;
    if (!enable) {
        object->matrixEnabled[slot] = false;
        return Ok;
    }
    if (colorMatrix == nullptr) return InvalidParameter;
    for (const auto& row : colorMatrix->m)
        for (float v : row)
            if (!std::isfinite(v)) return InvalidParameter;
    object->matrix[slot] = *colorMatrix;
    object->matrixEnabled[slot] = true;
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipSetImageAttributesWrapMode(
    GpImageAttributes* attributes, WrapMode wrap, ARGB color, BOOL clamp) {
    AttributesObject* object = LiveAttributes(attributes);
    if (object == nullptr || wrap < WrapModeTile || wrap > WrapModeClamp) return InvalidParameter;
    (void)clamp; // drawing always clamps to the source rectangle
    object->wrap = wrap;
    object->wrapColour = color;
    return Ok;
}
