// crop: a rectangle of the image as a new picture file.
#include <cstdio>

#include "Arguments.h"
#include "Command.h"
#include "ImageFiles.h"
#include "Report.h"

namespace rztool {

namespace {

std::string RectText(const KWRect& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

int RunCrop(Arguments& arguments) {
    const auto inputName = arguments.TakePositional();
    const auto rectText = arguments.TakeOption("rect");
    const OutputTarget output = OutputFor(arguments, "crop");
    arguments.RequireAllTaken();
    InputImage input = LoadInput(inputName);
    if (!rectText) throw UsageError("--rect LEFT,TOP,RIGHT,BOTTOM is required");

    // The library answers a rectangle outside the map with a whole copy;
    // asking for one here is a mistake worth reporting instead.
    const KWRect rect = ParseRect(*rectText);
    const auto width = static_cast<std::int64_t>(RZGetKWPixMapWidth(input.map.get()));
    const auto height = static_cast<std::int64_t>(RZGetKWPixMapHeight(input.map.get()));
    if (rect.left < 0 || rect.top < 0 || rect.right > width || rect.bottom > height ||
        rect.left >= rect.right || rect.top >= rect.bottom)
        throw UsageError("rectangle " + RectText(rect) + " is empty or not inside the " +
                         std::to_string(width) + " x " + std::to_string(height) + " image");

    OwnedPixMap cropped;
    const short result = RZCropKWPixMap(input.map.get(), cropped.out(), &rect);
    if (result != 0 || cropped.get() == nullptr)
        throw Failure("RZCropKWPixMap returned " + DescribeErrorCode(result));
    SaveMap(cropped.get(), output);
    std::fprintf(ReportStream(), "%s: cropped %s to %s\nwrote %s\n", input.label.c_str(),
                 RectText(rect).c_str(), DescribeMap(cropped.get()).c_str(),
                 output.label().c_str());
    return kExitOk;
}

} // namespace

extern const Command kCropCommand = {"crop", "[FILE] --rect L,T,R,B [[-o] OUT]",
                                     "cut out columns L..R-1 of rows T..B-1 (RZCropKWPixMap)",
                                     RunCrop};

} // namespace rztool
