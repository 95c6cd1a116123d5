#include <gtest/gtest.h>

#include "RZ/KWPixMap"

TEST(PixMapLifecycle, CreatesZeroFilledMap) {
    KWPixMap** map = RZCreateKWPixMap(3, 2, 72, 72, PixelTypeARGB);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(RZGetKWPixMapBytesPerRow(map), 12u);
    RZDeleteKWPixMap(map);
}
