#include "ImportWarnings.h"

#include <cstdio>
#include <cstring>

#include "DIBHeader.h"

namespace rztool {

namespace {

struct Rgb {
    unsigned char red, green, blue;
};

std::string Hex(Rgb colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
    return text;
}

// Palette entries the import reads and the DIB holds.
std::vector<Rgb> Palette(std::span<const unsigned char> dib, const DIBLayout& layout) {
    std::vector<Rgb> colours;
    for (std::uint64_t i = 0, at = layout.tableAt;
         i < layout.colours && at + layout.entrySize <= dib.size(); ++i, at += layout.entrySize)
        colours.push_back({dib[at + 2], dib[at + 1], dib[at]});
    return colours;
}

// Whether some pixel's alpha, under mask, is below its full value.
bool SomePixelTranslucent(const BmpDib& bmp, const DIBHeaderFields& fields) {
    const std::uint32_t bytesPerPixel = fields.bits() / 8;
    const std::uint64_t rowBytes = (std::uint64_t(fields.bits()) * fields.width + 31) / 32 * 4;
    const std::span<const unsigned char> pixels = bmp.dib.subspan(bmp.pixelsAt);
    const std::uint64_t height = fields.height < 0 ? -fields.height : fields.height;
    for (std::uint64_t row = 0; row < height && (row + 1) * rowBytes <= pixels.size(); ++row) {
        const unsigned char* at = pixels.data() + row * rowBytes;
        for (std::int64_t x = 0; x < fields.width; ++x, at += bytesPerPixel) {
            std::uint32_t value = 0;
            std::memcpy(&value, at, bytesPerPixel);
            if ((value & bmp.alphaMask) != bmp.alphaMask) return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::string> ImportWarnings(const BmpDib& bmp) {
    std::vector<std::string> warnings;
    const auto layout = ReadDIBLayout(bmp.dib);
    if (!layout) return warnings;
    const DIBHeaderFields& fields = layout->fields;
    const std::uint32_t bits = fields.bits();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        warnings.push_back("the import does not decode " + std::to_string(bits) +
                           "-bit pixels: the picture comes out black");
    const auto palette = Palette(bmp.dib, *layout);
    if (bits == 8) {
        for (const Rgb& c : palette) {
            if (c.red != c.green || c.green != c.blue) {
                warnings.push_back("the 8-bit colour palette was imported as an 8-bit grey "
                                   "map: the import keeps the luminance of each colour");
                break;
            }
        }
    }
    if (bits == 1 && palette.size() >= 2) {
        const auto blackOrWhite = [](Rgb c) {
            return (c.red == 0 || c.red == 255) && c.red == c.green && c.green == c.blue;
        };
        if (!blackOrWhite(palette[0]) || !blackOrWhite(palette[1]))
            warnings.push_back("the 1-bit palette (" + Hex(palette[0]) + " and " + Hex(palette[1]) +
                               ") was imported as black and white by luminance");
    }
    if (bmp.alphaMask != 0 && (bits == 16 || bits == 32) && SomePixelTranslucent(bmp, fields))
        warnings.push_back("the alpha channel was dropped: the import makes every pixel opaque");
    return warnings;
}

} // namespace rztool
