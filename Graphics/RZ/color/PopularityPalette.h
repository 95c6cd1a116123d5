// The 256-entry palette of a true-colour source: mean colours of its most
// populated 5-5-5 cells, completed from the standard palette.
#pragma once

#include "RZ/platform/WindowsTypes.h"
#include "SourceRows.h"

namespace rz::color {

// Fills out with the popularity palette of a 24- or 32-bit source. When a
// scratch table cannot be allocated, out holds the standard 256-entry
// palette instead.
void BuildPopularityPalette(const SourceRows& source, RGBQUAD* out);

} // namespace rz::color
