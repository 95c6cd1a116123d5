// Drawing part of a pixel map on a device context: palette devices get what
// the colour reduction makes, placed by StretchDIBits; deeper ones a GDI+
// draw that replaces or blends; clipping in proportion; failures.
#include "RZ/platform/PointerBlock.h"
#include "RenderTesting.h"

namespace {

using namespace rendertest;
using rz::platform::PointerBlock;
using Colours = std::vector<std::uint32_t>;

constexpr int kWidth = 16, kHeight = 12;

short Draw(HDC dc, KWPixMap** map, KWRect source, KWRect target, int useAlpha) {
    return RZDrawKWPixMapPartOnHDC(dc, map, &source, &target, 1, 0, useAlpha);
}

// The colours (0x00RRGGBB) a device shows, read through a 32-bit section.
Colours Read(HDC device) {
    rztest::Section copy(kWidth, -kHeight, 32);
    BitBlt(copy.dc, 0, 0, kWidth, kHeight, device, 0, 0, SRCCOPY);
    Colours pixels(kWidth * kHeight);
    for (int i = 0; i < kWidth * kHeight; ++i) pixels[i] = copy.Colour(i % kWidth, i / kWidth);
    return pixels;
}

// An opaque map, every pixel different.
KWPixMap** OpaqueMap(int width, int height) {
    KWPixMap** map = Patterned(width, height, 0);
    RZFillKWPixMapAlphaChannel(map, 255);
    return map;
}

#if !defined(_WIN32)
// A display of each depth: the DIB path below 9 bits unless useAlpha is 1,
// holding exactly what the reduction makes placed by StretchDIBits; GDI+
// otherwise, opaque, holding the pixels as the device stores them. Rows come
// in even numbers, so the conversion made here for comparison starts in the
// same scan direction as the library's.
TEST(RZDrawKWPixMapPartOnHDC, EachDeviceDepthTakesItsPath) {
    PixMapHandleGuard map(OpaqueMap(8, 6));
    PointerBlock dib;
    ASSERT_EQ(RZKWPixMap2DIB(map(), nullptr, dib.Out(), nullptr), 0);
    for (int depth : {1, 4, 8, 16, 24, 32})
        for (int useAlpha : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, useAlpha " << useAlpha);
            HDC device = SoftGdiCreateDisplayDC(depth, kWidth, kHeight);
            HDC expected = SoftGdiCreateDisplayDC(depth, kWidth, kHeight);
            ASSERT_EQ(Draw(device, map(), {0, 0, 6, 8}, {2, 3, 8, 11}, useAlpha), 0);
            PointerBlock converted;
            const BITMAPINFO* drawn = dib.As<BITMAPINFO>();
            if (useAlpha != 1 && depth <= 8) {
                CRZConvertBitmap(reinterpret_cast<void**>(converted.Out()), short(depth),
                                 &drawn->bmiHeader, 1, 0);
                drawn = converted.As<BITMAPINFO>();
            }
            const char* rows =
                reinterpret_cast<const char*>(drawn) + 40 + 4 * drawn->bmiHeader.biClrUsed;
            StretchDIBits(expected, 3, 2, 8, 6, 0, 0, 8, 6, rows, drawn, DIB_RGB_COLORS, SRCCOPY);
            EXPECT_EQ(Read(device), Read(expected));
            DeleteDC(device), DeleteDC(expected);
        }
}
#endif

// On devices deeper than 8 bits (here a memory DC, which reports the screen's
// depth in both flavours): one-to-one opaque draws replace the pixels,
// blended ones follow source-over, and clipping keeps proportions.
TEST(RZDrawKWPixMapPartOnHDC, OpaqueDrawsReplaceAndBlendedOnesFollowSourceOver) {
    PixMapHandleGuard opaque(OpaqueMap(5, 4)), translucent(Patterned(5, 4, 1));
    const int tolerance = kOwnGdiPlus ? 1 : 2;
    for (int useAlpha : {0, 1, 2}) {
        KWPixMap** map = useAlpha == 1 ? translucent() : opaque();
        rztest::Section device(kWidth, -kHeight, 32);
        device.Randomise(unsigned(useAlpha));
        const Colours before = Read(device.dc);
        ASSERT_EQ(Draw(device.dc, map, {0, 0, 4, 5}, {3, 2, 7, 7}, useAlpha), 0);
        const Colours after = Read(device.dc);
        for (int i = 0; i < kWidth * kHeight; ++i) {
            const int x = i % kWidth, y = i / kWidth;
            const std::uint32_t was = before[std::size_t(i)];
            Colour want{255, std::uint8_t(was >> 16), std::uint8_t(was >> 8), std::uint8_t(was)};
            if (x >= 2 && x < 7 && y >= 3 && y < 7)
                want = SourceOver(rztest::Pixel(map, x - 2, y - 3), want);
            for (int k = 1; k < 4; ++k)
                ASSERT_NEAR(int(after[std::size_t(i)] >> (24 - 8 * k) & 0xFF), want[std::size_t(k)],
                            tolerance)
                    << x << "," << y << ", useAlpha " << useAlpha;
        }
    }
    // Source columns -2 to 4 into target columns 1 to 15: the two outside the
    // map take 14 x 2 / 7 columns, so drawing starts at column 5.
    PixMapHandleGuard uniform(Uniform(5, 4, 0, {255, 40, 140, 240}));
    rztest::Section device(kWidth, -kHeight, 32);
    device.Randomise(7);
    const Colours before = Read(device.dc);
    ASSERT_EQ(Draw(device.dc, uniform(), {0, -2, 4, 5}, {1, 1, 5, 15}, 0), 0);
    const Colours after = Read(device.dc);
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const int x = i % kWidth, y = i / kWidth;
        if (x >= 7 && x < 13 && y >= 1 && y < 5) {
            EXPECT_EQ(after[std::size_t(i)], 0x288CF0u) << x << "," << y;
        } else if (x < 5 || x >= 15 || y < 1 || y >= 5) {
            EXPECT_EQ(after[std::size_t(i)], before[std::size_t(i)]) << x << "," << y;
        }
    }
}

