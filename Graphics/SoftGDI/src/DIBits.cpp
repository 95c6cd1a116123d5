// GetDIBits: a bitmap's format, or its rows at a requested bit count.
#include <cstring>
#include <new>

#include "DibFormat.h"
#include "GdiState.h"
#include "PixelCopy.h"

using namespace softgdi;

namespace {

// The colour table a copy at bitCount bits gets: the bitmap's own when it
// fits, else the default one; padded with black to 1 << bitCount entries.
std::vector<Argb> TableFor(const BitmapObject& bitmap, int bitCount) {
    std::vector<Argb> table;
    const std::size_t size = std::size_t(1) << bitCount;
    if (IsIndexed(bitmap.surface.layout) && bitmap.colourTable.size() <= size)
        table = bitmap.colourTable;
    else
        table = DefaultColourTable(bitCount);
    table.resize(size, 0);
    for (Argb& c : table) c &= 0xFFFFFF;
    return table;
}

void FillHeader(const BitmapObject& bitmap, BITMAPINFOHEADER* h) {
    h->biWidth = bitmap.surface.width;
    h->biHeight = bitmap.surface.height;
    h->biPlanes = 1;
    h->biBitCount = WORD(bitmap.bitCount);
    h->biCompression = BI_RGB;
    h->biSizeImage =
        DWORD(PaddedRowBytes(bitmap.surface.width, bitmap.bitCount) * bitmap.surface.height);
    h->biXPelsPerMeter = bitmap.dibSection ? bitmap.dibHeader.biXPelsPerMeter : 0;
    h->biYPelsPerMeter = bitmap.dibSection ? bitmap.dibHeader.biYPelsPerMeter : 0;
    h->biClrUsed = 0;
    h->biClrImportant = 0;
}

} // namespace

extern "C" int WINAPI GetDIBits(HDC dc, HBITMAP bitmapHandle, UINT start, UINT lines, LPVOID bits,
                                BITMAPINFO* info, UINT usage) {
    if (info == nullptr || usage != DIB_RGB_COLORS ||
        info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    BitmapObject* bitmap = state.FindBitmap(HandleValue(bitmapHandle));
    if (state.FindDC(dc) == nullptr || bitmap == nullptr) return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    const int height = bitmap->surface.height;

    if (bits == nullptr && h.biBitCount == 0) {
        FillHeader(*bitmap, &h);
        return height;
    }

    // The requested format: the header as given, at the bitmap's size.
    const LONG requestedHeight = h.biHeight;
    h.biWidth = bitmap->surface.width;
    h.biHeight = requestedHeight < 0 ? -height : height;
    h.biPlanes = 1;
    DibFormat format;
    if (!ReadDibFormat(info, usage, false, &format)) return 0;
    std::vector<Argb> table;
    try {
        if (format.bitCount <= 8) table = TableFor(*bitmap, format.bitCount);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    h.biSizeImage = DWORD(format.imageBytes);
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    if (!table.empty())
        std::memcpy(reinterpret_cast<std::uint8_t*>(info) + h.biSize, table.data(),
                    table.size() * sizeof(Argb));
    if (bits == nullptr) return height;

    format.colours = std::move(table);
    const Surface target = DibSurface(format, bits);
    // Scan lines count in storage order: from the bottom for bottom-up DIBs.
    int copied = 0;
    for (std::int64_t line = start; line < std::int64_t(start) + lines && line < height; ++line) {
        const int row = format.topDown ? int(line) : height - 1 - int(line);
        // The caller's buffer holds the lines from start on.
        Surface line1 = target;
        line1.height = 1;
        line1.top = static_cast<std::uint8_t*>(bits) +
                    std::ptrdiff_t(line - start) * std::ptrdiff_t(format.rowBytes);
        if (!CopyPixels(bitmap->surface, 0, row, line1, 0, 0, bitmap->surface.width, 1)) return 0;
        ++copied;
    }
    return copied;
}
