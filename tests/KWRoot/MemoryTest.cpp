#include <gtest/gtest.h>

#include "KWRoot/KWRoot.h"
#include "KWRoot/TestSupport.h"

TEST(RootMemory, HandleRoundTrip) {
    char** h = BMAllocateHandle(10, kBMFlagZeroFill, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(BMGetHandleSize(h), 10);
    BMKillHandle(&h);
}
