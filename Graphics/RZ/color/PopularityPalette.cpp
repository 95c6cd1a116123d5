// Popularity palette. One 32768-record cell table serves as histogram, then
// as the list sorted by count, then as the cell-to-slot map of the second
// pass, which sums the pixels of each chosen cell.
#include "PopularityPalette.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "RZ/platform/PointerBlock.h"
#include "StandardPalettes.h"

namespace rz::color {
namespace {

using rz::platform::PointerBlock;

constexpr int kCells = 32768;
constexpr std::uint16_t kNoSlot = 0xFFFF;
constexpr std::uint32_t kCountLimit = 0xFFFF; // ranking counts saturate here

struct Accumulator {
    std::uint32_t count;
    std::uint32_t blue;
    std::uint32_t green;
    std::uint32_t red;
};
static_assert(sizeof(Accumulator) == 16, "four 32-bit fields per slot");

inline unsigned CellOf(const std::uint8_t* px) {
    return (unsigned{px[2]} >> 3) << 10 | (unsigned{px[1]} >> 3) << 5 | unsigned{px[0]} >> 3;
}

// Counts exactly in 32 bits (a count never reaches 2^32 below 32768 x 32768
// pixels); saturating afterwards ranks as saturating while counting would.
template <int PixelBytes> void CountCells(const SourceRows& source, std::uint32_t* counts) {
    const std::uint8_t* row = source.first;
    for (int y = 0; y < source.height; ++y, row += source.stride)
        for (int x = 0; x < source.width; ++x) ++counts[CellOf(row + PixelBytes * x)];
}

template <int PixelBytes>
void SumCells(const SourceRows& source, const std::uint16_t* slots, Accumulator* sums) {
    const std::uint8_t* row = source.first;
    for (int y = 0; y < source.height; ++y, row += source.stride)
        for (int x = 0; x < source.width; ++x) {
            const std::uint8_t* px = row + PixelBytes * x;
            const std::uint16_t slot = slots[CellOf(px)];
            if (slot == kNoSlot) continue;
            Accumulator& a = sums[slot];
            ++a.count;
            a.blue += px[0];
            a.green += px[1];
            a.red += px[2];
        }
}

inline std::uint8_t MeanOf(std::uint32_t sum, std::uint32_t count) {
    const float quotient = static_cast<float>(sum) / static_cast<float>(count);
    return static_cast<std::uint8_t>(static_cast<int>(static_cast<double>(quotient) + 0.5));
}

} // namespace

void BuildPopularityPalette(const SourceRows& source, RGBQUAD* out) {
    std::memcpy(out, kStandardPalette256.data(), 256 * sizeof(RGBQUAD));
    const PointerBlock cellBlock = PointerBlock::Allocate(kCells * 4, kBMFlagZeroFill);
    if (!cellBlock) return;
    auto* counts = cellBlock.As<std::uint32_t>();
    if (source.bits == 32)
        CountCells<4>(source, counts);
    else
        CountCells<3>(source, counts);

    // Compaction in place: each record becomes count << 16 | key, a 16-bit
    // key and a 16-bit count; record n is written only after record k >= n
    // has been read.
    int n = 0;
    for (std::uint32_t key = 0; key < kCells; ++key) {
        const std::uint32_t count = counts[key];
        if (count != 0) counts[n++] = std::min(count, kCountLimit) << 16 | key;
    }
    // Descending count; equal counts fall in descending key order.
    std::sort(counts, counts + n, std::greater<std::uint32_t>());

    const int m = std::min(n, 256);
    std::uint16_t chosen[256];
    for (int i = 0; i < m; ++i) chosen[i] = static_cast<std::uint16_t>(counts[i] & 0xFFFF);
    auto* slots = cellBlock.As<std::uint16_t>();
    std::fill(slots, slots + kCells, kNoSlot);
    for (int i = 0; i < m; ++i) slots[chosen[i]] = static_cast<std::uint16_t>(i);

    const PointerBlock sumBlock =
        PointerBlock::Allocate(m * static_cast<int>(sizeof(Accumulator)), kBMFlagZeroFill);
    if (!sumBlock) return;
    auto* sums = sumBlock.As<Accumulator>();
    if (source.bits == 32)
        SumCells<4>(source, slots, sums);
    else
        SumCells<3>(source, slots, sums);

    for (int i = 0; i < m; ++i) {
        const Accumulator& a = sums[i];
        out[i] =
            RGBQUAD{MeanOf(a.blue, a.count), MeanOf(a.green, a.count), MeanOf(a.red, a.count), 0};
    }
    std::memcpy(out + m, kStandardPalette256.data(), (256 - m) * sizeof(RGBQUAD));
}

} // namespace rz::color
