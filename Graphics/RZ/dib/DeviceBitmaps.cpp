// Device-dependent bitmaps (or a rectangle of what a device context shows)
// read into packed DIBs through GetDIBits, in the bitmap's own format
// rounded up to a standard DIB bit count, and from there into pixel maps.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "RZ/KWPixMap"
#include "RZ/platform/GdiResources.h"
#include "RZ/platform/PointerBlock.h"

namespace {

using rz::platform::GdiObject;
using rz::platform::PointerBlock;

// 1, 4, 8, 16, 24 or 32: the standard bit count at or above bits.
int StandardBitCount(int bits) {
    return bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : bits <= 16 ? 16 : bits <= 24 ? 24 : 32;
}

// A copy of the rectangle of what dc shows, in a bitmap of its own selected
// nowhere; null when it cannot be made.
HBITMAP CopyRectangle(HDC dc, const KWRect& rect) {
    const auto width = static_cast<int>(std::int64_t{rect.right} - rect.left);
    const auto height = static_cast<int>(std::int64_t{rect.bottom} - rect.top);
    const rz::platform::MemoryDC memory(dc);
    GdiObject<HBITMAP> copy(CreateCompatibleBitmap(dc, width, height));
    if (memory.Get() == nullptr || copy.Get() == nullptr) return nullptr;
    BOOL copied = FALSE;
    {
        const rz::platform::Selection selection(memory.Get(), copy.Get());
        copied = selection.Succeeded() &&
                 BitBlt(memory.Get(), 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
    }
    return copied ? copy.Release() : nullptr;
}

// Row bytes times rows of a DIB of this header, or -1 when that does not fit
// a 32-bit size. Top-down DIBs (negative heights) count their rows too.
std::int64_t ImageSize(const BITMAPINFOHEADER& header) {
    const std::int64_t size = (std::int64_t{header.biBitCount} * header.biWidth + 31) / 32 *
                              std::llabs(header.biHeight) * 4;
    return size >= 0 && size <= INT32_MAX ? size : -1;
}

// The header GetDIBits reports for source, normalised to a standard bit
// count with the image size that goes with it; false when GDI cannot say.
bool QueryFormat(HDC dc, HBITMAP source, BITMAPINFOHEADER* header) {
    std::memset(header, 0, sizeof *header);
    header->biSize = sizeof(BITMAPINFOHEADER);
    if (GetDIBits(dc, source, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(header),
                  DIB_RGB_COLORS) == 0)
        return false;
    const int reported = header->biBitCount;
    header->biPlanes = 1;
    header->biCompression = BI_RGB;
    header->biClrUsed = 0;
    header->biBitCount = static_cast<WORD>(StandardBitCount(reported));
    const std::int64_t size = ImageSize(*header);
    if (size < 0) return false;
    // GDI's own size stands unless the bit count changed or it gave none.
    if (header->biBitCount != reported || header->biSizeImage == 0)
        header->biSizeImage = static_cast<DWORD>(size);
    return true;
}

// From the format query on: the block, the rows. The block is the caller's
// on success.
short ReadBitmap(HDC dc, HBITMAP source, char** dib, unsigned int* dibSize) {
    BITMAPINFOHEADER header;
    if (!QueryFormat(dc, source, &header)) return RZErrFailed;
    const int table = header.biBitCount <= 8 ? 4 << header.biBitCount : 0;
    const std::int64_t total = std::int64_t{header.biSizeImage} + 40 + table;
    // Room for the rows GetDIBits writes, even if GDI's size said less.
    const std::int64_t room = std::max(total, ImageSize(header) + 40 + table);
    if (room > INT32_MAX) return RZErrFailed;
    PointerBlock block = PointerBlock::Allocate(static_cast<int>(room), kBMFlagZeroFill);
    if (!block) return BMError();
    std::memcpy(block.Get(), &header, sizeof header);
    const auto lines = static_cast<UINT>(std::llabs(header.biHeight));
    if (GetDIBits(dc, source, 0, lines, block.Get() + 40 + table, block.As<BITMAPINFO>(),
                  DIB_RGB_COLORS) == 0)
        return RZErrFailed;
    *dib = block.Release();
    *dibSize = static_cast<unsigned int>(total);
    return 0;
}

} // namespace

extern "C" short RZDDB2DIB(HDC dc, HBITMAP bitmap, char** dib, unsigned int* dibSize,
                           const KWRect* sourceRect) {
    const auto current = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
    HBITMAP source = bitmap != nullptr ? bitmap : current;
    if (dc == nullptr || source == nullptr || dib == nullptr || dibSize == nullptr)
        return RZErrFailed;
    *dib = nullptr;
    bool selected = source == current;

    // A failed copy is no failure: the whole bitmap is read instead.
    GdiObject<HBITMAP> copy(sourceRect != nullptr ? CopyRectangle(dc, *sourceRect) : nullptr);
    if (copy.Get() != nullptr) {
        source = copy.Get();
        selected = false;
    }
    // GetDIBits must not read a bitmap selected into a DC: a placeholder
    // takes its place in dc while it is read, and gives it back after.
    GdiObject<HBITMAP> placeholder;
    std::optional<rz::platform::Selection> takenOut;
    if (selected) {
        placeholder = GdiObject<HBITMAP>(CreateCompatibleBitmap(dc, 0, 0));
        takenOut.emplace(dc, placeholder.Get());
        if (!takenOut->Succeeded()) return RZErrFailed;
    }
    const short result = ReadBitmap(dc, source, dib, dibSize);
    if (result != 0) *dibSize = 0;
    return result;
}

extern "C" short RZDDB2KWPixMap(HDC dc, HBITMAP bitmap, KWPixMap*** pixMap,
                                const KWRect* sourceRect) {
    if (pixMap == nullptr) return RZErrFailed;
    PointerBlock dib;
    unsigned int size = 0;
    const short result = RZDDB2DIB(dc, bitmap, dib.Out(), &size, sourceRect);
    if (result != 0) return result;
    return RZDIB2KWPixMap(dib.Get(), size, pixMap);
}
