// Reading the header of a packed DIB for display and for locating its
// pixel data, with every field bounds-checked against the bytes at hand.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace rztool {

// The fields common to every DIB header, widened so nothing overflows.
struct DIBHeaderFields {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: top-down rows
    std::uint32_t planes = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = 0; // 0 for core headers
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t colorsImportant = 0;
};

// The header at the start of dib; null when the bytes are too few for the
// size it claims (or for the 40 bytes all but core headers begin with).
std::optional<DIBHeaderFields> ReadDIBHeader(std::span<const unsigned char> dib);

// "BITMAPINFOHEADER" and the like, from the header size.
const char* HeaderKindName(std::uint32_t headerSize);
// "BI_RGB" and the like.
const char* CompressionName(std::uint32_t compression);

// Offset of the pixel data in a packed DIB with a 12- or 40-byte header:
// header, bit masks and colour table. Null for other headers and for a
// negative colour count.
std::optional<std::uint32_t> PixelDataOffset(std::span<const unsigned char> dib);

} // namespace rztool
