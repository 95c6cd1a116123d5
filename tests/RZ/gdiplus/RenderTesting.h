// Helpers of the rendering tests: patterned maps whose untouched pixels are
// recognisable, a pixel-by-pixel expectation check, and the one switch for
// what only our software GDI+ promises.
#pragma once

#include <cmath>
#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

#include "RZ/KWPixMap"
#include "platform/GdiFixtures.h"
#include "support/LeakCheck.h"
#include "support/PixMaps.h"

#if !defined(_WIN32)
#include "SoftGDI/Display.h"
#endif

namespace rendertest {

using rztest::Colour;
using rztest::SweepCreationFailures;

// Our software GDI+ resamples with a known filter and places reversed axes
// exactly; the real one (under Wine) is held to properties only.
constexpr bool kOwnGdiPlus = rztest::kSoftGdi;

// New maps, for a PixMapHandleGuard to own. Patterned: every pixel differs
// from its neighbours (32-bit: alpha too).
inline KWPixMap** Patterned(int width, int height, int type) {
    KWPixMap** map = RZCreateKWPixMap(width, height, 72, 72, KWPixelType(type));
    for (int i = 0; i < width * height; ++i) {
        const auto v = static_cast<unsigned char>(37 * (i % width) + 101 * (i / width) + 11);
        const Colour c{static_cast<unsigned char>(v ^ 0x5A), v, static_cast<unsigned char>(255 - v),
                       static_cast<unsigned char>(v * 3)};
        RZSetKWPixMapPixel(map, i % width, i / width, c.data());
    }
    return map;
}

inline KWPixMap** Uniform(int width, int height, int type, Colour colour) {
    KWPixMap** map = RZCreateKWPixMap(width, height, 72, 72, KWPixelType(type));
    RZFillKWPixMap(map, colour.data());
    return map;
}

inline KWPixMap** CopyOf(KWPixMap** map) {
    KWPixMap** copy = nullptr;
    RZCopyKWPixMap(&copy, map);
    return copy;
}

// What a pixel must be after an operation: what it was, anything (pixels
// the filter's edge reaches), or a colour within a tolerance per byte.
struct Want {
    enum Kind { Kept, Any, Is } kind = Kept;
    Colour colour{};
    int tolerance = 0;
};
inline constexpr auto Kept = [](int tolerance = 0) { return Want{Want::Kept, {}, tolerance}; };
inline constexpr auto Any = [] { return Want{Want::Any, {}, 0}; };
inline constexpr auto Is = [](Colour c, int tolerance = 0) { return Want{Want::Is, c, tolerance}; };

// A patterned target and a copy of it as it was, for pixel-by-pixel checks.
class Scene {
public:
    Scene(int width, int height, int type)
        : target_(Patterned(width, height, type)), before_(CopyOf(target_())) {}
    KWPixMap** Target() { return target_(); }
    Colour Before(int x, int y) { return rztest::Pixel(before_(), x, y); }
    // Every pixel as want(x, y) says; by default, each as it was.
    ::testing::AssertionResult Check(const std::function<Want(int x, int y)>& want = [](int, int) {
        return Kept();
    }) {
        const int width = int(RZGetKWPixMapWidth(Target()));
        const int height = int(RZGetKWPixMapHeight(Target()));
        for (int i = 0; i < width * height; ++i) {
            const int x = i % width, y = i / width;
            const Want w = want(x, y);
            const Colour expected = w.kind == Want::Kept ? Before(x, y) : w.colour;
            const Colour got = rztest::Pixel(Target(), x, y);
            for (int k = 0; k < 4 && w.kind != Want::Any; ++k)
                if (std::abs(got[k] - expected[k]) > w.tolerance)
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << ") is "
                           << ::testing::PrintToString(got)
                           << (w.kind == Want::Kept ? ", was " : ", want ")
                           << ::testing::PrintToString(expected);
        }
        return ::testing::AssertionSuccess();
    }

private:
    PixMapHandleGuard target_, before_;
};

// Textbook source-over of straight alpha colours, rounded.
inline Colour SourceOver(Colour s, Colour d) {
    const double as = s[0] / 255.0, ad = d[0] / 255.0, a = as + ad * (1 - as);
    Colour out{static_cast<unsigned char>(std::lround(a * 255)), 0, 0, 0};
    for (int i = 1; i < 4; ++i)
        out[i] = static_cast<unsigned char>(
            a > 0 ? std::lround((s[i] * as + d[i] * ad * (1 - as)) / a) : 0);
    return out;
}

} // namespace rendertest
