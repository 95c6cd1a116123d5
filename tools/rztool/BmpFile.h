// BMP files: a 14-byte BITMAPFILEHEADER followed by a packed DIB.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "ByteBlock.h"

namespace rztool {

inline constexpr std::size_t kBmpFileHeaderSize = 14;

// Whether bytes start like a BMP file ("BM").
bool LooksLikeBmp(std::span<const unsigned char> file);

// The packed DIB of a BMP file in the form the library's import takes.
struct BmpDib {
    std::span<const unsigned char> dib; // inside the file's bytes, or in copy
    std::uint32_t fileHeaderSize = 0;   // of the header the file itself has
    std::uint32_t alphaMask = 0;        // the file's alpha mask, 0 without one
    std::size_t pixelsAt = 0;           // offset of the pixel data in dib
    bool rewritten = false;             // the header was rewritten for the import
    ByteBlock copy; // holds dib when the new header did not fit in front of the pixels
};

// Finds the DIB in a BMP file and, where the import would not take it as
// it is, rewrites its header in place, right in front of the pixel data,
// which are never copied: V2 to V5 and OS/2 2.x headers become a 40-byte
// header with bit masks, alpha bit fields become bit fields, and pixel data
// after a gap get their header and colour table moved up to them. Throws a
// failure, prefixed with label, when the bytes are not a BMP file or hold
// compressed data the import cannot read.
BmpDib DibForImport(std::span<unsigned char> file, const std::string& label);

// The file header of a BMP file holding dib, a DIB with a 12- or 40-byte
// header.
std::array<unsigned char, kBmpFileHeaderSize> BmpFileHeader(std::span<const unsigned char> dib);

} // namespace rztool
