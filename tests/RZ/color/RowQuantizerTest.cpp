// The row quantiser on its own: the key's and the carried share's
// multiplications against the divisions they replace, and 1-bit rows against
// a plain serial reference. Whole conversions (the carried error's truncation
// and clamping among them), the next rows' share and the scan direction are
// checked through the conversion against its reference.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "HsvConversion.h"
#include "InverseColorMap.h"
#include "JjnWeights.h"
#include "RowQuantizer.h"
#include "StandardPalettes.h"

using namespace rz::color;

TEST(RowQuantiser, MultiplicationsMatchTheDivisionsForEveryOperandPair) {
    for (int max = 1; max < 256; ++max)
        for (int d = 0; d <= max; ++d)
            ASSERT_EQ(SaturationCell(d, max), unsigned(d * 255 / max) >> 3) << d << " / " << max;
    for (unsigned d = 1; d < 256; ++d)
        for (unsigned a = 0; a <= d; ++a) ASSERT_EQ(HueSteps(a, d), 40 * a / d) << a << " / " << d;
    for (int acc = -32767; acc < 32768; ++acc) ASSERT_EQ(FromFortyEighths(acc), acc / 48) << acc;
    for (int sum = 0; sum <= 3 * 255; ++sum) ASSERT_EQ(ThirdOfSum(sum), sum / 3) << sum;
    // And the whole key, hue cases and wrap included, for every colour.
    for (int rgb = 0; rgb < 1 << 24; ++rgb) {
        const int r = rgb >> 16, g = rgb >> 8 & 255, b = rgb & 255;
        const Hsv c = RgbToHsv(r, g, b);
        ASSERT_EQ(HsvCubeKey(r, g, b), unsigned(c.h >> 3 << 10 | c.s >> 3 << 5 | c.v >> 3)) << rgb;
    }
}

TEST(RowQuantiser, OneBitRowsMatchASerialReference) {
    // One row with error carried in, both ways, for black and white (whose
    // greys the row loop maps without the palette) and for red and blue.
    const RGBQUAD palettes[2][2] = {{{0, 0, 0, 0}, {255, 255, 255, 0}},
                                    {{0, 0, 255, 0}, {255, 0, 0, 0}}};
    const int width = 1001;
    // Ramps of near greys: about the step, and near black and white, where
    // channels clip.
    std::vector<std::uint8_t> work(4 * width);
    for (int i = 0; i < 4 * width; ++i)
        work[i] =
            static_cast<std::uint8_t>(i / 4 % 64 + i % 4 + (0x00BC6060 >> i / 256 % 4 * 8 & 255));
    for (const auto& palette : palettes)
        for (int dir : {1, -1}) {
            std::vector<std::uint8_t> cube(32768), target(128);
            BuildColorCube(2, palette, 5, cube.data());
            std::vector<std::int16_t> errors(9 * width);
            std::vector<int> carried(width);
            for (int x = 0; x < width; ++x)
                errors[x] = std::int16_t(carried[x] = x * 1237 % 4001 - 2000);
            ErrorRows rows{errors.data(), errors.data() + 3 * width, errors.data() + 6 * width};
            QuantiseRow(target.data(), 1, width, palette, work.data(), cube.data(), &rows, true,
                        dir);
            for (int i = 0; i < width; ++i) {
                const int x = dir > 0 ? i : width - 1 - i, t = carried[x] / 48;
                int sum = 0;
                for (int k = 0; k < 3; ++k) sum += std::clamp(work[4 * x + k] + t, 0, 255);
                const int index = cube[sum / 3 >> 3];
                const RGBQUAD& q = palette[index];
                const int e = (sum / 3 * 3 - q.rgbBlue - q.rgbGreen - q.rgbRed) / 3;
                if (i < width - 1) carried[x + dir] += (i == width - 2 ? 12 : 7) * e;
                if (i < width - 2) carried[x + 2 * dir] += 5 * e;
                EXPECT_EQ(target[x >> 3] >> (7 - x % 8) & 1, index) << x << " going " << dir;
            }
        }
}
