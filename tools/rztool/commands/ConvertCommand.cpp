// convert: the image reduced to 1, 4, 8 or 24 bits per pixel
// (CRZConvertBitmap), written as a BMP or PNG file.
#include <cstdio>
#include <cstring>
#include <span>

#include "Arguments.h"
#include "Command.h"
#include "ImageFiles.h"
#include "RZ/KWPixMap"
#include "Report.h"

namespace rztool {

namespace {

int RunConvert(Arguments& arguments) {
    const auto inputName = arguments.TakePositional();
    const auto bitsText = arguments.TakeOption("bits");
    const bool dither =
        Choice("dither", arguments.TakeOption("dither"), {"yes", "no"}, "no") == "yes";
    const auto paletteText = arguments.TakeOption("palette");
    const std::string bits = Choice("bits", bitsText, {"1", "4", "8", "24"}, "8");
    const std::string palette =
        Choice("palette", paletteText, {"popularity", "standard"}, "popularity");
    const OutputTarget output = OutputFor(arguments, "convert-" + bits);
    arguments.RequireAllTaken();
    InputImage input = LoadInput(inputName);

    const ByteBlock source = ExportDIB(input.map.get());
    BITMAPINFOHEADER header;
    std::memcpy(&header, source.data(), sizeof header);
    const int target = std::stoi(bits), from = header.biBitCount;
    // Only 8-bit targets of true-colour sources have a palette to choose,
    // and only a drop in depth leaves an error to diffuse.
    const bool choosesPalette = target == 8 && from > 8;
    if (paletteText && !choosesPalette)
        Warn("--palette has no effect at " + bits + " bits" +
             (target == 8
                  ? " for " + std::to_string(from) + "-bit pixels: they get the standard palette"
                  : ""));
    if (dither && (target == 24 || target >= from))
        Warn("--dither has no effect at " + bits + " bits from " + std::to_string(from) + " bits");

    void* converted = nullptr;
    const unsigned int size =
        CRZConvertBitmap(&converted, static_cast<short>(target),
                         reinterpret_cast<const BITMAPINFOHEADER*>(source.data()), dither ? 1 : 0,
                         palette == "standard" ? 1 : 0);
    const ByteBlock dib = ByteBlock::Adopt(static_cast<char*>(converted), size);
    if (size == 0 || converted == nullptr)
        throw Failure("CRZConvertBitmap refused the " + std::to_string(from) + "-bit DIB of " +
                      input.label);
    SaveDIB(dib.bytes(), output);

    std::fprintf(ReportStream(),
                 "%s: %s\nconverted from %d to %s bits, %s palette, %s\nwrote %s (%u bytes of "
                 "DIB)\n",
                 input.label.c_str(), DescribeMap(input.map.get()).c_str(), from, bits.c_str(),
                 target == 24                                ? "no"
                 : choosesPalette && palette == "popularity" ? "popularity"
                                                             : "standard",
                 dither && target < from && target != 24 ? "error diffusion" : "nearest colour",
                 output.label().c_str(), size);
    return kExitOk;
}

} // namespace

extern const Command kConvertCommand = {
    "convert",
    "[FILE] [--bits 1|4|8|24] [--dither yes|no] [--palette popularity|standard] [[-o] OUT]",
    "reduce to 1, 4, 8 or 24 bits per pixel, optionally with error diffusion (CRZConvertBitmap)",
    RunConvert};

} // namespace rztool
