// One stretch or rotation of a random 32-bit pixel map, at a size given on
// the command line, for instruction counting (callgrind) and for timing a
// single run without the benchmark library's repetitions:
//   render_once stretch SOURCE TARGET USEALPHA [REPEATS]
//   render_once rotate SOURCE DEGREES USEALPHA [REPEATS]
// Prints the CPU time of each run in milliseconds.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <numbers>
#include <random>

#include "GdiPlusSession.h"
#include "RZ/KWPixMap"
#include "RZ/platform/WindowsImaging.h"

namespace {

struct Map {
    Map(int width, int height) : handle(RZCreateKWPixMap(width, height, 72, 72, PixelTypeARGB)) {}
    ~Map() { RZDeleteKWPixMap(handle); }
    KWPixMap** handle;
};

double CpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s stretch|rotate SOURCE TARGET|DEGREES USEALPHA [REPEATS]\n",
                     argv[0]);
        return 2;
    }
    const bool rotate = std::strcmp(argv[1], "rotate") == 0;
    const int size = std::atoi(argv[2]);
    const double third = std::atof(argv[3]);
    const int useAlpha = std::atoi(argv[4]);
    const int repeats = argc > 5 ? std::atoi(argv[5]) : 1;
    if (size <= 0 || repeats <= 0) return 2;

    const rzbench::GdiPlusSession session; // outlives the maps below
    {
        Map source(size, size);
        std::mt19937 random(1);
        auto* pixels = reinterpret_cast<std::uint32_t*>(RZGetKWPixMapBaseAddr(source.handle));
        for (std::size_t i = 0; i < std::size_t(size) * size; ++i) pixels[i] = random();
        const KWRect from{0, 0, size, size};
        const double angle = third * std::numbers::pi / 180;
        int width = int(third), height = int(third);
        if (rotate) {
            width = height = size;
            RZGetRotatedKWPixMapWidthHeight(&width, &height, angle, nullptr, 0, nullptr, nullptr);
        }
        Map target(width, height);
        for (int run = 0; run < repeats; ++run) {
            const double start = CpuMilliseconds();
            short result = 0;
            if (rotate) {
                const int x = int(std::lround(size * std::sin(angle)));
                result = RZRotateKWPixMap(source.handle, target.handle, &from, x, height, angle,
                                          false, useAlpha);
            } else {
                const KWRect to{0, 0, height, width};
                result = RZStretchKWPixMap(source.handle, target.handle, &from, &to, useAlpha);
            }
            std::printf("%.1f ms%s\n", CpuMilliseconds() - start, result != 0 ? " (failed)" : "");
        }
    }
    return 0;
}
