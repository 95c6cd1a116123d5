// Reading the header of a packed DIB for display and for locating its bit
// masks, colour table and pixels, with every field bounds-checked against
// the bytes at hand. Reads every header kind the tool can hand on to the
// import: core, info, V2 to V5, and OS/2 2.x.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace rztool {

// The fields common to every DIB header, widened so nothing overflows;
// fields a shorter header lacks are 0.
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

    std::uint32_t bits() const { return bitCount * planes; }
    // OS/2 2.x headers: compression values 3 and 4 mean other things there.
    bool os2() const { return headerSize == 16 || headerSize == 64; }
};

// The header at the start of dib; null when the bytes are too few for the
// size it claims (or for the 16 bytes all but core headers begin with).
std::optional<DIBHeaderFields> ReadDIBHeader(std::span<const unsigned char> dib);

// Where the parts of a packed DIB lie.
struct DIBLayout {
    DIBHeaderFields fields;
    int maskCount = 0;                    // 3 (bit fields), 4 (with alpha) or 0
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha
    std::uint32_t tableAt = 0;            // offset of the colour table
    std::uint32_t colours = 0;            // entries the import reads
    std::uint32_t entrySize = 4;          // 3 in core headers
    std::uint64_t tableEnd() const { return tableAt + std::uint64_t{colours} * entrySize; }
};

// The layout of dib, with the colour count the import uses (the low 16
// bits of biClrUsed, 2^bits for 0 below 16 bits). Null for a header of an
// unknown size, one cut short, masks past the end, or a negative count.
std::optional<DIBLayout> ReadDIBLayout(std::span<const unsigned char> dib);

// "BITMAPINFOHEADER" and the like, from the header size.
const char* HeaderKindName(std::uint32_t headerSize);
// "BI_RGB" and the like.
const char* CompressionName(std::uint32_t compression);

} // namespace rztool
