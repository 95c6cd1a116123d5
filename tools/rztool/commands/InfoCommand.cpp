// info: what a BMP file holds, field by field, and the pixel map the
// library imports from it.
#include <cstdio>
#include <cstring>

#include "Arguments.h"
#include "BmpFile.h"
#include "Command.h"
#include "DIBHeader.h"
#include "Images.h"
#include "KWRoot/Memory.h"
#include "RZ/platform/WindowsTypes.h"
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
    if (fields->headerSize != 40) return;

    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data(), sizeof header);
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

int RunInfo(Arguments& arguments) {
    const auto file = arguments.TakePositional();
    arguments.RequireAllTaken();

    const std::string label = file ? *file : "built-in test image";
    const auto bytes =
        file ? ReadWholeFile(*file) : BmpFromPackedDIB(ExportDIB(MakeTestImage().get()));
    std::printf("file            %s, %zu bytes\n", label.c_str(), bytes.size());
    const auto dib = PackedDIBFromBmp(bytes, label);
    PrintFileHeader(bytes);
    PrintDIBHeader(dib);

    const OwnedPixMap map = ImportDIB(dib, label);
    std::printf("pixel map       %s\n", DescribeMap(map.get()).c_str());
    std::printf("  storage       %u bytes per row, block of %d bytes (32-byte header + rows)\n",
                RZGetKWPixMapBytesPerRow(map.get()),
                BMGetHandleSize(reinterpret_cast<char**>(map.get())));
    return kExitOk;
}

} // namespace

extern const Command kInfoCommand = {
    "info", "[FILE]", "describe a BMP file's headers and the pixel map imported from it", RunInfo};

} // namespace rztool
