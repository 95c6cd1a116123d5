// The PNG functions of a tool built without libpng: each says so.
#include "Command.h"
#include "PngFile.h"

namespace rztool {

namespace {
const char* const kNoPng = "this rztool was built without PNG support";
} // namespace

std::string PngSupport() {
    return "built without PNG support";
}

OwnedPixMap DecodePng(std::span<const unsigned char>, const std::string& label) {
    throw Failure(label + ": cannot read a PNG file: " + kNoPng);
}

std::vector<unsigned char> EncodePng(KWPixMap**) {
    throw Failure(std::string("cannot write a PNG file: ") + kNoPng);
}

std::optional<std::vector<unsigned char>> EncodePngFromDIB(std::span<const unsigned char>) {
    throw Failure(std::string("cannot write a PNG file: ") + kNoPng);
}

} // namespace rztool
