#include "DIBHeader.h"

#include <cstring>

namespace rztool {

namespace {

template <typename T> T ReadAt(std::span<const unsigned char> bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

} // namespace

std::optional<DIBHeaderFields> ReadDIBHeader(std::span<const unsigned char> dib) {
    if (dib.size() < 4) return std::nullopt;
    DIBHeaderFields fields;
    fields.headerSize = ReadAt<std::uint32_t>(dib, 0);
    if (fields.headerSize == 12) {
        if (dib.size() < 12) return std::nullopt;
        fields.width = ReadAt<std::uint16_t>(dib, 4);
        fields.height = ReadAt<std::uint16_t>(dib, 6);
        fields.planes = ReadAt<std::uint16_t>(dib, 8);
        fields.bitCount = ReadAt<std::uint16_t>(dib, 10);
        return fields;
    }
    if (fields.headerSize < 40 || dib.size() < 40) return std::nullopt;
    fields.width = ReadAt<std::int32_t>(dib, 4);
    fields.height = ReadAt<std::int32_t>(dib, 8);
    fields.planes = ReadAt<std::uint16_t>(dib, 12);
    fields.bitCount = ReadAt<std::uint16_t>(dib, 14);
    fields.compression = ReadAt<std::uint32_t>(dib, 16);
    fields.sizeImage = ReadAt<std::uint32_t>(dib, 20);
    fields.xPelsPerMeter = ReadAt<std::int32_t>(dib, 24);
    fields.yPelsPerMeter = ReadAt<std::int32_t>(dib, 28);
    fields.colorsUsed = ReadAt<std::uint32_t>(dib, 32);
    fields.colorsImportant = ReadAt<std::uint32_t>(dib, 36);
    return fields;
}

const char* HeaderKindName(std::uint32_t headerSize) {
    switch (headerSize) {
    case 12:
        return "BITMAPCOREHEADER";
    case 16:
    case 64:
        return "OS/2 BITMAPCOREHEADER2";
    case 40:
        return "BITMAPINFOHEADER";
    case 52:
        return "BITMAPV2INFOHEADER";
    case 56:
        return "BITMAPV3INFOHEADER";
    case 108:
        return "BITMAPV4HEADER";
    case 124:
        return "BITMAPV5HEADER";
    default:
        return "unknown header";
    }
}

const char* CompressionName(std::uint32_t compression) {
    switch (compression) {
    case 0:
        return "BI_RGB";
    case 1:
        return "BI_RLE8";
    case 2:
        return "BI_RLE4";
    case 3:
        return "BI_BITFIELDS";
    case 4:
        return "BI_JPEG";
    case 5:
        return "BI_PNG";
    case 6:
        return "BI_ALPHABITFIELDS";
    default:
        return "unknown compression";
    }
}

std::optional<std::uint32_t> PixelDataOffset(std::span<const unsigned char> dib) {
    const auto fields = ReadDIBHeader(dib);
    if (!fields || (fields->headerSize != 12 && fields->headerSize != 40)) return std::nullopt;
    const std::int64_t bits = std::int64_t{fields->bitCount} * fields->planes;
    if (fields->headerSize == 12) {
        const std::int64_t colours = bits <= 8 ? std::int64_t{1} << bits : 0;
        return static_cast<std::uint32_t>(12 + 3 * colours);
    }
    std::int64_t colours = static_cast<std::int16_t>(fields->colorsUsed & 0xFFFF);
    if (colours == 0 && bits < 16) colours = std::int64_t{1} << bits;
    if (colours < 0) return std::nullopt;
    const std::int64_t masks = fields->compression == 3 ? 12 : 0;
    return static_cast<std::uint32_t>(40 + masks + 4 * colours);
}

} // namespace rztool
