// Conversion of uncompressed bottom-up DIB rows into a pixel map.
//
// The result is exactly what storing every pixel's colour value through
// RZSetKWPixMapPixel gives, but the work is done a row at a time: one row
// converter, chosen once per image by bit depth, turns DIB pixels into
// colour values (alpha, red, green, blue), written straight into the rows
// of a 32-bit map. Grey and black-and-white maps take a lookup of the
// palette's levels for their own depth (8 and 1 bits), and a short staging
// buffer for any other.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "DIBDecoding.h"
#include "RZ/pixmap/Luminance.h"
#include "RZ/pixmap/PixMapRecord.h"

namespace {

// A colour value in its byte order.
struct Colour {
    unsigned char alpha, red, green, blue;
};
static_assert(sizeof(Colour) == 4, "a colour value is four bytes");

// Palette lookup for indexed depths: entries past the palette are black.
struct ColourTable {
    Colour entries[256];
};

// Writes the colour values of columns [first, end) of one DIB row to out.
using RowConverter = void (*)(const unsigned char* row, std::int32_t first, std::int32_t end,
                              Colour* out, const ColourTable& table);

static_assert(std::endian::native == std::endian::little, "words are stored little-endian");

// Stores a colour value given as a little-endian word: alpha in the low
// byte, then red, green, blue.
inline void StoreWord(Colour* out, std::uint32_t word) {
    std::memcpy(out, &word, 4);
}

inline std::uint32_t LoadWord(const unsigned char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    return word;
}

// B G R A in the DIB, A R G B in the map: the four bytes reversed.
void Row32(const unsigned char* row, std::int32_t first, std::int32_t end, Colour* out,
           const ColourTable&) {
    for (std::int32_t c = first; c < end; ++c, ++out) {
        const std::uint32_t v = LoadWord(row + 4 * static_cast<std::size_t>(c));
        StoreWord(out, (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24));
    }
}

void Row24(const unsigned char* row, std::int32_t first, std::int32_t end, Colour* out,
           const ColourTable&) {
    for (std::int32_t c = first; c < end; ++c, ++out) {
        const unsigned char* p = row + 3 * static_cast<std::size_t>(c);
        StoreWord(out, (std::uint32_t{p[2]} << 8) | (std::uint32_t{p[1]} << 16) |
                           (std::uint32_t{p[0]} << 24));
    }
}

// A 5-bit component as a byte: (x << 3) | x, so 31 gives 255 and 16 gives 144.
constexpr unsigned char Expand5(unsigned x) {
    return static_cast<unsigned char>((x << 3) | x);
}

void Row16(const unsigned char* row, std::int32_t first, std::int32_t end, Colour* out,
           const ColourTable&) {
    for (std::int32_t c = first; c < end; ++c, ++out) {
        const unsigned char* p = row + 2 * static_cast<std::size_t>(c);
        const unsigned v = p[0] | (p[1] << 8);
        *out = Colour{0, Expand5((v >> 10) & 31u), Expand5((v >> 5) & 31u), Expand5(v & 31u)};
    }
}

void Row8(const unsigned char* row, std::int32_t first, std::int32_t end, Colour* out,
          const ColourTable& table) {
    for (std::int32_t c = first; c < end; ++c, ++out) *out = table.entries[row[c]];
}

void Row4(const unsigned char* row, std::int32_t first, std::int32_t end, Colour* out,
          const ColourTable& table) {
    for (std::int32_t c = first; c < end; ++c, ++out) {
        const unsigned byte = row[c >> 1];
        *out = table.entries[(c & 1) ? (byte & 0x0Fu) : (byte >> 4)];
    }
}

void Row1(const unsigned char* row, std::int32_t first, std::int32_t end, Colour* out,
          const ColourTable& table) {
    for (std::int32_t c = first; c < end; ++c, ++out)
        *out = table.entries[(row[c >> 3] >> (7 - (c & 7))) & 1u];
}

void RowBlack(const unsigned char*, std::int32_t first, std::int32_t end, Colour* out,
              const ColourTable&) {
    std::memset(out, 0, static_cast<std::size_t>(end - first) * sizeof(Colour));
}

RowConverter ConverterFor(std::uint32_t bits) {
    switch (bits) {
    case 32:
        return Row32;
    case 24:
        return Row24;
    case 16:
        return Row16;
    case 8:
        return Row8;
    case 4:
        return Row4;
    case 1:
        return Row1;
    default:
        return RowBlack;
    }
}

void BuildColourTable(std::uint32_t bits, const RGBQUAD* palette, std::size_t count,
                      ColourTable* table) {
    std::memset(table, 0, sizeof *table);
    if (bits == 1 && count == 0) {
        // Without a palette a set bit is white.
        table->entries[1] = Colour{0, 255, 255, 255};
        return;
    }
    const std::size_t used = std::min<std::size_t>(count, 256);
    for (std::size_t i = 0; i < used; ++i)
        table->entries[i] = Colour{palette[i].rgbReserved, palette[i].rgbRed, palette[i].rgbGreen,
                                   palette[i].rgbBlue};
}

double LuminanceOf(const Colour& colour) {
    return rz::LuminanceOf(reinterpret_cast<const unsigned char*>(&colour));
}

unsigned char GreyOf(const Colour& colour) {
    return rz::GreyLevelOf(LuminanceOf(colour));
}

bool IsWhite(const Colour& colour) {
    return rz::IsWhite(LuminanceOf(colour));
}

// 8-bit DIB rows into a grey map: one level per palette index.
void StoreGreyRows8(const unsigned char* in, const unsigned char* levels, std::int32_t columns,
                    unsigned char* out) {
    for (std::int32_t c = 0; c < columns; ++c) out[c] = levels[in[c]];
}

// 1-bit DIB rows into a black-and-white map: whole bytes at once. Bits past
// the last column keep their values, as the pixel setter leaves them.
void StoreBitRow1(const unsigned char* in, bool white0, bool white1, std::int32_t columns,
                  unsigned char* out) {
    const std::int32_t whole = columns / 8;
    auto map = [&](unsigned char b) -> unsigned char {
        if (white1) return white0 ? 0xFF : b;
        return white0 ? static_cast<unsigned char>(~b) : 0;
    };
    for (std::int32_t i = 0; i < whole; ++i) out[i] = map(in[i]);
    if (const int rest = columns % 8) {
        const auto mask = static_cast<unsigned char>(0xFF00u >> rest);
        out[whole] = static_cast<unsigned char>((out[whole] & ~mask) | (map(in[whole]) & mask));
    }
}

// Any other depth into a grey or black-and-white map, through a short
// staging buffer of colour values.
void StoreReducedRow(const unsigned char* in, RowConverter convert, const ColourTable& table,
                     std::int32_t columns, bool toBits, unsigned char* out) {
    constexpr std::int32_t kChunk = 256; // a multiple of 8 keeps packed pixels aligned
    Colour staged[kChunk];
    for (std::int32_t first = 0; first < columns; first += kChunk) {
        const std::int32_t end = std::min(columns, first + kChunk);
        convert(in, first, end, staged, table);
        for (std::int32_t c = first; c < end; ++c) {
            const Colour& colour = staged[c - first];
            if (!toBits) {
                out[c] = GreyOf(colour);
            } else {
                const auto bit = static_cast<unsigned char>(0x80u >> (c & 7));
                out[c >> 3] = IsWhite(colour) ? (out[c >> 3] | bit)
                                              : static_cast<unsigned char>(out[c >> 3] & ~bit);
            }
        }
    }
}

} // namespace

