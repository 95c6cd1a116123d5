// Fixtures of the GDI and GDI+ tests: DIB sections selected into memory DCs,
// and 32-bit GDI+ bitmaps over memory the test owns. kSoftGdi is set when the
// tests run against our software GDI: the values only it promises (exact
// filter results, colours of transparent pixels, failure results) are
// asserted under it, what the real GDI and ours share everywhere.
#pragma once

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "RZ/platform/WindowsImaging.h"
#include "support/Dibs.h"

namespace rztest {

#if defined(_WIN32)
inline constexpr bool kSoftGdi = false;
#else
inline constexpr bool kSoftGdi = true;
#endif

// Pixel x of a DIB row: a colour index, or the 16, 24 or 32 stored bits.
inline std::uint32_t RawPixel(const unsigned char* row, int bits, int x) {
    if (bits < 8) return row[x * bits / 8] >> (8 - bits - x * bits % 8) & ((1u << bits) - 1);
    std::uint32_t value = 0;
    std::memcpy(&value, row + x * bits / 8, std::size_t(bits / 8)); // DIBs are little-endian
    return value;
}

// A BITMAPINFO with a full table of distinct, irregular colours, or with the
// channel masks of a BI_BITFIELDS DIB; height < 0 is top-down.
struct DibInfo {
    DibInfo(int width, int height, int bits, const std::uint32_t* bitfields = nullptr)
        : header(DibHeader(width, height, bits, bitfields != nullptr ? BI_BITFIELDS : BI_RGB)) {
        header.biXPelsPerMeter = 2835;
        for (int i = 0; i < 256; ++i)
            colours[i] = {BYTE(i * 37 + 11), BYTE(255 - i), BYTE(i * 5), 0};
        const std::uint32_t defaults[2][3] = {{0xFF0000, 0xFF00, 0xFF}, {0x7C00, 0x3E0, 0x1F}};
        std::memcpy(masks, bitfields != nullptr ? bitfields : defaults[bits == 16], sizeof masks);
        if (bitfields != nullptr) std::memcpy(colours, masks, sizeof masks);
    }
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
    // 0xRRGGBB of a stored value, fields widened to 8 bits by repeating their top bits.
    std::uint32_t Colour(std::uint32_t raw) const {
        std::uint32_t colour = 0;
        if (header.biBitCount <= 8) std::memcpy(&colour, &colours[raw], 3);
        for (std::uint32_t mask : masks) {
            const std::uint32_t v = (raw & mask) >> std::countr_zero(mask);
            const int length = std::popcount(mask);
            if (header.biBitCount > 8)
                colour = colour << 8 | v << (8 - length) | v >> (2 * length - 8);
        }
        return colour;
    }
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
    std::uint32_t masks[3];
};

// A DIB section selected into a memory DC of its own; rows counted from the top.
struct Section {
    Section(int width, int height, int bits, const std::uint32_t* bitfields = nullptr)
        : info(width, height, bits, bitfields), height(std::abs(height)), bitCount(bits),
          stride(DibRowBytes(width, bits)) {
        void* memory = nullptr;
        bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &memory, nullptr, 0);
        pixels = static_cast<unsigned char*>(memory);
        previous = SelectObject(dc, bitmap);
    }
    ~Section() { DeleteObject(SelectObject(dc, previous)), DeleteDC(dc); }
    unsigned char* Row(int y) const {
        return pixels + std::size_t(info.header.biHeight < 0 ? y : height - 1 - y) * stride;
    }
    std::uint32_t Raw(int x, int y) const { return RawPixel(Row(y), bitCount, x); }
    std::uint32_t Colour(int x, int y) const { return info.Colour(Raw(x, y)); }
    void Randomise(unsigned seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < stride * height; ++i) pixels[i] = static_cast<unsigned char>(random());
    }

    DibInfo info;
    int height, bitCount, stride;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    unsigned char* pixels = nullptr;
};

// A 32bppARGB GDI+ bitmap over memory the test owns, pixels as 0xAARRGGBB.
struct ArgbBitmap {
    ArgbBitmap(int w, int h, std::uint32_t fill = 0)
        : width(w), pixels(std::size_t(w) * h, fill),
          bitmap(w, h, w * 4, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(pixels.data())) {}
    std::uint32_t& At(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    int width;
    std::vector<std::uint32_t> pixels;
    Gdiplus::Bitmap bitmap;
};

// How the library draws: interpolation, compositing, a world transform (m11
// m12 m21 m22 dx dy), edges mirrored, and a colour matrix if any.
struct DrawSettings {
    Gdiplus::InterpolationMode interpolation = Gdiplus::InterpolationModeHighQualityBicubic;
    Gdiplus::CompositingMode compositing = Gdiplus::CompositingModeSourceCopy;
    Gdiplus::REAL m[6] = {1, 0, 0, 1, 0, 0};
    Gdiplus::WrapMode wrap = Gdiplus::WrapModeTileFlipXY;
    const Gdiplus::ColorMatrix* colours = nullptr;
};

// Draws all of `source` into `where`.
inline Gdiplus::Status Draw(Gdiplus::Graphics& target, Gdiplus::Image& source,
                            const Gdiplus::Rect& where, const DrawSettings& s = {}) {
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(s.wrap);
    if (s.colours != nullptr) attributes.SetColorMatrix(s.colours);
    const Gdiplus::Matrix matrix(s.m[0], s.m[1], s.m[2], s.m[3], s.m[4], s.m[5]);
    target.SetTransform(&matrix);
    target.SetInterpolationMode(s.interpolation);
    target.SetCompositingMode(s.compositing);
    return target.DrawImage(&source, where, 0, 0, INT(source.GetWidth()), INT(source.GetHeight()),
                            Gdiplus::UnitPixel, &attributes);
}
inline Gdiplus::Status Draw(ArgbBitmap& target, Gdiplus::Image& source, const Gdiplus::Rect& where,
                            const DrawSettings& s = {}) {
    Gdiplus::Graphics graphics(&target.bitmap);
    return Draw(graphics, source, where, s);
}

} // namespace rztest
