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

TEST(RootMemory, HandlesKeepSizesAndZeroFillOnRequest) {
    const std::int64_t live = KWRootLiveBlockCount();
    for (int size : {0, 1, 10, 4096, 1 << 20}) {
        SCOPED_TRACE(size);
        char** h = BMAllocateHandle(size, kBMFlagZeroFill, 0);
        ASSERT_NE(h, nullptr);
        ASSERT_NE(*h, nullptr);
        EXPECT_EQ(BMError(), kBMErrNoError);
        EXPECT_EQ(BMGetHandleSize(h), size);
        EXPECT_TRUE(AllZero(*h, size));
        EXPECT_EQ(KWRootLiveBlockCount(), live + 1);
        std::memset(*h, 0x5A, size); // the whole block is writable
        char** copy = h;
        BMKillHandle(&copy);
        EXPECT_EQ(copy, h) << "the caller's variable is left as it is";
        EXPECT_EQ(KWRootLiveBlockCount(), live);
    }
    EXPECT_EQ(BMAllocateHandle(-1, 0, 0), nullptr);
    EXPECT_EQ(BMError(), kBMErrOutOfMemory);
    char** none = nullptr;
    BMKillHandle(&none);
    BMKillHandle(nullptr);
    EXPECT_EQ(BMGetHandleSize(nullptr), 0);
}

TEST(RootMemory, PointerBlocks) {
    const std::int64_t live = KWRootLiveBlockCount();
    char* p = BMAllocatePtr(100, kBMFlagZeroFill, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(AllZero(p, 100));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u);
    EXPECT_EQ(KWRootLiveBlockCount(), live + 1);
    BMKillPtr(&p);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(KWRootLiveBlockCount(), live);
    BMKillPtr(&p);
    BMKillPtr(nullptr);
    EXPECT_EQ(BMAllocatePtr(-5, 0, 0), nullptr);
    EXPECT_EQ(BMError(), kBMErrOutOfMemory);
    p = BMAllocatePtr(0, 0, 0);
    EXPECT_NE(p, nullptr);
    EXPECT_EQ(BMError(), kBMErrNoError);
    BMKillPtr(&p);
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
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, nullptr);
    EXPECT_NE(fourth, nullptr);
    EXPECT_EQ(KWRootLiveBlockCount(), live + 3);
    BMKillPtr(&first);
    BMKillHandle(&second);
    BMKillPtr(&fourth);

    KWRootFailAllocation(1);
    EXPECT_EQ(BMAllocateHandle(8, 0, 0), nullptr);
    EXPECT_EQ(BMError(), kBMErrOutOfMemory);
    KWRootFailAllocation(1);
    KWRootFailAllocation(0); // cancelled
    char* fine = BMAllocatePtr(8, 0, 0);
    EXPECT_NE(fine, nullptr);
    BMKillPtr(&fine);
    EXPECT_EQ(KWRootLiveBlockCount(), live);
}

TEST(RootMemory, MemoryManagerBlocks) {
    void* block = KW::MemoryManager::Allocate(64, KW::kThrowOnFailure, true);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(AllZero(static_cast<char*>(block), 64));
    KW::MemoryManager::Free(block);
    KW::MemoryManager::Free(nullptr);

    KWRootFailAllocation(1);
    try {
        KW::MemoryManager::Allocate(64, KW::kThrowOnFailure, true);
        ADD_FAILURE() << "no exception";
    } catch (const KW::OutOfMemoryException& e) {
        EXPECT_EQ(e.ErrorCode(), kBMErrOutOfMemory);
    }
}

TEST(RootMemory, CopyFillCompare) {
    std::vector<unsigned char> a(16), b(16, 0xEE);
    for (int i = 0; i < 16; ++i) a[i] = static_cast<unsigned char>(i);
    BNCopyMemory(b.data() + 2, a.data(), 8);
    EXPECT_EQ(std::memcmp(b.data() + 2, a.data(), 8), 0);
    EXPECT_EQ(b[1], 0xEE);
    EXPECT_EQ(b[10], 0xEE);
    BNCopyMemory(a.data() + 1, a.data(), 8); // overlapping ranges move
    EXPECT_EQ(a[8], 7);
    BNCopyMemory(b.data(), a.data(), 0);
    BNCopyMemory(b.data(), a.data(), -4);
    EXPECT_EQ(b[0], 0xEE);

    BNFillMemory(b.data() + 3, 5, 0x11);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[3], 0x11);
    EXPECT_EQ(b[7], 0x11);
    EXPECT_EQ(b[8], 6);
    BNFillMemory(b.data(), -1, 0);
    EXPECT_EQ(b[0], 0xEE);

    const char x[] = "abcdef", y[] = "abcxef";
    EXPECT_EQ(BNCompareMemory(x, y, 3), 0);
    EXPECT_NE(BNCompareMemory(x, y, 4), 0);
    EXPECT_LT(BNCompareMemory(x, y, 6), 0);
    EXPECT_GT(BNCompareMemory(y, x, 6), 0);
    EXPECT_EQ(BNCompareMemory(x, y, 0), 0);
    EXPECT_EQ(BNCompareMemory(x, y, -6), 0);
}
