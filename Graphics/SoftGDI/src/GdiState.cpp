#include "GdiState.h"

#include <cstring>
#include <new>

#include "SoftGDI/TestSupport.h"
#include "TestHooks.h"

namespace softgdi {

GdiState& GdiState::Instance() {
    static GdiState* state = new GdiState; // outlives every static destructor
    return *state;
}

std::uintptr_t GdiState::Add(std::unique_ptr<GdiObject> object) {
    if (!object || CreationFails()) return 0;
    try {
        const std::uintptr_t handle = next_;
        objects_.emplace(handle, std::move(object));
        next_ += 0x10;
        return handle;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

std::int64_t GdiState::LiveObjects() const {
    std::int64_t count = 0;
    for (const auto& [handle, object] : objects_)
        count += object->kind != ObjectKind::Bitmap ||
                 !static_cast<const BitmapObject&>(*object).permanent;
    return count;
}

void GdiState::Remove(std::uintptr_t handle) {
    objects_.erase(handle);
}

GdiObject* GdiState::Find(std::uintptr_t handle, ObjectKind kind) {
    const auto found = objects_.find(handle);
    if (found == objects_.end() || found->second->kind != kind) return nullptr;
    return found->second.get();
}

BitmapObject* GdiState::SelectedBitmap(HDC dc) {
    DeviceContextObject* context = FindDC(dc);
    return context != nullptr ? FindBitmap(context->bitmap) : nullptr;
}

std::uintptr_t GdiState::StockBitmap() {
    if (stock_ == 0) {
        auto bitmap = NewBitmap(PixelLayout::Indexed1, 1, 1, 1, false, DefaultColourTable(1));
        if (bitmap) {
            bitmap->permanent = true;
            stock_ = Add(std::move(bitmap));
        }
    }
    return stock_;
}

std::uintptr_t GdiState::ScreenBitmap() {
    if (screen_ == 0) {
        auto bitmap = NewBitmap(PixelLayout::Bgrx32, 32, ScreenWidth, ScreenHeight, true, {});
        if (bitmap) {
            bitmap->permanent = true;
            screen_ = Add(std::move(bitmap));
        }
    }
    return screen_;
}

std::unique_ptr<BitmapObject> NewBitmap(PixelLayout layout, int bitCount, int width, int height,
                                        bool topDown, std::vector<Argb> colourTable) {
    if (width <= 0 || height <= 0) return nullptr;
    const std::int64_t rowBytes = PaddedRowBytes(width, BitsPerPixel(layout));
    if (rowBytes < 0 || rowBytes * height > 0x7FFFFFFF) return nullptr;
    std::unique_ptr<BitmapObject> bitmap(new (std::nothrow) BitmapObject);
    if (!bitmap) return nullptr;
    const std::size_t size = std::size_t(rowBytes) * std::size_t(height);
    bitmap->bits.reset(static_cast<std::uint8_t*>(std::calloc(size, 1)));
    if (!bitmap->bits) return nullptr;
    bitmap->colourTable = std::move(colourTable);
    bitmap->bitCount = bitCount;
    Surface& s = bitmap->surface;
    s.layout = layout;
    s.width = width;
    s.height = height;
    s.pitch = topDown ? std::ptrdiff_t(rowBytes) : -std::ptrdiff_t(rowBytes);
    s.top = topDown ? bitmap->bits.get() : bitmap->bits.get() + size - std::size_t(rowBytes);
    s.palette = bitmap->colourTable.empty() ? nullptr : bitmap->colourTable.data();
    s.paletteSize = int(bitmap->colourTable.size());
    s.paletteHasAlpha = false;
    s.unusedByte = 0;
    return bitmap;
}

std::vector<Argb> DefaultColourTable(int bitCount) {
    std::vector<Argb> table;
    if (bitCount == 2) {
        table = {MakeArgb(0, 0, 0, 0), MakeArgb(0, 85, 85, 85), MakeArgb(0, 170, 170, 170),
                 MakeArgb(0, 255, 255, 255)};
    } else if (bitCount == 1) {
        table = {MakeArgb(0, 0, 0, 0), MakeArgb(0, 255, 255, 255)};
    } else if (bitCount == 4) {
        static const unsigned char vga[16][3] = {
            {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
            {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
            {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        for (const auto& c : vga) table.push_back(MakeArgb(0, c[0], c[1], c[2]));
    } else if (bitCount == 8) {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) table.push_back(MakeArgb(0, r * 51, g * 51, b * 51));
        for (int i = 0; i < 40; ++i) {
            const unsigned level = unsigned((i + 1) * 255 / 41);
            table.push_back(MakeArgb(0, level, level, level));
        }
    }
    return table;
}

} // namespace softgdi

extern "C" std::int64_t SoftGdiLiveGdiObjects() {
    softgdi::GdiState& state = softgdi::GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    return state.LiveObjects();
}
