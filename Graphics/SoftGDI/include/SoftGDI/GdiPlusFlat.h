// The flat GDI+ API: every wrapper class member ends up in one of these.
#pragma once

#include "SoftGDI/GdiPlusTypes.h"

namespace Gdiplus {
namespace DllExports {
extern "C" {

SOFTGDI_API void* WINAPI GdipAlloc(std::size_t size);
SOFTGDI_API void WINAPI GdipFree(void* block);

// Images and bitmaps.
SOFTGDI_API Status WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride,
                                                    PixelFormat format, BYTE* scan0,
                                                    GpBitmap** bitmap);
SOFTGDI_API Status WINAPI GdipCloneImage(GpImage* image, GpImage** clone);
SOFTGDI_API Status WINAPI GdipDisposeImage(GpImage* image);
SOFTGDI_API Status WINAPI GdipGetImageWidth(GpImage* image, UINT* width);
SOFTGDI_API Status WINAPI GdipGetImageHeight(GpImage* image, UINT* height);
SOFTGDI_API Status WINAPI GdipGetImagePixelFormat(GpImage* image, PixelFormat* format);
SOFTGDI_API Status WINAPI GdipGetImagePaletteSize(GpImage* image, INT* size);
SOFTGDI_API Status WINAPI GdipGetImagePalette(GpImage* image, ColorPalette* palette, INT size);
SOFTGDI_API Status WINAPI GdipSetImagePalette(GpImage* image, const ColorPalette* palette);
SOFTGDI_API Status WINAPI GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y, ARGB* color);
SOFTGDI_API Status WINAPI GdipBitmapSetPixel(GpBitmap* bitmap, INT x, INT y, ARGB color);

// Graphics.
SOFTGDI_API Status WINAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics);
SOFTGDI_API Status WINAPI GdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics);
SOFTGDI_API Status WINAPI GdipDeleteGraphics(GpGraphics* graphics);
SOFTGDI_API Status WINAPI GdipSetCompositingMode(GpGraphics* graphics, CompositingMode mode);
SOFTGDI_API Status WINAPI GdipGetCompositingMode(GpGraphics* graphics, CompositingMode* mode);
SOFTGDI_API Status WINAPI GdipSetCompositingQuality(GpGraphics* graphics,
                                                    CompositingQuality quality);
SOFTGDI_API Status WINAPI GdipGetCompositingQuality(GpGraphics* graphics,
                                                    CompositingQuality* quality);
SOFTGDI_API Status WINAPI GdipSetInterpolationMode(GpGraphics* graphics, InterpolationMode mode);
SOFTGDI_API Status WINAPI GdipGetInterpolationMode(GpGraphics* graphics, InterpolationMode* mode);
SOFTGDI_API Status WINAPI GdipSetWorldTransform(GpGraphics* graphics, GpMatrix* matrix);
SOFTGDI_API Status WINAPI GdipGetWorldTransform(GpGraphics* graphics, GpMatrix* matrix);
SOFTGDI_API Status WINAPI GdipResetWorldTransform(GpGraphics* graphics);
SOFTGDI_API Status WINAPI GdipFlush(GpGraphics* graphics, FlushIntention intention);
SOFTGDI_API Status WINAPI GdipDrawImageRectRect(GpGraphics* graphics, GpImage* image, REAL x,
                                                REAL y, REAL width, REAL height, REAL sourceX,
                                                REAL sourceY, REAL sourceWidth, REAL sourceHeight,
                                                Unit sourceUnit,
                                                const GpImageAttributes* attributes,
                                                DrawImageAbort abort, void* abortData);
SOFTGDI_API Status WINAPI GdipDrawImageRectRectI(GpGraphics* graphics, GpImage* image, INT x, INT y,
                                                 INT width, INT height, INT sourceX, INT sourceY,
                                                 INT sourceWidth, INT sourceHeight, Unit sourceUnit,
                                                 const GpImageAttributes* attributes,
                                                 DrawImageAbort abort, void* abortData);

// Matrices: (m11, m12, m21, m22, dx, dy) maps (x, y) to
// (x m11 + y m21 + dx, x m12 + y m22 + dy).
SOFTGDI_API Status WINAPI GdipCreateMatrix(GpMatrix** matrix);
SOFTGDI_API Status WINAPI GdipCreateMatrix2(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx,
                                            REAL dy, GpMatrix** matrix);
SOFTGDI_API Status WINAPI GdipCloneMatrix(GpMatrix* matrix, GpMatrix** clone);
SOFTGDI_API Status WINAPI GdipDeleteMatrix(GpMatrix* matrix);
SOFTGDI_API Status WINAPI GdipSetMatrixElements(GpMatrix* matrix, REAL m11, REAL m12, REAL m21,
                                                REAL m22, REAL dx, REAL dy);
SOFTGDI_API Status WINAPI GdipGetMatrixElements(const GpMatrix* matrix, REAL* elements);

// Image attributes.
SOFTGDI_API Status WINAPI GdipCreateImageAttributes(GpImageAttributes** attributes);
SOFTGDI_API Status WINAPI GdipCloneImageAttributes(const GpImageAttributes* attributes,
                                                   GpImageAttributes** clone);
SOFTGDI_API Status WINAPI GdipDisposeImageAttributes(GpImageAttributes* attributes);
SOFTGDI_API Status WINAPI GdipSetImageAttributesColorMatrix(GpImageAttributes* attributes,
                                                            ColorAdjustType type, BOOL enable,
                                                            const ColorMatrix* colorMatrix,
                                                            const ColorMatrix* grayMatrix,
                                                            ColorMatrixFlags flags);
SOFTGDI_API Status WINAPI GdipSetImageAttributesWrapMode(GpImageAttributes* attributes,
                                                         WrapMode wrap, ARGB color, BOOL clamp);

} // extern "C"
} // namespace DllExports

extern "C" {
// The host starts GDI+ before drawing and shuts it down afterwards. Here the
// pair only counts: nothing needs setting up, but a token is handed out and
// taken back as on Windows.
SOFTGDI_API Status WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                                         GdiplusStartupOutput* output);
SOFTGDI_API void WINAPI GdiplusShutdown(ULONG_PTR token);
}

} // namespace Gdiplus
