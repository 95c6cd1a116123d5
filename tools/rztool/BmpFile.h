// BMP files: a 14-byte BITMAPFILEHEADER followed by a packed DIB.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace rztool {

// The whole file; throws a failure naming the file when it cannot be read.
std::vector<unsigned char> ReadWholeFile(const std::filesystem::path& path);
// Writes bytes to path, creating missing directories; throws a failure when
// that is not possible.
void WriteWholeFile(const std::filesystem::path& path, std::span<const unsigned char> bytes);

// The packed DIB of a BMP file. When the file header puts the pixel data
// after a gap, the DIB is repacked so that the pixels follow the colour
// table. Throws a failure, prefixed with label, when the bytes are not a
// BMP file.
std::vector<unsigned char> PackedDIBFromBmp(std::span<const unsigned char> file,
                                            const std::string& label);
// A BMP file holding a packed DIB with a 12- or 40-byte header.
std::vector<unsigned char> BmpFromPackedDIB(std::span<const unsigned char> dib);

} // namespace rztool
