// RZCalcPixMapColorTable: the popularity colour table of a 32-bit pixel map,
// appended to the caller's variable array. One bin table serves as the
// histogram (by key), the list sorted by count (by position) and the key to
// slot map (the slot field, always by key).
#include <algorithm>
#include <cstring>

#include "RZ/KWPixMap"
#include "RZ/platform/PointerBlock.h"
#include "RZ/platform/RootServices.h"

namespace {

using rz::platform::PointerBlock;

constexpr std::uint32_t kWhiteKey = 32768; // pure white has a cell of its own
constexpr int kBins = 32769;

struct Bin {
    std::uint32_t key;
    std::uint32_t slot; // addressed by key: 1 + place in the chosen list, or 0
    std::uint32_t count;
};
static_assert(sizeof(Bin) == 12, "three 32-bit fields per bin");

struct Sum {
    std::uint32_t blue;
    std::uint32_t green;
    std::uint32_t red;
};
static_assert(sizeof(Sum) == 12, "three 32-bit sums per chosen cell");

constexpr int kElementBytes = 6;

// A pixel's bytes are alpha, red, green, blue.
inline std::uint32_t KeyOf(const std::uint8_t* px) {
    const unsigned r = px[1], g = px[2], b = px[3];
    if ((r & g & b) == 255) return kWhiteKey;
    return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
}

struct MapRows {
    const std::uint8_t* base;
    std::size_t bytesPerRow;
    std::uint32_t height;
    std::uint32_t width;
};

void CountBins(const MapRows& map, Bin* bins) {
    for (std::uint32_t y = 0; y < map.height; ++y) {
        const std::uint8_t* row = map.base + y * map.bytesPerRow;
        for (std::uint32_t x = 0; x < map.width; ++x) ++bins[KeyOf(row + 4 * x)].count;
    }
}

void SumChosen(const MapRows& map, const Bin* bins, Sum* sums) {
    for (std::uint32_t y = 0; y < map.height; ++y) {
        const std::uint8_t* row = map.base + y * map.bytesPerRow;
        for (std::uint32_t x = 0; x < map.width; ++x) {
            const std::uint8_t* px = row + 4 * x;
            const std::uint32_t slot = bins[KeyOf(px)].slot;
            if (slot == 0) continue;
            Sum& s = sums[slot - 1];
            s.red += px[1];
            s.green += px[2];
            s.blue += px[3];
        }
    }
}

inline std::uint16_t Scaled(std::uint32_t sum, double factor) {
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(sum * factor + 0.5));
}

inline void PutComponent(char* at, std::uint16_t value) {
    std::memcpy(at, &value, 2);
}

} // namespace

extern "C" short RZCalcPixMapColorTable(KWPixMap** map, unsigned int maxColors,
                                        TVADescriptor* table) {
    if (table == nullptr) return RZErrFailed;
    const int pixelType = RZGetKWPixMapPixelType(map);
    if (vaManager.setUp(table, 10, kElementBytes) < 0) return RZErrFailed;
    if (static_cast<unsigned>(pixelType) > 1) return RZErrFailed;
    const KWPixMap* record = *map;
    // Rows without pixels, however many, count as none.
    const MapRows rows{reinterpret_cast<const std::uint8_t*>(RZGetKWPixMapBaseAddr(map)),
                       record->bytesPerRow, record->width > 0 ? record->height : 0, record->width};

    const PointerBlock binBlock = PointerBlock::Allocate(kBins * static_cast<int>(sizeof(Bin)));
    if (!binBlock) return RZErrFailed;
    BNFillMemory(binBlock.Get(), kBins * static_cast<int>(sizeof(Bin)), 0);
    auto* bins = binBlock.As<Bin>();
    CountBins(rows, bins);

    std::uint32_t n = 0;
    for (std::uint32_t key = 0; key < kBins; ++key)
        if (bins[key].count != 0) {
            const std::uint32_t count = bins[key].count;
            bins[n].key = key;
            bins[n].count = count;
            ++n;
        }
    // Other fields of the moved-from bins keep stale counts; only slots are
    // read by key from here on, so clear those.
    for (int key = 0; key < kBins; ++key) bins[key].slot = 0;
    std::sort(bins, bins + n, [](const Bin& a, const Bin& b) {
        return static_cast<std::int32_t>(a.count) > static_cast<std::int32_t>(b.count);
    });
    const std::uint32_t m = std::min(n, maxColors);
    for (std::uint32_t k = 0; k < m; ++k) bins[bins[k].key].slot = k + 1;

    const PointerBlock sumBlock = PointerBlock::Allocate(static_cast<int>(m * sizeof(Sum)));
    if (!sumBlock) return RZErrFailed;
    BNFillMemory(sumBlock.Get(), static_cast<int>(m * sizeof(Sum)), 0);
    auto* sums = sumBlock.As<Sum>();
    SumChosen(rows, bins, sums);

    const std::int32_t first = vaManager.append(table, static_cast<std::int32_t>(m));
    if (first < 0) return RZErrFailed;
    char* elements = m > 0 ? *table->elements + std::size_t{kElementBytes} * first : nullptr;
    for (std::uint32_t k = 0; k < m; ++k, elements += kElementBytes) {
        const double factor = 256.0 / bins[k].count;
        PutComponent(elements, Scaled(sums[k].red, factor));
        PutComponent(elements + 2, Scaled(sums[k].green, factor));
        PutComponent(elements + 4, Scaled(sums[k].blue, factor));
    }
    return RZErrNone;
}
