// palette: the popularity colour table of the image (RZCalcPixMapColorTable),
// most populated cell first.
#include <charconv>
#include <cstdio>
#include <cstring>

#include "Arguments.h"
#include "Command.h"
#include "ImageFiles.h"
#include "RZ/KWPixMap"

namespace rztool {

namespace {

// The caller's variable array, released on every path.
struct ColourTable {
    TVADescriptor descriptor{};
    ColourTable() { vaManager.init(&descriptor); }
    ~ColourTable() { vaManager.dispose(&descriptor); }
    ColourTable(const ColourTable&) = delete;
    ColourTable& operator=(const ColourTable&) = delete;
};

unsigned int ParseCount(const std::optional<std::string>& text) {
    if (!text) return 256;
    unsigned int count = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), count);
    if (error != std::errc() || end != text->data() + text->size() || count == 0 || count > 32769)
        throw UsageError("--colors takes a count from 1 to 32769, not '" + *text + "'");
    return count;
}

int RunPalette(Arguments& arguments) {
    const auto inputName = arguments.TakePositional();
    const unsigned int maxColors = ParseCount(arguments.TakeOption("colors"));
    arguments.RequireAllTaken();
    InputImage input = LoadInput(inputName);

    // The table is made from 32-bit maps; 1-bit and grey maps go through a
    // 32-bit copy first.
    KWPixMap** map = input.map.get();
    OwnedPixMap copy;
    if (RZGetKWPixMapPixelSize(map) != 32) {
        copy = ConvertByPixelSetter(map, PixelTypeARGB);
        map = copy.get();
    }
    ColourTable table;
    const short result = RZCalcPixMapColorTable(map, maxColors, &table.descriptor);
    if (result != 0) throw Failure("RZCalcPixMapColorTable returned " + DescribeErrorCode(result));

    const int count = vaManager.count(&table.descriptor);
    std::printf("%s: %s\n%d colour(s), most populated 5-5-5 cell first (components are the "
                "cell means x 256)\n",
                input.label.c_str(), DescribeMap(input.map.get()).c_str(), count);
    for (int i = 0; i < count; ++i) {
        std::uint16_t rgb[3];
        std::memcpy(rgb, *table.descriptor.elements + 6 * i, sizeof rgb);
        std::printf("%5d  #%02X%02X%02X  %5u %5u %5u\n", i, (rgb[0] + 128) >> 8,
                    (rgb[1] + 128) >> 8, (rgb[2] + 128) >> 8, rgb[0], rgb[1], rgb[2]);
    }
    return kExitOk;
}

} // namespace

extern const Command kPaletteCommand = {
    "palette", "[FILE] [--colors N]",
    "print the popularity colour table, at most N colours, default 256 (RZCalcPixMapColorTable)",
    RunPalette};

} // namespace rztool
