// Test helpers over pixel maps: raw bytes, whole-block comparison, single
// pixels as arrays, the geometry the accessors report, and random contents.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"

namespace rztest {

using Colour = std::array<unsigned char, 4>; // alpha, red, green, blue
using ByteVector = std::vector<unsigned char>;

inline unsigned char* Base(KWPixMap** map) {
    return reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(map));
}

inline unsigned char* Row(KWPixMap** map, int y) {
    return Base(map) + static_cast<std::size_t>(y) * RZGetKWPixMapBytesPerRow(map);
}

// Rows first to first + count - 1, padding included.
inline ByteVector RowBytes(KWPixMap** map, int first, int count = 1) {
    return {Row(map, first), Row(map, first + count)};
}

inline int BlockSize(KWPixMap** map) {
    return BMGetHandleSize(reinterpret_cast<const char* const*>(map));
}

// Same block size and the same bytes, header and padding included.
inline bool SameBlock(KWPixMap** a, KWPixMap** b) {
    if (a == nullptr || b == nullptr || *a == nullptr || *b == nullptr) return false;
    const int size = BlockSize(a);
    return size == BlockSize(b) && std::memcmp(*a, *b, static_cast<std::size_t>(size)) == 0;
}

inline Colour Pixel(KWPixMap** map, int x, int y) {
    Colour colour{9, 9, 9, 9};
    RZGetKWPixMapPixel(map, x, y, colour.data());
    return colour;
}

inline void SetPixel(KWPixMap** map, int x, int y, const Colour& colour) {
    RZSetKWPixMapPixel(map, x, y, colour.data());
}

// What the accessors report: width, height, row bytes, resolutions, type.
inline std::array<long long, 6> Geometry(KWPixMap** map) {
    return {RZGetKWPixMapWidth(map),       RZGetKWPixMapHeight(map),
            RZGetKWPixMapBytesPerRow(map), RZGetKWPixMapHResolution(map),
            RZGetKWPixMapVResolution(map), RZGetKWPixMapPixelType(map)};
}

// Every byte of every row, padding included.
inline void Randomise(KWPixMap** map, std::mt19937& random) {
    const std::size_t bytes = std::size_t{RZGetKWPixMapBytesPerRow(map)} * RZGetKWPixMapHeight(map);
    for (std::size_t i = 0; i < bytes; ++i) Base(map)[i] = static_cast<unsigned char>(random());
}

// Every pixel, top row first.
inline std::vector<Colour> PixelsOf(KWPixMap** map) {
    std::vector<Colour> pixels;
    const int width = int(RZGetKWPixMapWidth(map)), height = int(RZGetKWPixMapHeight(map));
    for (int i = 0; i < width * height; ++i) pixels.push_back(Pixel(map, i % width, i / width));
    return pixels;
}

} // namespace rztest
