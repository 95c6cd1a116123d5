// Handles, pointer blocks and the memory primitives. The hooks that fail
// allocations are held to their count by every allocation sweep.
#include <algorithm>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "KWRoot/KWRoot.h"
#include "KWRoot/TestSupport.h"

// Sizes, contents and counts of blocks of every size are checked with the
// large blocks; here the edges: no bytes, negative sizes and null arguments.
TEST(RootMemory, EmptyBlocksNegativeSizesAndNulls) {
    char **h = BMAllocateHandle(0, kBMFlagZeroFill, 0), **copy = h, *p = BMAllocatePtr(0, 0, 0);
    ASSERT_TRUE(h && *h && p && BMGetHandleSize(h) == 0 && BMError() == kBMErrNoError);
    BMKillHandle(&copy), BMKillPtr(&p);
    EXPECT_TRUE(copy == h && p == nullptr) << "the handle variable is left as it is";
    EXPECT_TRUE(BMAllocateHandle(-1, 0, 0) == nullptr && BMError() == kBMErrOutOfMemory);
    EXPECT_TRUE(BMAllocatePtr(-5, 0, 0) == nullptr && BMError() == kBMErrOutOfMemory);
    char *nothing = nullptr, **none = nullptr, **noBlock = &nothing;
    BMKillHandle(&none), BMKillHandle(nullptr), BMKillPtr(&nothing), BMKillPtr(nullptr);
    EXPECT_EQ(BMGetHandleSize(nullptr) + BMGetHandleSize(noBlock), 0);
}

TEST(RootMemory, CopyFillCompare) {
    std::vector<unsigned char> a(16), b(16, 0xEE);
    for (int i = 0; i < 16; ++i) a[i] = static_cast<unsigned char>(i);
    BNCopyMemory(b.data() + 2, a.data(), 8), BNCopyMemory(b.data() + 12, a.data() + 9, 1);
    BNCopyMemory(a.data() + 1, a.data(), 8); // overlapping ranges move
    BNCopyMemory(b.data(), a.data(), -4), BNFillMemory(b.data(), -1, 0);
    BNFillMemory(b.data() + 3, 5, 0x11);
    EXPECT_EQ(a[8], 7);
    EXPECT_EQ(b, (std::vector<unsigned char>{0xEE, 0xEE, 0, 0x11, 0x11, 0x11, 0x11, 0x11, 6, 7,
                                             0xEE, 0xEE, 9, 0xEE, 0xEE, 0xEE}));
    // Only the sign of the first difference counts, even of a difference of one.
    const char x[] = "abcdef", y[] = "abcxef", z[] = "abce";
    EXPECT_TRUE(BNCompareMemory(x, y, 3) == 0 && BNCompareMemory(x, y, -6) == 0);
    EXPECT_TRUE(BNCompareMemory(x, y, 6) == -1 && BNCompareMemory(y, x, 4) == 1);
    EXPECT_TRUE(BNCompareMemory(z, x, 4) == 1 && BNCompareMemory(x, z, 4) == -1);
}
