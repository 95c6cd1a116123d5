// rotate: the image turned by an angle, optionally mirrored, into a map just
// large enough to hold it (RZRotateKWPixMap).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "Arguments.h"
#include "Command.h"
#include "ImageFiles.h"
#include "Report.h"

namespace rztool {

namespace {

int RunRotate(Arguments& arguments) {
    const auto inputName = arguments.TakePositional();
    const auto degreesText = arguments.TakeOption("degrees");
    const bool mirror = arguments.TakeFlag("mirror");
    const bool alpha = arguments.TakeFlag("alpha");
    const OutputTarget output = OutputFor(arguments, "rotate");
    arguments.RequireAllTaken();
    InputImage input = LoadInput(inputName);
    if (!degreesText) throw UsageError("--degrees A is required");
    std::size_t used = 0;
    double degrees = 0;
    try {
        degrees = std::stod(*degreesText, &used);
    } catch (const std::exception&) {
    }
    if (used != degreesText->size() || !std::isfinite(degrees) || std::fabs(degrees) > 1e6)
        throw UsageError("bad angle '" + *degreesText + "' (want degrees, e.g. 30 or -12.5)");

    KWPixMap** source = input.map.get();
    const int width = static_cast<int>(RZGetKWPixMapWidth(source));
    const int height = static_cast<int>(RZGetKWPixMapHeight(source));
    const double angle = degrees * std::numbers::pi / 180;
    int boxWidth = width, boxHeight = height;
    RZGetRotatedKWPixMapWidthHeight(&boxWidth, &boxHeight, angle, nullptr, 0, nullptr, nullptr);
    OwnedPixMap target = NewMapLike(source, boxWidth, boxHeight);
    if (alpha) FillCheckerboard(target.get());

    // The anchor is where the bottom-left corner lands (bottom-right when
    // mirrored); the corners lie at these offsets from it, so the box
    // starts at the origin when the anchor is minus their minimum.
    const double c = std::cos(angle), s = std::sin(angle), w = width, h = height;
    const double x = -std::min({0.0, w * c, -h * s, w * c - h * s});
    const double y = -std::min({0.0, -w * s, -h * c, -w * s - h * c});
    const KWRect whole{0, 0, height, width};
    const short result =
        RZRotateKWPixMap(source, target.get(), &whole, static_cast<int>(std::lround(x)),
                         static_cast<int>(std::lround(y)), angle, mirror, alpha ? 1 : 0);
    if (result != 0) throw Failure("RZRotateKWPixMap returned " + DescribeErrorCode(result));
    SaveMap(target.get(), output);
    std::fprintf(ReportStream(), "%s: %s\nturned by %g degrees%s into %s%s\nwrote %s\n",
                 input.label.c_str(), DescribeMap(source).c_str(), degrees,
                 mirror ? ", mirrored," : "", DescribeMap(target.get()).c_str(),
                 alpha ? ", blended over a checkerboard" : "", output.label().c_str());
    return kExitOk;
}

} // namespace

extern const Command kRotateCommand = {
    "rotate", "[FILE] --degrees A [--mirror] [--alpha] [[-o] OUT]",
    "turn the image counter-clockwise by A degrees into a map that just holds it "
    "(RZRotateKWPixMap); --alpha blends it over a checkerboard",
    RunRotate, "mirror alpha"};

} // namespace rztool
