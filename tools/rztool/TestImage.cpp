#include "TestImage.h"

#include <cstring>

#include "Command.h"

// Layout, top to bottom:
//   rows   0..127  hue sweep left to right, from white (top) through the
//                  pure hues to black;
//   rows 128..191  smooth ramps on the left half (grey, then green), 16 hard
//                  steps on the right half (grey, then blue);
//   rows 192..383  eight colour bars with an orange disc (hard straight and
//                  curved edges), a zone plate (rings up to the pixel
//                  frequency), and 1- and 2-pixel checkerboards, 1-pixel
//                  colour stripes and diagonal hatching.
// A one-pixel white frame surrounds it all.

namespace rztool {

namespace {

struct Rgb {
    int red, green, blue;
};

// Fully saturated hue, h in 0..1535 (six ramps of 256).
Rgb Hue(int h) {
    const int ramp = h % 256;
    switch (h / 256) {
    case 0:
        return {255, ramp, 0};
    case 1:
        return {255 - ramp, 255, 0};
    case 2:
        return {0, 255, ramp};
    case 3:
        return {0, 255 - ramp, 255};
    case 4:
        return {ramp, 0, 255};
    default:
        return {255, 0, 255 - ramp};
    }
}

Rgb HueSweep(int x, int y) {
    const Rgb hue = Hue(x * 1536 / kTestImageWidth);
    if (y < 64) { // white to the hue
        auto tint = [y](int c) { return 255 - (255 - c) * y / 64; };
        return {tint(hue.red), tint(hue.green), tint(hue.blue)};
    }
    auto shade = [y](int c) { return c * (127 - y) / 63; }; // the hue to black
    return {shade(hue.red), shade(hue.green), shade(hue.blue)};
}

Rgb Ramps(int x, int y) {
    const bool smooth = x < 256;
    const int level = smooth ? x : (x - 256) / 16 * 17;
    if (y < 160) return {level, level, level};
    return smooth ? Rgb{0, level, 0} : Rgb{0, 0, level};
}

Rgb ColourBars(int x, int y) {
    const int dx = x - 128, dy = y - 288;
    if (dx * dx + dy * dy <= 48 * 48) return {255, 128, 0};
    static const Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                 {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    return kBars[x / 32];
}

// Grey rings whose phase grows with the squared distance from the centre,
// so their frequency rises steadily towards the edges.
Rgb ZonePlate(int x, int y) {
    const int dx = x - 320, dy = y - 288;
    const int phase = (dx * dx + dy * dy) & 511;
    const int level = phase < 256 ? phase : 511 - phase;
    return {level, level, level};
}

Rgb FineDetail(int x, int y) {
    if (y < 240) return (x + y) % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    if (y < 288) return x % 2 ? Rgb{0, 255, 255} : Rgb{255, 0, 0};
    if (y < 336) return (x / 2 + y / 2) % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    return (x + y) % 6 < 2 ? Rgb{0, 0, 128} : Rgb{255, 255, 160};
}

Rgb Pixel(int x, int y) {
    if (x == 0 || y == 0 || x == kTestImageWidth - 1 || y == kTestImageHeight - 1)
        return {255, 255, 255};
    if (y < 128) return HueSweep(x, y);
    if (y < 192) return Ramps(x, y);
    if (x < 256) return ColourBars(x, y);
    if (x < 384) return ZonePlate(x, y);
    return FineDetail(x, y);
}

} // namespace

std::array<unsigned char, 4> TestImagePixel(int x, int y) {
    const Rgb rgb = Pixel(x, y);
    return {255, static_cast<unsigned char>(rgb.red), static_cast<unsigned char>(rgb.green),
            static_cast<unsigned char>(rgb.blue)};
}

OwnedPixMap MakeTestImage() {
    OwnedPixMap image(RZCreateKWPixMap(kTestImageWidth, kTestImageHeight, kTestImageResolution,
                                       kTestImageResolution, PixelTypeARGB));
    if (image.get() == nullptr) throw Failure("out of memory for the built-in test image");
    char* const base = RZGetKWPixMapBaseAddr(image.get());
    const unsigned int bytesPerRow = RZGetKWPixMapBytesPerRow(image.get());
    for (int y = 0; y < kTestImageHeight; ++y) {
        unsigned char* row = reinterpret_cast<unsigned char*>(base) + y * bytesPerRow;
        for (int x = 0; x < kTestImageWidth; ++x)
            std::memcpy(row + 4 * x, TestImagePixel(x, y).data(), 4);
    }
    return image;
}

} // namespace rztool
