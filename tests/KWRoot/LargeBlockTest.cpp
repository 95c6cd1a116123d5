// Large blocks (a 2 MiB-aligned mapping each, where the system offers one) and
// small blocks (the ordinary allocator) must look alike to every caller:
// sizes, contents, zero filling, failure reporting and the live-block count.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::uintptr_t kHugePage = 2 * kMiB;

bool LargeBlocksMapped() {
    return KWRootLargeBlockSize() > 0;
}

// The size from which blocks are mapped; where none are, the same sizes still
// run through the ordinary allocator.
std::size_t Threshold() {
    return LargeBlocksMapped() ? static_cast<std::size_t>(KWRootLargeBlockSize()) : 2 * kMiB;
}

bool IsLarge(std::size_t size) {
    return LargeBlocksMapped() && size >= Threshold();
}

// Sizes around the threshold, plus the block of a 4096 x 4096 32-bit map.
std::vector<std::size_t> InterestingSizes() {
    const std::size_t t = Threshold();
    return {1, 4096, t - 16, t - 1, t, t + 1, t + 4096, 64 * kMiB + 32};
}

enum class Kind { Handle, Pointer, Manager };
constexpr Kind kKinds[] = {Kind::Handle, Kind::Pointer, Kind::Manager};

const char* NameOf(Kind kind) {
    switch (kind) {
    case Kind::Handle:
        return "handle";
    case Kind::Pointer:
        return "pointer block";
    case Kind::Manager:
        return "MemoryManager block";
    }
    return "?";
}

// A block from one of the three allocating entry points.
struct Allocation {
    Kind kind;
    char** handle = nullptr;
    char* pointer = nullptr;

    char* Data() const {
        if (kind == Kind::Handle) return handle ? *handle : nullptr;
        return pointer;
    }
};

Allocation Allocate(Kind kind, std::size_t size, bool zeroFill) {
    Allocation a{kind};
    const unsigned int flags = zeroFill ? static_cast<unsigned int>(kBMFlagZeroFill) : 0u;
    switch (kind) {
    case Kind::Handle:
        a.handle = BMAllocateHandle(static_cast<int>(size), flags, 0);
        break;
    case Kind::Pointer:
        a.pointer = BMAllocatePtr(static_cast<int>(size), flags, 0);
        break;
    case Kind::Manager:
        a.pointer = static_cast<char*>(
            KW::MemoryManager::Allocate(size, KW::kReturnNullOnFailure, zeroFill));
        break;
    }
    return a;
}

void Free(Allocation& a) {
    switch (a.kind) {
    case Kind::Handle:
        BMKillHandle(&a.handle);
        a.handle = nullptr;
        break;
    case Kind::Pointer:
        BMKillPtr(&a.pointer);
        EXPECT_EQ(a.pointer, nullptr);
        break;
    case Kind::Manager:
        KW::MemoryManager::Free(a.pointer);
        a.pointer = nullptr;
        break;
    }
}

// A pattern that differs from block to block and from word to word, so a
// block that overlaps another or lost its pages shows up.
std::uint64_t PatternWord(std::uint64_t seed, std::size_t index) {
    return (index + 1) * 0x9E3779B97F4A7C15ull ^ seed;
}

void WritePattern(char* data, std::size_t size, std::uint64_t seed) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const std::uint64_t word = PatternWord(seed, i / 8);
        std::memcpy(data + i, &word, 8);
    }
    for (; i < size; ++i) data[i] = static_cast<char>(PatternWord(seed, i));
}

bool PatternHolds(const char* data, std::size_t size, std::uint64_t seed) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        if (word != PatternWord(seed, i / 8)) return false;
    }
    for (; i < size; ++i)
        if (data[i] != static_cast<char>(PatternWord(seed, i))) return false;
    return true;
}

bool AllZero(const char* data, std::size_t size) {
    static const char zeros[65536] = {};
    for (std::size_t done = 0; done < size;) {
        const std::size_t chunk = std::min(sizeof zeros, size - done);
        if (std::memcmp(data + done, zeros, chunk) != 0) return false;
        done += chunk;
    }
    return true;
}

