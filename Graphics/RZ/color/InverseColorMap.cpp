// Cube build dispatch, the exhaustive HSV search and the pinning of black and
// white in RGB cubes.
#include "InverseColorMap.h"

#include "HsvConversion.h"
#include "RZ/platform/PointerBlock.h"

namespace rz::color {
namespace {

// Distance of component c to every cell of one axis, plus the per-entry
// offset of the HSV metric: (c - x*k - x/2)^2 + 2c - x + 1.
void HsvAxisDistances(int c, int cells, int x, std::int32_t* out) {
    for (int k = 0; k < cells; ++k) {
        const int a = c - x * k - x / 2;
        out[k] = a * a + 2 * c - x + 1;
    }
}

bool SameColour(const RGBQUAD& q, int red, int green, int blue) {
    return q.rgbRed == red && q.rgbGreen == green && q.rgbBlue == blue;
}

} // namespace

void SearchHsvCube(int count, const RGBQUAD* palette, int bitsPerAxis, std::uint32_t* distances,
                   std::uint8_t* cube) {
    const int cells = 1 << bitsPerAxis;
    const int x = 1 << (8 - bitsPerAxis);
    auto* stored = reinterpret_cast<std::int32_t*>(distances);
    std::int32_t dh[32], ds[32], dv[32];
    for (int i = 0; i < count; ++i) {
        const Hsv c = RgbToHsv(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue);
        HsvAxisDistances(c.h, cells, x, dh);
        HsvAxisDistances(c.s, cells, x, ds);
        HsvAxisDistances(c.v, cells, x, dv);
        const auto index = static_cast<std::uint8_t>(i);
        std::size_t cell = 0;
        for (int k1 = 0; k1 < cells; ++k1)
            for (int k2 = 0; k2 < cells; ++k2, cell += cells) {
                const std::int32_t base = dh[k1] + ds[k2];
                std::int32_t* line = stored + cell;
                std::uint8_t* out = cube + cell;
                // The first entry takes every cell; later ones only strictly
                // nearer cells, so ties keep the lower index.
                for (int k3 = 0; k3 < cells; ++k3) {
                    const std::int32_t d = base + dv[k3];
                    if (i == 0 || line[k3] > d) {
                        line[k3] = d;
                        out[k3] = index;
                    }
                }
            }
    }
}

int BuildColorCube(std::int16_t count, const RGBQUAD* palette, int bitsPerAxis,
                   std::uint8_t* cube) {
    if (palette == nullptr || cube == nullptr || count > 256) return 0;
    if (bitsPerAxis < 3 || bitsPerAxis > 5) return 0;
    const int cellCount = 1 << (3 * bitsPerAxis);
    const auto buffer = rz::platform::PointerBlock::Allocate(cellCount * 4);
    if (!buffer) return 0;
    auto* distances = buffer.As<std::uint32_t>();
    if (count <= 16) {
        SearchHsvCube(count, palette, bitsPerAxis, distances, cube);
        return 1;
    }
    SearchRgbCube(count, palette, bitsPerAxis, distances, cube);
    // Exact black and white must convert to themselves even where the cell
    // centre metric prefers a neighbour: the first black, the last white.
    for (int i = 0; i < count; ++i)
        if (SameColour(palette[i], 0, 0, 0)) {
            cube[0] = static_cast<std::uint8_t>(i);
            break;
        }
    for (int i = count - 1; i >= 0; --i)
        if (SameColour(palette[i], 255, 255, 255)) {
            cube[cellCount - 1] = static_cast<std::uint8_t>(i);
            break;
        }
    return 1;
}

} // namespace rz::color
