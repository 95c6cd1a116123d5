// CRZConvertBitmap: a packed DIB to a new packed DIB of 1, 4, 8 or 24 bits.
// The driver owns everything that lives for one conversion (palette, cube,
// working row, error rows) and hands the quantiser one row at a time.
#include <cstring>

#include "InverseColorMap.h"
#include "PopularityPalette.h"
#include "RZ/KWPixMap"
#include "RZ/platform/RootServices.h"
#include "RowExpansion.h"
#include "RowQuantizer.h"
#include "SourceRows.h"
#include "StandardPalettes.h"

static_assert(sizeof(BITMAPINFOHEADER) == 40, "DIB header is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "colour table entries are 4 bytes");

namespace rz::color {
namespace {

constexpr int kHeaderBytes = 40;
constexpr int kMaxSide = 32767; // the row loop counts in 16 bits
constexpr int kCubeBits = 5;
constexpr int kCubeBytes = 1 << (3 * kCubeBits);

inline std::int64_t StrideOf(std::int64_t width, int bits) {
    return ((width * bits + 31) >> 3) & ~std::int64_t{3};
}

bool IsTargetDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// The target palette, or null when it cannot be allocated.
char* BuildTargetPalette(int bits, const SourceRows& source, bool standardPalette) {
    char* palette = BMAllocatePtr(4 << bits, 0, 0);
    if (palette == nullptr) return nullptr;
    auto* entries = reinterpret_cast<RGBQUAD*>(palette);
    if (bits == 1)
        std::memcpy(entries, kStandardPalette2.data(), sizeof kStandardPalette2);
    else if (bits == 4)
        std::memcpy(entries, kStandardPalette16.data(), sizeof kStandardPalette16);
    else if (source.bits > 8 && !standardPalette)
        BuildPopularityPalette(source, entries);
    else
        std::memcpy(entries, kStandardPalette256.data(), sizeof kStandardPalette256);
    return palette;
}

// The source colour table as words indexed by pixel value. Pixel values
// beyond the table's own colours read on into the block, as far as the
// header says the block reaches; past that they read as 0.
void LoadSourceColours(const BITMAPINFOHEADER* dib, int bits, std::int64_t blockBytes,
                       std::uint32_t* colours) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(dib);
    const int values = bits <= 8 ? 1 << bits : 0;
    for (int i = 0; i < values; ++i) {
        colours[i] = 0;
        if (kHeaderBytes + 4 * (i + std::int64_t{1}) <= blockBytes)
            std::memcpy(&colours[i], base + kHeaderBytes + 4 * i, 4);
    }
}

struct Conversion {
    SourceRows source;
    std::uint32_t sourceColours[256];
    std::uint8_t* targetFirst;
    std::size_t targetStride;
    int targetBits;
    int targetColours;
    const RGBQUAD* targetPalette;
    bool dither;
};

// Converts every row. Scratch that cannot be had leaves the rows as they
// are (index 0, or black at 24 bits); the block is still the result.
void ConvertRows(const Conversion& c) {
    const int width = c.source.width;
    char* work = BMAllocatePtr(width * 4, kBMFlagZeroFill, 0);
    if (work == nullptr) return;
    char* errorBlock = nullptr;
    if (c.dither) {
        errorBlock = BMAllocatePtr(width * 36, kBMFlagZeroFill, 0);
        if (errorBlock == nullptr) {
            BMKillPtr(&work);
            return;
        }
    }
    char* cube = nullptr;
    if (c.targetBits <= 8) {
        cube = BMAllocatePtr(kCubeBytes, kBMFlagZeroFill, 0);
        if (cube == nullptr ||
            !BuildColorCube(static_cast<std::int16_t>(c.targetColours), c.targetPalette, kCubeBits,
                            reinterpret_cast<std::uint8_t*>(cube))) {
            BMKillPtr(&cube);
            BMKillPtr(&errorBlock);
            BMKillPtr(&work);
            return;
        }
    }
    auto* errorValues = reinterpret_cast<std::int32_t*>(errorBlock);
    ErrorRows errors{errorValues, errorValues + 3 * width, errorValues + 6 * width};
    const ExpandRowFn expand = RowExpansionFor(c.source.bits);
    const std::uint8_t* sourceRow = c.source.first;
    std::uint8_t* targetRow = c.targetFirst;
    for (int y = 0; y < c.source.height; ++y) {
        const std::uint8_t* pixels =
            expand(sourceRow, reinterpret_cast<std::uint8_t*>(work), width, c.sourceColours);
        QuantiseRow(targetRow, static_cast<std::int16_t>(c.targetBits),
                    static_cast<std::int16_t>(width), c.targetPalette, pixels,
                    reinterpret_cast<const std::uint8_t*>(cube), c.dither ? &errors : nullptr,
                    c.dither);
        sourceRow += c.source.stride;
        targetRow += c.targetStride;
    }
    BMKillPtr(&errorBlock);
    BMKillPtr(&cube);
    BMKillPtr(&work);
}

} // namespace
} // namespace rz::color

