// The GDI+ wrapper base and image classes: thin inline shells over the flat
// API holding the native object and the last failing status, allocated
// through GdipAlloc so that callers may derive from them.
#pragma once

#include "SoftGDI/GdiPlusFlat.h"

namespace Gdiplus {

class GdiplusBase {
public:
    // Null on failure: new-expressions on these classes check the result.
    static void* operator new(std::size_t size) noexcept { return DllExports::GdipAlloc(size); }
    static void* operator new[](std::size_t size) noexcept { return DllExports::GdipAlloc(size); }
    static void operator delete(void* block) { DllExports::GdipFree(block); }
    static void operator delete[](void* block) { DllExports::GdipFree(block); }
};

class Graphics;

class Image : public GdiplusBase {
public:
    friend class Graphics;

    virtual ~Image() { DllExports::GdipDisposeImage(nativeImage); }

    virtual Image* Clone() {
        GpImage* clone = nullptr;
        if (SetStatus(DllExports::GdipCloneImage(nativeImage, &clone)) != Ok) return nullptr;
        Image* result = new Image(clone, lastResult);
        if (result == nullptr) {
            DllExports::GdipDisposeImage(clone);
            lastResult = OutOfMemory;
        }
        return result;
    }

    UINT GetWidth() {
        UINT width = 0;
        SetStatus(DllExports::GdipGetImageWidth(nativeImage, &width));
        return width;
    }
    UINT GetHeight() {
        UINT height = 0;
        SetStatus(DllExports::GdipGetImageHeight(nativeImage, &height));
        return height;
    }
    PixelFormat GetPixelFormat() {
        PixelFormat format = PixelFormatUndefined;
        SetStatus(DllExports::GdipGetImagePixelFormat(nativeImage, &format));
        return format;
    }
    INT GetPaletteSize() {
        INT size = 0;
        SetStatus(DllExports::GdipGetImagePaletteSize(nativeImage, &size));
        return size;
    }
    Status GetPalette(ColorPalette* palette, INT size) {
        return SetStatus(DllExports::GdipGetImagePalette(nativeImage, palette, size));
    }
    Status SetPalette(const ColorPalette* palette) {
        return SetStatus(DllExports::GdipSetImagePalette(nativeImage, palette));
    }
    Status GetLastStatus() const {
        Status last = lastResult;
        lastResult = Ok;
        return last;
    }

protected:
    Image() : nativeImage(nullptr), lastResult(Ok), loadStatus(Ok) {}
    Image(GpImage* image, Status status) : nativeImage(image), lastResult(status), loadStatus(Ok) {}
    void SetNativeImage(GpImage* image) { nativeImage = image; }
    Status SetStatus(Status status) const {
        if (status != Ok) lastResult = status;
        return status;
    }

    GpImage* nativeImage;
    mutable Status lastResult;
    mutable Status loadStatus;

private:
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
};

class Bitmap : public Image {
public:
    friend class Image;

    // A bitmap over the caller's memory: rows stride bytes apart, top row at
    // scan0. The memory is read and written in place.
    Bitmap(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0) {
        GpBitmap* bitmap = nullptr;
        lastResult =
            DllExports::GdipCreateBitmapFromScan0(width, height, stride, format, scan0, &bitmap);
        SetNativeImage(bitmap);
    }
    // A bitmap over memory of its own, cleared to zero.
    Bitmap(INT width, INT height, PixelFormat format = PixelFormat32bppARGB) {
        GpBitmap* bitmap = nullptr;
        lastResult =
            DllExports::GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &bitmap);
        SetNativeImage(bitmap);
    }

    Status GetPixel(INT x, INT y, Color* color) {
        ARGB argb = 0;
        Status status = SetStatus(
            DllExports::GdipBitmapGetPixel(static_cast<GpBitmap*>(nativeImage), x, y, &argb));
        if (status == Ok && color != nullptr) color->SetValue(argb);
        return status;
    }
    Status SetPixel(INT x, INT y, const Color& color) {
        return SetStatus(DllExports::GdipBitmapSetPixel(static_cast<GpBitmap*>(nativeImage), x, y,
                                                        color.GetValue()));
    }

protected:
    Bitmap() {}
    explicit Bitmap(GpBitmap* bitmap) { SetNativeImage(bitmap); }
};

} // namespace Gdiplus
