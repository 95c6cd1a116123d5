// demo: the library's main job on the built-in test image, every picture
// written to one directory.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Arguments.h"
#include "Command.h"
#include "ImageFiles.h"
#include "TestImage.h"

namespace rztool {

namespace {

// Writes map as name in directory, reads the file back through the import
// and prints what it holds; returns the re-imported map.
OwnedPixMap WriteAndReload(KWPixMap** map, const std::filesystem::path& directory, const char* name,
                           const char* what) {
    const std::string path = (directory / name).string();
    SaveMap(map, {path, FileFormat::kBmp});
    OwnedPixMap reloaded = LoadImageFile(path);
    std::printf("  %-16s %s\n  %-16s   read back: %s\n", name, what, "",
                DescribeMap(reloaded.get()).c_str());
    return reloaded;
}

// True when the two maps have the same size, type and pixel bytes.
bool SamePixels(KWPixMap** a, KWPixMap** b) {
    const unsigned int rowBytes = RZGetKWPixMapBytesPerRow(a);
    if (RZGetKWPixMapWidth(a) != RZGetKWPixMapWidth(b) ||
        RZGetKWPixMapHeight(a) != RZGetKWPixMapHeight(b) ||
        RZGetKWPixMapPixelType(a) != RZGetKWPixMapPixelType(b) ||
        rowBytes != RZGetKWPixMapBytesPerRow(b))
        return false;
    return std::memcmp(RZGetKWPixMapBaseAddr(a), RZGetKWPixMapBaseAddr(b),
                       std::size_t{rowBytes} * RZGetKWPixMapHeight(a)) == 0;
}

int RunDemo(Arguments& arguments) {
    auto named = arguments.TakeOption("output");
    if (!named) named = arguments.TakePositional();
    arguments.RequireAllTaken();
    const std::filesystem::path directory = named.value_or(kDefaultOutputDirectory);
    if (directory == "-") throw UsageError("demo writes several pictures: give a folder");
    // The folder itself, not the ones above it.
    std::error_code error;
    std::filesystem::create_directory(directory, error);
    if (error)
        throw Failure("cannot create the folder " + directory.string() + ": " + error.message());

    const OwnedPixMap image = MakeTestImage();
    std::printf("built-in test image: %s\nwriting to %s/\n", DescribeMap(image.get()).c_str(),
                directory.string().c_str());

    const OwnedPixMap reloaded =
        WriteAndReload(image.get(), directory, "builtin.bmp",
                       "the test image as a bottom-up 32-bit DIB (RZKWPixMap2DIB)");
    if (!SamePixels(image.get(), reloaded.get()))
        throw Failure("builtin.bmp does not import back to the pixels that were exported");
    WriteAndReload(reloaded.get(), directory, "roundtrip.bmp",
                   "builtin.bmp imported (RZDIB2KWPixMap) and exported again");
    std::printf("  %-16s   (pixels survive exactly; the resolution goes from dots per inch\n"
                "  %-16s   to pixels per metre and back, truncated both ways, and so loses\n"
                "  %-16s   one dpi on each pass: 72, 71, 70)\n",
                "", "", "");

    const OwnedPixMap grey = ConvertByPixelSetter(image.get(), PixelTypeGrey);
    WriteAndReload(grey.get(), directory, "grey.bmp",
                   "8-bit grey map: each pixel's luminance, with a grey ramp palette");
    const OwnedPixMap blackWhite = ConvertByPixelSetter(image.get(), PixelTypeBlackWhite);
    WriteAndReload(blackWhite.get(), directory, "bw.bmp",
                   "1-bit map: white where the luminance is above 127");

    const KWRect rect = ParseRect("224,160,480,352");
    OwnedPixMap cropped;
    const short result = RZCropKWPixMap(image.get(), cropped.out(), &rect);
    if (result != 0) throw Failure("RZCropKWPixMap returned " + DescribeErrorCode(result));
    WriteAndReload(cropped.get(), directory, "crop.bmp",
                   "columns 224..479 of rows 160..351 (RZCropKWPixMap)");
    OwnedPixMap greyCrop;
    RZCropKWPixMap(grey.get(), greyCrop.out(), &rect);
    WriteAndReload(greyCrop.get(), directory, "crop-grey.bmp", "the same part of the grey map");

    const auto colour = ParseColour("#3366CC");
    RZFillKWPixMap(cropped.get(), colour.data());
    WriteAndReload(cropped.get(), directory, "fill.bmp",
                   "the cropped map filled with #3366CC (RZFillKWPixMap)");
    RZFillKWPixMap(greyCrop.get(), colour.data());
    WriteAndReload(greyCrop.get(), directory, "fill-grey.bmp",
                   "the grey crop filled with the same colour: its luminance");

    std::printf("pictures are in %s\n", std::filesystem::absolute(directory).string().c_str());
    return kExitOk;
}

} // namespace

extern const Command kDemoCommand = {
    "demo", "[[-o] DIR]",
    "export, import, crop and fill the built-in image; pictures go to DIR (rztool-out)", RunDemo};

} // namespace rztool
