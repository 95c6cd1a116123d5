// Test helpers for packed DIBs: one builder of BITMAPINFOHEADERs, and their
// bytes for tests that build whole DIBs in a vector.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "RZ/platform/WindowsTypes.h"

namespace rztest {

using ByteVector = std::vector<unsigned char>;

// Row bytes of a DIB: whole 32-bit words.
inline int DibRowBytes(int width, int bits) {
    return (width * bits + 31) / 32 * 4;
}

// A 40-byte header; resolutions 0, one plane.
inline BITMAPINFOHEADER DibHeader(LONG width, LONG height, int bits, DWORD compression = BI_RGB,
                                  DWORD clrUsed = 0, DWORD sizeImage = 0) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biCompression = compression;
    h.biSizeImage = sizeImage;
    h.biClrUsed = clrUsed;
    return h;
}

inline void Append(ByteVector& out, const void* bytes, std::size_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    out.insert(out.end(), p, p + count);
}
inline void Append(ByteVector& out, const ByteVector& more) {
    out.insert(out.end(), more.begin(), more.end());
}
inline void Put16(ByteVector& out, std::uint16_t v) {
    Append(out, &v, 2); // little-endian hosts only, as the DIB format itself
}
inline void Put32(ByteVector& out, std::uint32_t v) {
    Append(out, &v, 4);
}

// The header's bytes, for a DIB that the test goes on appending to.
inline ByteVector Bytes(const BITMAPINFOHEADER& header) {
    ByteVector out;
    Append(out, &header, sizeof header);
    return out;
}

} // namespace rztest
