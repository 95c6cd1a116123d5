// Large blocks (a 2 MiB-aligned mapping each, where the system offers one) and
// small blocks (the ordinary allocator) must look alike to every caller:
// sizes, contents, zero filling, failure reporting and the live-block count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "KWRoot/KWRoot.h"
#include "KWRoot/TestSupport.h"

#if defined(__SANITIZE_ADDRESS__)
#define TEST_WITH_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TEST_WITH_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(TEST_WITH_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#endif

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20, kHugePage = 2 * kMiB;

bool Filled(const char* data, std::size_t size, char value) {
    return std::count(data, data + size, value) == std::ptrdiff_t(size);
}

// A handle's block (the pixel maps') or a pointer block, freed by its owner.
struct Block {
    char **handle = nullptr, *data = nullptr;
    Block(bool isHandle, std::size_t size, bool zero) {
        const unsigned flags = zero ? unsigned(kBMFlagZeroFill) : 0u;
        handle = isHandle ? BMAllocateHandle(int(size), flags, 0) : nullptr;
        data = isHandle ? (handle ? *handle : nullptr) : BMAllocatePtr(int(size), flags, 0);
    }
    ~Block() { handle ? BMKillHandle(&handle) : BMKillPtr(&data); }
};

} // namespace

TEST(LargeBlocks, EveryKindAndSizeKeepsSizeContentsCountsAndReportsFailures) {
    EXPECT_EQ(KWRootMappedBytes(), 0) << "no large block lives yet";
    std::map<std::size_t, std::size_t> cost; // bytes mapped for a block of each size
    // Around the huge page, and the block of a 4096 x 4096 32-bit map.
    for (std::size_t size : {std::size_t{1}, std::size_t{4096}, kHugePage - 16, kHugePage - 1,
                             kHugePage, kHugePage + 1, kHugePage + 4096, 64 * kMiB + 32}) {
        // Blocks of a huge page and more get a mapping of their own, where
        // the system maps blocks at all.
        const bool large = KWRootLargeBlockSize() > 0 && size >= kHugePage;
        for (bool isHandle : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << (isHandle ? "handle" : "pointer") << ": " << size << " bytes");
            const std::int64_t live = KWRootLiveBlockCount(), mapped = KWRootMappedBytes();
            KWRootFailAllocation(1); // fails like a small block, leaving nothing behind
            EXPECT_TRUE(!Block(isHandle, size, true).data && BMError() == kBMErrOutOfMemory);
            EXPECT_TRUE(!KWRootFailurePending() && KWRootMappedBytes() == mapped);
            for (bool zero : {false, true}) { // dirty first, for the zero-filled one to reuse
                Block b(isHandle, size, zero);
                ASSERT_NE(b.data, nullptr);
                const auto address = reinterpret_cast<std::uintptr_t>(b.data);
                const auto grown = cost[size] = std::size_t(KWRootMappedBytes() - mapped);
                EXPECT_TRUE(BMError() == kBMErrNoError && address % 16 == 0);
                EXPECT_TRUE(!b.handle || BMGetHandleSize(b.handle) == int(size));
                EXPECT_TRUE(KWRootLiveBlockCount() == live + 1 &&
                            (!zero || Filled(b.data, size, 0)));
                // Mapped whole from a huge-page boundary, the prefix costing less
                // than a huge page of its own.
                EXPECT_TRUE(!large || address % kHugePage == 0);
                EXPECT_TRUE(large ? grown >= size && grown < size + kHugePage : grown == 0);
                std::memset(b.data, 0xA5, size);
                EXPECT_TRUE(Filled(b.data, size, char(0xA5)));
#if defined(TEST_WITH_ADDRESS_SANITIZER)
                // Overruns stay as visible as around a heap block.
                EXPECT_TRUE(__asan_address_is_poisoned(b.data + size) &&
                            __asan_address_is_poisoned(b.data - 17));
#endif
            }
            EXPECT_TRUE(KWRootLiveBlockCount() == live && KWRootMappedBytes() == mapped);
        }
    }
    // Bodies are rounded up to ordinary pages: a byte more may cost a page,
    // a page more no more than that.
    EXPECT_TRUE(KWRootLargeBlockSize() == 0 || (cost[kHugePage] < cost[kHugePage + 1] &&
                                                cost[kHugePage + 1] == cost[kHugePage + 4096]));
    // Sizes whose bookkeeping would overflow, and one no system can map.
    for (std::size_t size : {SIZE_MAX, SIZE_MAX - 15, SIZE_MAX - 3 * kMiB, SIZE_MAX / 2}) {
        EXPECT_TRUE(!KW::MemoryManager::Allocate(size, KW::kReturnNullOnFailure, true) &&
                    BMError() == kBMErrOutOfMemory);
        EXPECT_THROW(KW::MemoryManager::Allocate(size, KW::kThrowOnFailure, false),
                     KW::OutOfMemoryException);
    }
}

