#include "ChannelSelect.h"

namespace softgdi {

bool SelectionOfMatrix(const Gdiplus::ColorMatrix& matrix, ChannelSelect* select) {
    // Matrix rows and columns run red, green, blue, alpha; memory bytes blue,
    // green, red, alpha.
    constexpr int kByteOf[4] = {2, 1, 0, 3};
    ChannelSelect s;
    for (int column = 0; column < 4; ++column) {
        int source = -1;
        for (int row = 0; row < 4; ++row) {
            const float v = matrix.m[row][column];
            if (v == 0.0f) continue;
            if (v != 1.0f || source >= 0) return false;
            source = row;
        }
        const int out = kByteOf[column];
        const float constant = matrix.m[4][column];
        if (source >= 0) {
            if (constant != 0.0f) return false;
            s.from[out] = std::uint8_t(kByteOf[source]);
            continue;
        }
        // The same rounding and clamping as a full matrix applies.
        const float scaled = constant * 255.0f;
        s.from[out] = ChannelSelect::kConstant;
        s.value[out] = std::uint8_t(!(scaled > 0.0f) ? 0 : scaled >= 255.0f ? 255 : scaled + 0.5f);
    }
    *select = s;
    return true;
}

} // namespace softgdi
