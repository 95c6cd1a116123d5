// Helpers of the software GDI tests: DIB sections of any depth in memory DCs.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "SoftGDI/WinGDI.h"
#include "SoftGDI/WinUser.h"

namespace softgditest {

// A BITMAPINFO with room for a 256-entry colour table or bit masks.
struct Info {
    BITMAPINFOHEADER header{};
    RGBQUAD colours[256]{};
    BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

inline Info MakeInfo(int width, int height, int bits, bool topDown) {
    Info info;
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = topDown ? -height : height;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bits);
    info.header.biCompression = BI_RGB;
    // A colour table with distinct, irregular colours.
    for (int i = 0; i < 256; ++i)
        info.colours[i] = RGBQUAD{BYTE(i * 37 + 11), BYTE(255 - i), BYTE(i * 5), 0};
    return info;
}

inline int RowBytes(int width, int bits) {
    return (width * bits + 31) / 32 * 4;
}

// A memory DC with a DIB section selected; everything released on destruction.
struct SectionDC {
    SectionDC(int width, int height, int bits, bool topDown = true)
        : info(MakeInfo(width, height, bits, topDown)) {
        dc = CreateCompatibleDC(nullptr);
        void* memory = nullptr;
        bitmap = CreateDIBSection(dc, info.get(), DIB_RGB_COLORS, &memory, nullptr, 0);
        bytes = static_cast<std::uint8_t*>(memory);
        previous = SelectObject(dc, bitmap);
        stride = RowBytes(width, bits);
        this->height = height;
    }
    ~SectionDC() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void FillRandom(unsigned seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < stride * height; ++i) bytes[i] = std::uint8_t(random());
    }
    // Start of row y counted from the top.
    std::uint8_t* Row(int y) const {
        const bool topDown = info.header.biHeight < 0;
        return bytes + std::size_t(topDown ? y : height - 1 - y) * std::size_t(stride);
    }

    Info info;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    std::uint8_t* bytes = nullptr;
    int stride = 0;
    int height = 0;
};

} // namespace softgditest
