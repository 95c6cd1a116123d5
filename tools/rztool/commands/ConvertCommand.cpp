// convert: the image reduced to 1, 4, 8 or 24 bits per pixel
// (CRZConvertBitmap), written as a BMP file.
#include <cstdio>
#include <cstring>
#include <span>

#include "Arguments.h"
#include "BmpFile.h"
#include "Command.h"
#include "Images.h"
#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"

namespace rztool {

namespace {

bool ParseYesNo(const std::optional<std::string>& text, const char* option) {
    if (!text || *text == "no") return false;
    if (*text == "yes") return true;
    throw UsageError(std::string("--") + option + " takes yes or no, not '" + *text + "'");
}

int RunConvert(Arguments& arguments) {
    InputImage input = LoadInput(arguments);
    const auto bitsText = arguments.TakeOption("bits");
    const bool dither = ParseYesNo(arguments.TakeOption("dither"), "dither");
    const auto paletteText = arguments.TakeOption("palette");
    const std::string bits = bitsText.value_or("8");
    if (bits != "1" && bits != "4" && bits != "8" && bits != "24")
        throw UsageError("--bits takes 1, 4, 8 or 24, not '" + bits + "'");
    const std::string palette = paletteText.value_or("popularity");
    if (palette != "popularity" && palette != "standard")
        throw UsageError("--palette takes popularity or standard, not '" + palette + "'");
    const auto output = OutputPath(arguments, "convert-" + bits + ".bmp");
    arguments.RequireAllTaken();

    const std::vector<unsigned char> source = ExportDIB(input.map.get());
    BITMAPINFOHEADER header;
    std::memcpy(&header, source.data(), sizeof header);
    void* converted = nullptr;
    const unsigned int size =
        CRZConvertBitmap(&converted, static_cast<short>(std::stoi(bits)),
                         reinterpret_cast<const BITMAPINFOHEADER*>(source.data()), dither ? 1 : 0,
                         palette == "standard" ? 1 : 0);
    if (size == 0 || converted == nullptr)
        throw Failure("CRZConvertBitmap refused the " + std::to_string(header.biBitCount) +
                      "-bit DIB of " + input.label);
    const std::vector<unsigned char> dib(static_cast<unsigned char*>(converted),
                                         static_cast<unsigned char*>(converted) + size);
    char* block = static_cast<char*>(converted);
    BMKillPtr(&block);
    WriteWholeFile(output, BmpFromPackedDIB(dib));

    // Only 8-bit targets of true-colour sources use the popularity palette.
    const bool popularity = bits == "8" && palette == "popularity" && header.biBitCount > 8;
    std::printf("%s: %s\nconverted from %d to %s bits, %s palette, %s\nwrote %s (%u bytes of "
                "DIB)\n",
                input.label.c_str(), DescribeMap(input.map.get()).c_str(), header.biBitCount,
                bits.c_str(),
                bits == "24" ? "no"
                : popularity ? "popularity"
                             : "standard",
                dither ? "error diffusion" : "nearest colour", output.string().c_str(), size);
    return kExitOk;
}

} // namespace

extern const Command kConvertCommand = {
    "convert",
    "[FILE] [--bits 1|4|8|24] [--dither yes|no] [--palette popularity|standard] [-o OUT]",
    "reduce to 1, 4, 8 or 24 bits per pixel, optionally with error diffusion (CRZConvertBitmap)",
    RunConvert};

} // namespace rztool