void DecodeDIBPixels(const BITMAPINFOHEADER* header, unsigned int rowBytes,
                     const unsigned char* pixels, const RGBQUAD* palette, std::size_t paletteCount,
                     KWPixMap** map) {
    KWPixMap* record = rz::RecordOf(map);
    if (header == nullptr || pixels == nullptr || record == nullptr) return;
    const std::int32_t height = header->biHeight;
    // Pixels the setter would drop (outside the map) are never converted.
    const std::int32_t columns =
        std::min<std::int32_t>(header->biWidth, static_cast<std::int32_t>(record->width));
    const auto mapHeight = static_cast<std::int32_t>(record->height);
    if (height <= 0 || columns <= 0 || mapHeight <= 0) return;
    const std::uint32_t type = record->pixelType;
    if (type > PixelTypeGrey) return;

    const std::uint32_t bits = static_cast<std::uint32_t>(header->biBitCount) *
                               static_cast<std::uint32_t>(header->biPlanes);
    if (palette == nullptr) paletteCount = 0;
    ColourTable table;
    BuildColourTable(bits, palette, paletteCount, &table);
    const RowConverter convert = ConverterFor(bits);

    unsigned char levels[256];
    if (type == PixelTypeGrey && bits == 8)
        for (int i = 0; i < 256; ++i) levels[i] = GreyOf(table.entries[i]);
    const bool white0 = IsWhite(table.entries[0]);
    const bool white1 = IsWhite(table.entries[1]);

    // Stored row r is map row height - 1 - r; rows that land outside the map
    // (a map shorter than the DIB) are skipped.
    const std::int32_t firstRow = height > mapHeight ? height - mapHeight : 0;
    for (std::int32_t r = firstRow; r < height; ++r) {
        const unsigned char* in = pixels + static_cast<std::size_t>(r) * rowBytes;
        unsigned char* out = rz::RowOf(record, static_cast<std::uint32_t>(height - 1 - r));
        switch (type) {
        case PixelTypeARGB:
        case PixelTypeARGBDirect:
            convert(in, 0, columns, reinterpret_cast<Colour*>(out), table);
            break;
        case PixelTypeGrey:
            if (bits == 8)
                StoreGreyRows8(in, levels, columns, out);
            else
                StoreReducedRow(in, convert, table, columns, false, out);
            break;
        default:
            if (bits == 1)
                StoreBitRow1(in, white0, white1, columns, out);
            else
                StoreReducedRow(in, convert, table, columns, true, out);
            break;
        }
    }
}