TEST(LargeBlocks, EveryKindAndSizeKeepsSizeContentsAndCounts) {
    for (Kind kind : kKinds) {
        for (std::size_t size : InterestingSizes()) {
            for (bool zeroFill : {true, false}) {
                SCOPED_TRACE(testing::Message() << NameOf(kind) << " of " << size << " bytes"
                                                << (zeroFill ? ", zero-filled" : ""));
                const std::int64_t live = KWRootLiveBlockCount();
                const std::int64_t mapped = KWRootMappedBytes();

                Allocation a = Allocate(kind, size, zeroFill);
                char* data = a.Data();
                ASSERT_NE(data, nullptr);
                EXPECT_EQ(BMError(), kBMErrNoError);
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 16, 0u);
                if (kind == Kind::Handle) {
                    EXPECT_EQ(BMGetHandleSize(a.handle), static_cast<int>(size));
                }
                EXPECT_EQ(KWRootLiveBlockCount(), live + 1);

                const std::int64_t grown = KWRootMappedBytes() - mapped;
                if (IsLarge(size)) {
                    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % kHugePage, 0u);
                    // The whole block is mapped, and the prefix costs less
                    // than a huge page of its own.
                    EXPECT_GE(grown, static_cast<std::int64_t>(size));
                    EXPECT_LT(grown, static_cast<std::int64_t>(size + kHugePage));
                } else {
                    EXPECT_EQ(grown, 0);
                }

                if (zeroFill) {
                    EXPECT_TRUE(AllZero(data, size));
                }
                WritePattern(data, size, size);
                EXPECT_TRUE(PatternHolds(data, size, size));
                if (kind == Kind::Handle) {
                    EXPECT_EQ(BMGetHandleSize(a.handle), static_cast<int>(size));
                }

                Free(a);
                EXPECT_EQ(KWRootLiveBlockCount(), live);
                EXPECT_EQ(KWRootMappedBytes(), mapped);
            }
        }
    }
}

TEST(LargeBlocks, ZeroFilledBlockIsZeroWhereADirtyOneWasFreed) {
    for (std::size_t size : {std::size_t{1000}, Threshold(), 64 * kMiB + 32}) {
        SCOPED_TRACE(testing::Message() << size << " bytes");
        char* dirty = BMAllocatePtr(static_cast<int>(size), 0, 0);
        ASSERT_NE(dirty, nullptr);
        std::memset(dirty, 0xA5, size);
        BMKillPtr(&dirty);

        char* clean = BMAllocatePtr(static_cast<int>(size), kBMFlagZeroFill, 0);
        ASSERT_NE(clean, nullptr);
        EXPECT_TRUE(AllZero(clean, size));
        BMKillPtr(&clean);
    }
}

// Neighbouring mappings must not overlap, and freeing one (its trimmed
// reservation included) must leave the others whole.
TEST(LargeBlocks, NeighboursSurviveFreesInAnyOrder) {
    const std::int64_t mapped = KWRootMappedBytes();
    const std::size_t sizes[] = {Threshold(), 3 * kMiB + 5, 4 * kMiB, Threshold() + 1, 5 * kMiB};
    std::vector<char*> blocks;
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        blocks.push_back(BMAllocatePtr(static_cast<int>(sizes[i]), kBMFlagZeroFill, 0));
        ASSERT_NE(blocks.back(), nullptr);
        WritePattern(blocks.back(), sizes[i], 1000 + i);
    }
    for (std::size_t victim : {2u, 0u, 4u, 1u, 3u}) {
        BMKillPtr(&blocks[victim]);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            if (blocks[i] != nullptr) {
                EXPECT_TRUE(PatternHolds(blocks[i], sizes[i], 1000 + i))
                    << "block " << i << " after freeing block " << victim;
            }
        }
    }
    EXPECT_EQ(KWRootMappedBytes(), mapped);
}

