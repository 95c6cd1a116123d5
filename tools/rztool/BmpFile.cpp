#include "BmpFile.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "Command.h"
#include "DIBHeader.h"
#include "RZ/platform/WindowsTypes.h"

namespace rztool {

namespace {

constexpr std::size_t kFileHeaderSize = sizeof(BITMAPFILEHEADER);
static_assert(kFileHeaderSize == 14, "BITMAPFILEHEADER is 14 bytes");
constexpr WORD kBmpSignature = 0x4D42; // "BM", little-endian

} // namespace

std::vector<unsigned char> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure(path.string() + ": cannot open file");
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure(path.string() + ": read error");
    return bytes;
}

void WriteWholeFile(const std::filesystem::path& path, std::span<const unsigned char> bytes) {
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    if (error)
        throw Failure(path.parent_path().string() + ": cannot create directory (" +
                      error.message() + ")");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw Failure(path.string() + ": cannot write file");
}

std::vector<unsigned char> PackedDIBFromBmp(std::span<const unsigned char> file,
                                            const std::string& label) {
    if (file.size() < kFileHeaderSize)
        throw Failure(label + ": not a BMP file (" + std::to_string(file.size()) +
                      " bytes, shorter than a BMP file header)");
    BITMAPFILEHEADER header;
    std::memcpy(&header, file.data(), kFileHeaderSize);
    if (header.bfType != kBmpSignature) {
        char first[16];
        std::snprintf(first, sizeof first, "%02X %02X", file[0], file[1]);
        throw Failure(label + ": not a BMP file (starts with bytes " + first + ", not 'BM')");
    }
    const auto dib = file.subspan(kFileHeaderSize);
    if (dib.size() < 4) throw Failure(label + ": BMP file ends before its DIB header");

    // bfOffBits is honoured only when it points past the colour table and
    // inside the file; files often carry a wrong value, and the import
    // judges the DIB itself.
    const auto tableEnd = PixelDataOffset(dib);
    const std::uint64_t pixelsAt = header.bfOffBits;
    if (tableEnd && pixelsAt > kFileHeaderSize + *tableEnd && pixelsAt <= file.size() &&
        *tableEnd <= dib.size()) {
        std::vector<unsigned char> packed(dib.begin(), dib.begin() + *tableEnd);
        packed.insert(packed.end(), file.begin() + static_cast<std::ptrdiff_t>(pixelsAt),
                      file.end());
        return packed;
    }
    return {dib.begin(), dib.end()};
}

std::vector<unsigned char> BmpFromPackedDIB(std::span<const unsigned char> dib) {
    const auto tableEnd = PixelDataOffset(dib);
    BITMAPFILEHEADER header{};
    header.bfType = kBmpSignature;
    header.bfSize = static_cast<DWORD>(kFileHeaderSize + dib.size());
    header.bfOffBits = static_cast<DWORD>(kFileHeaderSize + (tableEnd ? *tableEnd : 0));
    // Sized once and filled by copies: growing it with insert trips a false
    // array-bounds warning in optimised builds.
    std::vector<unsigned char> file(kFileHeaderSize + dib.size());
    std::memcpy(file.data(), &header, kFileHeaderSize);
    if (!dib.empty()) std::memcpy(file.data() + kFileHeaderSize, dib.data(), dib.size());
    return file;
}

} // namespace rztool
