// A small program built against the installed RZ library: it makes a pixel
// map, exports it as a packed DIB, imports the DIB back and checks that
// every pixel survived. Prints "ok" and exits 0 when they did.
#include <cstdio>
#include <cstring>

#include "KWRoot/Memory.h"
#include "RZ/KWPixMap"

int main() {
    const int width = 5, height = 3;
    KWPixMap** map = RZCreateKWPixMap(width, height, 96, 96, PixelTypeARGB);
    if (map == nullptr) return 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // alpha, red, green, blue; the import makes every pixel opaque
            const unsigned char colour[4] = {255, static_cast<unsigned char>(40 * x),
                                             static_cast<unsigned char>(80 * y), 200};
            RZSetKWPixMapPixel(map, x, y, colour);
        }
    }

    char* dib = nullptr;
    unsigned int size = 0;
    KWPixMap** back = nullptr;
    int result = RZKWPixMap2DIB(map, nullptr, &dib, &size);
    if (result == 0) result = RZDIB2KWPixMap(dib, size, &back);
    BMKillPtr(&dib);

    int mismatches = result == 0 ? 0 : -1;
    for (int y = 0; result == 0 && y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char before[4], after[4];
            RZGetKWPixMapPixel(map, x, y, before);
            RZGetKWPixMapPixel(back, x, y, after);
            mismatches += std::memcmp(before, after, 4) != 0;
        }
    }
    RZDeleteKWPixMap(back);
    RZDeleteKWPixMap(map);
    std::printf("%d x %d pixel map -> %u-byte DIB -> pixel map: %s\n", width, height, size,
                mismatches == 0 ? "ok" : "FAILED");
    return mismatches == 0 ? 0 : 1;
}