TEST(LargeBlocks, FailuresAreReportedLikeSmallBlocks) {
    for (Kind kind : kKinds) {
        for (std::size_t size : {std::size_t{64}, Threshold(), 16 * kMiB}) {
            SCOPED_TRACE(testing::Message() << NameOf(kind) << " of " << size << " bytes");
            const std::int64_t live = KWRootLiveBlockCount();
            const std::int64_t mapped = KWRootMappedBytes();

            KWRootFailAllocation(1);
            Allocation failed = Allocate(kind, size, true);
            EXPECT_EQ(failed.Data(), nullptr);
            EXPECT_EQ(failed.handle, nullptr);
            EXPECT_EQ(BMError(), kBMErrOutOfMemory);
            EXPECT_FALSE(KWRootFailurePending());
            EXPECT_EQ(KWRootLiveBlockCount(), live);
            EXPECT_EQ(KWRootMappedBytes(), mapped);

            Allocation next = Allocate(kind, size, true);
            EXPECT_NE(next.Data(), nullptr);
            EXPECT_EQ(BMError(), kBMErrNoError);
            Free(next);
        }
    }

    KWRootFailAllocation(1);
    EXPECT_THROW(KW::MemoryManager::Allocate(8 * kMiB, KW::kThrowOnFailure, true),
                 KW::OutOfMemoryException);
}

TEST(LargeBlocks, ImpossibleSizesFailCleanly) {
    const std::int64_t live = KWRootLiveBlockCount();
    const std::int64_t mapped = KWRootMappedBytes();
    // Sizes whose bookkeeping would overflow, and one no system can map.
    for (std::size_t size : {SIZE_MAX, SIZE_MAX - 15, SIZE_MAX - 3 * kMiB, SIZE_MAX / 2}) {
        SCOPED_TRACE(testing::Message() << size << " bytes");
        EXPECT_EQ(KW::MemoryManager::Allocate(size, KW::kReturnNullOnFailure, true), nullptr);
        EXPECT_EQ(BMError(), kBMErrOutOfMemory);
        EXPECT_THROW(KW::MemoryManager::Allocate(size, KW::kThrowOnFailure, false),
                     KW::OutOfMemoryException);
    }
    EXPECT_EQ(KWRootLiveBlockCount(), live);
    EXPECT_EQ(KWRootMappedBytes(), mapped);
}

#if defined(TEST_WITH_ADDRESS_SANITIZER)
// Mapped blocks must not hide overruns from the sanitizer: the bytes just
// outside a block are poisoned as they are around a heap block.
TEST(LargeBlocks, BytesBesideABlockArePoisoned) {
    for (std::size_t size : {std::size_t{100}, Threshold(), Threshold() + 1, 64 * kMiB + 32}) {
        SCOPED_TRACE(testing::Message() << size << " bytes");
        char* block = BMAllocatePtr(static_cast<int>(size), 0, 0);
        ASSERT_NE(block, nullptr);
        EXPECT_FALSE(__asan_address_is_poisoned(block));
        EXPECT_FALSE(__asan_address_is_poisoned(block + size - 1));
        EXPECT_TRUE(__asan_address_is_poisoned(block + size));
        EXPECT_TRUE(__asan_address_is_poisoned(block - 17));
        BMKillPtr(&block);
    }
}
#endif

// The VmFlags of the mapping that holds address, from /proc/self/smaps;
// empty when it cannot be read.
std::string VmFlagsAt(std::uintptr_t address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        const std::size_t dash = first.find('-');
        if (dash != std::string::npos &&
            first.find_first_not_of("0123456789abcdef-") == std::string::npos) {
            const std::uintptr_t start = std::stoull(first.substr(0, dash), nullptr, 16);
            const std::uintptr_t end = std::stoull(first.substr(dash + 1), nullptr, 16);
            inside = start <= address && address < end;
        } else if (inside && first == "VmFlags:") {
            return line;
        }
    }
    return {};
}

// Where the kernel has transparent huge pages, large blocks carry the
// huge-page advice (whatever the system-wide setting, the advice is kept).
TEST(LargeBlocks, MappingsCarryHugePageAdvice) {
    if (!LargeBlocksMapped()) GTEST_SKIP() << "large blocks are not mapped on this system";
    if (!std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"))
        GTEST_SKIP() << "no transparent huge pages on this system";
    char* block = BMAllocatePtr(static_cast<int>(8 * kMiB), kBMFlagZeroFill, 0);
    ASSERT_NE(block, nullptr);
    block[0] = 1;
    const std::string flags = VmFlagsAt(reinterpret_cast<std::uintptr_t>(block));
    BMKillPtr(&block);
    if (flags.empty()) GTEST_SKIP() << "/proc/self/smaps unreadable";
    EXPECT_NE((flags + " ").find(" hg "), std::string::npos) << flags;
}

} // namespace
