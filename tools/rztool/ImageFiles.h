// Picture files in and out. Input is BMP or PNG, told apart by content;
// output is BMP or PNG, chosen by the name's extension or by --format.
// "-" is standard input or output.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "BmpFile.h"
#include "ByteBlock.h"
#include "Images.h"

namespace rztool {

class Arguments;

enum class FileFormat { kBmp, kPng };

// Where commands write when no output is named.
inline constexpr const char* kDefaultOutputDirectory = "rztool-out";

bool LooksLikePng(std::span<const unsigned char> file);

// The map imported from a BMP file's DIB (see DibForImport), after
// printing a warning for each change of the import rules a user would not
// expect. Throws a failure, prefixed with label, saying why the library
// refused it, or that it is too large.
OwnedPixMap ImportBmp(const BmpDib& bmp, const std::string& label);
// The picture of a BMP or PNG file's bytes, which may be rewritten in place.
OwnedPixMap ImportImageBytes(std::span<unsigned char> bytes, const std::string& label);
// The picture of the BMP or PNG file name.
OwnedPixMap LoadImageFile(const std::string& name);

// The command's input: the named file (the first positional argument), or
// the built-in test image without one.
struct InputImage {
    std::string label;
    OwnedPixMap map;
};
InputImage LoadInput(const std::optional<std::string>& name);

struct OutputTarget {
    std::string name;
    FileFormat format = FileFormat::kBmp;
    // How reports name it: "standard output" for "-".
    std::string label() const { return name == "-" ? "standard output" : name; }
};
// --output / -o, else the next positional argument, else
// rztool-out/<stem>.bmp (the folder made when missing); --format bmp|png
// overrides the extension. A picture bound for standard output sends the
// reports to standard error.
OutputTarget OutputFor(Arguments& arguments, const std::string& stem);

// Writes map, or a packed DIB with a 40-byte header, as the target says,
// in one write.
void SaveMap(KWPixMap** map, const OutputTarget& target);
void SaveDIB(std::span<const unsigned char> dib, const OutputTarget& target);

} // namespace rztool
