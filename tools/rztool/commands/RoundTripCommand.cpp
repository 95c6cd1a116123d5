// roundtrip: BMP file -> pixel map -> BMP file.
#include <cstdio>

#include "Arguments.h"
#include "Command.h"
#include "Images.h"

namespace rztool {

namespace {

int RunRoundTrip(Arguments& arguments) {
    InputImage input = LoadInput(arguments);
    const auto output = OutputPath(arguments, "roundtrip.bmp");
    arguments.RequireAllTaken();

    SaveBmpFile(input.map.get(), output);
    std::printf("%s: %s\nwrote %s\n", input.label.c_str(), DescribeMap(input.map.get()).c_str(),
                output.string().c_str());
    return kExitOk;
}

} // namespace

extern const Command kRoundTripCommand = {
    "roundtrip", "[FILE] [-o OUT]",
    "import FILE into a pixel map and export it again as a BMP file", RunRoundTrip};

} // namespace rztool
