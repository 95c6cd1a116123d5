// Internal access to the pixel map record: the checks every exported
// function starts with, and the row rule.
#pragma once

#include <cstdint>

#include "RZ/KWPixMap"

namespace rz {

// The record behind a handle, or null for a null handle or master pointer.
inline KWPixMap* RecordOf(KWPixMap** handle) {
    return handle ? *handle : nullptr;
}

inline unsigned char* BaseOf(KWPixMap* record) {
    return reinterpret_cast<unsigned char*>(record) + record->baseOffset;
}

inline unsigned char* RowOf(KWPixMap* record, std::uint32_t y) {
    return BaseOf(record) + static_cast<std::size_t>(y) * record->bytesPerRow;
}

// Bits per pixel of a stored type byte: 1, 8, or 32 for every other value.
inline int BitsOfType(int pixelType) {
    return pixelType == PixelTypeBlackWhite ? 1 : pixelType == PixelTypeGrey ? 8 : 32;
}

// Row bytes for a width, or -1 when the type is not 0..3 or the result does
// not fit a signed 32-bit integer. Every row is a whole number of words.
inline std::int64_t BytesPerRowFor(std::int64_t width, int pixelType) {
    std::int64_t bytes;
    switch (pixelType) {
    case PixelTypeARGB:
    case PixelTypeARGBDirect:
        bytes = width * 4;
        break;
    case PixelTypeBlackWhite:
        bytes = (width + 31) / 32 * 4;
        break;
    case PixelTypeGrey:
        bytes = (8 * width + 31) / 32 * 4;
        break;
    default:
        return -1;
    }
    return bytes > INT32_MAX ? -1 : bytes;
}

} // namespace rz
