#include "PixMapGraphics.h"

#include <algorithm>
#include <cstring>

#include "GdiPlusObjects.h"
#include "RZ/dib/DIBResolution.h"
#include "RZ/pixmap/PixMapRecord.h"
#include "RZ/platform/GdiResources.h"
#include "RZ/platform/PointerBlock.h"
#include "RZ/platform/RootServices.h"

namespace rz::gdiplus {
namespace {

using platform::GdiObject;
using platform::GdiPlusObject;
using platform::MemoryDC;
using platform::PointerBlock;
using platform::ScreenDC;
using platform::Selection;

// Every failure to open is raised as the root library's exception and caught
// in OpenPixMapGraphics; the owners below release what was made so far.
[[noreturn]] void Raise() {
    throw KW::GeneralException(nullptr, nullptr, 0, RZErrFailed);
}

std::size_t SectionRowBytes(const KWPixMap* record, int bits) {
    return (std::size_t(bits) * record->width + 31) / 32 * 4;
}

// The rows of the map inside the rectangle, to (toSection) or from the
// indexed section: whole rows of a 1-bit map, the rectangle's columns of a
// grey map.
void CopyIndexedRows(KWPixMap* record, const PixMapGraphics& g, bool toSection) {
    const bool oneBit = record->pixelType == PixelTypeBlackWhite;
    const std::size_t sectionRowBytes = SectionRowBytes(record, oneBit ? 1 : 8);
    const std::size_t from = oneBit ? 0 : std::size_t(g.left);
    if (!oneBit && g.right <= g.left) return;
    const std::size_t count =
        oneBit ? (std::size_t(record->width) + 7) / 8 : std::size_t(g.right - g.left);
    if (count == 0) return;
    for (std::int32_t y = g.top; y < g.bottom; ++y) {
        unsigned char* map = RowOf(record, std::uint32_t(y)) + from;
        unsigned char* section = g.bits + std::size_t(y) * sectionRowBytes + from;
        std::memcpy(toSection ? section : map, toSection ? map : section, count);
    }
}

void ReverseInsideRectangle(KWPixMap* record, const PixMapGraphics& g) {
    if (g.right <= g.left) return;
    for (std::int32_t y = g.top; y < g.bottom; ++y)
        ReversePixelBytes(RowOf(record, std::uint32_t(y)) + 4 * std::size_t(g.left),
                          std::size_t(g.right - g.left));
}

// The header of the channel-pair section: top-down, 24 bits, the map's size
// and resolution.
PointerBlock ChannelPairHeader(const KWPixMap* record) {
    PointerBlock block = PointerBlock::Allocate(sizeof(BITMAPINFO), kBMFlagZeroFill);
    if (!block) Raise();
    auto* h = block.As<BITMAPINFOHEADER>();
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = LONG(record->width);
    h->biHeight = -LONG(record->height);
    h->biPlanes = 1;
    h->biBitCount = 24;
    h->biCompression = BI_RGB;
    h->biSizeImage = DWORD(SectionRowBytes(record, 24) * record->height);
    h->biXPelsPerMeter = PixelsPerMetreFromDpi(std::int32_t(record->hResolution));
    h->biYPelsPerMeter = PixelsPerMetreFromDpi(std::int32_t(record->vResolution));
    return block;
}

// Indexed and channel-pair modes: a DIB section selected into a memory DC
// made on the screen's, and a graphics on that DC.
void OpenSection(KWPixMap** target, PixMapGraphics* g, bool indexed) {
    KWPixMap* record = *target;
    ScreenDC screen;
    if (screen.Get() == nullptr) Raise();
    MemoryDC memory(screen.Get());
    if (memory.Get() == nullptr) Raise();
    PointerBlock info;
    if (indexed) {
        BITMAPINFO* own = nullptr;
        if (CreateBMIFromKWPixMap(target, &own, false) != 0) Raise();
        info = PointerBlock(reinterpret_cast<char*>(own));
    } else {
        info = ChannelPairHeader(record);
    }
    void* bits = nullptr;
    GdiObject<HBITMAP> section(
        CreateDIBSection(screen.Get(), info.As<BITMAPINFO>(), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (section.Get() == nullptr || bits == nullptr) Raise();
    g->bits = static_cast<unsigned char*>(bits);
    if (indexed) CopyIndexedRows(record, *g, true);
    Selection selection(memory.Get(), section.Get());
    if (!selection.Succeeded()) Raise();
    GdiPlusObject<Gdiplus::Graphics> graphics(NewGdiPlusObject<Gdiplus::Graphics>(memory.Get()));
    if (graphics == nullptr || graphics->GetLastStatus() != Gdiplus::Ok) Raise();

    g->previousObject = selection.Release();
    g->dibSection = section.Release();
    g->bitmapInfo = info.As<BITMAPINFO>();
    info.Release();
    g->memoryDC = memory.Release();
    g->graphics = graphics.release();
}

// Direct mode: a bitmap over the whole map, and a graphics on it.
void OpenDirect(KWPixMap** target, PixMapGraphics* g) {
    KWPixMap* record = *target;
    GdiPlusObject<Gdiplus::Bitmap> bitmap(NewGdiPlusObject<Gdiplus::Bitmap>(
        INT(record->width), INT(record->height), INT(record->bytesPerRow), PixelFormat32bppARGB,
        BaseOf(record)));
    if (bitmap == nullptr || bitmap->GetLastStatus() != Gdiplus::Ok) Raise();
    GdiPlusObject<Gdiplus::Graphics> graphics(
        NewGdiPlusObject<Gdiplus::Graphics>(static_cast<Gdiplus::Image*>(bitmap.get())));
    if (graphics == nullptr || graphics->GetLastStatus() != Gdiplus::Ok) Raise();
    g->bitmap = bitmap.release();
    g->graphics = graphics.release();
    ReverseInsideRectangle(record, *g);
}

} // namespace

Gdiplus::Graphics* OpenPixMapGraphics(KWPixMap** target, const KWRect* rect, PixMapGraphics* g,
                                      bool channelPairMode) {
    *g = PixMapGraphics{};
    const KWPixMap* record = RecordOf(target);
    const std::int64_t width = record != nullptr ? std::int64_t{record->width} : 0;
    const std::int64_t height = record != nullptr ? std::int64_t{record->height} : 0;
    g->left = rect != nullptr ? std::max(rect->left, 0) : 0;
    g->right = std::int32_t(rect != nullptr ? std::min<std::int64_t>(rect->right, width) : width);
    g->top = rect != nullptr ? std::max(rect->top, 0) : 0;
    g->bottom =
        std::int32_t(rect != nullptr ? std::min<std::int64_t>(rect->bottom, height) : height);
    g->channelPairMode = channelPairMode;
    const int type = RZGetKWPixMapPixelType(target);
    try {
        if (type < 0 || type > 3) Raise();
        if (type == PixelTypeBlackWhite || type == PixelTypeGrey)
            OpenSection(target, g, true);
        else if (channelPairMode)
            OpenSection(target, g, false);
        else
            OpenDirect(target, g);
        return g->graphics;
    } catch (...) {
        // Only the raised failure is expected here; nothing may leave.
        g->bits = nullptr;
        return nullptr;
    }
}

void ClosePixMapGraphics(KWPixMap** target, PixMapGraphics* g) {
    KWPixMap* record = RecordOf(target);
    if (record != nullptr) {
        if (g->bitmap != nullptr)
            ReverseInsideRectangle(record, *g);
        else if (g->bits != nullptr &&
                 (record->pixelType == PixelTypeBlackWhite || record->pixelType == PixelTypeGrey))
            CopyIndexedRows(record, *g, false);
    }
    delete g->graphics;
    delete g->bitmap;
    if (g->memoryDC != nullptr) {
        char* info = reinterpret_cast<char*>(g->bitmapInfo);
        BMKillPtr(&info);
        SelectObject(g->memoryDC, g->previousObject);
        DeleteObject(g->dibSection);
        DeleteDC(g->memoryDC);
    }
    *g = PixMapGraphics{};
}

void CopyPixMapChannelPair(KWPixMap** target, const PixMapGraphics* g, int pair, int direction) {
    KWPixMap* record = RecordOf(target);
    if (record == nullptr || g->bits == nullptr || g->right <= g->left || (pair != 0 && pair != 1))
        return;
    const std::size_t sectionRowBytes = SectionRowBytes(record, 24);
    const std::size_t count = std::size_t(g->right - g->left);
    for (std::int32_t y = g->top; y < g->bottom; ++y) {
        unsigned char* map = RowOf(record, std::uint32_t(y)) + 4 * std::size_t(g->left) + 2 * pair;
        unsigned char* section =
            g->bits + std::size_t(y) * sectionRowBytes + 3 * std::size_t(g->left);
        if (direction == 1) {
            for (std::size_t x = 0; x < count; ++x) {
                section[3 * x] = map[4 * x];
                section[3 * x + 1] = map[4 * x + 1];
            }
        } else {
            for (std::size_t x = 0; x < count; ++x) {
                map[4 * x] = section[3 * x];
                map[4 * x + 1] = section[3 * x + 1];
            }
        }
    }
}

} // namespace rz::gdiplus
