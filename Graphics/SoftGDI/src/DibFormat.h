// Reading the format of a device-independent bitmap from its BITMAPINFO.
#pragma once

#include <vector>

#include "SoftGDI/WinGDI.h"
#include "Surface.h"

namespace softgdi {

struct DibFormat {
    PixelLayout layout = PixelLayout::Bgrx32;
    int bitCount = 0;
    int width = 0;
    int height = 0; // rows, positive
    bool topDown = false;
    std::int64_t rowBytes = 0; // DWORD-aligned
    std::int64_t imageBytes = 0;
    std::vector<Argb> colours; // the colour table, alpha byte as stored (ignored)
    DWORD masks[3] = {0, 0, 0};
};

// Checks and reads the header: biSize at least 40, positive width, non-zero
// height, one plane, 1, 4, 8, 16, 24 or 32 bits; BI_RGB, or BI_BITFIELDS with
// 5-5-5 or 5-6-5 masks at 16 bits and 8-8-8 masks at 32 bits; DIB_RGB_COLORS.
// withColours reads the colour table (1 << bits entries, fewer when biClrUsed
// says so). False for anything else or when the sizes overflow.
bool ReadDibFormat(const BITMAPINFO* info, UINT usage, bool withColours, DibFormat* format);

// A surface over caller memory in that format.
Surface DibSurface(const DibFormat& format, void* bits);

} // namespace softgdi
