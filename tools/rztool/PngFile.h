// PNG files, through libpng when the tool is built with it; without it
// every function but the first fails with a message saying so.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Images.h"

namespace rztool {

// "PNG through libpng 1.6.39", or "built without PNG support".
std::string PngSupport();

// The picture of a PNG file as a pixel map: 1-bit grey gives a
// black-and-white map, other grey without transparency a grey map,
// everything else a 32-bit map with its alpha. 16-bit channels are scaled
// to 8 bits; the resolution comes from the pHYs chunk (72 dpi without).
// Throws a failure, prefixed with label, for a broken or too large file.
OwnedPixMap DecodePng(std::span<const unsigned char> file, const std::string& label);

// A PNG file of map: 1-bit grey for black-and-white maps, 8-bit grey for
// grey maps, RGBA for 32-bit maps, or RGB when every alpha is 255.
std::vector<unsigned char> EncodePng(KWPixMap** map);
// A PNG file of a packed DIB with a 40-byte header and no compression:
// a palette PNG for 1, 4 and 8 bits, RGB for 24 bits. Null for other DIBs,
// which go through the import and EncodePng.
std::optional<std::vector<unsigned char>> EncodePngFromDIB(std::span<const unsigned char> dib);

} // namespace rztool
