// The GDI+ wrapper classes for drawing: Matrix, ImageAttributes, Graphics.
#pragma once

#include "SoftGDI/GdiPlusImage.h"

namespace Gdiplus {

class Matrix : public GdiplusBase {
public:
    friend class Graphics;

    Matrix() : nativeMatrix(nullptr), lastResult(Ok) {
        lastResult = DllExports::GdipCreateMatrix(&nativeMatrix);
    }
    Matrix(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy)
        : nativeMatrix(nullptr), lastResult(Ok) {
        lastResult = DllExports::GdipCreateMatrix2(m11, m12, m21, m22, dx, dy, &nativeMatrix);
    }
    ~Matrix() { DllExports::GdipDeleteMatrix(nativeMatrix); }

    Status GetElements(REAL* elements) const {
        return SetStatus(DllExports::GdipGetMatrixElements(nativeMatrix, elements));
    }
    Status SetElements(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) {
        return SetStatus(
            DllExports::GdipSetMatrixElements(nativeMatrix, m11, m12, m21, m22, dx, dy));
    }
    Status GetLastStatus() const {
        Status last = lastResult;
        lastResult = Ok;
        return last;
    }

protected:
    Status SetStatus(Status status) const {
        if (status != Ok) lastResult = status;
        return status;
    }

    GpMatrix* nativeMatrix;
    mutable Status lastResult;

private:
    Matrix(const Matrix&) = delete;
    Matrix& operator=(const Matrix&) = delete;
};

class ImageAttributes : public GdiplusBase {
public:
    friend class Graphics;

    ImageAttributes() : nativeImageAttr(nullptr), lastResult(Ok) {
        lastResult = DllExports::GdipCreateImageAttributes(&nativeImageAttr);
    }
    ~ImageAttributes() { DllExports::GdipDisposeImageAttributes(nativeImageAttr); }

    Status SetColorMatrix(const ColorMatrix* colorMatrix,
                          ColorMatrixFlags mode = ColorMatrixFlagsDefault,
                          ColorAdjustType type = ColorAdjustTypeDefault) {
        return SetStatus(DllExports::GdipSetImageAttributesColorMatrix(nativeImageAttr, type, TRUE,
                                                                       colorMatrix, nullptr, mode));
    }
    Status ClearColorMatrix(ColorAdjustType type = ColorAdjustTypeDefault) {
        return SetStatus(DllExports::GdipSetImageAttributesColorMatrix(
            nativeImageAttr, type, FALSE, nullptr, nullptr, ColorMatrixFlagsDefault));
    }
    Status SetWrapMode(WrapMode wrap, const Color& color = Color(), BOOL clamp = FALSE) {
        return SetStatus(DllExports::GdipSetImageAttributesWrapMode(nativeImageAttr, wrap,
                                                                    color.GetValue(), clamp));
    }
    Status GetLastStatus() const {
        Status last = lastResult;
        lastResult = Ok;
        return last;
    }

protected:
    Status SetStatus(Status status) const {
        if (status != Ok) lastResult = status;
        return status;
    }

    GpImageAttributes* nativeImageAttr;
    mutable Status lastResult;

private:
    ImageAttributes(const ImageAttributes&) = delete;
    ImageAttributes& operator=(const ImageAttributes&) = delete;
};

class Graphics : public GdiplusBase {
public:
    static Graphics* FromHDC(HDC dc) { return new Graphics(dc); }
    static Graphics* FromImage(Image* image) { return new Graphics(image); }

    explicit Graphics(HDC dc) : nativeGraphics(nullptr), lastResult(Ok) {
        lastResult = DllExports::GdipCreateFromHDC(dc, &nativeGraphics);
    }
    explicit Graphics(Image* image) : nativeGraphics(nullptr), lastResult(Ok) {
        lastResult = DllExports::GdipGetImageGraphicsContext(
            image != nullptr ? image->nativeImage : nullptr, &nativeGraphics);
    }
    ~Graphics() { DllExports::GdipDeleteGraphics(nativeGraphics); }

