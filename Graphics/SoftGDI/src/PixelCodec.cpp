#include "PixelCodec.h"

#include <cstring>

namespace softgdi {

int BitsPerPixel(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Indexed1:
        return 1;
    case PixelLayout::Indexed4:
        return 4;
    case PixelLayout::Indexed8:
        return 8;
    case PixelLayout::Rgb555:
    case PixelLayout::Rgb565:
    case PixelLayout::Argb1555:
    case PixelLayout::Gray16:
        return 16;
    case PixelLayout::Bgr24:
        return 24;
    case PixelLayout::Bgrx32:
    case PixelLayout::Bgra32:
    case PixelLayout::Pbgra32:
    case PixelLayout::Cmyk32:
        return 32;
    case PixelLayout::Rgb48:
        return 48;
    case PixelLayout::Argb64:
    case PixelLayout::Pargb64:
        return 64;
    }
    return 0;
}

bool IsIndexed(PixelLayout layout) {
    return layout == PixelLayout::Indexed1 || layout == PixelLayout::Indexed4 ||
           layout == PixelLayout::Indexed8;
}

bool IsWritable(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Gray16:
    case PixelLayout::Rgb48:
    case PixelLayout::Argb64:
    case PixelLayout::Pargb64:
    case PixelLayout::Cmyk32:
        return false;
    default:
        return true;
    }
}

std::int64_t PaddedRowBytes(std::int64_t width, int bitsPerPixel) {
    if (width < 0 || width > (std::int64_t(1) << 31)) return -1;
    const std::int64_t bytes = (width * bitsPerPixel + 31) / 32 * 4;
    return bytes > 0x7FFFFFFF ? -1 : bytes;
}

PaletteMatcher::PaletteMatcher(const Argb* palette, int size) : palette_(palette), size_(size) {
    keys_.fill(0xFFFFFFFFu);
}

int PaletteMatcher::Nearest(Argb colour) {
    const std::uint32_t key = colour & 0xFFFFFF;
    const std::size_t slot = (key * 2654435761u) >> 22;
    if (keys_[slot] == key) return answers_[slot];
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < size_; ++i) {
        const long dr = long(RedOf(palette_[i])) - long(RedOf(colour));
        const long dg = long(GreenOf(palette_[i])) - long(GreenOf(colour));
        const long db = long(BlueOf(palette_[i])) - long(BlueOf(colour));
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) break;
        }
    }
    keys_[slot] = key;
    answers_[slot] = std::uint8_t(best);
    return best;
}

namespace {

inline std::uint16_t Load16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
inline void Store16(std::uint8_t* p, unsigned v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline unsigned Expand5(unsigned v) {
    return (v << 3) | (v >> 2);
}
inline unsigned Expand6(unsigned v) {
    return (v << 2) | (v >> 4);
}

Argb PaletteColour(const Surface& s, unsigned index) {
    if (int(index) >= s.paletteSize || s.palette == nullptr) return MakeArgb(255, 0, 0, 0);
    const Argb c = s.palette[index];
    return s.paletteHasAlpha ? c : (c | 0xFF000000u);
}

Argb Unpremultiply(unsigned a, unsigned r, unsigned g, unsigned b) {
    if (a == 0) return 0;
    auto un = [a](unsigned c) {
        const unsigned v = (c * 255 + a / 2) / a;
        return v > 255 ? 255u : v;
    };
    return MakeArgb(a, un(r), un(g), un(b));
}

} // namespace

void DecodeRow(const Surface& s, int y, int x0, int count, Argb* out) {
    const std::uint8_t* row = s.Row(y);
    switch (s.layout) {
    case PixelLayout::Indexed1:
        for (int i = 0; i < count; ++i) {
            const int x = x0 + i;
            out[i] = PaletteColour(s, (row[x >> 3] >> (7 - (x & 7))) & 1);
        }
        break;
    case PixelLayout::Indexed4:
        for (int i = 0; i < count; ++i) {
            const int x = x0 + i;
            out[i] = PaletteColour(s, (x & 1) ? row[x >> 1] & 0xF : row[x >> 1] >> 4);
        }
        break;
    case PixelLayout::Indexed8:
        for (int i = 0; i < count; ++i) out[i] = PaletteColour(s, row[x0 + i]);
        break;
    case PixelLayout::Rgb555:
        for (int i = 0; i < count; ++i) {
            const unsigned v = Load16(row + 2 * (x0 + i));
            out[i] =
                MakeArgb(255, Expand5((v >> 10) & 31), Expand5((v >> 5) & 31), Expand5(v & 31));
        }
        break;
    case PixelLayout::Rgb565:
        for (int i = 0; i < count; ++i) {
            const unsigned v = Load16(row + 2 * (x0 + i));
            out[i] =
                MakeArgb(255, Expand5((v >> 11) & 31), Expand6((v >> 5) & 63), Expand5(v & 31));
        }
        break;
    case PixelLayout::Argb1555:
        for (int i = 0; i < count; ++i) {
            const unsigned v = Load16(row + 2 * (x0 + i));
            out[i] = MakeArgb((v & 0x8000) ? 255 : 0, Expand5((v >> 10) & 31),
                              Expand5((v >> 5) & 31), Expand5(v & 31));
        }
        break;
    case PixelLayout::Gray16:
        for (int i = 0; i < count; ++i) {
            const unsigned g = Load16(row + 2 * (x0 + i)) >> 8;
            out[i] = MakeArgb(255, g, g, g);
        }
        break;
    case PixelLayout::Bgr24:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = row + 3 * (x0 + i);
            out[i] = MakeArgb(255, p[2], p[1], p[0]);
        }
        break;
    case PixelLayout::Bgrx32:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = row + 4 * (x0 + i);
            out[i] = MakeArgb(255, p[2], p[1], p[0]);
        }
        break;
    case PixelLayout::Bgra32:
        std::memcpy(out, row + 4 * std::size_t(x0), 4 * std::size_t(count));
        break;
    case PixelLayout::Pbgra32:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = row + 4 * (x0 + i);
            out[i] = Unpremultiply(p[3], p[2], p[1], p[0]);
        }
        break;
    case PixelLayout::Rgb48:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = row + 6 * (x0 + i);
            out[i] = MakeArgb(255, p[5], p[3], p[1]);
        }
        break;
    case PixelLayout::Argb64:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = row + 8 * (x0 + i);
            out[i] = MakeArgb(p[7], p[5], p[3], p[1]);
        }
        break;
    case PixelLayout::Pargb64:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = row + 8 * (x0 + i);
            out[i] = Unpremultiply(p[7], p[5], p[3], p[1]);
        }
        break;
    case PixelLayout::Cmyk32:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = row + 4 * (x0 + i);
            const unsigned k = 255 - p[3];
            out[i] = MakeArgb(255, (255 - p[0]) * k / 255, (255 - p[1]) * k / 255,
                              (255 - p[2]) * k / 255);
        }
        break;
    }
}

