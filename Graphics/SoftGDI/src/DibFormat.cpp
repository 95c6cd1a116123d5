#include "DibFormat.h"

#include <cstring>
#include <new>

namespace softgdi {

bool ReadDibFormat(const BITMAPINFO* info, UINT usage, bool withColours, DibFormat* format) {
    if (info == nullptr || format == nullptr || usage != DIB_RGB_COLORS) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 0x10000) return false;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN || h.biPlanes != 1)
        return false;
    DibFormat f;
    f.bitCount = h.biBitCount;
    f.width = h.biWidth;
    f.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    f.topDown = h.biHeight < 0;
    const auto* tableStart = reinterpret_cast<const std::uint8_t*>(info) + h.biSize;
    switch (h.biBitCount) {
    case 1:
        f.layout = PixelLayout::Indexed1;
        break;
    case 4:
        f.layout = PixelLayout::Indexed4;
        break;
    case 8:
        f.layout = PixelLayout::Indexed8;
        break;
    case 16:
        f.layout = PixelLayout::Rgb555;
        break;
    case 24:
        f.layout = PixelLayout::Bgr24;
        break;
    case 32:
        f.layout = PixelLayout::Bgrx32;
        break;
    default:
        return false;
    }
    if (h.biCompression == BI_BITFIELDS) {
        if (h.biBitCount != 16 && h.biBitCount != 32) return false;
        std::memcpy(f.masks, tableStart, sizeof f.masks);
        if (h.biBitCount == 16 && f.masks[0] == 0xF800 && f.masks[1] == 0x07E0 &&
            f.masks[2] == 0x001F)
            f.layout = PixelLayout::Rgb565;
        else if (h.biBitCount == 16 &&
                 !(f.masks[0] == 0x7C00 && f.masks[1] == 0x03E0 && f.masks[2] == 0x001F))
            return false;
        else if (h.biBitCount == 32 &&
                 !(f.masks[0] == 0xFF0000 && f.masks[1] == 0xFF00 && f.masks[2] == 0xFF))
            return false;
    } else if (h.biCompression != BI_RGB) {
        return false;
    }
    f.rowBytes = PaddedRowBytes(f.width, f.bitCount);
    if (f.rowBytes < 0) return false;
    f.imageBytes = f.rowBytes * f.height;
    if (f.imageBytes > 0x7FFFFFFF) return false;
    if (withColours && h.biBitCount <= 8) {
        std::size_t count = std::size_t(1) << h.biBitCount;
        if (h.biClrUsed != 0 && h.biClrUsed < count) count = h.biClrUsed;
        try {
            f.colours.resize(count);
        } catch (const std::bad_alloc&) {
            return false;
        }
        std::memcpy(f.colours.data(), tableStart, count * sizeof(Argb));
    }
    *format = std::move(f);
    return true;
}

Surface DibSurface(const DibFormat& format, void* bits) {
    Surface s;
    s.layout = format.layout;
    s.width = format.width;
    s.height = format.height;
    auto* base = static_cast<std::uint8_t*>(bits);
    if (format.topDown) {
        s.top = base;
        s.pitch = std::ptrdiff_t(format.rowBytes);
    } else {
        s.top = base + (format.imageBytes - format.rowBytes);
        s.pitch = -std::ptrdiff_t(format.rowBytes);
    }
    s.palette = format.colours.empty() ? nullptr : format.colours.data();
    s.paletteSize = int(format.colours.size());
    s.paletteHasAlpha = false;
    return s;
}

} // namespace softgdi
