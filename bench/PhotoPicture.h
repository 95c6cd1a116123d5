// The photograph-like test picture of the colour benchmarks and of
// bench/peers.sh: smooth gradients, a little noise, and hard-edged patches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

namespace rzbench {

// Fills width x height pixels of pixelBytes (3 or 4) bytes each, row after
// row in memory order: blue, green, red[, 255], or with argb alpha, red,
// green, blue.
inline void FillPhoto(int width, int height, std::uint8_t* rows, int pixelBytes, bool argb) {
    std::mt19937 rng(1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int gx = x * 255 / (width - 1), gy = y * 255 / (height - 1);
            int r = (gx + gy) / 2, g = 255 - gy, b = (3 * gx + 255 - gx) / 4;
            const int cx = x - width / 2, cy = y - height / 3;
            if (cx * cx + cy * cy < (width / 5) * (width / 5)) r = 230 - gy / 3, g = 180, b = 60;
            if (((x / 301) + (y / 457)) % 4 == 0) r = 255 - r, b /= 2;
            const int n = static_cast<int>(rng() % 17) - 8;
            auto clamp = [](int v) {
                return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            };
            std::uint8_t* p = rows + (static_cast<std::size_t>(y) * width + x) * pixelBytes;
            if (argb) {
                p[0] = 255, p[1] = clamp(r + n), p[2] = clamp(g + n), p[3] = clamp(b - n);
            } else {
                p[0] = clamp(b - n), p[1] = clamp(g + n), p[2] = clamp(r + n);
                if (pixelBytes == 4) p[3] = 255;
            }
        }
}

} // namespace rzbench
