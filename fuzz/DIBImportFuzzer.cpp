// libFuzzer target for the packed-DIB import: RZGetDIBInfo on the leading
// header and RZDIB2KWPixMap on the whole input.
//
// Beyond what the sanitizers catch, it aborts when the import breaks a
// promise it makes to callers: a success without a map (or a failure with
// one), a map whose size or type disagrees with the header, a 32-bit map
// that is not fully opaque, a root-library block left allocated, or a map
// whose own export does not import back to the same pixels.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <sys/prctl.h>

#include "FuzzInput.h"

namespace rzfuzz {

const char* const kSubject = "DIB import";

namespace {

// Legitimately large run-length images and images without pixel bits (a
// few bytes can describe a gigapixel picture) are skipped above this many
// bytes of map or buffer, so that every input runs in milliseconds. Sizes
// past 2^31 - 1 still run: the import must refuse them before allocating.
constexpr double kLargeImageLimit = 2 << 20;
constexpr std::int64_t kRoundTripSizeLimit = 1 << 20;

// What the import must produce for a header it accepts.
struct ExpectedMap {
    bool known = false;
    std::int64_t width = 0, height = 0, bits = 0, compression = 0;
    std::int64_t hResolution = 72, vResolution = 72;
};

ExpectedMap ExpectedFromHeader(const BITMAPINFOHEADER& h, const std::uint8_t* data,
                               std::size_t size) {
    ExpectedMap expected;
    if (size >= 12 && h.biSize == 12) {
        // Width, height, planes and bit count in 16 bits each.
        std::uint16_t core[4];
        std::memcpy(core, data + 4, sizeof core);
        expected = {true, core[0], core[1], std::int64_t{core[2]} * core[3]};
    } else if (size >= 40 && h.biSize == 40) {
        expected = {true, h.biWidth, std::abs(std::int64_t{h.biHeight}),
                    std::int64_t{h.biPlanes} * h.biBitCount, h.biCompression};
        const auto hr = static_cast<std::int64_t>(h.biXPelsPerMeter * 0.0254);
        const auto vr = static_cast<std::int64_t>(h.biYPelsPerMeter * 0.0254);
        if (hr != 0 || vr != 0) expected.hResolution = hr, expected.vResolution = vr;
    }
    return expected;
}

bool SkipAsTooLarge(const ExpectedMap& e) {
    if (!e.known || !(e.compression == 1 || e.compression == 2 || e.bits == 0)) return false;
    // Bytes of the map or of the unpacked rows the header implies, whichever
    // is larger; in double precision, where nothing overflows.
    const double bytes =
        (std::fabs(double(e.width)) * std::max(double(e.bits), 32.0) / 8 + 4) * double(e.height);
    return bytes > kLargeImageLimit && bytes <= 0x7FFFFFFF;
}

void CheckImportedMap(KWPixMap** map, const ExpectedMap& expected) {
    Require(expected.known, "only 12- and 40-byte headers import");
    Require(expected.width > 0 && expected.height > 0, "empty pictures are refused");
    Require(RZGetKWPixMapWidth(map) == expected.width &&
                RZGetKWPixMapHeight(map) == expected.height,
            "the map has the header's sides");
    Require(RZGetKWPixMapPixelType(map) == (expected.bits == 1   ? PixelTypeBlackWhite
                                            : expected.bits == 8 ? PixelTypeGrey
                                                                 : PixelTypeARGB),
            "the pixel type follows the bit count");
    Require(RZGetKWPixMapHResolution(map) == static_cast<unsigned int>(expected.hResolution) &&
                RZGetKWPixMapVResolution(map) == static_cast<unsigned int>(expected.vResolution),
            "the resolution follows the header");
    unsigned char alpha = 0;
    if (RZGetKWPixMapPixelType(map) == PixelTypeARGB)
        Require(RZKWPixMapIsAllAlphaEqual(map, &alpha) && alpha == 255,
                "an imported 32-bit map is opaque");
    // Maps up to a size are also exported and imported back.
    const unsigned width = RZGetKWPixMapWidth(map);
    const std::int64_t bytes =
        std::int64_t{RZGetKWPixMapBytesPerRow(map)} * RZGetKWPixMapHeight(map);
    // The import keeps 16 bits of a row's word count, as RZGetDIBInfo does,
    // and refuses the rows it cannot describe: a map that needs 32768 words
    // a row or more (a 32-bit map wider than 32767) exports but cannot return.
    if (bytes > kRoundTripSizeLimit || RowBytes(width, RZGetKWPixMapPixelSize(map)) / 4 > 32767)
        return;
    char* dib = nullptr;
    unsigned int dibSize = 0;
    Require(RZKWPixMap2DIB(map, nullptr, &dib, &dibSize) == 0, "an imported map exports");
    KWPixMap** again = nullptr;
    const short result = RZDIB2KWPixMap(dib, dibSize, &again);
    BMKillPtr(&dib);
    Require(result == 0 && again != nullptr &&
                RZGetKWPixMapPixelType(again) == RZGetKWPixMapPixelType(map),
            "an exported map imports back, of its type");
    CheckReimported(map, again);
    RZDeleteKWPixMap(again);
}

void InspectHeader(const BITMAPINFOHEADER& header) {
    unsigned int colorCount = 0, rowBytes = 0, headerSize = 0, imageSize = 0, unpackedSize = 0;
    RECT bounds{};
    const int usable = RZGetDIBInfo(&header, &colorCount, &bounds, &rowBytes, &headerSize,
                                    &imageSize, &unpackedSize);
    Require(header.biSize == 40 || usable == 0, "RZGetDIBInfo refuses other header sizes");
    // Every output may be left out.
    RZGetDIBInfo(&header, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

} // namespace
} // namespace rzfuzz

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
    using namespace rzfuzz;
    BITMAPINFOHEADER header{};
    if (size >= 12) std::memcpy(&header, data, std::min(size, sizeof header));
    if (size >= sizeof header) InspectHeader(header);
    const ExpectedMap expected = ExpectedFromHeader(header, data, size);
    if (SkipAsTooLarge(expected)) return 0;
    const NoBlockLeft noBlockLeft;
    KWPixMap** map = nullptr;
    const short result =
        RZDIB2KWPixMap(reinterpret_cast<const char*>(data), static_cast<unsigned int>(size), &map);
    Require(result <= 0, "failures are negative codes");
    Require((result == 0) == (map != nullptr), "a map exactly on success");
    if (map != nullptr) CheckImportedMap(map, expected);
    RZDeleteKWPixMap(map);
    return 0;
}
