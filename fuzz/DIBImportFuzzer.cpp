// libFuzzer target for the packed-DIB import: RZGetDIBInfo on the leading
// header and RZDIB2KWPixMap on the whole input.
//
// Beyond what the sanitizers catch, it aborts when the import breaks a
// promise it makes to callers: a success without a map (or a failure with
// one), a map whose size or type disagrees with the header, a 32-bit map
// that is not fully opaque, a root-library block left allocated, or a map
// whose own export does not import back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/prctl.h>

#include "KWRoot/Memory.h"
#include "KWRoot/TestSupport.h"
#include "RZ/KWPixMap"

namespace {

// Legitimately large run-length images and images without pixel bits (a
// few bytes can describe a gigapixel picture) are skipped above this many
// bytes of map or buffer, so that every input runs in milliseconds. Sizes
// past 2^31 - 1 still run: the import must refuse them before allocating.
constexpr double kLargeImageLimit = 2 << 20;
// Maps up to this size are also exported and imported back.
constexpr std::int64_t kRoundTripSizeLimit = 1 << 20;

void Require(bool condition, const char* promise) {
    if (condition) return;
    std::fprintf(stderr, "DIB import broke its promise: %s\n", promise);
    std::abort();
}

template <typename T> T ReadLittleEndian(const std::uint8_t* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

// What the import must produce for a header it accepts.
struct ExpectedMap {
    bool known = false;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bits = 0;
    std::int64_t compression = 0;
    std::int64_t hResolution = 72;
    std::int64_t vResolution = 72;
};

ExpectedMap ExpectedFromHeader(const std::uint8_t* data, std::size_t size) {
    ExpectedMap expected;
    if (size < 4) return expected;
    const auto headerSize = ReadLittleEndian<std::uint32_t>(data);
    if (headerSize == 12 && size >= 12) {
        expected.known = true;
        expected.width = ReadLittleEndian<std::uint16_t>(data + 4);
        expected.height = ReadLittleEndian<std::uint16_t>(data + 6);
        expected.bits = std::int64_t{ReadLittleEndian<std::uint16_t>(data + 8)} *
                        ReadLittleEndian<std::uint16_t>(data + 10);
    } else if (headerSize == 40 && size >= 40) {
        BITMAPINFOHEADER header;
        std::memcpy(&header, data, sizeof header);
        expected.known = true;
        expected.width = header.biWidth;
        expected.height = header.biHeight < 0 ? -std::int64_t{header.biHeight} : header.biHeight;
        expected.bits = std::int64_t{header.biPlanes} * header.biBitCount;
        expected.compression = header.biCompression;
        const auto h = static_cast<std::int64_t>(header.biXPelsPerMeter * 0.0254);
        const auto v = static_cast<std::int64_t>(header.biYPelsPerMeter * 0.0254);
        if (h != 0 || v != 0) {
            expected.hResolution = h;
            expected.vResolution = v;
        }
    }
    return expected;
}

int ExpectedPixelType(std::int64_t bits) {
    if (bits == 1) return PixelTypeBlackWhite;
    if (bits == 8) return PixelTypeGrey;
    return PixelTypeARGB;
}

// Bytes of the map or of the unpacked rows a header implies, whichever is
// larger; in double precision, where nothing overflows.
double ImpliedBytes(const ExpectedMap& expected) {
    const double width = expected.width < 0 ? -double(expected.width) : double(expected.width);
    const double bitsPerPixel = expected.bits > 32 ? double(expected.bits) : 32.0;
    return (width * bitsPerPixel / 8 + 4) * double(expected.height);
}

bool SkipAsTooLarge(const ExpectedMap& expected) {
    const bool withoutData =
        expected.compression == 1 || expected.compression == 2 || expected.bits == 0;
    if (!expected.known || !withoutData) return false;
    const double bytes = ImpliedBytes(expected);
    return bytes > kLargeImageLimit && bytes <= 0x7FFFFFFF;
}

// The grey level a grey map stores for the palette entry (i, i, i).
int GreyLevelOf(int level) {
    const double luminance = (level * 0.587 + level * 0.299) + level * 0.114;
    return static_cast<int>(luminance);
}

void CheckRoundTrip(KWPixMap** map) {
    const int type = RZGetKWPixMapPixelType(map);
    const std::int64_t bytes =
        std::int64_t{RZGetKWPixMapBytesPerRow(map)} * RZGetKWPixMapHeight(map);
    // The import keeps 16 bits of a row's word count, as RZGetDIBInfo does,
    // and refuses the rows it cannot describe: a map that needs 32768 words
    // a row or more (a 32-bit map wider than 32767) exports but cannot return.
    const std::int64_t rowWords =
        (std::int64_t{RZGetKWPixMapPixelSize(map)} * RZGetKWPixMapWidth(map) + 31) / 32;
    if (bytes > kRoundTripSizeLimit || rowWords > 32767) return;

    char* dib = nullptr;
    unsigned int dibSize = 0;
    Require(RZKWPixMap2DIB(map, nullptr, &dib, &dibSize) == 0, "an imported map exports");
    KWPixMap** again = nullptr;
    const short result = RZDIB2KWPixMap(dib, dibSize, &again);
    BMKillPtr(&dib);
    Require(result == 0 && again != nullptr, "an exported map imports back");
    Require(RZGetKWPixMapWidth(again) == RZGetKWPixMapWidth(map) &&
                RZGetKWPixMapHeight(again) == RZGetKWPixMapHeight(map) &&
                RZGetKWPixMapPixelType(again) == type,
            "an exported map imports back at its size and type");

    const unsigned int width = RZGetKWPixMapWidth(map);
    const unsigned int height = RZGetKWPixMapHeight(map);
    const unsigned int rowBytes = RZGetKWPixMapBytesPerRow(map);
    const auto* before = reinterpret_cast<const std::uint8_t*>(RZGetKWPixMapBaseAddr(map));
    const auto* after = reinterpret_cast<const std::uint8_t*>(RZGetKWPixMapBaseAddr(again));
    for (unsigned int y = 0; y < height; ++y) {
        const std::uint8_t* b = before + std::size_t{y} * rowBytes;
        const std::uint8_t* a = after + std::size_t{y} * rowBytes;
        if (type == PixelTypeGrey) {
            // Grey levels pass through the grey ramp and the luminance
            // weights, which lose one level for some values.
            for (unsigned int x = 0; x < width; ++x)
                Require(a[x] == GreyLevelOf(b[x]), "a grey map imports back as its ramp says");
        } else if (type == PixelTypeBlackWhite) {
            for (unsigned int x = 0; x < width; ++x) {
                const int mask = 0x80 >> (x % 8);
                Require((a[x / 8] & mask) == (b[x / 8] & mask), "a 1-bit map imports back");
            }
        } else {
            Require(std::memcmp(a, b, std::size_t{width} * 4) == 0, "a 32-bit map imports back");
        }
    }
    RZDeleteKWPixMap(again);
}

void CheckImportedMap(KWPixMap** map, const ExpectedMap& expected) {
    Require(expected.known, "only 12- and 40-byte headers import");
    Require(expected.width > 0 && expected.height > 0, "empty pictures are refused");
    Require(RZGetKWPixMapWidth(map) == expected.width, "the map has the header's width");
    Require(RZGetKWPixMapHeight(map) == expected.height, "the map has the header's height");
    Require(RZGetKWPixMapPixelType(map) == ExpectedPixelType(expected.bits),
            "the pixel type follows the bit count");
    Require(RZGetKWPixMapHResolution(map) == static_cast<unsigned int>(expected.hResolution) &&
                RZGetKWPixMapVResolution(map) == static_cast<unsigned int>(expected.vResolution),
            "the resolution follows the header");
    if (RZGetKWPixMapPixelType(map) == PixelTypeARGB) {
        unsigned char alpha = 0;
        Require(RZKWPixMapIsAllAlphaEqual(map, &alpha) && alpha == 255,
                "an imported 32-bit map is opaque");
    }
    CheckRoundTrip(map);
}

void InspectHeader(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(BITMAPINFOHEADER)) return;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    unsigned int colorCount = 0, rowBytes = 0, headerSize = 0, imageSize = 0, unpackedSize = 0;
    RECT bounds{};
    const int usable = RZGetDIBInfo(&header, &colorCount, &bounds, &rowBytes, &headerSize,
                                    &imageSize, &unpackedSize);
    if (header.biSize != 40) Require(usable == 0, "RZGetDIBInfo refuses other header sizes");
    // Every output may be left out.
    RZGetDIBInfo(&header, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

} // namespace

// Each input maps and unmaps its large blocks afresh. With transparent huge
// pages the cost of that depends on the kernel's compaction and on how a
// virtual machine's host backs freed memory; one CI machine ran this fuzzer
// 70 times slower than others, and huge-page faults are the likeliest cause.
// The fuzzer checks results, not page policy, so it uses ordinary pages.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InspectHeader(data, size);

    const ExpectedMap expected = ExpectedFromHeader(data, size);
    if (SkipAsTooLarge(expected)) return 0;

    const std::int64_t liveBlocks = KWRootLiveBlockCount();
    KWPixMap** map = nullptr;
    const short result =
        RZDIB2KWPixMap(reinterpret_cast<const char*>(data), static_cast<unsigned int>(size), &map);
    if (result == 0) {
        Require(map != nullptr, "a success hands over a map");
        CheckImportedMap(map, expected);
    } else {
        Require(result < 0, "failures are negative codes");
        Require(map == nullptr, "a failure hands over no map");
    }
    RZDeleteKWPixMap(map);
    Require(KWRootLiveBlockCount() == liveBlocks, "no root-library block is left allocated");
    return 0;
}
