// A view of pixel rows in one of the layouts that GDI and GDI+ objects use,
// and the colour packing shared by the whole component.
#pragma once

#include <cstddef>
#include <cstdint>

namespace softgdi {

// Colours travel as 32-bit values 0xAARRGGBB, not premultiplied: in memory
// (little-endian) the bytes blue, green, red, alpha, the order of RGBQUAD and
// of GDI+'s ARGB.
using Argb = std::uint32_t;

inline constexpr Argb MakeArgb(unsigned a, unsigned r, unsigned g, unsigned b) {
    return Argb(b) | Argb(g) << 8 | Argb(r) << 16 | Argb(a) << 24;
}
inline constexpr unsigned AlphaOf(Argb c) {
    return c >> 24;
}
inline constexpr unsigned RedOf(Argb c) {
    return (c >> 16) & 0xFF;
}
inline constexpr unsigned GreenOf(Argb c) {
    return (c >> 8) & 0xFF;
}
inline constexpr unsigned BlueOf(Argb c) {
    return c & 0xFF;
}

enum class PixelLayout : std::uint8_t {
    Indexed1, // most significant bit first
    Indexed4, // high nibble first
    Indexed8,
    Rgb555,   // 16 bits, x-r-g-b 1-5-5-5
    Rgb565,   // 16 bits
    Argb1555, // 16 bits, top bit alpha
    Gray16,   // 16-bit grey level
    Bgr24,    // bytes blue, green, red
    Bgrx32,   // bytes blue, green, red, unused
    Bgra32,   // bytes blue, green, red, alpha
    Pbgra32,  // as Bgra32, colour premultiplied by alpha
    Rgb48,    // 16-bit blue, green, red
    Argb64,   // 16-bit blue, green, red, alpha
    Pargb64,  // as Argb64, premultiplied
    Cmyk32,   // bytes cyan, magenta, yellow, black
};

int BitsPerPixel(PixelLayout layout);
bool IsIndexed(PixelLayout layout);

// Bytes of a row of width pixels padded to 32 bits, or -1 when it does not
// fit in an int.
std::int64_t PaddedRowBytes(std::int64_t width, int bitsPerPixel);

struct Surface {
    PixelLayout layout = PixelLayout::Bgra32;
    int width = 0;
    int height = 0;
    std::uint8_t* top = nullptr; // the top row
    std::ptrdiff_t pitch = 0;    // from one row to the row below; negative when stored bottom-up
    const Argb* palette = nullptr;
    int paletteSize = 0;
    bool paletteHasAlpha = false; // GDI+ palettes carry alpha, GDI colour tables do not
    std::uint8_t unusedByte = 0;  // written into the fourth byte of Bgrx32 pixels

    std::uint8_t* Row(int y) const { return top + std::ptrdiff_t(y) * pitch; }
};

} // namespace softgdi
