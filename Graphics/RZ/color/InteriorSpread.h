// The part of error diffusion that does not depend on the scan order: what
// the interior pixels of a row pass on to the next two rows.
#pragma once

#include <cstdint>

namespace rz::color {

// errors holds, at pixels 2 to width - 3, each pixel's own error (channels
// values per pixel, interleaved); the other pixels' values are not read.
// Adds them to next (weights 3 5 7 5 3) and afterNext (1 3 5 3 1), centred
// on each pixel. The kernel is symmetric, so the scan direction cannot show;
// interior pixels reach only positions inside the row. channels is 1 or 3.
void SpreadInteriorErrors(const std::int16_t* errors, std::int16_t* next, std::int16_t* afterNext,
                          int width, int channels);

} // namespace rz::color