// Neighbouring mappings must not overlap, and freeing one must leave the
// others whole and give its whole reservation back, trimmed ends included
// (the sizes shift the alignment of the reservations page by page).
TEST(LargeBlocks, NeighboursSurviveFreesInAnyOrder) {
    const std::size_t sizes[] = {kHugePage, 3 * kMiB + 5,     4 * kMiB + 69632, kHugePage + 1,
                                 5 * kMiB,  4 * kMiB + 20480, 7 * kMiB + 12288};
    std::size_t pagesBefore = 0, pagesAfter = 0; // the address space, where /proc tells
    std::ifstream("/proc/self/statm") >> pagesBefore;
    char* blocks[std::size(sizes)] = {};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        ASSERT_NE(blocks[i] = BMAllocatePtr(int(sizes[i]), kBMFlagZeroFill, 0), nullptr);
        std::memset(blocks[i], int(i + 1), sizes[i]);
        // Alive at once, at addresses of their own: each on a huge-page boundary.
        EXPECT_TRUE(!KWRootLargeBlockSize() || std::uintptr_t(blocks[i]) % kHugePage == 0) << i;
    }
    for (std::size_t victim : {2, 0, 6, 4, 1, 5, 3}) {
        BMKillPtr(&blocks[victim]);
        for (std::size_t i = 0; i < std::size(sizes); ++i)
            EXPECT_TRUE(!blocks[i] || Filled(blocks[i], sizes[i], char(i + 1)))
                << "block " << i << " after freeing block " << victim;
    }
    std::ifstream("/proc/self/statm") >> pagesAfter;
    EXPECT_TRUE(KWRootMappedBytes() == 0 && pagesAfter < pagesBefore + 128) << pagesAfter;
}

// Where the kernel has transparent huge pages, large blocks carry the
// huge-page advice (whatever the system-wide setting, the advice is kept):
// the VmFlags of their mapping in /proc/self/smaps include "hg".
TEST(LargeBlocks, MappingsCarryHugePageAdvice) {
    if (KWRootLargeBlockSize() == 0 ||
        !std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"))
        GTEST_SKIP() << "no mapped large blocks or no transparent huge pages here";
    Block b(false, 8 * kMiB, true);
    b.data[0] = 1;
    const auto address = reinterpret_cast<std::uintptr_t>(b.data);
    std::ifstream smaps("/proc/self/smaps");
    std::string flags;
    bool inside = false;
    for (std::string line; flags.empty() && std::getline(smaps, line);) {
        std::uintptr_t start, end;
        if (std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR, &start, &end) == 2)
            inside = start <= address && address < end;
        else if (inside && line.rfind("VmFlags:", 0) == 0)
            flags = line + " ";
    }
    if (flags.empty()) GTEST_SKIP() << "/proc/self/smaps unreadable";
    EXPECT_NE(flags.find(" hg "), std::string::npos) << flags;
}