TEST(RZDrawKWPixMapPartOnHDC, HostileArgumentsAndFailuresLeaveNothing) {
    PixMapHandleGuard map(OpaqueMap(6, 4));
    rztest::Section device(kWidth, -kHeight, 32);
    KWPixMap* noRecord = nullptr;
    const KWRect all{0, 0, 4, 6}, into{1, 1, 7, 9},
        huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_EQ(RZDrawKWPixMapPartOnHDC(nullptr, map(), &all, &all, 0, 0, 0), RZErrFailed);
    EXPECT_EQ(RZDrawKWPixMapPartOnHDC(device.dc, nullptr, &all, &all, 0, 0, 0), RZErrFailed);
    EXPECT_EQ(RZDrawKWPixMapPartOnHDC(device.dc, map(), nullptr, &all, 0, 0, 0), RZErrFailed);
    EXPECT_EQ(Draw(device.dc, &noRecord, all, all, 0), 0);
    const short limits = Draw(device.dc, map(), huge, huge, 1);
    EXPECT_TRUE(limits == 0 || limits == RZErrFailed);
    // Each GDI+ creation failing in turn, on the GDI+ path and (with our GDI,
    // on a palette display) the DIB path: RZErrFailed, nothing left.
    std::vector<HDC> devices = {device.dc};
#if !defined(_WIN32)
    devices.push_back(SoftGdiCreateDisplayDC(8, kWidth, kHeight));
#endif
    for (HDC dc : devices) {
        short result = 0;
        SweepCreationFailures([&] { result = Draw(dc, map(), all, into, 1); },
                              [&](int) { EXPECT_EQ(result, RZErrFailed); });
    }
    if (devices.size() > 1) DeleteDC(devices.back());
}

} // namespace
