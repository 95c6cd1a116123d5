#include "ImageFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Arguments.h"
#include "Command.h"
#include "DIBHeader.h"
#include "FileIO.h"
#include "ImportWarnings.h"
#include "PngFile.h"
#include "Report.h"
#include "TestImage.h"

namespace rztool {

namespace {

// Rows of more than 32767 words come out garbled from the import, whose
// row arithmetic is 16 bits wide.
constexpr std::int64_t kMaxImportRowWords = 32767;

void RefuseTooLarge(const BmpDib& bmp, const std::string& label) {
    const auto fields = ReadDIBHeader(bmp.dib);
    if (!fields || fields->headerSize != 40) return;
    const std::uint32_t bits = fields->bits();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return;
    const std::int64_t rowWords = (std::int64_t{fields->bits()} * fields->width + 31) / 32;
    if (rowWords > kMaxImportRowWords)
        throw Failure(label + ": too large: rows of " + std::to_string(fields->width) + " " +
                      std::to_string(bits) + "-bit pixels take " + std::to_string(rowWords * 4) +
                      " bytes; the import takes rows of up to " +
                      std::to_string(kMaxImportRowWords * 4));
}

FileFormat FormatOfName(const std::string& name, const std::optional<std::string>& format) {
    if (format)
        return Choice("format", format, {"bmp", "png"}, "") == "png" ? FileFormat::kPng
                                                                     : FileFormat::kBmp;
    std::string extension = std::filesystem::path(name).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".png") return FileFormat::kPng;
    if (extension.empty() || extension == ".bmp" || extension == ".dib") return FileFormat::kBmp;
    throw UsageError("cannot tell the format of " + name +
                     ": rztool writes .bmp and .png files (--format bmp|png says which)");
}

} // namespace

bool LooksLikePng(std::span<const unsigned char> file) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return file.size() >= 8 && std::memcmp(file.data(), kSignature, 8) == 0;
}

OwnedPixMap ImportBmp(const BmpDib& bmp, const std::string& label) {
    RefuseTooLarge(bmp, label);
    OwnedPixMap map = ImportDIB(bmp.dib, label);
    for (const std::string& warning : ImportWarnings(bmp)) Warn(label + ": " + warning);
    return map;
}

OwnedPixMap ImportImageBytes(std::span<unsigned char> bytes, const std::string& label) {
    if (LooksLikePng(bytes)) return DecodePng(bytes, label);
    if (!LooksLikeBmp(bytes) && bytes.size() >= 2) {
        char first[16];
        std::snprintf(first, sizeof first, "%02X %02X", bytes[0], bytes[1]);
        throw Failure(label + ": not a BMP or PNG file (starts with bytes " + first + ")");
    }
    return ImportBmp(DibForImport(bytes, label), label);
}

OwnedPixMap LoadImageFile(const std::string& name) {
    ByteBlock bytes = ReadInputFile(name);
    return ImportImageBytes(bytes.bytes(), InputName(name));
}

InputImage LoadInput(const std::optional<std::string>& name) {
    if (name) return {InputName(*name), LoadImageFile(*name)};
    return {"built-in test image", MakeTestImage()};
}

OutputTarget OutputFor(Arguments& arguments, const std::string& stem) {
    const auto format = arguments.TakeOption("format");
    auto name = arguments.TakeOption("output");
    if (const auto last = arguments.TakePositional()) {
        if (name) throw UsageError("two outputs: -o " + *name + " and " + *last);
        name = last;
    }
    if (!name) {
        const FileFormat chosen = FormatOfName("", format);
        std::error_code ignored; // a failure shows when the file is written
        std::filesystem::create_directory(kDefaultOutputDirectory, ignored);
        return {(std::filesystem::path(kDefaultOutputDirectory) /
                 (stem + (chosen == FileFormat::kPng ? ".png" : ".bmp")))
                    .string(),
                chosen};
    }
    if (*name == kStandardStream) ReportToStandardError();
    return {*name, FormatOfName(*name == kStandardStream ? "" : *name, format)};
}

void SaveMap(KWPixMap** map, const OutputTarget& target) {
    if (target.format == FileFormat::kPng) {
        const auto png = EncodePng(map);
        WriteOutputFile(target.name, {png});
        return;
    }
    const ByteBlock dib = ExportDIB(map);
    const auto header = BmpFileHeader(dib.bytes());
    WriteOutputFile(target.name, {header, dib.bytes()});
}

void SaveDIB(std::span<const unsigned char> dib, const OutputTarget& target) {
    if (target.format == FileFormat::kBmp) {
        const auto header = BmpFileHeader(dib);
        WriteOutputFile(target.name, {header, dib});
        return;
    }
    if (const auto png = EncodePngFromDIB(dib)) {
        WriteOutputFile(target.name, {*png});
        return;
    }
    const OwnedPixMap map = ImportDIB(dib, "the picture");
    SaveMap(map.get(), target);
}

} // namespace rztool
