// Test helpers for packed DIBs: one builder of BITMAPINFOHEADERs, and their
// bytes for tests that build whole DIBs in a vector.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "KWRoot/Memory.h"
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

// Resized and copied rather than inserted: GCC 12 at -O2 and above warns
// (falsely) of an overflow when a range is inserted into an empty vector.
inline void Append(ByteVector& out, const void* bytes, std::size_t count) {
    if (count == 0) return;
    const std::size_t at = out.size();
    out.resize(at + count);
    std::memcpy(out.data() + at, bytes, count);
}
inline void Append(ByteVector& out, const ByteVector& more) {
    Append(out, more.data(), more.size());
}
inline void Put16(ByteVector& out, std::uint16_t v) {
    Append(out, &v, 2); // little-endian hosts only, as the DIB format itself
}

// The header's bytes, for a DIB that the test goes on appending to.
inline ByteVector Bytes(const BITMAPINFOHEADER& header) {
    ByteVector out;
    Append(out, &header, sizeof header);
    return out;
}

// A whole DIB: the header followed by each part in turn.
inline ByteVector Dib(ByteVector header, std::initializer_list<ByteVector> parts) {
    for (const ByteVector& part : parts) Append(header, part);
    return header;
}
inline ByteVector Dib(const BITMAPINFOHEADER& header, std::initializer_list<ByteVector> parts) {
    return Dib(Bytes(header), parts);
}

// Size of a BMAllocatePtr block. The root library sizes pointer blocks as it
// sizes handle blocks, so the variable holding the pointer serves as the
// master pointer of the query.
inline int PointerBlockSize(const void* block) {
    const char* pointer = static_cast<const char*>(block);
    return BMGetHandleSize(&pointer);
}

} // namespace rztest
