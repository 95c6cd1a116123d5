// Stretching and rotation into pixel maps: exact copies and placements,
// clipping in proportion, uniform colours in every mode, source-over,
// hostile arguments, and failures that leave the target as it was.
#include <algorithm>
#include <climits>
#include <numbers>

#include "RenderTesting.h"

namespace {

using namespace rendertest;
constexpr double kPi = std::numbers::pi;
// The real GDI+ may round a uniform colour by one level, and blends in
// eight bits.
const int kTolerance = kOwnGdiPlus ? 0 : 1;
const int kBlendTolerance = kOwnGdiPlus ? 1 : 2;

// Wine's GDI+ draws into palette DIB sections through a palette mapping that
// moves grey levels by a few steps, in the whole box it draws.
const auto Slack = [](int type) { return !kOwnGdiPlus && type == PixelTypeGrey ? 8 : 0; };

short Stretch(KWPixMap** s, KWPixMap** t, KWRect sr, KWRect tr, int useAlpha = 0) {
    return RZStretchKWPixMap(s, t, &sr, &tr, useAlpha);
}
short Rotate(KWPixMap** s, KWPixMap** t, KWRect r, int x, int y, double angle, bool mirror = false,
             int useAlpha = 0) {
    return RZRotateKWPixMap(s, t, &r, x, y, angle, mirror, useAlpha);
}

bool Inside(int x, int y, const KWRect& r) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Colour value a map of the given type holds for an opaque grey level.
Colour Level(int type, unsigned char v) {
    return {static_cast<unsigned char>(type < 2 ? 255 : 0), v, v, v};
}

TEST(Stretch, EqualSizesCopyThirtyTwoBitPixelsExactlyAndClipInProportion) {
    PixMapHandleGuard source(Patterned(8, 6, 0));
    Scene scene(10, 10, 1);
    ASSERT_EQ(Stretch(source(), scene.Target(), {2, 2, 6, 6}, {4, 4, 8, 8}), 0);
    // The left edge is clipped from -2 to 0, the target's moves by 6 x 2 / 6.
    ASSERT_EQ(Stretch(source(), scene.Target(), {0, -2, 4, 4}, {0, 0, 4, 6}), 0);
    EXPECT_TRUE(scene.Check([&](int x, int y) {
        if (Inside(x, y, {4, 4, 8, 8})) return Is(rztest::Pixel(source(), x - 2, y - 2));
        return Inside(x, y, {0, 2, 4, 6}) ? Is(rztest::Pixel(source(), x - 2, y)) : Kept();
    }));
    // A map copied onto itself, down or up, moves its pixels as a copy would.
    for (const KWRect to : {KWRect{2, 3, 6, 7}, KWRect{0, 0, 4, 4}}) {
        PixMapHandleGuard map(Patterned(8, 6, 0)), original(Patterned(8, 6, 0));
        ASSERT_EQ(Stretch(map(), map(), {1, 1, 5, 5}, to), 0);
        int wrong = 0;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                wrong +=
                    rztest::Pixel(map(), x, y) !=
                    (Inside(x, y, to) ? rztest::Pixel(original(), x - to.left + 1, y - to.top + 1)
                                      : rztest::Pixel(original(), x, y));
        EXPECT_EQ(wrong, 0) << to.top;
    }
    // Scaled: a uniform source, each cut edge moved by lround of its share.
    const Colour colour{255, 90, 160, 30};
    // clang-format off
    const struct { int width, height; KWRect source, target, drawn; } cases[] = {
        {10, 10, {0, -5, 10, 5}, {0, 0, 10, 20}, {0, 10, 10, 20}}, // 20 x 5 / 10
        {4, 2, {0, -1, 2, 1}, {0, 0, 2, 5}, {0, 3, 2, 5}},         // 2.5 rounds away from zero
        {4, 2, {0, 0, 2, 6}, {0, 0, 2, 9}, {0, 0, 2, 6}},          // right: 9 x 4 / 6
        {8, 2, {0, 0, 2, 8}, {0, -4, 2, 4}, {0, 0, 2, 4}},         // target clipped on the left
        {3, 3, {-3, 0, 3, 3}, {0, 0, 12, 3}, {6, 0, 12, 3}}};      // top: 12 x 3 / 6
    // clang-format on
    for (const auto& c : cases) {
        PixMapHandleGuard uniform(Uniform(c.width, c.height, 0, colour));
        Scene clipped(20, 12, 0);
        ASSERT_EQ(Stretch(uniform(), clipped.Target(), c.source, c.target), 0);
        EXPECT_TRUE(clipped.Check([&](int x, int y) {
            return Inside(x, y, c.drawn) ? Is(colour, kTolerance) : Kept();
        })) << c.drawn.left;
    }
}

TEST(Stretch, UniformSourcesKeepTheirColourInEveryMode) {
    const KWRect drawn{2, 3, 9, 17}, edgeless{4, 5, 7, 15};
    for (int from = 0; from < 4; ++from)
        for (int to = 0; to < 4; ++to)
            for (int useAlpha : {0, 1})
                for (unsigned char level : {0, 255}) {
                    SCOPED_TRACE(testing::Message() << from << " to " << to << ", alpha "
                                                    << useAlpha << ", level " << int(level));
                    PixMapHandleGuard source(Uniform(6, 5, from, Level(0, level)));
                    Scene scene(17, 12, to); // 1-bit rows of three bytes
                    ASSERT_EQ(Stretch(source(), scene.Target(), {0, 0, 5, 6}, drawn, useAlpha), 0);
                    // Indexed sources get no tile-flip edges: the filter reaches
                    // past them into transparency.
                    EXPECT_TRUE(scene.Check([&](int x, int y) {
                        if (!Inside(x, y, drawn)) return Kept();
                        if (from >= 2 && !Inside(x, y, edgeless)) return Any();
                        return Is(Level(to, level), std::max(kTolerance, Slack(to)));
                    }));
                }
    // Opaque draws of 32-bit maps into grey ones see true colours without
    // alpha: ours stores the nearest grey, the mean of red, green and blue.
    PixMapHandleGuard colour(Uniform(4, 4, 0, {90, 200, 40, 10}));
    Scene grey(9, 9, 3);
    ASSERT_EQ(Stretch(colour(), grey.Target(), {0, 0, 4, 4}, {1, 1, 8, 8}), 0);
    EXPECT_TRUE(grey.Check([&](int x, int y) {
        return Inside(x, y, {1, 1, 8, 8}) ? Is(Level(3, 83), Slack(3)) : Kept();
    }));
}

// One-to-one draws read the source rectangle at its offset in every type,
// 1-bit maps at whole bytes and at bits inside a byte (through a bitmap over
// the whole map).
TEST(Stretch, SourceRectanglesAreReadAtTheirOffsetInEveryType) {
    for (int type = 0; type < 4; ++type)
        for (int left : {3, 8, 56}) {
            // Wine's GDI+ misreads 1-bit bitmaps from a column inside a byte.
            if (!kOwnGdiPlus && type == PixelTypeBlackWhite && left % 8 != 0) continue;
            PixMapHandleGuard source(Patterned(64, 6, type));
            RZFillKWPixMapAlphaChannel(source(), 255); // opaque: blending keeps it as it is
            Scene scene(8, 5, 0);
            ASSERT_EQ(Stretch(source(), scene.Target(), {1, left, 4, left + 5}, {1, 2, 4, 7}, 1),
                      0);
            EXPECT_TRUE(scene.Check([&](int x, int y) {
                Colour c = rztest::Pixel(source(), left + x - 2, y);
                c[0] = 255;
                return Inside(x, y, {1, 2, 4, 7}) ? Is(c) : Kept();
            })) << type
                << " from " << left;
        }
}

TEST(Stretch, OpaqueDrawsResampleAlphaAndBlendedDrawsFollowSourceOver) {
    // Opaque: every byte is resampled on its own, so a uniform alpha of 30
    // arrives as it is, and transparent pixels keep their colour.
    PixMapHandleGuard source(8, 4, 72, 72, PixelTypeARGB);
    for (int i = 0; i < 32; ++i)
        rztest::SetPixel(source(), i % 8, i / 8,
                         i % 8 < 4 ? Colour{0, 255, 0, 0} : Colour{30, 0, 90, 255});
    Scene opaque(16, 8, 1);
    ASSERT_EQ(Stretch(source(), opaque.Target(), {0, 0, 4, 8}, {0, 0, 8, 16}), 0);
    EXPECT_TRUE(opaque.Check([&](int x, int) {
        return x < 5     ? Is({0, 255, 0, 0}, kTolerance)
               : x >= 11 ? Is({30, 0, 90, 255}, kTolerance)
                         : Any();
    }));
    // Blended: the textbook formula, pixel by pixel over a patterned target.
    const Colour over{128, 200, 100, 50};
    PixMapHandleGuard half(Uniform(5, 5, 0, over));
    Scene blended(12, 12, 0);
    ASSERT_EQ(Stretch(half(), blended.Target(), {0, 0, 5, 5}, {0, 0, 11, 11}, 1), 0);
    EXPECT_TRUE(blended.Check([&](int x, int y) {
        return Inside(x, y, {0, 0, 11, 11})
                   ? Is(SourceOver(over, blended.Before(x, y)), kBlendTolerance)
                   : Kept();
    }));
    // Nothing over transparent black leaves transparent black.
    PixMapHandleGuard clear(Uniform(3, 3, 0, {0, 255, 255, 255})), none(Uniform(3, 3, 0, {}));
    ASSERT_EQ(Stretch(clear(), none(), {0, 0, 3, 3}, {0, 0, 3, 3}, 1), 0);
    EXPECT_EQ(rztest::Pixel(none(), 1, 1), (Colour{0, 0, 0, 0}));
}

// Turns by quarters and by 30 degrees into each quadrant: quarter turns move
// every pixel of a patterned source exactly; otherwise pixels inside the
// turned rectangle take a uniform source's colour, pixels outside keep
// theirs, in every mode.
TEST(Rotate, TurnedPixelsLandWhereTheCornersSay) {
    // A rectangle below the source's top row.
    const int w = 12, h = 8, X = 15, Y = 15;
    PixMapHandleGuard patterned(Patterned(w, h + 1, 0));
    PixMapHandleGuard uniform(Uniform(w, h + 1, 0, Level(0, 255)));
    for (int turn = 0; turn < 8; ++turn)
        for (int to : {0, 1, 3})
            for (bool mirror : {false, true})
                for (int useAlpha : {0, 1}) {
                    // Quarter turns are checked opaque into one type; their
                    // exact placement along reversed axes is ours alone.
                    const bool quarter = turn < 4;
                    if (quarter && (to != 1 || useAlpha || (!kOwnGdiPlus && (turn || mirror))))
                        continue;
                    const double angle = kPi / 2 * (turn % 4) + (quarter ? 0 : kPi / 6);
                    SCOPED_TRACE(testing::Message() << angle << ", " << to << ", mirror " << mirror
                                                    << ", alpha " << useAlpha);
                    const double c = std::cos(angle), s = std::sin(angle);
                    Scene scene(30, 30, to);
                    ASSERT_EQ(Rotate(quarter ? patterned() : uniform(), scene.Target(),
                                     {1, 0, h + 1, w}, X, Y, angle, mirror, useAlpha),
                              0);
                    // Back through the world transform the rotation sets up:
                    // its offsets are the top corner rounded to whole pixels.
                    const double dx = std::lround(mirror ? X + w * c - h * s : X - h * s);
                    const double dy = std::lround(mirror ? Y - w * s - h * c : Y - h * c);
                    // The turned rectangle's bounding box, from the anchor.
                    const double xs[4] = {0, w * c, -h * s, w * c - h * s};
                    const double ys[4] = {0, -w * s, -h * c, -w * s - h * c};
                    EXPECT_TRUE(scene.Check([&](int x, int y) {
                        const double px = x + 0.5 - dx, py = y + 0.5 - dy;
                        const double u = (mirror ? -c : c) * px - (mirror ? -s : s) * py,
                                     v = s * px + c * py;
                        const bool inside = u > 0 && u < w && v > 0 && v < h;
                        if (quarter)
                            return inside ? Is(rztest::Pixel(patterned(), int(u), int(v) + 1))
                                          : Kept();
                        // Ours fills exactly the pixels whose centre the turned
                        // rectangle covers; the real one is held to a band of 2.
                        const double band = kOwnGdiPlus ? 0.01 : 2;
                        if (u > band && u < w - band && v > band && v < h - band)
                            return Is(Level(to, 255), std::max(kTolerance, Slack(to)));
                        if (u > -band && u < w + band && v > -band && v < h + band) return Any();
                        // Wine's GDI+ copies transparency into the rest of the
                        // bounding box; ours leaves it alone.
                        const double bx = x + 0.5 - X, by = y + 0.5 - Y;
                        const bool inBox = bx > *std::min_element(xs, xs + 4) - 1 &&
                                           bx < *std::max_element(xs, xs + 4) + 1 &&
                                           by > *std::min_element(ys, ys + 4) - 1 &&
                                           by < *std::max_element(ys, ys + 4) + 1;
                        return kOwnGdiPlus || !inBox ? Kept(Slack(to)) : Any();
                    }));
                }
}

// Clipping a side of the source moves the anchor with it, so the visible part
// lands where it would have without the overhang; the old parameter list
// turns about a centre in 16.16 fixed point.
TEST(Rotate, ClippedSourcesAndCentresComeDownToTheSameAnchoredDraw) {
    PixMapHandleGuard source(Patterned(10, 10, 0));
    // clang-format off
    const struct { KWRect overhang; int x, y; KWRect inside; int movedX, movedY; bool mirror; double angle; } cases[] = {
        {{0, -3, 5, 6}, 4, 12, {0, 0, 5, 6}, 7, 12, false, 0},      // along the bottom edge
        {{0, -3, 5, 6}, 9, 12, {0, 0, 5, 6}, 9, 9, false, kPi / 2}, // ... when it points up
        {{0, 0, 5, 13}, 12, 12, {0, 0, 5, 10}, 15, 12, true, 0},    // mirrored: the right side
        {{0, 0, 13, 6}, 4, 12, {0, 0, 10, 6}, 4, 9, false, 0}};     // the bottom
    // centre (16.16), angle; the anchor it stands for
    const struct { int centreX, centreY; double angle; int x, y; } centres[] = {
        {5 << 16, 5 << 16, 0, -5, 5}, {(5 << 16) + 32768, 3 << 16, kPi / 2, 7, 6},
        {5 * 65535 - 32768, 5 * 65535 - 32768, 0, -4, 6},  // 4.99 rounds down
        {294911, 294912, 0, -2, 5}}; // centre (4, 5), rectangle from column 2
    // clang-format on
    const KWRect r{0, 0, 10, 10}, fromTwo{0, 2, 10, 10};
    for (const auto& c : cases) {
        PixMapHandleGuard one(Patterned(20, 20, 1)), two(Patterned(20, 20, 1));
        ASSERT_EQ(Rotate(source(), one(), c.overhang, c.x, c.y, c.angle, c.mirror), 0);
        ASSERT_EQ(Rotate(source(), two(), c.inside, c.movedX, c.movedY, c.angle, c.mirror), 0);
        EXPECT_TRUE(rztest::SameBlock(one(), two())) << c.x << "," << c.y;
    }
    for (const auto& c : centres) {
        PixMapHandleGuard one(Patterned(12, 12, 1)), two(Patterned(12, 12, 1));
        const KWRect& part = c.centreX == 294911 ? fromTwo : r;
        ASSERT_EQ(RZRotateKWPixMap_OldParList(source(), one(), c.angle, false, &part, c.centreX,
                                              c.centreY),
                  0);
        ASSERT_EQ(Rotate(source(), two(), part, c.x, c.y, c.angle), 0);
        EXPECT_TRUE(rztest::SameBlock(one(), two()));
    }
    PixMapHandleGuard target(Patterned(12, 12, 1));
    ASSERT_EQ(RZRotateKWPixMap_OldParList(source(), target(), 0, false, &r, 5 << 16, 5 << 16), 0);
    EXPECT_EQ(rztest::Pixel(target(), 0, 0), rztest::Pixel(source(), 5, 5));
}

// Hostile arguments: the stated code (or, at the integer limits, either code)
// and a target as it was.
TEST(StretchRotate, HostileArgumentsGiveACodeAndChangeNothing) {
    PixMapHandleGuard source(Patterned(6, 6, 0)), odd(Patterned(6, 6, 0));
    RZSetKWPixMapPixelType(odd(), KWPixelType(7));
    Scene scene(8, 8, 0), oddScene(8, 8, 0);
    RZSetKWPixMapPixelType(oddScene.Target(), KWPixelType(200));
    KWPixMap *noRecord = nullptr, **s = source(), **t = scene.Target(), **o = oddScene.Target();
    const PixMapHandleGuard oddBefore(CopyOf(o));
    const KWRect all{0, 0, 6, 6}, small{0, 0, 3, 3}, huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    constexpr short F = RZErrFailed;
    // clang-format off
    const struct { short result, alternative; std::function<short()> run; } cases[] = {
        {F, F, [&] { return RZStretchKWPixMap(nullptr, t, &all, &all, 0); }},
        {F, F, [&] { return RZStretchKWPixMap(s, t, nullptr, &all, 0); }},
        {0, 0, [&] { return Stretch(s, t, {4, 4, 2, 6}, all); }},          // reversed
        {0, 0, [&] { return Stretch(s, t, {6, 0, 9, 6}, all); }},          // outside
        {0, 0, [&] { return Stretch(&noRecord, t, all, all); }},
        {0, 0, [&] { return Stretch(s, &noRecord, all, all); }},
        {F, F, [&] { return Stretch(odd(), t, all, small); }},
        {F, F, [&] { return Stretch(s, o, all, small); }},
        {0, F, [&] { return Stretch(s, t, huge, huge); }},
        {F, F, [&] { return RZRotateKWPixMap(s, nullptr, &all, 0, 0, 1, false, 0); }},
        {F, F, [&] { return RZRotateKWPixMap(s, t, nullptr, 0, 0, 1, false, 0); }},
        {F, F, [&] { return RZRotateKWPixMap_OldParList(s, t, 0, false, nullptr, 0, 0); }},
        {F, F, [&] { return Rotate(s, t, all, 3, 3, std::nan("")); }},
        {F, F, [&] { return Rotate(s, t, all, 3, 3, -HUGE_VAL, true, 1); }},
        {0, 0, [&] { return Rotate(&noRecord, t, all, 3, 3, 1); }},
        {F, F, [&] { return Rotate(s, &noRecord, all, 3, 3, 1); }},
        {0, 0, [&] { return Rotate(s, t, {6, 6, 3, 3}, 3, 3, 1); }},       // reversed
        {0, 0, [&] { return Rotate(s, t, all, INT_MAX, INT_MIN, 1e300); }}, // far away
        {0, F, [&] { return Rotate(s, t, huge, INT_MIN, INT_MAX, 2); }},
        {0, F, [&] { return RZRotateKWPixMap_OldParList(s, t, 1, true, &huge, INT_MAX, INT_MIN); }}};
    // clang-format on
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const short result = cases[i].run();
        EXPECT_TRUE(result == cases[i].result || result == cases[i].alternative)
            << i << ": " << result;
        EXPECT_TRUE(cases[i].result != cases[i].alternative || scene.Check()) << i;
        EXPECT_TRUE(rztest::SameBlock(o, oddBefore())) << i;
    }
}

