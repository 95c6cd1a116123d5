// CRZConvertBitmap: a packed DIB to a new packed DIB of 1, 4, 8 or 24 bits.
// The driver owns everything that lives for one conversion (palette, cube,
// working row, error rows, the scan direction of its rows) and hands the
// quantiser one row at a time.
#include <atomic>
#include <cstring>

#include "InverseColorMap.h"
#include "PopularityPalette.h"
#include "RZ/KWPixMap"
#include "RZ/platform/PointerBlock.h"
#include "RZ/platform/RootServices.h"
#include "RowExpansion.h"
#include "RowQuantizer.h"
#include "SourceRows.h"
#include "StandardPalettes.h"

static_assert(sizeof(BITMAPINFOHEADER) == 40, "DIB header is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "colour table entries are 4 bytes");

namespace rz::color {
namespace {

using rz::platform::PointerBlock;

// The scan direction of the last row converted, by any conversion: rows
// alternate from one conversion to the next. 0 until the first row after
// loading, then +1 (left to right) or -1. Read once at the start of a
// conversion's rows and written once at their end, nowhere else. Atomic so
// that hosts converting on several threads at once get an interleaving of
// directions, not a data race.
std::atomic<int> g_lastRowDirection{0};

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

// The target palette, or an empty block when it cannot be allocated.
PointerBlock BuildTargetPalette(int bits, const SourceRows& source, bool standardPalette) {
    PointerBlock palette = PointerBlock::Allocate(4 << bits);
    if (!palette) return palette;
    auto* entries = palette.As<RGBQUAD>();
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

// Converts every row, each in the direction opposite to the row before it.
// Scratch that cannot be had leaves the rows as they are (index 0, or black
// at 24 bits) and the direction untouched; the block is still the result.
void ConvertRows(const Conversion& c) {
    const int width = c.source.width;
    const PointerBlock work = PointerBlock::Allocate(width * 4, kBMFlagZeroFill);
    if (!work) return;
    PointerBlock errorBlock;
    if (c.dither) {
        errorBlock = PointerBlock::Allocate(width * 18, kBMFlagZeroFill);
        if (!errorBlock) return;
    }
    // Dithered 4-bit rows also take each cell's colour, packed after the cube.
    const bool packColours = c.targetBits == 4 && c.dither;
    PointerBlock cube;
    if (c.targetBits <= 8) {
        cube = PointerBlock::Allocate(kCubeBytes * (packColours ? 5 : 1), kBMFlagZeroFill);
        if (!cube || !BuildColorCube(static_cast<std::int16_t>(c.targetColours), c.targetPalette,
                                     kCubeBits, cube.As<std::uint8_t>()))
            return;
    }
    std::uint32_t* cubeColours = nullptr;
    if (packColours) {
        cubeColours = reinterpret_cast<std::uint32_t*>(cube.As<std::uint8_t>() + kCubeBytes);
        PackCubeColours(cube.As<const std::uint8_t>(), c.targetPalette, cubeColours);
    }
    ErrorRows errors{};
    if (c.dither) {
        auto* errorValues = errorBlock.As<std::int16_t>();
        errors = ErrorRows{errorValues, errorValues + 3 * width, errorValues + 6 * width};
    }
    const ExpandRowFn expand = RowExpansionFor(c.source.bits);
    const std::uint8_t* sourceRow = c.source.first;
    std::uint8_t* targetRow = c.targetFirst;
    int direction = g_lastRowDirection.load(std::memory_order_relaxed);
    for (int y = 0; y < c.source.height; ++y) {
        direction = direction > 0 ? -1 : 1;
        const std::uint8_t* pixels =
            expand(sourceRow, work.As<std::uint8_t>(), width, c.sourceColours);
        QuantiseRow(targetRow, static_cast<std::int16_t>(c.targetBits),
                    static_cast<std::int16_t>(width), c.targetPalette, pixels,
                    cube.As<const std::uint8_t>(), c.dither ? &errors : nullptr, c.dither,
                    direction, cubeColours);
        if (c.dither) {
            // The next row becomes current; the consumed one, cleared, comes last.
            errors = ErrorRows{errors.next, errors.afterNext, errors.current};
            BNFillMemory(errors.afterNext, width * 6, 0);
        }
        sourceRow += c.source.stride;
        targetRow += c.targetStride;
    }
    g_lastRowDirection.store(direction, std::memory_order_relaxed);
}

// The target block with its header and colour table, or an empty block when
// the palette or the block cannot be allocated.
PointerBlock NewTargetBlock(const BITMAPINFOHEADER& header, const SourceRows& source,
                            bool standardPalette, std::int64_t total) {
    const int bits = header.biBitCount;
    PointerBlock palette;
    if (bits <= 8) {
        palette = BuildTargetPalette(bits, source, standardPalette);
        if (!palette) return palette;
    }
    PointerBlock block = PointerBlock::Allocate(static_cast<int>(total), kBMFlagZeroFill);
    if (!block) return block;
    *block.As<BITMAPINFOHEADER>() = header;
    if (header.biClrUsed > 0)
        std::memcpy(block.Get() + kHeaderBytes, palette.Get(), 4 * header.biClrUsed);
    return block;
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
    // Unsigned: two 16-bit fields can multiply past an int.
    const auto sourceBits =
        static_cast<std::int16_t>(std::uint32_t{sourceDib->biPlanes} * sourceDib->biBitCount);
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

    BITMAPINFOHEADER header{};
    header.biSize = kHeaderBytes;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biSizeImage = static_cast<DWORD>(height * targetStride);
    header.biClrUsed = static_cast<DWORD>(targetColours);
    PointerBlock block = NewTargetBlock(header, c.source, standardPalette != 0, total);
    if (!block) return 0;

    c.targetFirst = block.As<std::uint8_t>() + kHeaderBytes + 4 * targetColours;
    c.targetStride = static_cast<std::size_t>(targetStride);
    c.targetBits = bitCount;
    c.targetColours = targetColours;
    c.targetPalette = reinterpret_cast<const RGBQUAD*>(block.Get() + kHeaderBytes);
    c.dither = dither != 0 && bitCount < sourceBits;
    ConvertRows(c);
    *outDib = block.Release();
    return static_cast<unsigned int>(total);
}
