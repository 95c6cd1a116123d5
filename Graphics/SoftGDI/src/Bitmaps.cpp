// Making, describing and deleting bitmaps and palettes.
#include <cstring>
#include <new>

#include "DibFormat.h"
#include "GdiState.h"

using namespace softgdi;

namespace {

PixelLayout LayoutForBitCount(int bitCount) {
    switch (bitCount) {
    case 1:
        return PixelLayout::Indexed1;
    case 2: // device bitmaps of 2 bits are held as 4-bit indices
    case 4:
        return PixelLayout::Indexed4;
    case 8:
        return PixelLayout::Indexed8;
    case 15:
    case 16:
        return PixelLayout::Rgb555;
    case 24:
        return PixelLayout::Bgr24;
    default:
        return PixelLayout::Bgrx32;
    }
}

BITMAP DescribeBitmap(const BitmapObject& b) {
    BITMAP bm{};
    bm.bmType = 0;
    bm.bmWidth = b.surface.width;
    bm.bmHeight = b.surface.height;
    bm.bmWidthBytes = LONG(b.surface.pitch < 0 ? -b.surface.pitch : b.surface.pitch);
    bm.bmPlanes = 1;
    bm.bmBitsPixel = WORD(b.bitCount);
    bm.bmBits = b.dibSection ? b.bits.get() : nullptr;
    return bm;
}

} // namespace

extern "C" HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    BitmapObject* model = state.SelectedBitmap(dc);
    if (model == nullptr || width < 0 || height < 0) return nullptr;
    // As published: an empty request gives the 1 x 1 monochrome stock bitmap.
    if (width == 0 || height == 0) return MakeHandle<HBITMAP>(state.StockBitmap());
    std::vector<Argb> table;
    try {
        table = model->colourTable;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    PixelLayout layout = model->surface.layout;
    if (layout == PixelLayout::Bgra32 || layout == PixelLayout::Pbgra32)
        layout = PixelLayout::Bgrx32;
    auto bitmap = NewBitmap(layout, model->bitCount, width, height, false, std::move(table));
    return MakeHandle<HBITMAP>(state.Add(std::move(bitmap)));
}

extern "C" HBITMAP WINAPI CreateBitmap(int width, int height, UINT planes, UINT bitCount,
                                       const void* bits) {
    if (planes != 1 || width <= 0 || height <= 0) return nullptr;
    // Besides the DIB depths, 2 and 15 bits, as some display drivers report.
    if (bitCount != 1 && bitCount != 2 && bitCount != 4 && bitCount != 8 && bitCount != 15 &&
        bitCount != 16 && bitCount != 24 && bitCount != 32)
        return nullptr;
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    std::vector<Argb> table;
    try {
        table = DefaultColourTable(int(bitCount));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // Device bitmaps take their rows top-down, 16-bit aligned as published.
    auto bitmap = NewBitmap(LayoutForBitCount(int(bitCount)), int(bitCount), width, height, true,
                            std::move(table));
    if (!bitmap) return nullptr;
    if (bits != nullptr) {
        const int stored = bitCount == 15 ? 16 : int(bitCount);
        const std::size_t wordRow = (std::size_t(width) * stored + 15) / 16 * 2;
        const auto* source = static_cast<const std::uint8_t*>(bits);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* from = source + wordRow * std::size_t(y);
            std::uint8_t* to = bitmap->surface.Row(y);
            if (bitCount != 2) {
                std::memcpy(to, from, (std::size_t(width) * stored + 7) / 8);
                continue;
            }
            for (int x = 0; x < width; ++x) {
                const unsigned index = (from[x / 4] >> (6 - 2 * (x % 4))) & 3;
                to[x / 2] = std::uint8_t(x % 2 ? (to[x / 2] & 0xF0) | index : index << 4);
            }
        }
    }
    return MakeHandle<HBITMAP>(state.Add(std::move(bitmap)));
}

