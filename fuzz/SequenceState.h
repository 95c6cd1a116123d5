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

inline void Require(bool condition, const char* promise) {
    if (!condition) Broke("the pixel map API", promise);
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
};

// Bytes a map of these sides and type takes, header included; -1 for a
// negative side, a row beyond 2^31 - 1 bytes or a type the library does not
// make; at most INT64_MAX.
inline std::int64_t MapBytes(std::int64_t width, std::int64_t height, int type) {
    if (width < 0 || height < 0) return -1;
    std::int64_t rowBytes;
    switch (type) {
    case PixelTypeARGB:
    case PixelTypeARGBDirect:
        rowBytes = width * 4;
        break;
    case PixelTypeBlackWhite:
        rowBytes = (width + 31) / 32 * 4;
        break;
    case PixelTypeGrey:
        rowBytes = (8 * width + 31) / 32 * 4;
        break;
    default:
        return -1;
    }
    if (rowBytes > INT32_MAX) return -1; // a row must fit the header's field
    if (height > 0 && rowBytes > (INT64_MAX - 32) / height) return INT64_MAX;
    return 32 + rowBytes * height;
}

inline bool IsTrueColour(KWPixMap** map) {
    const int type = RZGetKWPixMapPixelType(map);
    return type == PixelTypeARGB || type == PixelTypeARGBDirect;
}

inline bool HasPixels(KWPixMap** map) {
    return RZGetKWPixMapWidth(map) > 0 && RZGetKWPixMapHeight(map) > 0;
}

// A rectangle, each side chosen near the map's bounds or hostile.
inline KWRect ChooseRect(FuzzInput& in, KWPixMap** map) {
    const int width = static_cast<int>(RZGetKWPixMapWidth(map));
    const int height = static_cast<int>(RZGetKWPixMapHeight(map));
    KWRect r;
    r.top = in.Coordinate(0);
    r.left = in.Coordinate(0);
    r.bottom = in.Coordinate(height);
    r.right = in.Coordinate(width);
    return r;
}

// The steps that draw through GDI and GDI+ (RenderingSteps.cpp).
void StartRendering();
void Stretch(Sequence& s);
void Rotate(Sequence& s);
void DrawOnDC(Sequence& s);
void ReadDeviceBitmap(Sequence& s);
void ReadDibSection(Sequence& s);
void ToGdiPlusImage(Sequence& s);
void ArmGdiFailure(FuzzInput& in);
void DisarmGdiFailure();
std::int64_t LiveGdiObjects();

} // namespace rzfuzz
