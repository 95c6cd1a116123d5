// What the library's import rules change in a picture in ways its owner
// would not guess: colour palettes kept as luminance, bit depths decoded as
// black, alpha made opaque. One sentence per finding.
#pragma once

#include <string>
#include <vector>

#include "BmpFile.h"

namespace rztool {

std::vector<std::string> ImportWarnings(const BmpDib& bmp);

} // namespace rztool
