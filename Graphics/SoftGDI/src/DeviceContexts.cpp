// Device contexts: the screen, test displays, memory DCs, object selection
// and capabilities. As on Windows, a DC's capabilities (its colour depth
// among them) are its device's: a memory DC keeps those of the DC it was made
// compatible with, whatever bitmap is selected into it.
#include <new>

#include "GdiState.h"
#include "SoftGDI/Display.h"
#include "SoftGDI/WinUser.h"

using namespace softgdi;

namespace {

DeviceCaps CapsOf(const BitmapObject& surface) {
    return {surface.bitCount, surface.surface.width, surface.surface.height};
}

// A new DC on bitmapHandle, with the given capabilities.
HDC NewDeviceContext(GdiState& state, std::uintptr_t bitmapHandle, DeviceCaps caps, bool screen,
                     bool display) {
    if (bitmapHandle == 0) return nullptr;
    std::unique_ptr<DeviceContextObject> dc(new (std::nothrow) DeviceContextObject);
    if (!dc) return nullptr;
    dc->screen = screen;
    dc->display = display;
    dc->bitmap = bitmapHandle;
    dc->caps = caps;
    return MakeHandle<HDC>(state.Add(std::move(dc)));
}

HDC NewScreenDC(GdiState& state) {
    const std::uintptr_t screen = state.ScreenBitmap();
    if (screen == 0) return nullptr;
    return NewDeviceContext(state, screen, CapsOf(*state.FindBitmap(screen)), true, true);
}

PixelLayout DisplayLayout(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1:
        return PixelLayout::Indexed1;
    case 4:
        return PixelLayout::Indexed4;
    case 8:
        return PixelLayout::Indexed8;
    case 16:
        return PixelLayout::Rgb565;
    case 24:
        return PixelLayout::Bgr24;
    default:
        return PixelLayout::Bgrx32;
    }
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
    return NewScreenDC(state);
}

extern "C" HDC SoftGdiCreateDisplayDC(int bitsPerPixel, int width, int height) {
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 &&
        bitsPerPixel != 24 && bitsPerPixel != 32)
        return nullptr;
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    std::unique_ptr<BitmapObject> surface =
        NewBitmap(DisplayLayout(bitsPerPixel), bitsPerPixel, width, height, true,
                  DefaultColourTable(bitsPerPixel));
    if (!surface) return nullptr;
    const DeviceCaps caps = CapsOf(*surface);
    const std::uintptr_t surfaceHandle = state.Add(std::move(surface));
    const HDC dc = NewDeviceContext(state, surfaceHandle, caps, false, true);
    if (dc == nullptr) {
        state.Remove(surfaceHandle);
        return nullptr;
    }
    // Held by its display: neither selected elsewhere nor deleted alone.
    state.FindBitmap(surfaceHandle)->selectedInto = HandleValue(dc);
    return dc;
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
    DeviceCaps caps;
    if (dc != nullptr) {
        const DeviceContextObject* device = state.FindDC(dc);
        if (device == nullptr) return nullptr;
        caps = device->caps;
    } else {
        const std::uintptr_t screen = state.ScreenBitmap();
        if (screen == 0) return nullptr;
        caps = CapsOf(*state.FindBitmap(screen));
    }
    return NewDeviceContext(state, state.StockBitmap(), caps, false, false);
}

extern "C" BOOL WINAPI DeleteDC(HDC dc) {
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    DeviceContextObject* context = state.FindDC(dc);
    if (context == nullptr || context->screen) return FALSE;
    if (context->display)
        state.Remove(context->bitmap); // a test display's surface goes with it
    else
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
    if (context == nullptr || bitmap == nullptr || context->display) return nullptr;
    const std::uintptr_t previous = context->bitmap;
    if (previous == HandleValue(object)) return object;
    if (!bitmap->permanent && bitmap->selectedInto != 0) return nullptr; // held by another DC
    if (bitmap->permanent && HandleValue(object) != state.StockBitmap()) return nullptr;
    // A device bitmap goes only into a DC of its own depth, or is monochrome;
    // DIB sections go anywhere.
    if (!bitmap->dibSection && bitmap->bitCount != 1 &&
        bitmap->bitCount != context->caps.bitsPerPixel)
        return nullptr;
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
    const DeviceContextObject* context = state.FindDC(dc);
    if (context == nullptr) return 0;
    const DeviceCaps& caps = context->caps;
    const bool palette = caps.bitsPerPixel <= 8;
    switch (index) {
    case HORZRES:
        return caps.width;
    case VERTRES:
        return caps.height;
    case BITSPIXEL:
        return caps.bitsPerPixel;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return palette ? 1 << caps.bitsPerPixel : -1;
    case SIZEPALETTE:
        return palette ? 1 << caps.bitsPerPixel : 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT |
               RC_STRETCHDIB | (palette ? RC_PALETTE : 0);
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
