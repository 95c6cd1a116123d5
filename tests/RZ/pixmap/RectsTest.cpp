// Rectangle records and the bounds of a rotated map.
#include <array>
#include <numbers>

#include <gtest/gtest.h>

#include "RZ/KWPixMap"

namespace {

bool operator==(const KWRect& a, const KWRect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

constexpr KWRect kZero{0, 0, 0, 0};

// Rotates a width x height map (or part of it) and returns {width, height,
// originH, originV}.
std::array<int, 4> Rotated(int width, int height, double angle, const KWRect* part = nullptr) {
    int originH = 1, originV = 1;
    RZGetRotatedKWPixMapWidthHeight(&width, &height, angle, part, 0, &originH, &originV);
    return {width, height, originH, originV};
}

} // namespace

TEST(Rects, InitInsetAndIntersect) {
    KWRect r;
    EXPECT_EQ(RZInitRect(&r, 1, 2, 3, 4), 0);
    EXPECT_TRUE(r == (KWRect{2, 1, 4, 3}));
    EXPECT_EQ(RZInitRect(nullptr, 1, 2, 3, 4), RZErrParam);

    r = {0, 0, 10, 10};
    RZInsetRect(&r, 5, 0);
    EXPECT_TRUE(r == kZero);
    r = {0, 0, 10, 10};
    RZInsetRect(&r, 4, 4);
    EXPECT_TRUE(r == (KWRect{4, 4, 6, 6}));
    RZInsetRect(&r, -2, -3);
    EXPECT_TRUE(r == (KWRect{1, 2, 9, 8}));

    KWRect a{0, 0, 10, 10}, out{1, 1, 1, 1};
    const KWRect b{5, 5, 20, 20}, touching{10, 0, 20, 10}, negative{-20, -20, -5, 3};
    EXPECT_TRUE(RZSectRect(&a, &b, &out));
    EXPECT_TRUE(out == (KWRect{5, 5, 10, 10}));
    EXPECT_FALSE(RZSectRect(&a, &touching, &out));
    EXPECT_TRUE(out == kZero);
    const KWRect beside{0, 10, 10, 20};
    out = b;
    EXPECT_FALSE(RZSectRect(&beside, &a, &out));
    EXPECT_TRUE(out == kZero);
    EXPECT_FALSE(RZSectRect(&a, &negative, &a)); // the result may be an input
    EXPECT_TRUE(a == kZero);
    a = {-10, -10, 10, 10};
    EXPECT_TRUE(RZSectRect(&negative, &a, &a));
    EXPECT_TRUE(a == (KWRect{-10, -10, -5, 3}));
    EXPECT_FALSE(RZSectRect(&a, &b, nullptr));
}

TEST(RotatedBounds, WholeMapAtQuarterTurnsAndBetween) {
    constexpr double pi = std::numbers::pi;
    using R = std::array<int, 4>;
    EXPECT_EQ(Rotated(100, 50, 0), (R{100, 50, 0, 0}));
    EXPECT_EQ(Rotated(100, 50, pi / 2), (R{50, 100, 6553600, 0}));
    EXPECT_EQ(Rotated(100, 50, pi), (R{100, 50, 6553600, 3276800}));
    EXPECT_EQ(Rotated(100, 50, 3 * pi / 2), (R{50, 100, 0, 3276800}));
    EXPECT_EQ(Rotated(100, 50, -pi / 2), (R{50, 100, 0, 3276800}));
    EXPECT_EQ(Rotated(100, 50, 2 * pi + 5e-6), (R{100, 50, 0, 0}));
    // Snapped, the turn is exact; 9e-6 radians off would show on a large map.
    EXPECT_EQ(Rotated(100000, 100000, 2 * pi - 9e-6), (R{100000, 100000, 0, 0}));
    EXPECT_EQ(Rotated(100000, 100000, 2e-5)[1], 100002);
    EXPECT_EQ(Rotated(100, 50, pi / 4), (R{106, 106, 3290207, -3290207}));
}

TEST(RotatedBounds, PartsOfTheMapAndEmptyAreas) {
    using R = std::array<int, 4>;
    const KWRect part{10, 20, 30, 60}, overhang{-5, -5, 100, 100}, beyond{0, 50, 10, 200};
    EXPECT_EQ(Rotated(100, 50, 0, &part), (R{40, 20, 1310720, 655360}));
    EXPECT_EQ(Rotated(30, 20, 0, &overhang), (R{30, 20, 0, 0}));
    EXPECT_EQ(Rotated(40, 50, 0.3, &beyond), (R{0, 0, 0, 0}));

    // Origins are written only when both pointers are given.
    int width = 10, height = 10, originH = 7;
    RZGetRotatedKWPixMapWidthHeight(&width, &height, std::numbers::pi, nullptr, 0, &originH,
                                    nullptr);
    EXPECT_EQ(originH, 7);
    EXPECT_EQ(width, 10);
}
