// Rectangle records and the bounds of a rotated map.
#include <numbers>

#include <gtest/gtest.h>

#include "RZ/KWPixMap"

namespace {

bool operator==(const KWRect& a, const KWRect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

constexpr KWRect kZero{0, 0, 0, 0};

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

    KWRect a{0, 0, 10, 10}, b{5, 5, 20, 20}, out{1, 1, 1, 1};
    EXPECT_TRUE(RZSectRect(&a, &b, &out));
    EXPECT_TRUE(out == (KWRect{5, 5, 10, 10}));
    const KWRect touching{10, 0, 20, 10};
    EXPECT_FALSE(RZSectRect(&a, &touching, &out));
    EXPECT_TRUE(out == kZero);
    const KWRect negative{-20, -20, -5, 3};
    EXPECT_FALSE(RZSectRect(&a, &negative, &a)); // result may be an input
    EXPECT_TRUE(a == kZero);
    a = {-10, -10, 10, 10};
    EXPECT_TRUE(RZSectRect(&negative, &a, &a));
    EXPECT_TRUE(a == (KWRect{-10, -10, -5, 3}));
    out = {1, 1, 1, 1};
    EXPECT_FALSE(RZSectRect(&a, &b, nullptr));
}

TEST(RotatedBounds, WholeMapAtQuarterTurnsAndBetween) {
    constexpr double pi = std::numbers::pi;
    struct Case {
        double angle;
        int width, height, originH, originV;
    } cases[] = {{0, 100, 50, 0, 0},
                 {pi / 2, 50, 100, 6553600, 0},
                 {pi, 100, 50, 6553600, 3276800},
                 {3 * pi / 2, 50, 100, 0, 3276800},
                 {-pi / 2, 50, 100, 0, 3276800},
                 {2 * pi + 5e-6, 100, 50, 0, 0},
                 {pi / 4, 106, 106, 3290207, -3290207}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        int width = 100, height = 50, originH = 1, originV = 1;
        RZGetRotatedKWPixMapWidthHeight(&width, &height, c.angle, nullptr, 0, &originH, &originV);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(originH, c.originH);
        EXPECT_EQ(originV, c.originV);
    }
}

TEST(RotatedBounds, PartsOfTheMapAndEmptyAreas) {
    int width = 100, height = 50, originH = 1, originV = 1;
    const KWRect part{10, 20, 30, 60};
    RZGetRotatedKWPixMapWidthHeight(&width, &height, 0, &part, 0, &originH, &originV);
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 20);
    EXPECT_EQ(originH, 1310720);
    EXPECT_EQ(originV, 655360);

    // A rectangle reaching past the map is clipped to it.
    width = 30, height = 20;
    const KWRect overhang{-5, -5, 100, 100};
    RZGetRotatedKWPixMapWidthHeight(&width, &height, 0, &overhang, 0, &originH, &originV);
    EXPECT_EQ(width, 30);
    EXPECT_EQ(height, 20);
    EXPECT_EQ(originH, 0);

    width = 40, height = 50, originH = originV = 1;
    const KWRect beyond{0, 50, 10, 200};
    RZGetRotatedKWPixMapWidthHeight(&width, &height, 0.3, &beyond, 0, &originH, &originV);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(originH, 0);
    EXPECT_EQ(originV, 0);

    // Origins are written only when both pointers are given.
    width = 10, height = 10, originH = 7;
    RZGetRotatedKWPixMapWidthHeight(&width, &height, std::numbers::pi, nullptr, 0, &originH,
                                    nullptr);
    EXPECT_EQ(originH, 7);
    EXPECT_EQ(width, 10);
}
