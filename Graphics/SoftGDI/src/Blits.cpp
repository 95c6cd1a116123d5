// BitBlt between device contexts and StretchDIBits from caller memory.
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "DibFormat.h"
#include "GdiState.h"
#include "PixelCodec.h"
#include "PixelCopy.h"

using namespace softgdi;

extern "C" BOOL WINAPI BitBlt(HDC target, int x, int y, int width, int height, HDC source,
                              int sourceX, int sourceY, DWORD rop) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    BitmapObject* to = state.SelectedBitmap(target);
    BitmapObject* from = state.SelectedBitmap(source);
    if (to == nullptr || from == nullptr || rop != SRCCOPY || width < 0 || height < 0) return FALSE;
    // Clip the pair of rectangles to both bitmaps, in 64 bits against overflow.
    std::int64_t left = 0, top = 0, right = width, bottom = height;
    left = std::max({left, -std::int64_t(x), -std::int64_t(sourceX)});
    top = std::max({top, -std::int64_t(y), -std::int64_t(sourceY)});
    right = std::min(
        {right, std::int64_t(to->surface.width) - x, std::int64_t(from->surface.width) - sourceX});
    bottom = std::min({bottom, std::int64_t(to->surface.height) - y,
                       std::int64_t(from->surface.height) - sourceY});
    if (left >= right || top >= bottom) return TRUE;
    return CopyPixels(from->surface, int(sourceX + left), int(sourceY + top), to->surface,
                      int(x + left), int(y + top), int(right - left), int(bottom - top))
               ? TRUE
               : FALSE;
}

namespace {

// The source index under the centre of target pixel k of count:
// (2k + 1) * sourceCount / (2 * count), mirrored when flip is set.
inline std::int64_t NearestIndex(std::int64_t k, std::int64_t count, std::int64_t sourceCount,
                                 bool flip) {
    if (flip) k = count - 1 - k;
    // 128 bits: the product of two 32-bit extents can pass 63 bits.
    return std::int64_t(__int128(2 * k + 1) * sourceCount / (2 * count));
}

} // namespace

// Every stretch mode deletes the eliminated rows and columns (COLORONCOLOR):
// with colour sources the AND and OR combinations would only darken or
// lighten what the library draws.
extern "C" int WINAPI StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX,
                                    int sourceY, int sourceWidth, int sourceHeight,
                                    const void* bits, const BITMAPINFO* info, UINT usage,
                                    DWORD rop) {
    DibFormat format;
    if (bits == nullptr || rop != SRCCOPY || !ReadDibFormat(info, usage, true, &format)) return 0;
    if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0) return 0;
    if (width == INT32_MIN || height == INT32_MIN || sourceWidth == INT32_MIN ||
        sourceHeight == INT32_MIN)
        return 0;
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    BitmapObject* to = state.SelectedBitmap(dc);
    if (to == nullptr || !IsWritable(to->surface.layout)) return 0;
    const Surface source = DibSurface(format, const_cast<void*>(bits));

    // Negative extents mirror.
    bool flipX = false, flipY = false;
    std::int64_t tx = x, ty = y, tw = width, th = height;
    std::int64_t sx = sourceX, sy = sourceY, sw = sourceWidth, sh = sourceHeight;
    if (tw < 0) tx += tw + 1, tw = -tw, flipX = !flipX;
    if (th < 0) ty += th + 1, th = -th, flipY = !flipY;
    if (sw < 0) sx += sw + 1, sw = -sw, flipX = !flipX;
    if (sh < 0) sy += sh + 1, sh = -sh, flipY = !flipY;
    if (tw > 0x7FFFFFFF || th > 0x7FFFFFFF) return 0;
    // A bottom-up DIB counts source rows from its bottom edge.
    const std::int64_t sourceTop = format.topDown ? sy : format.height - sy - sh;

    const std::int64_t x0 = std::max<std::int64_t>(tx, 0);
    const std::int64_t x1 = std::min<std::int64_t>(tx + tw, to->surface.width);
    const std::int64_t y0 = std::max<std::int64_t>(ty, 0);
    const std::int64_t y1 = std::min<std::int64_t>(ty + th, to->surface.height);
    if (x0 >= x1 || y0 >= y1) return int(sh);

    // The source column under each target column, worked out once: -1 where
    // it lies outside the DIB (those target pixels are left alone).
    std::vector<int> columns;
    try {
        columns.resize(std::size_t(x1 - x0));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    bool allInside = true;
    for (std::int64_t rx = x0; rx < x1; ++rx) {
        const std::int64_t srcX = sx + NearestIndex(rx - tx, tw, sw, flipX);
        const bool inside = srcX >= 0 && srcX < format.width;
        columns[std::size_t(rx - x0)] = inside ? int(srcX) : -1;
        allInside = allInside && inside;
    }
    std::unique_ptr<PaletteMatcher> matcher;
    if (IsIndexed(to->surface.layout)) {
        matcher.reset(new (std::nothrow)
                          PaletteMatcher(to->surface.palette, to->surface.paletteSize));
        if (!matcher) return 0;
    }
    // 8-bit onto 8-bit: each source index maps to one target index, so rows
    // are translated through a table without colours in between.
    if (source.layout == PixelLayout::Indexed8 && to->surface.layout == PixelLayout::Indexed8 &&
        allInside) {
        std::uint8_t table[256];
        for (int i = 0; i < 256; ++i)
            table[i] =
                std::uint8_t(matcher->Nearest(i < source.paletteSize ? source.palette[i] : 0));
        for (std::int64_t ry = y0; ry < y1; ++ry) {
            const std::int64_t srcY = sourceTop + NearestIndex(ry - ty, th, sh, flipY);
            if (srcY < 0 || srcY >= format.height) continue;
            const std::uint8_t* in = source.Row(int(srcY));
            std::uint8_t* out = to->surface.Row(int(ry)) + x0;
            for (std::size_t i = 0; i < columns.size(); ++i) out[i] = table[in[columns[i]]];
        }
        return int(sh);
    }

    std::unique_ptr<Argb[]> sourceRow(new (std::nothrow) Argb[std::size_t(format.width)]);
    std::unique_ptr<Argb[]> targetRow(new (std::nothrow) Argb[std::size_t(x1 - x0)]);
    if (!sourceRow || !targetRow) return 0;
    std::int64_t decodedRow = -1;
    for (std::int64_t ry = y0; ry < y1; ++ry) {
        const std::int64_t srcY = sourceTop + NearestIndex(ry - ty, th, sh, flipY);
        if (srcY < 0 || srcY >= format.height) continue; // outside the DIB: left alone
        if (srcY != decodedRow) {
            DecodeRow(source, int(srcY), 0, format.width, sourceRow.get());
            decodedRow = srcY;
        }
        // Target pixels whose source column lies outside the DIB keep their colour.
        if (!allInside) DecodeRow(to->surface, int(ry), int(x0), int(x1 - x0), targetRow.get());
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i] >= 0) targetRow[i] = sourceRow[std::size_t(columns[i])];
        EncodeRow(to->surface, int(ry), int(x0), int(x1 - x0), targetRow.get(), matcher.get());
    }
    return int(sh);
}
