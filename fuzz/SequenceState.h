// What the pixel-map sequence fuzzer keeps between the steps of one input:
// a few slots of pixel maps, the input being read, and the promises every
// step checks.
#pragma once

#include <cstdint>
#include <utility>

#include "FuzzInput.h"
#include "RZ/KWPixMap"

namespace rzfuzz {

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
    void Replace(KWPixMap**& slot, KWPixMap** map) { RZDeleteKWPixMap(std::exchange(slot, map)); }
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

// The steps that draw through GDI and GDI+ (RenderingSteps.cpp).
void StartRendering();
void Stretch(Sequence& s);
void Rotate(Sequence& s);
void DrawOnDC(Sequence& s);
void ReadDeviceBitmap(Sequence& s);
void ReadDibSection(Sequence& s);
void ToGdiPlusImage(Sequence& s);

} // namespace rzfuzz
