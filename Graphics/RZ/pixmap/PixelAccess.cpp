// Reading and writing single pixels through the four-byte colour value
// (alpha, red, green, blue), whatever the pixel type.
#include <cstring>

#include "Luminance.h"
#include "PixMapRecord.h"
#include "RZ/platform/RootServices.h"

namespace {

// The pixel's row, or null when (x, y) lies outside the bounds. The
// comparisons are signed, as the bounds are.
unsigned char* RowIfInside(KWPixMap* record, int x, int y) {
    const auto width = static_cast<std::int32_t>(record->width);
    const auto height = static_cast<std::int32_t>(record->height);
    if (x < width && y < height && x >= 0 && y >= 0)
        return rz::RowOf(record, static_cast<std::uint32_t>(y));
    return nullptr;
}

} // namespace

extern "C" {

void RZGetKWPixMapPixel(KWPixMap** handle, int x, int y, unsigned char* colour) {
    KWPixMap* record = rz::RecordOf(handle);
    if (record == nullptr || colour == nullptr) return;
    const unsigned char* row = RowIfInside(record, x, y);
    if (row == nullptr) {
        BNFillMemory(colour, 4, 0);
        return;
    }
    switch (record->pixelType) {
    case PixelTypeARGB:
    case PixelTypeARGBDirect:
        std::memcpy(colour, row + 4 * static_cast<std::size_t>(x), 4);
        break;
    case PixelTypeBlackWhite: {
        const unsigned char level = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
        colour[0] = 0;
        colour[1] = colour[2] = colour[3] = level;
        break;
    }
    case PixelTypeGrey:
        colour[0] = 0;
        colour[1] = colour[2] = colour[3] = row[x];
        break;
    default:
        break;
    }
}

void RZSetKWPixMapPixel(KWPixMap** handle, int x, int y, const unsigned char* colour) {
    KWPixMap* record = rz::RecordOf(handle);
    if (record == nullptr || colour == nullptr) return;
    unsigned char* row = RowIfInside(record, x, y);
    if (row == nullptr) return;
    switch (record->pixelType) {
    case PixelTypeARGB:
    case PixelTypeARGBDirect:
        std::memcpy(row + 4 * static_cast<std::size_t>(x), colour, 4);
        break;
    case PixelTypeBlackWhite: {
        const unsigned char bit = static_cast<unsigned char>(0x80u >> (x & 7));
        if (rz::IsWhite(rz::LuminanceOf(colour)))
            row[x >> 3] |= bit;
        else
            row[x >> 3] &= static_cast<unsigned char>(~bit);
        break;
    }
    case PixelTypeGrey:
        row[x] = rz::GreyLevelOf(rz::LuminanceOf(colour));
        break;
    default:
        break;
    }
}
}
