// Source rows to working pixels.
#include "RowExpansion.h"

#include <cstring>

namespace rz::color {
namespace {

inline void PutWord(std::uint8_t* work, int x, std::uint32_t word) {
    std::memcpy(work + 4 * x, &word, 4);
}

const std::uint8_t* Expand1(const std::uint8_t* source, std::uint8_t* work, int width,
                            const std::uint32_t* colours) {
    for (int x = 0; x < width; ++x)
        PutWord(work, x, colours[(source[x >> 3] >> (7 - (x & 7))) & 1]);
    return work;
}

const std::uint8_t* Expand4(const std::uint8_t* source, std::uint8_t* work, int width,
                            const std::uint32_t* colours) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t byte = source[x >> 1];
        PutWord(work, x, colours[(x & 1) ? (byte & 0xF) : (byte >> 4)]);
    }
    return work;
}

const std::uint8_t* Expand8(const std::uint8_t* source, std::uint8_t* work, int width,
                            const std::uint32_t* colours) {
    for (int x = 0; x < width; ++x) PutWord(work, x, colours[source[x]]);
    return work;
}

const std::uint8_t* Expand24(const std::uint8_t* source, std::uint8_t* work, int width,
                             const std::uint32_t*) {
    for (int x = 0; x < width; ++x) {
        work[4 * x] = source[3 * x];
        work[4 * x + 1] = source[3 * x + 1];
        work[4 * x + 2] = source[3 * x + 2];
    }
    return work;
}

// Blue, green, red and a fourth byte the quantiser never reads: the source
// row is already in working layout.
const std::uint8_t* Use32(const std::uint8_t* source, std::uint8_t*, int, const std::uint32_t*) {
    return source;
}

} // namespace

ExpandRowFn RowExpansionFor(int sourceBits) {
    switch (sourceBits) {
    case 1:
        return Expand1;
    case 4:
        return Expand4;
    case 8:
        return Expand8;
    case 24:
        return Expand24;
    case 32:
        return Use32;
    default:
        return nullptr;
    }
}

} // namespace rz::color
