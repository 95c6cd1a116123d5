// RZDIBSection2PixMap: the pixels of a 24-bit DIB section copied straight
// into a new 32-bit pixel map, alpha left 0.
#include <cstdint>
#include <cstring>

#include "RZ/KWPixMap"
#include "RZ/pixmap/PixMapRecord.h"
#include "RZ/platform/WindowsTypes.h"

extern "C" short RZDIBSection2PixMap(const DIBSECTION* section, KWPixMap*** pixMap) {
    if (pixMap == nullptr) return RZErrFailed;
    *pixMap = nullptr;
    if (section == nullptr) return RZErrFailed;
    const std::int64_t width = section->dsBm.bmWidth, height = section->dsBm.bmHeight;
    // The section is read as 24-bit bottom-up rows, with the row size
    // counted in 16 bits of words. Sections of another depth (when it is
    // given), wide enough to wrap that count, or without bits are refused
    // rather than read outside their memory.
    const std::int64_t words = (width * 24 + 31) / 32;
    const WORD depth = section->dsBm.bmBitsPixel;
    if ((depth != 0 && depth != 24) || words > INT16_MAX ||
        (section->dsBm.bmBits == nullptr && width > 0 && height > 0))
        return RZErrFailed;
    KWPixMap** map =
        RZCreateKWPixMap(static_cast<int>(width), static_cast<int>(height), 72, 72, PixelTypeARGB);
    if (map == nullptr) return RZErrFailed;
    const std::size_t rowBytes = static_cast<std::size_t>(words) * 4;
    const auto* bits = static_cast<const unsigned char*>(section->dsBm.bmBits);
    for (std::int64_t y = 0; y < height; ++y) {
        const unsigned char* in = bits + static_cast<std::size_t>(height - 1 - y) * rowBytes;
        unsigned char* out = rz::RowOf(*map, static_cast<std::uint32_t>(y));
        for (std::int64_t x = 0; x < width; ++x, in += 3, out += 4) {
            out[1] = in[2];
            out[2] = in[1];
            out[3] = in[0];
        }
    }
    *pixMap = map;
    return 0;
}
