// What the DIB tests share beyond the general helpers: core headers and an
// import that owns its map.
#pragma once

#include <algorithm>
#include <cstdint>

#include "RZ/KWPixMap"
#include "support/Dibs.h"
#include "support/PixMaps.h"

namespace dibtest {

// A 12-byte BITMAPCOREHEADER: its size as 32 bits, then four 16-bit fields.
inline rztest::ByteVector CoreHeader(int width, int height, int bits, int planes = 1) {
    rztest::ByteVector out = {12, 0, 0, 0};
    for (int field : {width, height, planes, bits}) rztest::Put16(out, std::uint16_t(field));
    return out;
}

// The result code of an import and the map it made, if any.
struct Imported {
    short code;
    PixMapHandleGuard guard;
    Imported(short result, KWPixMap** map) : code(result), guard(map) {}
    // The guard's assignment takes the map away from its source.
    Imported(Imported&& other) noexcept : code(other.code), guard(nullptr) { guard = other.guard; }
    KWPixMap** Map() const { return guard(); }
};

// Imports the first size bytes of dib (all of them by default).
inline Imported Import(const rztest::ByteVector& dib, std::size_t size = SIZE_MAX) {
    KWPixMap** map = nullptr;
    const short code = RZDIB2KWPixMap(reinterpret_cast<const char*>(dib.data()),
                                      unsigned(std::min(size, dib.size())), &map);
    return Imported(code, map);
}

} // namespace dibtest
