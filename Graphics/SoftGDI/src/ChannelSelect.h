// Colour matrices that only move bytes: each output channel is one channel
// of the source pixel or a constant. Recognised once per draw, such a matrix
// is applied while the resampler loads source pixels instead of through a
// converted copy of the source.
#pragma once

#include <cstdint>

#include "SoftGDI/GdiPlusTypes.h"
#include "Surface.h"

namespace softgdi {

struct ChannelSelect {
    static constexpr std::uint8_t kConstant = 4;
    // For output bytes blue, green, red, alpha (memory order): the source
    // byte (0 .. 3) it is taken from, or kConstant for value[k].
    std::uint8_t from[4] = {0, 1, 2, 3};
    std::uint8_t value[4] = {0, 0, 0, 0};

    bool IsIdentity() const { return from[0] == 0 && from[1] == 1 && from[2] == 2 && from[3] == 3; }
    // Alpha is the constant 255: the selected colour needs no premultiplying.
    bool IsOpaque() const { return from[3] == kConstant && value[3] == 255; }
    Argb Apply(Argb c) const {
        Argb out = 0;
        for (int k = 0; k < 4; ++k)
            out |= Argb(from[k] == kConstant ? value[k] : (c >> (8 * from[k])) & 0xFF) << (8 * k);
        return out;
    }
};

// The selection a colour matrix makes, if it only selects and sets
// constants; false for any other matrix.
bool SelectionOfMatrix(const Gdiplus::ColorMatrix& matrix, ChannelSelect* select);

} // namespace softgdi
