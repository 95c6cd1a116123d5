// draw: the image, or a rectangle of it, drawn scaled onto a device of a
// chosen depth (RZDrawKWPixMapPartOnHDC); what the device then holds is
// read back (RZDDB2DIB) and written as a BMP file.
#include <cmath>
#include <cstdio>

#include "Arguments.h"
#include "Command.h"
#include "Device.h"
#include "ImageFiles.h"
#include "Report.h"

namespace rztool {

namespace {

int RunDraw(Arguments& arguments) {
    const auto inputName = arguments.TakePositional();
    const auto depthText = arguments.TakeOption("depth");
    const auto rectText = arguments.TakeOption("rect");
    const auto sizeText = arguments.TakeOption("size");
    const auto scaleText = arguments.TakeOption("scale");
    const auto paletteText = arguments.TakeOption("palette");
    const bool dither = arguments.TakeFlag("dither");
    const bool alpha = arguments.TakeFlag("alpha");
    const std::string depth = Choice("depth", depthText, {"1", "4", "8", "16", "24", "32"}, "8");
    const std::string palette =
        Choice("palette", paletteText, {"popularity", "standard"}, "popularity");
    const OutputTarget output = OutputFor(arguments, "draw-" + depth);
    arguments.RequireAllTaken();
    InputImage input = LoadInput(inputName);
    if (sizeText && scaleText) throw UsageError("give --size or --scale, not both");

    KWPixMap** map = input.map.get();
    const KWRect rect = SourceRect(map, rectText);
    const auto size = TargetSize(rect, sizeText, scaleText);
    // Only the library's own reduction, for devices of 8 bits or fewer
    // without blending, uses a palette and diffuses errors.
    const int deviceBits = std::stoi(depth), mapBits = int(RZGetKWPixMapPixelSize(map));
    const bool reduced = deviceBits <= 8 && !alpha;
    const std::string drawing = " drawing " + std::to_string(mapBits) + "-bit pixels on a " +
                                depth + "-bit device" + (alpha ? " with --alpha" : "");
    if (paletteText && !(reduced && deviceBits == 8 && mapBits > 8))
        Warn("--palette has no effect" + drawing);
    if (dither && !(reduced && deviceBits < mapBits)) Warn("--dither has no effect" + drawing);
    Device device(deviceBits, static_cast<int>(size.first), static_cast<int>(size.second));
    if (alpha) device.PaintCheckerboard();
    const KWRect target{0, 0, static_cast<std::int32_t>(size.second),
                        static_cast<std::int32_t>(size.first)};
    const short result = RZDrawKWPixMapPartOnHDC(device.dc(), map, &rect, &target, dither ? 1 : 0,
                                                 palette == "standard" ? 1 : 0, alpha ? 1 : 0);
    if (result != 0) throw Failure("RZDrawKWPixMapPartOnHDC returned " + DescribeErrorCode(result));
    const ByteBlock held = device.ReadBack();
    SaveDIB(held.bytes(), output);
    std::fprintf(ReportStream(),
                 "%s: %s\ndrew %d,%d,%d,%d onto a %s-bit %lld x %lld device%s%s\nwrote %s\n",
                 input.label.c_str(), DescribeMap(map).c_str(), rect.left, rect.top, rect.right,
                 rect.bottom, depth.c_str(), static_cast<long long>(size.first),
                 static_cast<long long>(size.second), dither ? ", dithered" : "",
                 alpha ? ", blended over a checkerboard" : "", output.label().c_str());
    return kExitOk;
}

} // namespace

extern const Command kDrawCommand = {
    "draw",
    "[FILE] [--depth 1|4|8|16|24|32] [--rect L,T,R,B] [--size WxH | --scale F] [--dither] "
    "[--palette popularity|standard] [--alpha] [[-o] OUT]",
    "draw the image onto a device of that depth (RZDrawKWPixMapPartOnHDC) and write what it "
    "holds (RZDDB2DIB); 8 bits and fewer are reduced by the library, --alpha blends with GDI+",
    RunDraw, "dither alpha"};

} // namespace rztool
