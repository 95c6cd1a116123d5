#include "BmpFile.h"

#include <cstdio>
#include <cstring>

#include "Command.h"
#include "DIBHeader.h"
#include "RZ/platform/WindowsTypes.h"

namespace rztool {

namespace {

static_assert(sizeof(BITMAPFILEHEADER) == kBmpFileHeaderSize, "BITMAPFILEHEADER is 14 bytes");
constexpr WORD kBmpSignature = 0x4D42; // "BM", little-endian

void Store32(unsigned char* at, std::uint32_t value) {
    std::memcpy(at, &value, 4);
}

// Compressed data that the import would take for plain rows.
const char* UndecodedCompression(const DIBHeaderFields& fields) {
    if (fields.os2()) {
        if (fields.compression == 3) return "OS/2 Huffman 1D";
        if (fields.compression == 4) return "OS/2 RLE24";
        return nullptr;
    }
    if (fields.compression == 4) return "JPEG (BI_JPEG)";
    if (fields.compression == 5) return "PNG (BI_PNG)";
    return nullptr;
}

} // namespace

bool LooksLikeBmp(std::span<const unsigned char> file) {
    return file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
}

BmpDib DibForImport(std::span<unsigned char> file, const std::string& label) {
    if (file.size() < kBmpFileHeaderSize)
        throw Failure(label + ": not a BMP file (" + std::to_string(file.size()) +
                      " bytes, shorter than a BMP file header)");
    BITMAPFILEHEADER fileHeader;
    std::memcpy(&fileHeader, file.data(), kBmpFileHeaderSize);
    if (fileHeader.bfType != kBmpSignature) {
        char first[16];
        std::snprintf(first, sizeof first, "%02X %02X", file[0], file[1]);
        throw Failure(label + ": not a BMP file (starts with bytes " + first + ", not 'BM')");
    }
    const auto dib = file.subspan(kBmpFileHeaderSize);
    if (dib.size() < 4) throw Failure(label + ": BMP file ends before its DIB header");
    BmpDib result;
    result.dib = dib;
    std::memcpy(&result.fileHeaderSize, dib.data(), 4);

    // A header the tool cannot read goes to the import as it is, which
    // refuses it with its own reasons.
    const auto layout = ReadDIBLayout(dib);
    if (!layout) return result;
    const DIBHeaderFields& fields = layout->fields;
    if (const char* compression = UndecodedCompression(fields))
        throw Failure(label + ": cannot import the image: its pixel data are " + compression +
                      "-compressed, which the import does not decode");
    if (layout->maskCount == 4) result.alphaMask = layout->masks[3];
    const std::uint64_t tableEnd = layout->tableEnd();
    if (tableEnd > dib.size()) {
        if (fields.headerSize == 12 || fields.headerSize == 40) return result;
        throw Failure(label + ": the file ends inside the colour table of its " +
                      HeaderKindName(fields.headerSize));
    }
    // bfOffBits is honoured only when it points past the colour table and
    // inside the file; files often carry a wrong value.
    std::uint64_t pixelsAt = kBmpFileHeaderSize + tableEnd;
    if (fileHeader.bfOffBits > pixelsAt && fileHeader.bfOffBits <= file.size())
        pixelsAt = fileHeader.bfOffBits;
    const bool plainHeader =
        fields.headerSize == 12 || (fields.headerSize == 40 && fields.compression != 6);
    result.pixelsAt = static_cast<std::size_t>(tableEnd);
    if (plainHeader && pixelsAt == kBmpFileHeaderSize + tableEnd) return result;

    // The new header: the core header as it is, or a 40-byte header with
    // the fields this one has and three masks for bit fields.
    unsigned char header[40 + 12] = {};
    std::size_t headerBytes = 12;
    if (fields.headerSize == 12) {
        std::memcpy(header, dib.data(), 12);
    } else {
        headerBytes = 40;
        std::memcpy(header, dib.data(), std::min<std::size_t>(fields.headerSize, 40));
        Store32(header, 40);
        if (layout->maskCount > 0) {
            Store32(header + 16, 3); // BI_BITFIELDS
            for (int i = 0; i < 3; ++i) Store32(header + 40 + 4 * i, layout->masks[i]);
            headerBytes += 12;
        }
    }
    result.rewritten = !plainHeader;
    const std::size_t tableBytes = static_cast<std::size_t>(tableEnd - layout->tableAt);
    const std::size_t newSize = headerBytes + tableBytes + (file.size() - pixelsAt);
    result.pixelsAt = headerBytes + tableBytes;
    if (headerBytes + tableBytes <= pixelsAt) {
        // In place: the table moves towards the pixels (never backwards, so
        // its old bytes are read before they are overwritten), the header
        // goes in front of it.
        unsigned char* const start = file.data() + pixelsAt - headerBytes - tableBytes;
        std::memmove(start + headerBytes, dib.data() + layout->tableAt, tableBytes);
        std::memcpy(start, header, headerBytes);
        result.dib = {start, newSize};
        return result;
    }
    // Only a header grown from 16 to 40 bytes may not fit: then a copy.
    result.copy = ByteBlock(newSize);
    std::memcpy(result.copy.data(), header, headerBytes);
    std::memcpy(result.copy.data() + headerBytes, dib.data() + layout->tableAt, tableBytes);
    std::memcpy(result.copy.data() + headerBytes + tableBytes, file.data() + pixelsAt,
                file.size() - pixelsAt);
    result.dib = result.copy.bytes();
    return result;
}

std::array<unsigned char, kBmpFileHeaderSize> BmpFileHeader(std::span<const unsigned char> dib) {
    const auto layout = ReadDIBLayout(dib);
    BITMAPFILEHEADER header{};
    header.bfType = kBmpSignature;
    header.bfSize = static_cast<DWORD>(kBmpFileHeaderSize + dib.size());
    header.bfOffBits =
        static_cast<DWORD>(kBmpFileHeaderSize + (layout ? layout->tableEnd() : dib.size()));
    std::array<unsigned char, kBmpFileHeaderSize> bytes;
    std::memcpy(bytes.data(), &header, kBmpFileHeaderSize);
    return bytes;
}

} // namespace rztool
