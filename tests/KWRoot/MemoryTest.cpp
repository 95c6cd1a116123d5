// Handles, pointer blocks, the memory primitives, the memory manager and
// the test hooks that count and fail allocations.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "KWRoot/KWRoot.h"
#include "KWRoot/TestSupport.h"

namespace {

bool AllZero(const char* p, int n) {
    for (int i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

} // namespace

TEST(RootMemory, HandlesAndPointerBlocks) {
    const std::int64_t live = KWRootLiveBlockCount();
    for (int size : {0, 10, 4096, 1 << 22}) {
        char** h = BMAllocateHandle(size, kBMFlagZeroFill, 0);
        char* p = BMAllocatePtr(size, kBMFlagZeroFill, 0);
        ASSERT_TRUE(h && *h && p) << size;
        EXPECT_EQ(BMError(), kBMErrNoError);
        EXPECT_EQ(BMGetHandleSize(h), size);
        EXPECT_TRUE(AllZero(*h, size) && AllZero(p, size)) << size;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u);
        EXPECT_EQ(KWRootLiveBlockCount(), live + 2);
        std::memset(*h, 0x5A, size); // the whole block is writable
        char** copy = h;
        BMKillHandle(&copy);
        EXPECT_EQ(copy, h) << "the caller's variable is left as it is";
        BMKillPtr(&p);
        EXPECT_EQ(p, nullptr);
        EXPECT_EQ(KWRootLiveBlockCount(), live);
    }
    EXPECT_EQ(BMAllocateHandle(-1, 0, 0), nullptr);
    EXPECT_EQ(BMError(), kBMErrOutOfMemory);
    EXPECT_EQ(BMAllocatePtr(-5, 0, 0), nullptr);
    char** none = nullptr;
    char* nothing = nullptr;
    BMKillHandle(&none);
    BMKillHandle(nullptr);
    BMKillPtr(&nothing);
    BMKillPtr(nullptr);
    EXPECT_EQ(BMGetHandleSize(nullptr), 0);
}

TEST(RootMemory, InjectedFailuresHitTheNthAllocationOfAnyKind) {
    const std::int64_t live = KWRootLiveBlockCount();
    KWRootFailAllocation(3);
    char* first = BMAllocatePtr(8, 0, 0);
    char** second = BMAllocateHandle(8, 0, 0);
    EXPECT_TRUE(KWRootFailurePending());
    void* third = KW::MemoryManager::Allocate(8, KW::kReturnNullOnFailure, false);
    EXPECT_FALSE(KWRootFailurePending());
    EXPECT_EQ(BMError(), kBMErrOutOfMemory);
    char* fourth = BMAllocatePtr(8, 0, 0);
    EXPECT_TRUE(first && second && !third && fourth);
    EXPECT_EQ(KWRootLiveBlockCount(), live + 3);
    BMKillPtr(&first);
    BMKillHandle(&second);
    BMKillPtr(&fourth);

    KWRootFailAllocation(1);
    EXPECT_EQ(BMAllocateHandle(8, 0, 0), nullptr);
    KWRootFailAllocation(1);
    KWRootFailAllocation(0); // cancelled
    char* fine = BMAllocatePtr(8, 0, 0);
    EXPECT_NE(fine, nullptr);
    BMKillPtr(&fine);
    EXPECT_EQ(KWRootLiveBlockCount(), live);

    void* block = KW::MemoryManager::Allocate(64, KW::kThrowOnFailure, true);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(AllZero(static_cast<char*>(block), 64));
    KW::MemoryManager::Free(block);
    KWRootFailAllocation(1);
    try {
        block = KW::MemoryManager::Allocate(64, KW::kThrowOnFailure, true);
        ADD_FAILURE() << "no exception";
    } catch (const KW::OutOfMemoryException& e) {
        EXPECT_EQ(e.ErrorCode(), kBMErrOutOfMemory);
    }
}

TEST(RootMemory, CopyFillCompare) {
    std::vector<unsigned char> a(16), b(16, 0xEE);
    for (int i = 0; i < 16; ++i) a[i] = static_cast<unsigned char>(i);
    BNCopyMemory(b.data() + 2, a.data(), 8);
    EXPECT_EQ(b, (std::vector<unsigned char>{0xEE, 0xEE, 0, 1, 2, 3, 4, 5, 6, 7, 0xEE, 0xEE, 0xEE,
                                             0xEE, 0xEE, 0xEE}));
    BNCopyMemory(a.data() + 1, a.data(), 8); // overlapping ranges move
    EXPECT_EQ(a[8], 7);
    BNCopyMemory(b.data(), a.data(), -4);
    BNFillMemory(b.data() + 3, 5, 0x11);
    BNFillMemory(b.data(), -1, 0);
    EXPECT_EQ(b, (std::vector<unsigned char>{0xEE, 0xEE, 0, 0x11, 0x11, 0x11, 0x11, 0x11, 6, 7,
                                             0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));

    const char x[] = "abcdef", y[] = "abcxef";
    EXPECT_EQ(BNCompareMemory(x, y, 3), 0);
    EXPECT_LT(BNCompareMemory(x, y, 6), 0);
    EXPECT_GT(BNCompareMemory(y, x, 4), 0);
    EXPECT_EQ(BNCompareMemory(x, y, -6), 0);
}
