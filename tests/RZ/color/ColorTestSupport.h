// Shared helpers of the colour tests: packed DIBs built in plain memory, and
// readers for converted DIBs.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"

namespace colortest {

struct Bgr {
    std::uint8_t b, g, r;
    bool operator==(const Bgr&) const = default;
};

inline int StrideOf(int width, int bits) {
    return ((width * bits + 31) >> 3) & ~3;
}

// A bottom-up packed DIB; words keep the header aligned.
struct Dib {
    std::vector<std::uint32_t> words;
    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(words.data()); }
    std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(words.data()); }
    int colours = 0;
    std::uint8_t* row(int memoryRow) {
        return bytes() + 40 + 4 * colours +
               static_cast<std::size_t>(memoryRow) *
                   StrideOf(header()->biWidth, header()->biBitCount);
    }
};

inline Dib MakeDib(int bits, int width, int height, int colours = 0) {
    Dib dib;
    dib.colours = colours;
    const std::size_t size =
        40 + 4 * colours + static_cast<std::size_t>(StrideOf(width, bits)) * height;
    dib.words.assign((size + 3) / 4 + 1, 0);
    BITMAPINFOHEADER* h = dib.header();
    h->biSize = 40;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(bits);
    h->biClrUsed = static_cast<DWORD>(colours);
    return dib;
}

// 24- or 32-bit DIB from a pixel function of (x, memory row).
inline Dib MakeTrueColourDib(int bits, int width, int height,
                             const std::function<Bgr(int, int)>& pixel) {
    Dib dib = MakeDib(bits, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgr c = pixel(x, y);
            std::uint8_t* p = dib.row(y) + (bits / 8) * x;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            if (bits == 32) p[3] = 0x5A;
        }
    return dib;
}

// Photograph-like content: smooth gradients, noise, and hard edges.
inline Bgr PhotoPixel(int x, int y, int width, int height, std::uint32_t noise) {
    const int gx = x * 255 / (width > 1 ? width - 1 : 1);
    const int gy = y * 255 / (height > 1 ? height - 1 : 1);
    int r = (gx + gy) / 2, g = 255 - gy, b = (gx * 3 + 255 - gx) / 4;
    if (((x / 37) + (y / 53)) % 5 == 0) {
        r = 255 - r;
        b = b / 2;
    }
    const int n = static_cast<int>(noise % 25) - 12;
    auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    return Bgr{clamp(b + n), clamp(g - n), clamp(r + n / 2)};
}

// A converted DIB returned by CRZConvertBitmap, released on destruction.
struct Converted {
    void* block = nullptr;
    unsigned int size = 0;
    ~Converted() {
        char* p = static_cast<char*>(block);
        BMKillPtr(&p);
    }
    const BITMAPINFOHEADER* header() const { return static_cast<const BITMAPINFOHEADER*>(block); }
    const RGBQUAD* palette() const {
        return reinterpret_cast<const RGBQUAD*>(static_cast<const char*>(block) + 40);
    }
    const std::uint8_t* row(int memoryRow) const {
        const BITMAPINFOHEADER* h = header();
        return static_cast<const std::uint8_t*>(block) + 40 + 4 * h->biClrUsed +
               static_cast<std::size_t>(memoryRow) * StrideOf(h->biWidth, h->biBitCount);
    }
    // Palette index (or, at 24 bits, the packed colour) of pixel x.
    unsigned Pixel(int x, int memoryRow) const {
        const std::uint8_t* r = row(memoryRow);
        switch (header()->biBitCount) {
        case 1:
            return (r[x / 8] >> (7 - x % 8)) & 1;
        case 4:
            return x % 2 ? r[x / 2] & 0xF : r[x / 2] >> 4;
        case 8:
            return r[x];
        default:
            return r[3 * x] | r[3 * x + 1] << 8 | r[3 * x + 2] << 16;
        }
    }
};

inline void Convert(Converted& out, int bits, Dib& source, bool dither, bool standard) {
    out.size = CRZConvertBitmap(&out.block, static_cast<short>(bits), source.header(),
                                dither ? 1 : 0, standard ? 1 : 0);
}

} // namespace colortest
