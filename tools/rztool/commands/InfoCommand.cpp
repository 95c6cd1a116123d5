// info: what a BMP or PNG file holds, field by field, and the pixel map
// made from it.
#include <cstdio>
#include <cstring>

#include "Arguments.h"
#include "BmpFile.h"
#include "Command.h"
#include "DIBHeader.h"
#include "FileIO.h"
#include "ImageFiles.h"
#include "Images.h"
#include "KWRoot/Memory.h"
#include "PngFile.h"
#include "RZ/platform/WindowsTypes.h"
#include "Report.h"
#include "TestImage.h"

namespace rztool {

namespace {

void PrintFileHeader(std::span<const unsigned char> file) {
    if (file.size() < sizeof(BITMAPFILEHEADER)) return;
    BITMAPFILEHEADER header;
    std::memcpy(&header, file.data(), sizeof header);
    std::printf("file header     signature '%c%c', size field %u, pixel data at byte %u\n",
                header.bfType & 0xFF, header.bfType >> 8, static_cast<unsigned>(header.bfSize),
                static_cast<unsigned>(header.bfOffBits));
}

void PrintDIBHeader(std::span<const unsigned char> dib) {
    const auto fields = ReadDIBHeader(dib);
    if (!fields) {
        std::uint32_t headerSize = 0;
        if (dib.size() >= 4) std::memcpy(&headerSize, dib.data(), 4);
        std::printf("DIB header      %s (%u bytes), %zu bytes at hand: fields not shown\n",
                    dib.size() >= 4 ? HeaderKindName(headerSize) : "cut short", headerSize,
                    dib.size());
        return;
    }
    std::printf("DIB header      %s (%u bytes)\n", HeaderKindName(fields->headerSize),
                fields->headerSize);
    std::printf("  size          %lld x %lld, %s\n", static_cast<long long>(fields->width),
                static_cast<long long>(fields->height < 0 ? -fields->height : fields->height),
                fields->height < 0 ? "top-down rows" : "bottom-up rows");
    std::printf("  bits          %u per pixel x %u plane(s)\n", fields->bitCount, fields->planes);
    if (fields->headerSize == 12) return;
    std::printf("  compression   %s (%u)\n", CompressionName(fields->compression),
                fields->compression);
    std::printf("  image size    %u bytes (header field)\n", fields->sizeImage);
    std::printf("  resolution    %d x %d pixels per metre\n", fields->xPelsPerMeter,
                fields->yPelsPerMeter);
    std::printf("  colours       %u used, %u important\n", fields->colorsUsed,
                fields->colorsImportant);
    const auto layout = ReadDIBLayout(dib);
    if (layout && layout->maskCount > 0)
        std::printf("  bit masks     red %08X, green %08X, blue %08X, alpha %08X\n",
                    layout->masks[0], layout->masks[1], layout->masks[2], layout->masks[3]);
}

// RZGetDIBInfo on the header the import reads.
void PrintDIBInfo(const BmpDib& bmp) {
    if (bmp.rewritten)
        std::printf("for the import  header rewritten as BITMAPINFOHEADER (40 bytes)%s\n",
                    ReadDIBLayout(bmp.dib) && ReadDIBLayout(bmp.dib)->maskCount > 0
                        ? " with bit masks"
                        : "");
    if (bmp.dib.size() < sizeof(BITMAPINFOHEADER)) return;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bmp.dib.data(), sizeof header);
    if (header.biSize != sizeof header) return;
    unsigned int colours = 0, rowBytes = 0, headerSize = 0, imageSize = 0, unpacked = 0;
    RECT bounds{};
    const int usable =
        RZGetDIBInfo(&header, &colours, &bounds, &rowBytes, &headerSize, &imageSize, &unpacked);
    std::printf("RZGetDIBInfo    %s: %d colours, bounds %d x %d, %u bytes per row, header and "
                "table %u bytes, image %u bytes, unpacked %u bytes\n",
                usable ? "usable" : "not usable", static_cast<int>(colours),
                static_cast<int>(bounds.right - bounds.left),
                static_cast<int>(bounds.bottom - bounds.top), rowBytes, headerSize,
                usable ? imageSize : 0u, unpacked);
}

void PrintPngHeader(std::span<const unsigned char> file) {
    if (file.size() < 29) return;
    const auto big = [&file](std::size_t at) {
        return std::uint32_t{file[at]} << 24 | std::uint32_t{file[at + 1]} << 16 |
               std::uint32_t{file[at + 2]} << 8 | file[at + 3];
    };
    static const char* const kColourTypes[7] = {"grey",         "?", "RGB", "palette",
                                                "grey + alpha", "?", "RGBA"};
    const unsigned colourType = file[25];
    std::printf("PNG header      %u x %u, %u bits per channel, %s (colour type %u), %s\n", big(16),
                big(20), file[24], colourType < 7 ? kColourTypes[colourType] : "?", colourType,
                file[28] ? "interlaced" : "not interlaced");
}

ByteBlock BuiltInImageFile() {
    const ByteBlock dib = ExportDIB(MakeTestImage().get());
    const auto header = BmpFileHeader(dib.bytes());
    ByteBlock file(header.size() + dib.size());
    std::memcpy(file.data(), header.data(), header.size());
    std::memcpy(file.data() + header.size(), dib.data(), dib.size());
    return file;
}

int RunInfo(Arguments& arguments) {
    const auto file = arguments.TakePositional();
    arguments.RequireAllTaken();

    const std::string label = file ? InputName(*file) : "built-in test image";
    ByteBlock bytes = file ? ReadInputFile(*file) : BuiltInImageFile();
    std::printf("file            %s, %zu bytes\n", label.c_str(), bytes.size());
    OwnedPixMap map;
    if (LooksLikePng(bytes.bytes())) {
        PrintPngHeader(bytes.bytes());
        map = DecodePng(bytes.bytes(), label);
    } else if (!LooksLikeBmp(bytes.bytes())) {
        map = ImportImageBytes(bytes.bytes(), label); // which says what the file is not
    } else {
        PrintFileHeader(bytes.bytes());
        PrintDIBHeader(bytes.bytes().subspan(kBmpFileHeaderSize));
        std::fflush(stdout);
        const BmpDib bmp = DibForImport(bytes.bytes(), label);
        PrintDIBInfo(bmp);
        map = ImportBmp(bmp, label);
    }
    std::printf("pixel map       %s\n", DescribeMap(map.get()).c_str());
    std::printf("  storage       %u bytes per row, block of %d bytes (32-byte header + rows)\n",
                RZGetKWPixMapBytesPerRow(map.get()),
                BMGetHandleSize(reinterpret_cast<char**>(map.get())));
    return kExitOk;
}

} // namespace

extern const Command kInfoCommand = {
    "info", "[FILE]", "describe a BMP or PNG file's headers and the pixel map made from it",
    RunInfo};

} // namespace rztool