// Every mode with each GDI and GDI+ creation failing in turn: RZErrFailed,
// the target as it was, nothing left. (Allocation failures are swept for
// every export in one table.)
TEST(StretchRotate, FailuresLeaveTheTargetAsItWasAndNothingBehind) {
    // source and target types, useAlpha, rotated
    const int cases[][4] = {{0, 1, 0, 0}, {3, 0, 0, 0}, {1, 0, 1, 0}, {0, 3, 0, 0},
                            {0, 2, 1, 0}, {0, 0, 0, 1}, {2, 1, 1, 1}, {1, 3, 0, 1}};
    for (const auto& [from, to, useAlpha, rotate] : cases) {
        SCOPED_TRACE(testing::Message() << from << " to " << to << (rotate ? ", rotated" : ""));
        PixMapHandleGuard source(Patterned(5, 4, from));
        Scene scene(9, 9, to);
        short result = 0;
        auto run = [&, rotate = rotate, useAlpha = useAlpha] {
            result =
                rotate ? Rotate(source(), scene.Target(), {0, 0, 4, 5}, 2, 7, 0.5, false, useAlpha)
                       : Stretch(source(), scene.Target(), {0, 0, 4, 5}, {1, 1, 8, 9}, useAlpha);
        };
        const int creations = SweepCreationFailures(run, [&](int) {
            EXPECT_EQ(result, RZErrFailed);
            EXPECT_TRUE(scene.Check());
        });
        EXPECT_TRUE(result == 0 && (creations > 3 || !kOwnGdiPlus));
    }
}

} // namespace
