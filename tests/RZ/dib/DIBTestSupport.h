// Helpers of the DIB tests: owning wrappers for pixel maps and DIB blocks,
// and a builder for packed DIBs.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "RZ/KWPixMap"
#include "RZ/platform/RootServices.h"

namespace dibtest {

// Deletes the pixel map it holds.
struct MapOwner {
    KWPixMap** map = nullptr;
    MapOwner() = default;
    explicit MapOwner(KWPixMap** m) : map(m) {}
    ~MapOwner() { RZDeleteKWPixMap(map); }
    MapOwner(const MapOwner&) = delete;
    MapOwner& operator=(const MapOwner&) = delete;
};

// Frees the BMAllocatePtr block it holds.
struct BlockOwner {
    char* block = nullptr;
    ~BlockOwner() { BMKillPtr(&block); }
};

inline unsigned char* Row(KWPixMap** map, int y) {
    return reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(map)) +
           static_cast<std::size_t>(y) * RZGetKWPixMapBytesPerRow(map);
}

// Fills every byte of every row, padding included, with random bytes.
inline void Randomise(KWPixMap** map, std::mt19937& random) {
    const auto height = static_cast<int>(RZGetKWPixMapHeight(map));
    for (int y = 0; y < height; ++y)
        for (unsigned i = 0; i < RZGetKWPixMapBytesPerRow(map); ++i)
            Row(map, y)[i] = static_cast<unsigned char>(random());
}

inline void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
inline void Put16(std::vector<unsigned char>& out, std::uint16_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

// A 40-byte header followed by whatever the test appends.
inline std::vector<unsigned char>
InfoHeader(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression = 0,
           std::uint32_t sizeImage = 0, std::int32_t xPerMetre = 2835,
           std::int32_t yPerMetre = 2835, std::uint32_t clrUsed = 0, int planes = 1) {
    std::vector<unsigned char> out;
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, static_cast<std::uint16_t>(planes));
    Put16(out, static_cast<std::uint16_t>(bits));
    Put32(out, compression);
    Put32(out, sizeImage);
    Put32(out, static_cast<std::uint32_t>(xPerMetre));
    Put32(out, static_cast<std::uint32_t>(yPerMetre));
    Put32(out, clrUsed);
    Put32(out, 0);
    return out;
}

// The same header as a struct, for the internal decoding steps.
inline BITMAPINFOHEADER Header(std::int32_t width, std::int32_t height, int bits,
                               std::uint32_t clrUsed = 0, std::uint32_t compression = 0,
                               std::uint32_t sizeImage = 0) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biClrUsed = clrUsed;
    h.biCompression = compression;
    h.biSizeImage = sizeImage;
    return h;
}

inline void Append(std::vector<unsigned char>& out, const std::vector<unsigned char>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

// Imports bytes; the map (if any) is owned by the result. Returns the code.
struct Imported {
    short code = 0;
    MapOwner owner;
    KWPixMap** Map() const { return owner.map; }
};

inline short Import(const std::vector<unsigned char>& dib, Imported* result) {
    return result->code = RZDIB2KWPixMap(reinterpret_cast<const char*>(dib.data()),
                                         static_cast<unsigned int>(dib.size()), &result->owner.map);
}

inline std::vector<unsigned char> Pixel(KWPixMap** map, int x, int y) {
    std::vector<unsigned char> colour(4);
    RZGetKWPixMapPixel(map, x, y, colour.data());
    return colour;
}

} // namespace dibtest
