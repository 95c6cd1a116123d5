// What a BITMAPINFOHEADER implies: colour count, bounds, row bytes, header
// and image sizes. Also the header check of the import.
//
// The arithmetic is the classic 32-bit one, wrapping included: it is done in
// unsigned arithmetic and read back as signed, so hostile headers give
// well-defined (if meaningless) numbers. The import checks its own sizes.
#include <cstdint>

#include "RZ/KWPixMap"
#include "RZ/platform/WindowsTypes.h"

namespace {

std::int32_t Low16Signed(std::uint32_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFFu));
}

} // namespace

extern "C" {

int RZGetDIBInfo(const BITMAPINFOHEADER* header, unsigned int* colorCount, RECT* bounds,
                 unsigned int* rowBytes, unsigned int* headerSize, unsigned int* imageSize,
                 unsigned int* unpackedSize) {
    if (header == nullptr || header->biSize != sizeof(BITMAPINFOHEADER)) return 0;
    const std::uint32_t bits = static_cast<std::uint32_t>(header->biBitCount) *
                               static_cast<std::uint32_t>(header->biPlanes);

    std::int32_t colours = Low16Signed(header->biClrUsed);
    if (colours == 0 && bits < 16) colours = 1 << bits;
    if (colorCount != nullptr) *colorCount = static_cast<unsigned int>(colours);

    if (bounds != nullptr)
        SetRect(bounds, 0, 0, Low16Signed(static_cast<std::uint32_t>(header->biWidth)),
                Low16Signed(static_cast<std::uint32_t>(header->biHeight)));

    const auto bitsPerRow =
        static_cast<std::int32_t>(bits * static_cast<std::uint32_t>(header->biWidth) + 31u);
    const std::int32_t rowWords = Low16Signed(static_cast<std::uint32_t>(bitsPerRow / 32));
    const std::int32_t row = rowWords * 4;
    if (rowBytes != nullptr) *rowBytes = static_cast<unsigned int>(row);

    if (headerSize != nullptr)
        *headerSize = header->biSize + 4u * static_cast<std::uint32_t>(colours);

    const std::uint32_t unpacked =
        static_cast<std::uint32_t>(row) * static_cast<std::uint32_t>(header->biHeight);
    if (unpackedSize != nullptr) *unpackedSize = unpacked;

    if (header->biCompression != BI_RGB && header->biSizeImage == 0) return 0;
    if (imageSize != nullptr)
        *imageSize = header->biCompression != BI_RGB ? header->biSizeImage : unpacked;
    return 1;
}
}
