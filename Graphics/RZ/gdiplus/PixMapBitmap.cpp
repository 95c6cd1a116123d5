// Pixel maps as GDI+ bitmaps over their own memory, and the exported
// PixMapToGdiPlusImage.
#include "PixMapBitmap.h"

#include <cstddef>
#include <cstdint>

#include "GdiPlusObjects.h"
#include "RZ/pixmap/PixMapRecord.h"

namespace rz::gdiplus {
namespace {

// A bitmap that may own the pixel map under it. Clone is inherited: a clone
// owns no pixel map.
class PixMapBitmap final : public Gdiplus::Bitmap {
public:
    PixMapBitmap(INT width, INT height, INT stride, Gdiplus::PixelFormat format, BYTE* scan0,
                 KWPixMap** owned)
        : Gdiplus::Bitmap(width, height, stride, format, scan0), owned_(owned) {}
    ~PixMapBitmap() override {
        if (owned_ != nullptr) RZDeleteKWPixMap(owned_);
    }

private:
    KWPixMap** owned_;
};

// A ColorPalette with room for 256 entries.
struct Palette256 {
    UINT Flags;
    UINT Count;
    Gdiplus::ARGB Entries[256];
};
static_assert(offsetof(Palette256, Entries) == offsetof(Gdiplus::ColorPalette, Entries),
              "Palette256 is laid out as a ColorPalette");

// Opaque black and white for 1-bit maps; opaque greys 0 to 255 for grey maps.
void SetGreyPalette(Gdiplus::Bitmap* bitmap, int pixelType) {
    Palette256 palette;
    palette.Flags = Gdiplus::PaletteFlagsHasAlpha | Gdiplus::PaletteFlagsGrayScale;
    if (pixelType == PixelTypeBlackWhite) {
        palette.Count = 2;
        palette.Entries[0] = 0xFF000000u;
        palette.Entries[1] = 0xFFFFFFFFu;
    } else {
        palette.Count = 256;
        for (std::uint32_t i = 0; i < 256; ++i) palette.Entries[i] = 0xFF000000u + i * 0x010101u;
    }
    // A failure stays in the bitmap's last status; the bitmap is usable.
    bitmap->SetPalette(reinterpret_cast<const Gdiplus::ColorPalette*>(&palette));
}

} // namespace

Gdiplus::Bitmap* NewBitmapFromKWPixMap(KWPixMap** pixMap, const KWRect& rect, bool* wholeMap,
                                       bool takeOwnership) {
    KWPixMap** owned = takeOwnership ? pixMap : nullptr;
    auto refuse = [owned]() -> Gdiplus::Bitmap* {
        if (owned != nullptr) RZDeleteKWPixMap(owned);
        return nullptr;
    };
    const int type = RZGetKWPixMapPixelType(pixMap);
    if (type < 0 || type > 3) return refuse();

    Gdiplus::PixelFormat format = PixelFormat32bppARGB;
    std::size_t leftOffset = std::size_t(rect.left) * 4;
    if (type == PixelTypeBlackWhite) {
        format = PixelFormat1bppIndexed;
        leftOffset = std::size_t(rect.left) / 8;
    } else if (type == PixelTypeGrey) {
        format = PixelFormat8bppIndexed;
        leftOffset = std::size_t(rect.left);
    }
    const bool whole = type == PixelTypeBlackWhite && (rect.left & 7) != 0;
    if (wholeMap != nullptr) *wholeMap = whole;

    KWPixMap* record = *pixMap;
    unsigned char* first = BaseOf(record);
    INT width = INT(record->width), height = INT(record->height);
    if (!whole) {
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
        first += std::size_t(rect.top) * record->bytesPerRow + leftOffset;
    }
    void* memory = Gdiplus::DllExports::GdipAlloc(sizeof(PixMapBitmap));
    if (memory == nullptr) return refuse();
    auto* bitmap =
        ::new (memory) PixMapBitmap(width, height, INT(record->bytesPerRow), format, first, owned);
    if (bitmap->GetLastStatus() != Gdiplus::Ok) {
        delete bitmap; // and the owned map with it
        return nullptr;
    }
    if (type == PixelTypeBlackWhite || type == PixelTypeGrey) SetGreyPalette(bitmap, type);
    return bitmap;
}

} // namespace rz::gdiplus

extern "C" Gdiplus::Bitmap* PixMapToGdiPlusImage(KWPixMap** pixMap) {
    const unsigned int width = RZGetKWPixMapWidth(pixMap);
    const unsigned int height = RZGetKWPixMapHeight(pixMap);
    const int type = RZGetKWPixMapPixelType(pixMap);
    KWPixMap** copy = nullptr;
    if (RZCopyKWPixMap(&copy, pixMap) != 0) return nullptr;
    if (type == PixelTypeARGB && width > 0) {
        // Type 0 is reordered into GDI+'s byte order; type 1 already is in it.
        for (unsigned int y = 0; y < height; ++y)
            rz::gdiplus::ReversePixelBytes(rz::RowOf(*copy, y), width);
    }
    bool whole = false;
    return rz::gdiplus::NewBitmapFromKWPixMap(
        copy, KWRect{0, 0, std::int32_t(height), std::int32_t(width)}, &whole, true);
}
