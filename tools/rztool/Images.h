// Pixel maps as the commands handle them: owned, imported from and exported
// to packed DIBs, converted, described in words.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ByteBlock.h"
#include "RZ/KWPixMap"

namespace rztool {

// Sole owner of a pixel map handle.
class OwnedPixMap {
public:
    OwnedPixMap() = default;
    explicit OwnedPixMap(KWPixMap** handle) : handle_(handle) {}
    OwnedPixMap(OwnedPixMap&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    OwnedPixMap& operator=(OwnedPixMap&& other) noexcept;
    OwnedPixMap(const OwnedPixMap&) = delete;
    OwnedPixMap& operator=(const OwnedPixMap&) = delete;
    ~OwnedPixMap() { RZDeleteKWPixMap(handle_); }

    KWPixMap** get() const { return handle_; }
    // The address of the handle, for the library's output parameters; any
    // map held before is deleted first.
    KWPixMap*** out();

private:
    KWPixMap** handle_ = nullptr;
};

// A pixel map from a packed DIB; throws a failure, prefixed with label,
// when the library refuses it, saying why as far as the header tells.
OwnedPixMap ImportDIB(std::span<const unsigned char> dib, const std::string& label);
// The map as a bottom-up packed DIB (RZKWPixMap2DIB), in the library's block.
ByteBlock ExportDIB(KWPixMap** map);

// A new pixel map holding a copy of map's pixels in another pixel type,
// each pixel stored through RZSetKWPixMapPixel.
OwnedPixMap ConvertByPixelSetter(KWPixMap** map, KWPixelType type);

// Light grey and white squares of 8 pixels, opaque: the background that
// shows what alpha blending let through.
void FillCheckerboard(KWPixMap** map);
// A new map of the given size with map's pixel type and resolution; throws
// a failure when it cannot be made.
OwnedPixMap NewMapLike(KWPixMap** map, std::int64_t width, std::int64_t height);

const char* PixelTypeName(int pixelType);
// "512 x 384, PixelTypeARGB (32 bits), 72 x 72 dpi".
std::string DescribeMap(KWPixMap** map);
// "-7003 (RZErrFailed: refused or unreadable DIB)" and the like.
std::string DescribeErrorCode(short code);

} // namespace rztool
