// Device contexts: the screen, memory DCs, object selection and capabilities.
// A DC's colour depth is that of the bitmap selected into it.
#include <new>

#include "GdiState.h"
#include "SoftGDI/WinUser.h"

using namespace softgdi;

namespace {

HDC NewDeviceContext(GdiState& state, bool screen) {
    const std::uintptr_t bitmapHandle = screen ? state.ScreenBitmap() : state.StockBitmap();
    if (bitmapHandle == 0) return nullptr;
    std::unique_ptr<DeviceContextObject> dc(new (std::nothrow) DeviceContextObject);
    if (!dc) return nullptr;
    dc->screen = screen;
    dc->bitmap = bitmapHandle;
    return MakeHandle<HDC>(state.Add(std::move(dc)));
}

void Deselect(GdiState& state, DeviceContextObject& dc) {
    if (BitmapObject* bitmap = state.FindBitmap(dc.bitmap))
        if (!bitmap->permanent) bitmap->selectedInto = 0;
    dc.bitmap = 0;
}

} // namespace

extern "C" HDC WINAPI GetDC(HWND window) {
    if (window != nullptr) return nullptr;
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    return NewDeviceContext(state, true);
}

extern "C" int WINAPI ReleaseDC(HWND window, HDC dc) {
    if (window != nullptr) return 0;
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    DeviceContextObject* context = state.FindDC(dc);
    if (context == nullptr || !context->screen) return 0;
    state.Remove(HandleValue(dc));
    return 1;
}

extern "C" HDC WINAPI CreateCompatibleDC(HDC dc) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    if (dc != nullptr && state.FindDC(dc) == nullptr) return nullptr;
    return NewDeviceContext(state, false);
}

extern "C" BOOL WINAPI DeleteDC(HDC dc) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    DeviceContextObject* context = state.FindDC(dc);
    if (context == nullptr || context->screen) return FALSE;
    Deselect(state, *context); // the bitmap lives on, selected nowhere
    state.Remove(HandleValue(dc));
    return TRUE;
}

extern "C" HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    DeviceContextObject* context = state.FindDC(dc);
    BitmapObject* bitmap = state.FindBitmap(HandleValue(object));
    // Only bitmaps are selected here; palettes go through SelectPalette.
    // Failures give null, as published for everything but regions.
    if (context == nullptr || bitmap == nullptr || context->screen) return nullptr;
    const std::uintptr_t previous = context->bitmap;
    if (previous == HandleValue(object)) return object;
    if (!bitmap->permanent && bitmap->selectedInto != 0) return nullptr; // held by another DC
    if (bitmap->permanent && HandleValue(object) != state.StockBitmap()) return nullptr;
    Deselect(state, *context);
    context->bitmap = HandleValue(object);
    if (!bitmap->permanent) bitmap->selectedInto = HandleValue(dc);
    return MakeHandle<HGDIOBJ>(previous);
}

extern "C" HGDIOBJ WINAPI GetCurrentObject(HDC dc, UINT type) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    DeviceContextObject* context = state.FindDC(dc);
    if (context == nullptr || type != OBJ_BITMAP) return nullptr;
    return MakeHandle<HGDIOBJ>(context->bitmap);
}

extern "C" int WINAPI GetDeviceCaps(HDC dc, int index) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    BitmapObject* bitmap = state.SelectedBitmap(dc);
    if (bitmap == nullptr) return 0;
    switch (index) {
    case HORZRES:
        return bitmap->surface.width;
    case VERTRES:
        return bitmap->surface.height;
    case BITSPIXEL:
        return bitmap->bitCount;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return bitmap->bitCount <= 8 ? 1 << bitmap->bitCount : -1;
    case SIZEPALETTE:
        return 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    default:
        return 0;
    }
}

extern "C" int WINAPI SetStretchBltMode(HDC dc, int mode) {
    if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    DeviceContextObject* context = state.FindDC(dc);
    if (context == nullptr) return 0;
    const int previous = context->stretchMode;
    context->stretchMode = mode;
    return previous;
}

extern "C" int WINAPI GetStretchBltMode(HDC dc) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    DeviceContextObject* context = state.FindDC(dc);
    return context != nullptr ? context->stretchMode : 0;
}
