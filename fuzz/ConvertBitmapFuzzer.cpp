// libFuzzer target for CRZConvertBitmap. The input chooses a header (bit
// count, planes, compression, width, height and its sign, colour count); the
// fuzzer allocates exactly the bytes that header implies, fills them from
// the rest of the input and converts them to every target depth, with and
// without dithering and the standard palette, sometimes with an allocation
// failing part way.
//
// Beyond what the sanitizers catch, it aborts when the conversion breaks a
// promise: a size without a block or a block without a size, a header it
// handles refused (or one it does not handle converted), a result whose
// header, size or colour table disagrees with itself, an identity conversion
// that changes a pixel, or a root-library block left once the result is freed.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzInput.h"

namespace rzfuzz {

const char* const kSubject = "CRZConvertBitmap";

namespace {

// Inputs whose pixels would take more than this many bytes are skipped when
// the conversion must read them; headers it refuses get only their header
// and colour table, since it may not read further.
constexpr std::int64_t kPixelByteLimit = 256 << 10;

constexpr std::int64_t kBitCounts[] = {1, 4, 8, 24, 32, 0, 2, 16, 48, 64};
constexpr std::int64_t kPlanes[] = {1, 1, 1, 0, 2, 3, 0x8000};
constexpr std::int64_t kCompressions[] = {0, 0, 0, 1, 2, 3, 4, 5, 6};
constexpr std::int64_t kSides[] = {0,  1,  2,   3,      7,         31,       32,
                                   33, 64, 255, 32767,  32768,     65535,    65536,
                                   -1, -2, -7,  -32768, INT32_MAX, INT32_MIN};
constexpr std::int64_t kColourCounts[] = {0, 1, 2, 15, 16, 17, 255, 256, 257, 0x10000, 0x10001};

BITMAPINFOHEADER ChooseHeader(FuzzInput& in) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biBitCount = static_cast<WORD>(in.Pick(kBitCounts));
    h.biPlanes = static_cast<WORD>(in.Pick(kPlanes));
    h.biCompression = static_cast<DWORD>(in.Pick(kCompressions));
    // Mostly small pictures, with the hostile sides mixed in.
    const std::uint8_t shape = in.Byte();
    h.biWidth = static_cast<LONG>(shape & 1 ? in.Pick(kSides) : in.Byte() % 40);
    h.biHeight = static_cast<LONG>(shape & 2 ? in.Pick(kSides) : in.Byte() % 40);
    h.biClrUsed = static_cast<DWORD>(in.Pick(kColourCounts));
    h.biXPelsPerMeter = static_cast<LONG>(in.Word());
    return h;
}

void CheckResult(const BITMAPINFOHEADER& source, const std::uint8_t* block, unsigned int size,
                 int bits) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, block, sizeof h);
    const int colours = bits <= 8 ? 1 << bits : 0;
    Require(h.biSize == 40 && h.biPlanes == 1 && h.biBitCount == bits && h.biCompression == BI_RGB,
            "the result's header describes an uncompressed picture of the target depth");
    Require(h.biWidth == source.biWidth && h.biHeight == source.biHeight,
            "the result has the source's sides");
    Require(h.biClrUsed == DWORD(colours) &&
                h.biSizeImage == DWORD(RowBytes(source.biWidth, bits) * h.biHeight),
            "the result counts its colours and its pixel bytes");
    Require(size == 40 + 4u * colours + h.biSizeImage, "the size is header, colours and rows");
    static constexpr std::uint8_t kBlackWhite[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    Require(bits != 1 || std::memcmp(block + 40, kBlackWhite, 8) == 0,
            "1-bit results are black and white");
    for (int i = 0; i < colours; ++i)
        Require(block[40 + 4 * i + 3] == 0, "colour table entries have a zero reserved byte");
}

} // namespace
} // namespace rzfuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rzfuzz;
    FuzzInput in(data, size);
    const BITMAPINFOHEADER h = ChooseHeader(in);
    const std::uint8_t failAt = in.Byte(), choice = in.Byte();
    // Planes x bit count as a 16-bit product; the colour table entries the
    // conversion reads; whether it takes the header.
    const int bits = static_cast<std::int16_t>(std::uint32_t{h.biPlanes} * h.biBitCount);
    const int colours = h.biClrUsed & 0xFFFF    ? int(h.biClrUsed & 0xFFFF)
                        : bits > 0 && bits <= 8 ? 1 << bits
                                                : 0;
    const std::int64_t width = h.biWidth, height = std::abs(std::int64_t{h.biHeight});
    const bool handled = (bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32) &&
                         h.biCompression == BI_RGB && width >= 0 && width <= 32767 &&
                         h.biHeight >= 0 && height <= 32767;
    const std::int64_t stride = RowBytes(std::abs(width), std::max(bits, 1));
    const std::int64_t pixelBytes =
        height > 0 && stride > INT64_MAX / height ? INT64_MAX : stride * height;
    if (handled && pixelBytes > kPixelByteLimit) return 0;

    // Exactly the bytes the header implies: the header, the colour table the
    // conversion reads, and (for headers it takes) the rows.
    const std::int64_t pixelsAt = 40 + 4 * std::int64_t{colours};
    std::vector<std::uint8_t> dib(std::size_t(pixelsAt + (handled ? pixelBytes : 0)));
    std::memcpy(dib.data(), &h, sizeof h);
    const auto rest = in.Rest();
    for (std::size_t i = 40; i < dib.size() && !rest.empty(); ++i)
        dib[i] = rest[(i - 40) % rest.size()];
    const auto* source = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());

    // The target depth the input chooses, then 24 bits (no colour cube to
    // build, so cheap), each with the flags the input chooses.
    static constexpr short kTargets[] = {1, 4, 8, 24, 0, 2, 16, 32, -1};
    const short targets[] = {kTargets[choice % 9], 24};
    for (int run = 0; run < 2; ++run) {
        const NoBlockLeft noBlockLeft;
        const short target = targets[run];
        const bool supported = target == 1 || target == 4 || target == 8 || target == 24;
        const int flags = choice >> (4 + 2 * run) & 3;
        // One of the two conversions may run with an allocation failing.
        const bool failing = failAt != 0 && run == failAt % 2;
        if (failing) KWRootFailAllocation(1 + failAt / 2 % 8);
        void* out = reinterpret_cast<void*>(1);
        const unsigned int result = CRZConvertBitmap(&out, target, source, flags & 1, flags >> 1);
        const bool failed = failing && !KWRootFailurePending();
        KWRootFailAllocation(0);
        Require((result == 0) == (out == nullptr), "a size exactly when a block");
        // Sides the conversion takes are small enough for 64-bit sizes.
        const bool takes =
            supported && handled &&
            RowBytes(width, target) * h.biHeight + 40 + 4 * (target <= 8 ? 1 << target : 0) <=
                INT32_MAX;
        if (!failed)
            Require((result != 0) == takes, "handled headers convert and the others are refused");
        if (out == nullptr) continue;
        const auto* block = static_cast<const std::uint8_t*>(out);
        CheckResult(h, block, result, target);
        // True colour to 24 bits passes every pixel's blue, green and red through.
        const std::int64_t targetStride = RowBytes(width, 24);
        if (target == 24 && bits >= 24 && !failed)
            for (std::int64_t y = 0; y < h.biHeight; ++y)
                for (std::int64_t x = 0; x < width; ++x)
                    Require(std::memcmp(block + 40 + y * targetStride + 3 * x,
                                        dib.data() + pixelsAt + y * stride + bits / 8 * x, 3) == 0,
                            "true colour to 24 bits keeps every pixel");
        char* owned = static_cast<char*>(out);
        BMKillPtr(&owned);
    }
    // The null and out-of-range arguments.
    Require(CRZConvertBitmap(nullptr, 8, source, 0, 0) == 0, "no output, no conversion");
    void* out = reinterpret_cast<void*>(1);
    Require(CRZConvertBitmap(&out, 8, nullptr, 0, 0) == 0 && out == nullptr,
            "no source, no conversion");
    return 0;
}
