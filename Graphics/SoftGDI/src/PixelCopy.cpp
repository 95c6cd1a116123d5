#include "PixelCopy.h"

#include <cstring>
#include <memory>
#include <new>

#include "PixelCodec.h"

namespace softgdi {

bool SameEncoding(const Surface& a, const Surface& b) {
    if (a.layout != b.layout) return false;
    if (!IsIndexed(a.layout)) return true;
    if (a.paletteSize != b.paletteSize) return false;
    for (int i = 0; i < a.paletteSize; ++i)
        if ((a.palette[i] & 0xFFFFFF) != (b.palette[i] & 0xFFFFFF)) return false;
    return true;
}

namespace {

unsigned ReadIndex(const std::uint8_t* row, int bits, int x) {
    if (bits == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
    return (x & 1) ? row[x >> 1] & 0xF : row[x >> 1] >> 4;
}

void WriteIndex(std::uint8_t* row, int bits, int x, unsigned v) {
    if (bits == 1) {
        const std::uint8_t bit = std::uint8_t(0x80 >> (x & 7));
        row[x >> 3] = v ? std::uint8_t(row[x >> 3] | bit) : std::uint8_t(row[x >> 3] & ~bit);
    } else {
        std::uint8_t& b = row[x >> 1];
        b = (x & 1) ? std::uint8_t((b & 0xF0) | v) : std::uint8_t((b & 0x0F) | v << 4);
    }
}

void CopyRawRow(const std::uint8_t* from, int sx, std::uint8_t* to, int dx, int width, int bits) {
    if (bits >= 8) {
        const std::size_t bytes = std::size_t(bits / 8);
        std::memmove(to + bytes * std::size_t(dx), from + bytes * std::size_t(sx),
                     bytes * std::size_t(width));
        return;
    }
    if (to == from && dx > sx) {
        for (int i = width - 1; i >= 0; --i)
            WriteIndex(to, bits, dx + i, ReadIndex(from, bits, sx + i));
    } else {
        for (int i = 0; i < width; ++i) WriteIndex(to, bits, dx + i, ReadIndex(from, bits, sx + i));
    }
}

} // namespace

bool CopyPixels(const Surface& source, int sx, int sy, const Surface& target, int dx, int dy,
                int width, int height) {
    if (width <= 0 || height <= 0) return true;
    if (!IsWritable(target.layout)) return false;
    const bool raw = SameEncoding(source, target);
    std::unique_ptr<Argb[]> buffer;
    std::unique_ptr<PaletteMatcher> matcher;
    if (!raw) {
        buffer.reset(new (std::nothrow) Argb[std::size_t(width)]);
        if (!buffer) return false;
        if (IsIndexed(target.layout)) {
            matcher.reset(new (std::nothrow) PaletteMatcher(target.palette, target.paletteSize));
            if (!matcher) return false;
        }
    }
    // Within one surface, walk rows so that no source row is overwritten first.
    const bool upward = source.top == target.top && dy > sy;
    for (int i = 0; i < height; ++i) {
        const int row = upward ? height - 1 - i : i;
        if (raw) {
            CopyRawRow(source.Row(sy + row), sx, target.Row(dy + row), dx, width,
                       BitsPerPixel(source.layout));
        } else {
            DecodeRow(source, sy + row, sx, width, buffer.get());
            EncodeRow(target, dy + row, dx, width, buffer.get(), matcher.get());
        }
    }
    return true;
}

} // namespace softgdi
