// What the pixel-map sequence fuzzer keeps between the steps of one input:
// a few slots of pixel maps, the input being read, and the promises every
// step checks.
#pragma once

#include <cstdint>

#include "FuzzInput.h"
#include "RZ/KWPixMap"

namespace rzfuzz {

// Maps larger than this are not made (nor drawn into), so that every input
// runs in milliseconds; larger requests that the library must refuse are
// still made.
constexpr std::int64_t kMapByteLimit = 192 << 10;

// A call's result is 0 exactly when it hands something over.
inline void RequireHanded(short result, const void* out, const char* promise) {
    Require((result == 0) == (out != nullptr), promise);
}

struct Sequence {
    static constexpr int kSlots = 4;
    FuzzInput& in;
    KWPixMap** maps[kSlots] = {};
    // Set while an allocation or a GDI creation is armed to fail during
    // the current step: results may then be failures.
    bool failing = false;

    KWPixMap**& Slot() { return maps[in.Byte() % kSlots]; }
    void Replace(KWPixMap**& slot, KWPixMap** map) {
        RZDeleteKWPixMap(slot);
        slot = map;
    }
    // A rectangle, each side chosen near the map's bounds or hostile.
    KWRect Rect(KWPixMap** map) {
        const int width = int(RZGetKWPixMapWidth(map)), height = int(RZGetKWPixMapHeight(map));
        return {in.Coordinate(0), in.Coordinate(0), in.Coordinate(height), in.Coordinate(width)};
    }
    // The rectangle, or (for one choice in four) none.
    const KWRect* MaybeRect(KWPixMap** map, KWRect& storage) {
        storage = Rect(map);
        return in.Byte() % 4 == 0 ? nullptr : &storage;
    }
};

// Bytes a map of these sides and type takes, header included; -1 for a
// negative side, a row beyond 2^31 - 1 bytes or a type the library does not
// make; at most INT64_MAX.
inline std::int64_t MapBytes(std::int64_t width, std::int64_t height, int type) {
    static constexpr int kBits[] = {32, 32, 1, 8}; // by pixel type
    if (width < 0 || height < 0 || unsigned(type) > PixelTypeGrey) return -1;
    const std::int64_t rowBytes = RowBytes(width, kBits[type]);
    if (rowBytes > INT32_MAX) return -1; // a row must fit the header's field
    if (height > 0 && rowBytes > (INT64_MAX - 32) / height) return INT64_MAX;
    return 32 + rowBytes * height;
}

inline bool IsTrueColour(KWPixMap** map) {
    return unsigned(RZGetKWPixMapPixelType(map)) <= PixelTypeARGBDirect;
}

// The steps that draw through GDI and GDI+ (RenderingSteps.cpp).
void StartRendering();
void Stretch(Sequence& s);
void Rotate(Sequence& s);
void DrawOnDC(Sequence& s);
void ReadDeviceBitmap(Sequence& s);
void ReadDibSection(Sequence& s);
void ToGdiPlusImage(Sequence& s);

} // namespace rzfuzz