bool EncodeRow(const Surface& s, int y, int x0, int count, const Argb* in,
               PaletteMatcher* matcher) {
    std::uint8_t* row = s.Row(y);
    switch (s.layout) {
    case PixelLayout::Indexed1:
        if (matcher == nullptr) return false;
        for (int i = 0; i < count; ++i) {
            const int x = x0 + i;
            const std::uint8_t bit = std::uint8_t(0x80 >> (x & 7));
            if (matcher->Nearest(in[i]) & 1)
                row[x >> 3] |= bit;
            else
                row[x >> 3] &= std::uint8_t(~bit);
        }
        return true;
    case PixelLayout::Indexed4:
        if (matcher == nullptr) return false;
        for (int i = 0; i < count; ++i) {
            const int x = x0 + i;
            const unsigned index = unsigned(matcher->Nearest(in[i])) & 0xF;
            std::uint8_t& b = row[x >> 1];
            b = (x & 1) ? std::uint8_t((b & 0xF0) | index) : std::uint8_t((b & 0x0F) | index << 4);
        }
        return true;
    case PixelLayout::Indexed8:
        if (matcher == nullptr) return false;
        for (int i = 0; i < count; ++i) row[x0 + i] = std::uint8_t(matcher->Nearest(in[i]));
        return true;
    case PixelLayout::Rgb555:
        for (int i = 0; i < count; ++i)
            Store16(row + 2 * (x0 + i),
                    (RedOf(in[i]) >> 3) << 10 | (GreenOf(in[i]) >> 3) << 5 | BlueOf(in[i]) >> 3);
        return true;
    case PixelLayout::Rgb565:
        for (int i = 0; i < count; ++i)
            Store16(row + 2 * (x0 + i),
                    (RedOf(in[i]) >> 3) << 11 | (GreenOf(in[i]) >> 2) << 5 | BlueOf(in[i]) >> 3);
        return true;
    case PixelLayout::Argb1555:
        for (int i = 0; i < count; ++i)
            Store16(row + 2 * (x0 + i), (AlphaOf(in[i]) >= 128 ? 0x8000u : 0u) |
                                            (RedOf(in[i]) >> 3) << 10 | (GreenOf(in[i]) >> 3) << 5 |
                                            BlueOf(in[i]) >> 3);
        return true;
    case PixelLayout::Bgr24:
        for (int i = 0; i < count; ++i) {
            std::uint8_t* p = row + 3 * (x0 + i);
            p[0] = std::uint8_t(BlueOf(in[i]));
            p[1] = std::uint8_t(GreenOf(in[i]));
            p[2] = std::uint8_t(RedOf(in[i]));
        }
        return true;
    case PixelLayout::Bgrx32:
        for (int i = 0; i < count; ++i) {
            std::uint8_t* p = row + 4 * (x0 + i);
            p[0] = std::uint8_t(BlueOf(in[i]));
            p[1] = std::uint8_t(GreenOf(in[i]));
            p[2] = std::uint8_t(RedOf(in[i]));
            p[3] = s.unusedByte;
        }
        return true;
    case PixelLayout::Bgra32:
        std::memcpy(row + 4 * std::size_t(x0), in, 4 * std::size_t(count));
        return true;
    case PixelLayout::Pbgra32:
        for (int i = 0; i < count; ++i) {
            std::uint8_t* p = row + 4 * (x0 + i);
            const unsigned a = AlphaOf(in[i]);
            p[0] = std::uint8_t((BlueOf(in[i]) * a + 127) / 255);
            p[1] = std::uint8_t((GreenOf(in[i]) * a + 127) / 255);
            p[2] = std::uint8_t((RedOf(in[i]) * a + 127) / 255);
            p[3] = std::uint8_t(a);
        }
        return true;
    default:
        return false;
    }
}

} // namespace softgdi
