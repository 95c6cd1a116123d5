// GDI+ bitmaps: over caller memory or their own, palettes, clones, pixels.
#include <cstdlib>
#include <cstring>
#include <new>

#include "GdiState.h"
#include "GdipObjects.h"
#include "PixelCodec.h"

using namespace Gdiplus;
using namespace softgdi;

namespace {

void PointSurfaceAtPalette(ImageObject* image) {
    image->surface.palette = image->palette.empty() ? nullptr : image->palette.data();
    image->surface.paletteSize = int(image->palette.size());
}

// A new image object of the format with width x height pixels at scan0 (or
// zeroed memory of its own when scan0 is null).
Status NewImage(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
                ImageObject** result) {
    PixelLayout layout;
    if (width <= 0 || height <= 0 || !LayoutOfFormat(format, &layout)) return InvalidParameter;
    const int bits = BitsPerPixel(layout);
    const std::int64_t minimum = (std::int64_t(width) * bits + 7) / 8;
    std::unique_ptr<ImageObject> image(new (std::nothrow) ImageObject);
    if (!image) return OutOfMemory;
    if (scan0 == nullptr) {
        const std::int64_t rowBytes = PaddedRowBytes(width, bits);
        if (rowBytes < 0 || rowBytes * height > 0x7FFFFFFF) return InvalidParameter;
        const std::size_t size = std::size_t(rowBytes) * std::size_t(height);
        image->owned.reset(new (std::nothrow) std::uint8_t[size]);
        if (!image->owned) return OutOfMemory;
        std::memset(image->owned.get(), 0, size);
        scan0 = image->owned.get();
        stride = INT(rowBytes);
    } else if (stride % 4 != 0 || std::llabs(stride) < minimum) {
        return InvalidParameter;
    }
    image->format = format;
    Surface& s = image->surface;
    s.layout = layout;
    s.width = width;
    s.height = height;
    s.top = scan0;
    s.pitch = stride;
    s.paletteHasAlpha = true;
    s.unusedByte = 0xFF; // GDI+ keeps 32bppRGB pixels opaque
    if (IsIndexed(layout)) {
        try {
            image->palette = DefaultColourTable(bits);
        } catch (const std::bad_alloc&) {
            return OutOfMemory;
        }
        for (Argb& c : image->palette) c |= 0xFF000000u;
    }
    PointSurfaceAtPalette(image.get());
    if (!RegisterGdip(image.get(), GdipKind::Image)) return OutOfMemory;
    *result = image.release();
    return Ok;
}

} // namespace

extern "C" Status WINAPI Gdiplus::DllExports::GdipCreateBitmapFromScan0(
    INT width, INT height, INT stride, PixelFormat format, BYTE* scan0, GpBitmap** bitmap) {
    if (bitmap == nullptr) return InvalidParameter;
    *bitmap = nullptr;
    ImageObject* image = nullptr;
    const Status status = NewImage(width, height, stride, format, scan0, &image);
    if (status == Ok) *bitmap = image;
    return status;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipCloneImage(GpImage* source, GpImage** clone) {
    ImageObject* image = LiveImage(source);
    if (image == nullptr || clone == nullptr) return InvalidParameter;
    *clone = nullptr;
    ImageObject* copy = nullptr;
    const Surface& s = image->surface;
    Status status = NewImage(s.width, s.height, 0, image->format, nullptr, &copy);
    if (status != Ok) return status;
    try {
        copy->palette = image->palette;
    } catch (const std::bad_alloc&) {
        GdipDisposeImage(copy);
        return OutOfMemory;
    }
    copy->paletteFlags = image->paletteFlags;
    PointSurfaceAtPalette(copy);
    const std::size_t rowBytes = (std::size_t(s.width) * BitsPerPixel(s.layout) + 7) / 8;
    for (int y = 0; y < s.height; ++y) std::memcpy(copy->surface.Row(y), s.Row(y), rowBytes);
    *clone = copy;
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipDisposeImage(GpImage* image) {
    ImageObject* object = LiveImage(image);
    if (object == nullptr) return InvalidParameter;
    UnregisterGdip(object);
    delete object;
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetImageWidth(GpImage* image, UINT* width) {
    ImageObject* object = LiveImage(image);
    if (object == nullptr || width == nullptr) return InvalidParameter;
    *width = UINT(object->surface.width);
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetImageHeight(GpImage* image, UINT* height) {
    ImageObject* object = LiveImage(image);
    if (object == nullptr || height == nullptr) return InvalidParameter;
    *height = UINT(object->surface.height);
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetImagePixelFormat(GpImage* image,
                                                                      PixelFormat* format) {
    ImageObject* object = LiveImage(image);
    if (object == nullptr || format == nullptr) return InvalidParameter;
    *format = object->format;
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetImagePaletteSize(GpImage* image, INT* size) {
    ImageObject* object = LiveImage(image);
    if (object == nullptr || size == nullptr) return InvalidParameter;
    *size = INT(sizeof(ColorPalette) +
                sizeof(ARGB) * (object->palette.empty() ? 0 : object->palette.size() - 1));
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipGetImagePalette(GpImage* image,
                                                                  ColorPalette* palette, INT size) {
    ImageObject* object = LiveImage(image);
    if (object == nullptr || palette == nullptr) return InvalidParameter;
    const std::size_t count = object->palette.size();
    const std::size_t needed = 2 * sizeof(UINT) + sizeof(ARGB) * count;
    if (size < 0 || std::size_t(size) < needed) return InvalidParameter;
    palette->Flags = object->paletteFlags;
    palette->Count = UINT(count);
    if (count != 0) std::memcpy(palette->Entries, object->palette.data(), sizeof(ARGB) * count);
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipSetImagePalette(GpImage* image,
                                                                  const ColorPalette* palette) {
    ImageObject* object = LiveImage(image);
    if (object == nullptr || palette == nullptr || palette->Count == 0 || palette->Count > 256)
        return InvalidParameter;
    try {
        object->palette.assign(palette->Entries, palette->Entries + palette->Count);
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    object->paletteFlags = palette->Flags;
    PointSurfaceAtPalette(object);
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipBitmapGetPixel(GpBitmap* bitmap, INT x, INT y,
                                                                 ARGB* colour) {
    ImageObject* object = LiveImage(bitmap);
    if (object == nullptr || colour == nullptr || x < 0 || y < 0 || x >= object->surface.width ||
        y >= object->surface.height)
        return InvalidParameter;
    DecodeRow(object->surface, y, x, 1, colour);
    return Ok;
}

extern "C" Status WINAPI Gdiplus::DllExports::GdipBitmapSetPixel(GpBitmap* bitmap, INT x, INT y,
                                                                 ARGB colour) {
    ImageObject* object = LiveImage(bitmap);
    if (object == nullptr || x < 0 || y < 0 || x >= object->surface.width ||
        y >= object->surface.height || IsIndexed(object->surface.layout))
        return InvalidParameter;
    return EncodeRow(object->surface, y, x, 1, &colour, nullptr) ? Ok : NotImplemented;
}
