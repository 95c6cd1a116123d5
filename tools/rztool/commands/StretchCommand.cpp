// stretch: a rectangle of the image scaled to a new size (RZStretchKWPixMap).
#include <cstdio>

#include "Arguments.h"
#include "Command.h"
#include "ImageFiles.h"
#include "Report.h"

namespace rztool {

namespace {

int RunStretch(Arguments& arguments) {
    const auto inputName = arguments.TakePositional();
    const auto sizeText = arguments.TakeOption("size");
    const auto scaleText = arguments.TakeOption("scale");
    const auto rectText = arguments.TakeOption("rect");
    const bool alpha = arguments.TakeFlag("alpha");
    const OutputTarget output = OutputFor(arguments, "stretch");
    arguments.RequireAllTaken();
    InputImage input = LoadInput(inputName);
    if (sizeText.has_value() == scaleText.has_value())
        throw UsageError("give either --size WIDTHxHEIGHT or --scale F");

    KWPixMap** source = input.map.get();
    const KWRect rect = SourceRect(source, rectText);
    const auto size = TargetSize(rect, sizeText, scaleText);
    OwnedPixMap target = NewMapLike(source, size.first, size.second);
    if (alpha) FillCheckerboard(target.get());
    const KWRect whole{0, 0, static_cast<std::int32_t>(size.second),
                       static_cast<std::int32_t>(size.first)};
    const short result = RZStretchKWPixMap(source, target.get(), &rect, &whole, alpha ? 1 : 0);
    if (result != 0) throw Failure("RZStretchKWPixMap returned " + DescribeErrorCode(result));
    SaveMap(target.get(), output);
    std::fprintf(ReportStream(), "%s: %s\nstretched %d,%d,%d,%d to %s%s\nwrote %s\n",
                 input.label.c_str(), DescribeMap(source).c_str(), rect.left, rect.top, rect.right,
                 rect.bottom, DescribeMap(target.get()).c_str(),
                 alpha ? ", blended over a checkerboard" : "", output.label().c_str());
    return kExitOk;
}

} // namespace

extern const Command kStretchCommand = {
    "stretch", "[FILE] (--size WxH | --scale F) [--rect L,T,R,B] [--alpha] [[-o] OUT]",
    "scale the image, or a rectangle of it, with bicubic filtering (RZStretchKWPixMap); "
    "--alpha blends it over a checkerboard",
    RunStretch, "alpha"};

} // namespace rztool
