// roundtrip: picture file -> pixel map -> picture file.
#include "Arguments.h"
#include "Command.h"
#include "ImageFiles.h"
#include "Report.h"

namespace rztool {

namespace {

int RunRoundTrip(Arguments& arguments) {
    const auto inputName = arguments.TakePositional();
    const OutputTarget output = OutputFor(arguments, "roundtrip");
    arguments.RequireAllTaken();
    InputImage input = LoadInput(inputName);

    SaveMap(input.map.get(), output);
    std::fprintf(ReportStream(), "%s: %s\nwrote %s\n", input.label.c_str(),
                 DescribeMap(input.map.get()).c_str(), output.label().c_str());
    return kExitOk;
}

} // namespace

extern const Command kRoundTripCommand = {
    "roundtrip", "[FILE] [[-o] OUT]",
    "read FILE into a pixel map and write it again (a BMP file through RZDIB2KWPixMap and "
    "RZKWPixMap2DIB)",
    RunRoundTrip};

} // namespace rztool
