// Row conversion between every pixel layout and 32-bit ARGB colours.
#pragma once

#include <array>

#include "Surface.h"

namespace softgdi {

// Finds the nearest palette entry (squared RGB distance, lowest index on a
// tie), remembering recent answers.
class PaletteMatcher {
public:
    PaletteMatcher(const Argb* palette, int size);
    int Nearest(Argb colour);

private:
    const Argb* palette_;
    int size_;
    std::array<std::uint32_t, 1024> keys_;
    std::array<std::uint8_t, 1024> answers_;
};

// Colours of pixels x0 .. x0 + count - 1 of row y. Indexed pixels read
// through the palette (an index beyond it reads as black); layouts without
// alpha read as opaque.
void DecodeRow(const Surface& surface, int y, int x0, int count, Argb* out);

// Stores colours into pixels x0 .. x0 + count - 1 of row y. Indexed layouts
// take the nearest palette entry (matcher must be given for them). Returns
// false for layouts that cannot be written (the extended ones).
bool EncodeRow(const Surface& surface, int y, int x0, int count, const Argb* colours,
               PaletteMatcher* matcher);

bool IsWritable(PixelLayout layout);

} // namespace softgdi
