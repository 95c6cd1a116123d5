// fill: the image, every pixel set to one colour.
#include <cstdio>

#include "Arguments.h"
#include "Command.h"
#include "ImageFiles.h"
#include "Report.h"

namespace rztool {

namespace {

int RunFill(Arguments& arguments) {
    const auto inputName = arguments.TakePositional();
    const auto colourText = arguments.TakeOption("colour");
    const OutputTarget output = OutputFor(arguments, "fill");
    arguments.RequireAllTaken();
    InputImage input = LoadInput(inputName);
    if (!colourText) throw UsageError("--colour R,G,B[,A] is required");

    const auto colour = ParseColour(*colourText);
    RZFillKWPixMap(input.map.get(), colour.data());
    SaveMap(input.map.get(), output);
    std::fprintf(ReportStream(),
                 "%s: %s filled with alpha %d, red %d, green %d, blue %d\nwrote %s\n",
                 input.label.c_str(), DescribeMap(input.map.get()).c_str(), colour[0], colour[1],
                 colour[2], colour[3], output.label().c_str());
    return kExitOk;
}

} // namespace

extern const Command kFillCommand = {
    "fill", "[FILE] --colour R,G,B[,A] [[-o] OUT]",
    "set every pixel to one colour (RZFillKWPixMap; grey and 1-bit maps take its luminance)",
    RunFill};

} // namespace rztool
