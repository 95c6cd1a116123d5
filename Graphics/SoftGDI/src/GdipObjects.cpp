// The registry that tells live GDI+ objects from anything else a caller may
// pass, and GDI+'s own memory (GdipAlloc); both are counted for the tests.
#include "GdipObjects.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

#include "SoftGDI/TestSupport.h"
#include "TestHooks.h"

namespace softgdi {

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<const void*, GdipKind> live;
};

// GdipAlloc blocks not yet freed.
std::atomic<std::int64_t> g_allocatedBlocks{0};

Registry& TheRegistry() {
    static Registry* registry = new Registry; // outlives every static destructor
    return *registry;
}

} // namespace

bool RegisterGdip(const void* object, GdipKind kind) {
    if (CreationFails()) return false;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    try {
        r.live[object] = kind;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void UnregisterGdip(const void* object) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.live.erase(object);
}

bool IsLiveGdip(const void* object, GdipKind kind) {
    if (object == nullptr) return false;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto found = r.live.find(object);
    return found != r.live.end() && found->second == kind;
}

bool LayoutOfFormat(Gdiplus::PixelFormat format, PixelLayout* layout) {
    switch (format) {
    case PixelFormat1bppIndexed:
        *layout = PixelLayout::Indexed1;
        return true;
    case PixelFormat4bppIndexed:
        *layout = PixelLayout::Indexed4;
        return true;
    case PixelFormat8bppIndexed:
        *layout = PixelLayout::Indexed8;
        return true;
    case PixelFormat16bppGrayScale:
        *layout = PixelLayout::Gray16;
        return true;
    case PixelFormat16bppRGB555:
        *layout = PixelLayout::Rgb555;
        return true;
    case PixelFormat16bppRGB565:
        *layout = PixelLayout::Rgb565;
        return true;
    case PixelFormat16bppARGB1555:
        *layout = PixelLayout::Argb1555;
        return true;
    case PixelFormat24bppRGB:
        *layout = PixelLayout::Bgr24;
        return true;
    case PixelFormat32bppRGB:
        *layout = PixelLayout::Bgrx32;
        return true;
    case PixelFormat32bppARGB:
        *layout = PixelLayout::Bgra32;
        return true;
    case PixelFormat32bppPARGB:
        *layout = PixelLayout::Pbgra32;
        return true;
    case PixelFormat48bppRGB:
        *layout = PixelLayout::Rgb48;
        return true;
    case PixelFormat64bppARGB:
        *layout = PixelLayout::Argb64;
        return true;
    case PixelFormat64bppPARGB:
        *layout = PixelLayout::Pargb64;
        return true;
    case PixelFormat32bppCMYK:
        *layout = PixelLayout::Cmyk32;
        return true;
    default:
        return false;
    }
}

} // namespace softgdi

extern "C" void* WINAPI Gdiplus::DllExports::GdipAlloc(std::size_t size) {
    if (softgdi::CreationFails()) return nullptr;
    void* block = std::malloc(size != 0 ? size : 1);
    if (block != nullptr) ++softgdi::g_allocatedBlocks;
    return block;
}

extern "C" void WINAPI Gdiplus::DllExports::GdipFree(void* block) {
    if (block != nullptr) --softgdi::g_allocatedBlocks;
    std::free(block);
}

extern "C" std::int64_t SoftGdiLiveGdiPlusObjects() {
    softgdi::Registry& r = softgdi::TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return std::int64_t(r.live.size()) + softgdi::g_allocatedBlocks.load();
}
