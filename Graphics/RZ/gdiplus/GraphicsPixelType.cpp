// GetGraphicsPixelType: the pixel type a GDI+ image's pixels fit.
#include <cstddef>

#include "RZ/KWPixMap"
#include "RZ/platform/PointerBlock.h"
#include "RZ/platform/WindowsImaging.h"

namespace {

constexpr int kNoPixelType = 4;

// Whether the image's first `needed` palette entries are opaque greys.
// Entries beyond the palette's own count are not: a short palette cannot
// vouch for the indices it lacks.
bool HasOpaqueGreyPalette(Gdiplus::Image* image, unsigned int needed) {
    const INT size = image->GetPaletteSize();
    constexpr INT kEntriesAt = offsetof(Gdiplus::ColorPalette, Entries);
    if (size <= kEntriesAt) return false;
    // Zero-filled: if reading the palette fails, its entries read as
    // transparent black.
    const rz::platform::PointerBlock block =
        rz::platform::PointerBlock::Allocate(size, kBMFlagZeroFill);
    if (!block) return false;
    image->GetPalette(block.As<Gdiplus::ColorPalette>(), size);
    const unsigned int fits = static_cast<unsigned int>(size - kEntriesAt) / sizeof(Gdiplus::ARGB);
    const unsigned int count = block.As<Gdiplus::ColorPalette>()->Count;
    if ((count < fits ? count : fits) < needed) return false;
    const auto* entries = reinterpret_cast<const Gdiplus::ARGB*>(block.Get() + kEntriesAt);
    for (unsigned int i = 0; i < needed; ++i) {
        const Gdiplus::ARGB c = entries[i];
        const unsigned int red = (c >> 16) & 0xFF, green = (c >> 8) & 0xFF, blue = c & 0xFF;
        if (c >> 24 != 0xFF || red != green || green != blue) return false;
    }
    return true;
}

} // namespace

extern "C" int GetGraphicsPixelType(Gdiplus::Image* image) {
    if (image == nullptr) return kNoPixelType;
    switch (image->GetPixelFormat()) {
    case PixelFormat16bppRGB555:
    case PixelFormat16bppRGB565:
    case PixelFormat16bppARGB1555:
    case PixelFormat24bppRGB:
    case PixelFormat32bppRGB:
    case PixelFormat32bppARGB:
    case PixelFormat32bppPARGB:
    case PixelFormat16bppGrayScale:
    case PixelFormat48bppRGB:
    case PixelFormat64bppARGB:
    case PixelFormat64bppPARGB:
        return PixelTypeARGB;
    case PixelFormat1bppIndexed:
        return HasOpaqueGreyPalette(image, 2) ? PixelTypeBlackWhite : PixelTypeARGB;
    case PixelFormat4bppIndexed:
        return HasOpaqueGreyPalette(image, 16) ? PixelTypeGrey : PixelTypeARGB;
    case PixelFormat8bppIndexed:
        return HasOpaqueGreyPalette(image, 256) ? PixelTypeGrey : PixelTypeARGB;
    default:
        return kNoPixelType;
    }
}
