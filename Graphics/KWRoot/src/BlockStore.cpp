#include "BlockStore.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "KWRoot/Memory.h"
#include "KWRoot/TestSupport.h"
#include "LargeBlockMapper.h"

namespace kwroot {
namespace {

// Prefix in front of every block: keeps the size for BMGetHandleSize and a
// tag that tells how the block was obtained and catches frees of foreign
// pointers.
struct alignas(16) BlockPrefix {
    std::uint64_t size;
    std::uint32_t tag;
    std::uint32_t unused;
};
static_assert(sizeof(BlockPrefix) == 16, "blocks stay 16-byte aligned");

constexpr std::uint32_t kHeapTag = 0x4B57424Bu;   // "KWBK": from malloc or calloc
constexpr std::uint32_t kMappedTag = 0x4B574D50u; // "KWMP": a mapping of its own
constexpr std::uint32_t kDeadTag = 0x44454144u;   // "DEAD"

std::atomic<std::int64_t> liveBlocks{0};
std::atomic<std::int64_t> allocationCount{0};
std::atomic<int> failCountdown{0};
thread_local short lastError = kBMErrNoError;

// True when this allocation is the one an armed failure is waiting for.
bool InjectedFailureDue() {
    int current = failCountdown.load(std::memory_order_relaxed);
    while (current > 0) {
        if (failCountdown.compare_exchange_weak(current, current - 1)) return current == 1;
    }
    return false;
}

BlockPrefix* PrefixOf(const void* block) {
    return reinterpret_cast<BlockPrefix*>(const_cast<char*>(static_cast<const char*>(block)) -
                                          sizeof(BlockPrefix));
}

} // namespace

void* AllocateBlock(std::size_t size, bool zeroFill) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (InjectedFailureDue() || size > SIZE_MAX - sizeof(BlockPrefix)) return nullptr;
    BlockPrefix* prefix;
    if (size >= kLargeBlockSize && MapsLargeBlocks()) {
        // A fresh mapping reads as zero pages already: clearing it would only
        // fault every page in early.
        void* block = MapLargeBlock(size);
        if (block == nullptr) return nullptr;
        prefix = PrefixOf(block);
        prefix->tag = kMappedTag;
    } else {
        std::size_t total = size + sizeof(BlockPrefix);
        void* raw = zeroFill ? std::calloc(1, total) : std::malloc(total);
        if (raw == nullptr) return nullptr;
        prefix = static_cast<BlockPrefix*>(raw);
        prefix->tag = kHeapTag;
    }
    prefix->size = size;
    prefix->unused = 0;
    liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return prefix + 1;
}

void FreeBlock(void* block) {
    if (block == nullptr) return;
    BlockPrefix* prefix = PrefixOf(block);
    const std::uint32_t tag = prefix->tag;
    if (tag != kHeapTag && tag != kMappedTag) std::abort(); // double free or foreign pointer
    prefix->tag = kDeadTag;
    liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    if (tag == kMappedTag)
        UnmapLargeBlock(block, prefix->size);
    else
        std::free(prefix);
}

std::size_t BlockSize(const void* block) {
    return block ? PrefixOf(block)->size : 0;
}

void SetLastError(short code) {
    lastError = code;
}

} // namespace kwroot

extern "C" {

short BMError() {
    return kwroot::lastError;
}

void KWRootFailAllocation(int n) {
    kwroot::failCountdown.store(n > 0 ? n : 0);
}
int KWRootFailurePending() {
    return kwroot::failCountdown.load() > 0;
}
std::int64_t KWRootLiveBlockCount() {
    return kwroot::liveBlocks.load();
}
std::int64_t KWRootAllocationCount() {
    return kwroot::allocationCount.load();
}
std::int64_t KWRootMappedBytes() {
    return kwroot::MappedBytes();
}
std::int64_t KWRootLargeBlockSize() {
    return kwroot::MapsLargeBlocks() ? static_cast<std::int64_t>(kwroot::kLargeBlockSize) : 0;
}
}