    Status SetCompositingMode(CompositingMode mode) {
        return SetStatus(DllExports::GdipSetCompositingMode(nativeGraphics, mode));
    }
    CompositingMode GetCompositingMode() const {
        CompositingMode mode = CompositingModeSourceOver;
        SetStatus(DllExports::GdipGetCompositingMode(nativeGraphics, &mode));
        return mode;
    }
    Status SetCompositingQuality(CompositingQuality quality) {
        return SetStatus(DllExports::GdipSetCompositingQuality(nativeGraphics, quality));
    }
    CompositingQuality GetCompositingQuality() const {
        CompositingQuality quality = CompositingQualityInvalid;
        SetStatus(DllExports::GdipGetCompositingQuality(nativeGraphics, &quality));
        return quality;
    }
    Status SetInterpolationMode(InterpolationMode mode) {
        return SetStatus(DllExports::GdipSetInterpolationMode(nativeGraphics, mode));
    }
    InterpolationMode GetInterpolationMode() const {
        InterpolationMode mode = InterpolationModeInvalid;
        SetStatus(DllExports::GdipGetInterpolationMode(nativeGraphics, &mode));
        return mode;
    }
    Status SetTransform(const Matrix* matrix) {
        return SetStatus(DllExports::GdipSetWorldTransform(
            nativeGraphics, matrix != nullptr ? matrix->nativeMatrix : nullptr));
    }
    Status GetTransform(Matrix* matrix) const {
        return SetStatus(DllExports::GdipGetWorldTransform(
            nativeGraphics, matrix != nullptr ? matrix->nativeMatrix : nullptr));
    }
    Status ResetTransform() {
        return SetStatus(DllExports::GdipResetWorldTransform(nativeGraphics));
    }
    void Flush(FlushIntention intention = FlushIntentionFlush) {
        DllExports::GdipFlush(nativeGraphics, intention);
    }

    Status DrawImage(Image* image, const Rect& target, INT sourceX, INT sourceY, INT sourceWidth,
                     INT sourceHeight, Unit sourceUnit, const ImageAttributes* attributes = nullptr,
                     DrawImageAbort abort = nullptr, void* abortData = nullptr) {
        return SetStatus(DllExports::GdipDrawImageRectRectI(
            nativeGraphics, image != nullptr ? image->nativeImage : nullptr, target.X, target.Y,
            target.Width, target.Height, sourceX, sourceY, sourceWidth, sourceHeight, sourceUnit,
            attributes != nullptr ? attributes->nativeImageAttr : nullptr, abort, abortData));
    }
    Status DrawImage(Image* image, const RectF& target, REAL sourceX, REAL sourceY,
                     REAL sourceWidth, REAL sourceHeight, Unit sourceUnit,
                     const ImageAttributes* attributes = nullptr, DrawImageAbort abort = nullptr,
                     void* abortData = nullptr) {
        return SetStatus(DllExports::GdipDrawImageRectRect(
            nativeGraphics, image != nullptr ? image->nativeImage : nullptr, target.X, target.Y,
            target.Width, target.Height, sourceX, sourceY, sourceWidth, sourceHeight, sourceUnit,
            attributes != nullptr ? attributes->nativeImageAttr : nullptr, abort, abortData));
    }
    // The whole image at its own size, top-left corner at (x, y).
    Status DrawImage(Image* image, INT x, INT y) {
        if (image == nullptr) return SetStatus(InvalidParameter);
        const INT width = INT(image->GetWidth()), height = INT(image->GetHeight());
        return DrawImage(image, Rect(x, y, width, height), 0, 0, width, height, UnitPixel);
    }

    Status GetLastStatus() const {
        Status last = lastResult;
        lastResult = Ok;
        return last;
    }

protected:
    Status SetStatus(Status status) const {
        if (status != Ok) lastResult = status;
        return status;
    }

    GpGraphics* nativeGraphics;
    mutable Status lastResult;

private:
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;
};

} // namespace Gdiplus