extern "C" unsigned int CRZConvertBitmap(void** outDib, short bitCount,
                                         const BITMAPINFOHEADER* sourceDib, unsigned char dither,
                                         unsigned char standardPalette) {
    using namespace rz::color;
    if (outDib == nullptr) return 0;
    *outDib = nullptr;
    if (sourceDib == nullptr || !IsTargetDepth(bitCount)) return 0;
    // What the row loop handles: bottom-up, uncompressed, 1 to 32 bits
    // without 16, sides that fit its 16-bit counters.
    const auto sourceBits = static_cast<std::int16_t>(sourceDib->biPlanes * sourceDib->biBitCount);
    if (RowExpansionFor(sourceBits) == nullptr || sourceDib->biCompression != BI_RGB) return 0;
    const std::int32_t width = sourceDib->biWidth;
    const std::int32_t height = sourceDib->biHeight;
    if (width < 0 || width > kMaxSide || height < 0 || height > kMaxSide) return 0;

    int sourceColourCount = static_cast<int>(sourceDib->biClrUsed & 0xFFFF);
    if (sourceColourCount == 0 && sourceBits <= 8) sourceColourCount = 1 << sourceBits;
    const std::int64_t sourceStride = StrideOf(width, sourceBits);
    const std::int64_t sourcePixelsAt = kHeaderBytes + 4 * std::int64_t{sourceColourCount};

    const int targetColours = bitCount <= 8 ? 1 << bitCount : 0;
    const std::int64_t targetStride = StrideOf(width, bitCount);
    const std::int64_t total = height * targetStride + (targetColours + 10) * std::int64_t{4};
    if (total > INT32_MAX) return 0;

    Conversion c{};
    c.source = SourceRows{reinterpret_cast<const std::uint8_t*>(sourceDib) + sourcePixelsAt,
                          static_cast<std::size_t>(sourceStride), width, height, sourceBits};
    LoadSourceColours(sourceDib, sourceBits, sourcePixelsAt + height * sourceStride,
                      c.sourceColours);

    char* palette = nullptr;
    if (bitCount <= 8) {
        palette = BuildTargetPalette(bitCount, c.source, standardPalette != 0);
        if (palette == nullptr) return 0;
    }
    char* block = BMAllocatePtr(static_cast<int>(total), kBMFlagZeroFill, 0);
    if (block == nullptr) {
        BMKillPtr(&palette);
        return 0;
    }
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block);
    header->biSize = kHeaderBytes;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bitCount);
    header->biSizeImage = static_cast<DWORD>(height * targetStride);
    header->biClrUsed = static_cast<DWORD>(targetColours);
    if (targetColours > 0) std::memcpy(block + kHeaderBytes, palette, 4 * targetColours);
    BMKillPtr(&palette);

    c.targetFirst = reinterpret_cast<std::uint8_t*>(block) + kHeaderBytes + 4 * targetColours;
    c.targetStride = static_cast<std::size_t>(targetStride);
    c.targetBits = bitCount;
    c.targetColours = targetColours;
    c.targetPalette = reinterpret_cast<const RGBQUAD*>(block + kHeaderBytes);
    c.dither = dither != 0 && bitCount < sourceBits;
    ConvertRows(c);
    *outDib = block;
    return static_cast<unsigned int>(total);
}
