// The row quantiser on its own: worked truncation of the carried error.
// Whole rows, the diffusion kernel, grey forcing and the scan direction are
// checked through the conversion against its reference.
#include <vector>

#include <gtest/gtest.h>

#include "RowQuantizer.h"
#include "StandardPalettes.h"

using namespace rz::color;

TEST(RowQuantiser, CarriedErrorTruncatesTowardZero) {
    // Cube cell = red >> 3; a row of 5 takes carried error but spreads none,
    // so the scan direction cannot show. Red 16 with -47, -48, 47, 48 and
    // -960 carried: 16 + 0, 16 - 1, 16 + 0, 16 + 1, clamp(16 - 20) = 0.
    std::vector<std::uint8_t> cube(32768), work(20, 16), target(5);
    for (int cell = 0; cell < 32768; ++cell) cube[cell] = static_cast<std::uint8_t>(cell >> 10);
    std::vector<std::int16_t> errors = {0, 0, -47, 0, 0, -48, 0, 0, 47, 0, 0, 48, 0, 0, -48 * 20};
    errors.resize(45);
    ErrorRows rows{errors.data(), errors.data() + 15, errors.data() + 30};
    QuantiseRow(target.data(), 8, 5, kStandardPalette256.data(), work.data(), cube.data(), &rows,
                true, 1);
    EXPECT_EQ(target, (std::vector<std::uint8_t>{16 >> 3, 15 >> 3, 16 >> 3, 17 >> 3, 0}));
}
