// Colour matrices that only move bytes: each output channel is one channel
// of the source pixel or a constant. Recognised once per draw, such a matrix
// is applied while the resampler loads source pixels instead of through a
// converted copy of the source.
#pragma once

#include <cstdint>
#include <cstring>

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

// How a draw applies its selection to each pixel it loads: not at all, as a
// byte reversal (the blended pixel-map draws), or in general. Loops over
// pixels take it as a template argument, so that the choice is made once.
enum class Pick : std::uint8_t { Same, Reversed, Any };

inline Pick PickOf(const ChannelSelect& s) {
    if (s.IsIdentity()) return Pick::Same;
    if (s.from[0] == 3 && s.from[1] == 2 && s.from[2] == 1 && s.from[3] == 0) return Pick::Reversed;
    return Pick::Any;
}

// The selected colour of the pixel at p.
template <Pick pick> inline Argb LoadPicked(const std::uint8_t* p, const ChannelSelect& select) {
    Argb c;
    std::memcpy(&c, p, 4);
    if constexpr (pick == Pick::Reversed) c = __builtin_bswap32(c);
    if constexpr (pick == Pick::Any) c = select.Apply(c);
    return c;
}

// Applies the selection to count colours in place, four at a time with a byte
// shuffle where the processor has one.
void ApplySelection(const ChannelSelect& select, Argb* colours, int count);

// The selection a colour matrix makes, if it only selects and sets
// constants; false for any other matrix.
bool SelectionOfMatrix(const Gdiplus::ColorMatrix& matrix, ChannelSelect* select);

} // namespace softgdi