extern "C" HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                           HANDLE section, DWORD offset) {
    if (bits != nullptr) *bits = nullptr;
    (void)offset;
    DibFormat format;
    if (section != nullptr || !ReadDibFormat(info, usage, true, &format)) return nullptr;
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    if (dc != nullptr && state.FindDC(dc) == nullptr) return nullptr;
    auto bitmap = NewBitmap(format.layout, format.bitCount, format.width, format.height,
                            format.topDown, std::move(format.colours));
    if (!bitmap) return nullptr;
    bitmap->dibSection = true;
    bitmap->dibHeader = info->bmiHeader;
    bitmap->dibHeader.biSize = sizeof(BITMAPINFOHEADER);
    bitmap->dibHeader.biSizeImage = DWORD(format.imageBytes);
    std::memcpy(bitmap->masks, format.masks, sizeof bitmap->masks);
    void* memory = bitmap->bits.get();
    const std::uintptr_t handle = state.Add(std::move(bitmap));
    if (handle != 0 && bits != nullptr) *bits = memory;
    return MakeHandle<HBITMAP>(handle);
}

extern "C" BOOL WINAPI DeleteObject(HGDIOBJ object) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    const std::uintptr_t handle = HandleValue(object);
    if (BitmapObject* bitmap = state.FindBitmap(handle)) {
        if (bitmap->permanent) return TRUE; // stock objects survive deletion
        if (bitmap->selectedInto != 0) return FALSE;
        state.Remove(handle);
        return TRUE;
    }
    if (state.Find(handle, ObjectKind::Palette) != nullptr) {
        state.Remove(handle);
        return TRUE;
    }
    return FALSE;
}

extern "C" DWORD WINAPI GetObjectType(HGDIOBJ object) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    const std::uintptr_t handle = HandleValue(object);
    if (state.FindBitmap(handle) != nullptr) return OBJ_BITMAP;
    if (state.Find(handle, ObjectKind::Palette) != nullptr) return OBJ_PAL;
    if (auto* dc = static_cast<DeviceContextObject*>(state.Find(handle, ObjectKind::DeviceContext)))
        return dc->screen ? OBJ_DC : OBJ_MEMDC;
    return 0;
}

extern "C" int WINAPI GetObjectW(HANDLE object, int size, LPVOID buffer) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    const std::uintptr_t handle = HandleValue(object);
    if (BitmapObject* bitmap = state.FindBitmap(handle)) {
        const bool full = bitmap->dibSection && size >= int(sizeof(DIBSECTION));
        if (buffer == nullptr) return bitmap->dibSection ? sizeof(DIBSECTION) : sizeof(BITMAP);
        if (size < int(sizeof(BITMAP))) return 0;
        if (!full) {
            const BITMAP bm = DescribeBitmap(*bitmap);
            std::memcpy(buffer, &bm, sizeof bm);
            return sizeof(BITMAP);
        }
        DIBSECTION ds{};
        ds.dsBm = DescribeBitmap(*bitmap);
        ds.dsBmih = bitmap->dibHeader;
        std::memcpy(ds.dsBitfields, bitmap->masks, sizeof ds.dsBitfields);
        std::memcpy(buffer, &ds, sizeof ds);
        return sizeof(DIBSECTION);
    }
    if (auto* palette = static_cast<PaletteObject*>(state.Find(handle, ObjectKind::Palette))) {
        if (buffer == nullptr) return sizeof(WORD);
        if (size < int(sizeof(WORD))) return 0;
        const WORD count = WORD(palette->entries.size());
        std::memcpy(buffer, &count, sizeof count);
        return sizeof(WORD);
    }
    return 0;
}

extern "C" int WINAPI GetObjectA(HANDLE object, int size, LPVOID buffer) {
    return GetObjectW(object, size, buffer);
}

extern "C" HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette) {
    if (palette == nullptr || palette->palVersion != 0x300 || palette->palNumEntries == 0)
        return nullptr;
    std::unique_ptr<PaletteObject> object(new (std::nothrow) PaletteObject);
    if (!object) return nullptr;
    try {
        object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    return MakeHandle<HPALETTE>(state.Add(std::move(object)));
}

extern "C" UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count,
                                         LPPALETTEENTRY entries) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    auto* object =
        static_cast<PaletteObject*>(state.Find(HandleValue(palette), ObjectKind::Palette));
    if (object == nullptr) return 0;
    const UINT size = UINT(object->entries.size());
    if (entries == nullptr) return size;
    if (start >= size) return 0;
    const UINT copied = count < size - start ? count : size - start;
    std::memcpy(entries, object->entries.data() + start, copied * sizeof(PALETTEENTRY));
    return copied;
}
