// The GDI object table: every device context, bitmap and palette handed out
// is registered here under a handle value that is never reused, so a stale,
// foreign or mistyped handle is recognised and refused instead of followed.
#pragma once

#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "SoftGDI/WinGDI.h"
#include "Surface.h"

namespace softgdi {

enum class ObjectKind : std::uint8_t { DeviceContext, Bitmap, Palette };

struct GdiObject {
    explicit GdiObject(ObjectKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    const ObjectKind kind;
};

// Pixel memory comes zeroed from calloc, which need not write it for large
// blocks: fresh pages are zero already.
struct FreeBytes {
    void operator()(std::uint8_t* bytes) const { std::free(bytes); }
};

struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(ObjectKind::Bitmap) {}
    Surface surface; // rows and layout; palette points into colourTable
    std::unique_ptr<std::uint8_t[], FreeBytes> bits; // the pixel memory, zeroed
    std::vector<Argb> colourTable;                   // for indexed layouts, alpha byte ignored
    int bitCount = 0;                                // 1, 4, 8, 16, 24 or 32
    bool dibSection = false;
    BITMAPINFOHEADER dibHeader{};    // as made, for DIB sections
    DWORD masks[3] = {0, 0, 0};      // bit fields of 16- and 32-bit DIB sections
    bool permanent = false;          // stock and screen bitmaps: never deleted
    std::uintptr_t selectedInto = 0; // the memory DC holding it, 0 when none
};

// The device a DC draws on, as GetDeviceCaps describes it: for a display
// (the screen, or a test display) its own surface; for a memory DC the device
// of the DC it was made compatible with, whatever bitmap is selected into it.
struct DeviceCaps {
    int bitsPerPixel = 32;
    int width = 0;
    int height = 0;
};

struct DeviceContextObject : GdiObject {
    DeviceContextObject() : GdiObject(ObjectKind::DeviceContext) {}
    bool screen = false;       // from GetDC: released with ReleaseDC, not DeleteDC
    bool display = false;      // draws on its own surface: no bitmap is selected into it
    std::uintptr_t bitmap = 0; // the selected bitmap's handle, or the display's surface
    DeviceCaps caps;
    int stretchMode = BLACKONWHITE;
};

struct PaletteObject : GdiObject {
    PaletteObject() : GdiObject(ObjectKind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

// All GDI state. Every entry point takes the lock for its whole run.
class GdiState {
public:
    static GdiState& Instance();

    std::mutex& Lock() { return mutex_; }

    // Registers an object and returns its handle value, 0 when out of memory.
    std::uintptr_t Add(std::unique_ptr<GdiObject> object);
    void Remove(std::uintptr_t handle);
    // Objects alive, the permanent stock and screen bitmaps left out.
    std::int64_t LiveObjects() const;
    GdiObject* Find(std::uintptr_t handle, ObjectKind kind);

    DeviceContextObject* FindDC(HDC dc) {
        return static_cast<DeviceContextObject*>(
            Find(reinterpret_cast<std::uintptr_t>(dc), ObjectKind::DeviceContext));
    }
    BitmapObject* FindBitmap(std::uintptr_t handle) {
        return static_cast<BitmapObject*>(Find(handle, ObjectKind::Bitmap));
    }
    // The bitmap selected into dc, null for a bad handle.
    BitmapObject* SelectedBitmap(HDC dc);

    // The 1 x 1 monochrome bitmap every memory DC starts with (0 when out of memory).
    std::uintptr_t StockBitmap();
    // The screen: a 32-bit bitmap of ScreenWidth x ScreenHeight.
    std::uintptr_t ScreenBitmap();

    static constexpr int ScreenWidth = 1024;
    static constexpr int ScreenHeight = 768;

private:
    std::mutex mutex_;
    std::unordered_map<std::uintptr_t, std::unique_ptr<GdiObject>> objects_;
    std::uintptr_t next_ = 0x10000;
    std::uintptr_t stock_ = 0;
    std::uintptr_t screen_ = 0;
};

template <typename H> inline std::uintptr_t HandleValue(H handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}
template <typename H> inline H MakeHandle(std::uintptr_t value) {
    return reinterpret_cast<H>(value);
}

// A bitmap with zeroed pixel memory of its own: layout and size given,
// colour table taken over. Null when out of memory or too large.
std::unique_ptr<BitmapObject> NewBitmap(PixelLayout layout, int bitCount, int width, int height,
                                        bool topDown, std::vector<Argb> colourTable);

// The colour table a new indexed bitmap gets when nothing else is known:
// black and white; four greys at 2 bits; the 16 VGA colours; a 6 x 6 x 6
// cube and 40 greys.
std::vector<Argb> DefaultColourTable(int bitCount);

} // namespace softgdi
