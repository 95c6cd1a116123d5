// Where the pixel rows of a conversion's source DIB lie.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rz::color {

struct SourceRows {
    const std::uint8_t* first; // first row in memory order
    std::size_t stride;        // bytes from one row to the next
    int width;
    int height;
    int bits; // 1, 4, 8, 24 or 32
};

} // namespace rz::color
