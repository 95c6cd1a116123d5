// Rewriting BI_BITFIELDS pixels in place into the two fixed layouts the
// pixel conversion reads: 16-bit 5-5-5 (bit 15 zero) and 32-bit 0x00RRGGBB.
#include <cstdint>
#include <cstring>

#include "DIBDecoding.h"

namespace {

// One mask: where its lowest set bit is and how many set bits follow it.
struct Component {
    std::uint32_t mask;
    unsigned shift;  // 32 for an empty mask
    unsigned length; // at least 1, never past bit 31

    explicit Component(std::uint32_t m) : mask(m), shift(0), length(1) {
        if (m == 0) {
            shift = 32;
            return;
        }
        while (!((m >> shift) & 1u)) ++shift;
        length = 0;
        while (shift + length < 32 && ((m >> (shift + length)) & 1u)) ++length;
    }

    std::uint32_t Of(std::uint32_t pixel) const {
        return shift >= 32 ? 0 : (pixel & mask) >> shift;
    }

    // The component widened or narrowed to target bits; short components
    // repeat their top bits below themselves, once.
    std::uint32_t Scaled(std::uint32_t pixel, unsigned target) const {
        const std::uint32_t c = Of(pixel);
        if (length >= target) return c >> (length - target);
        std::uint32_t scaled = c << (target - length);
        if (2 * length >= target) scaled += c >> (2 * length - target);
        return scaled;
    }
};

} // namespace

int NormalizeDIBBitFields(const BITMAPINFOHEADER* header, unsigned char* pixels,
                          unsigned int redMask, unsigned int greenMask, unsigned int blueMask) {
    if (header == nullptr || pixels == nullptr) return 0;
    const std::uint32_t bits = static_cast<std::uint32_t>(header->biBitCount) *
                               static_cast<std::uint32_t>(header->biPlanes);
    if (header->biCompression != BI_BITFIELDS || (bits != 16 && bits != 32)) return 1;
    if (bits == 16 && redMask == 0x7C00u && greenMask == 0x03E0u && blueMask == 0x001Fu) return 1;
    if (bits == 32 && redMask == 0x00FF0000u && greenMask == 0x0000FF00u && blueMask == 0x000000FFu)
        return 1;
    if (header->biWidth <= 0 || header->biHeight <= 0) return 1;

    const Component red(redMask), green(greenMask), blue(blueMask);
    const auto width = static_cast<std::size_t>(header->biWidth);
    const std::size_t rowBytes = (width * bits + 31) / 32 * 4;
    for (std::int32_t y = 0; y < header->biHeight; ++y) {
        unsigned char* row = pixels + static_cast<std::size_t>(y) * rowBytes;
        if (bits == 32) {
            for (std::size_t x = 0; x < width; ++x) {
                std::uint32_t p;
                std::memcpy(&p, row + 4 * x, 4);
                p = red.Scaled(p, 8) * 65536u + green.Scaled(p, 8) * 256u + blue.Scaled(p, 8);
                std::memcpy(row + 4 * x, &p, 4);
            }
        } else {
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint32_t p = row[2 * x] | (row[2 * x + 1] << 8);
                const std::uint32_t q =
                    red.Scaled(p, 5) * 1024u + green.Scaled(p, 5) * 32u + blue.Scaled(p, 5);
                row[2 * x] = static_cast<unsigned char>(q);
                row[2 * x + 1] = static_cast<unsigned char>(q >> 8);
            }
        }
    }
    return 1;
}
