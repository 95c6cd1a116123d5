// GDI+ wrapper objects made with GdipAlloc, as the wrapper classes expect
// (their operator delete frees with GdipFree). Unlike a plain new-expression,
// a failed GdipAlloc gives null here instead of a constructor run on null.
#pragma once

#include <new>
#include <utility>

#include "RZ/platform/WindowsImaging.h"

namespace rz::gdiplus {

template <typename T, typename... Args> T* NewGdiPlusObject(Args&&... args) {
    void* memory = Gdiplus::DllExports::GdipAlloc(sizeof(T));
    if (memory == nullptr) return nullptr;
    return ::new (memory) T(std::forward<Args>(args)...);
}

// Reverses the 4 bytes of count pixels in place: alpha, red, green, blue
// becomes blue, green, red, alpha, the order GDI+ reads as true colour; the
// same reversal turns it back.
inline void ReversePixelBytes(unsigned char* pixels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, pixels += 4) {
        std::uint32_t v;
        __builtin_memcpy(&v, pixels, 4);
        v = __builtin_bswap32(v);
        __builtin_memcpy(pixels, &v, 4);
    }
}

} // namespace rz::gdiplus
