#include "DIBHeader.h"

#include <algorithm>
#include <cstring>

namespace rztool {

namespace {

template <typename T> T ReadAt(std::span<const unsigned char> bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

bool KnownHeaderSize(std::uint32_t size) {
    for (const std::uint32_t known : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
        if (size == known) return true;
    return false;
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
    // Every later header starts with the fields of the 40-byte one, as many
    // of them as it has room for.
    const std::size_t present = std::min<std::size_t>(fields.headerSize, 40);
    if (fields.headerSize < 16 || dib.size() < present) return std::nullopt;
    unsigned char header[40] = {};
    std::memcpy(header, dib.data(), present);
    const std::span<const unsigned char> all(header);
    fields.width = ReadAt<std::int32_t>(all, 4);
    fields.height = ReadAt<std::int32_t>(all, 8);
    fields.planes = ReadAt<std::uint16_t>(all, 12);
    fields.bitCount = ReadAt<std::uint16_t>(all, 14);
    fields.compression = ReadAt<std::uint32_t>(all, 16);
    fields.sizeImage = ReadAt<std::uint32_t>(all, 20);
    fields.xPelsPerMeter = ReadAt<std::int32_t>(all, 24);
    fields.yPelsPerMeter = ReadAt<std::int32_t>(all, 28);
    fields.colorsUsed = ReadAt<std::uint32_t>(all, 32);
    fields.colorsImportant = ReadAt<std::uint32_t>(all, 36);
    return fields;
}

std::optional<DIBLayout> ReadDIBLayout(std::span<const unsigned char> dib) {
    const auto fields = ReadDIBHeader(dib);
    if (!fields || !KnownHeaderSize(fields->headerSize) || dib.size() < fields->headerSize)
        return std::nullopt;
    DIBLayout layout;
    layout.fields = *fields;
    layout.tableAt = fields->headerSize;
    const std::uint32_t bits = fields->bits();
    if (fields->headerSize == 12) {
        layout.entrySize = 3;
        layout.colours = bits <= 8 ? 1u << bits : 0;
        return layout;
    }
    // Bit masks: after a 40-byte header, inside the later ones (alpha from
    // 56 bytes on).
    if (!fields->os2() && (fields->compression == 3 || fields->compression == 6)) {
        const bool inside = fields->headerSize >= 52;
        layout.maskCount =
            inside ? (fields->headerSize >= 56 ? 4 : 3) : (fields->compression == 6 ? 4 : 3);
        const std::size_t masksAt = inside ? 40 : fields->headerSize;
        if (dib.size() < masksAt + 4 * std::size_t(layout.maskCount)) return std::nullopt;
        for (int i = 0; i < layout.maskCount; ++i)
            layout.masks[i] = ReadAt<std::uint32_t>(dib, masksAt + 4 * i);
        if (!inside) layout.tableAt += 4 * layout.maskCount;
    }
    const std::int32_t colours = static_cast<std::int16_t>(fields->colorsUsed & 0xFFFF);
    if (colours < 0) return std::nullopt;
    layout.colours = colours == 0 && bits < 16 ? 1u << bits : std::uint32_t(colours);
    return layout;
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

} // namespace rztool
