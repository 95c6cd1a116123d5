// Layout of a mapping, lowest address first:
//
//   [one system page][block: 2 MiB-aligned, size rounded up to whole pages]
//                  ^ prefix in its last 16 bytes
//
// The block itself, not the prefix, sits on the huge-page boundary: the
// prefix costs one ordinary page instead of a whole huge page, and a pixel
// map's rows start 32 bytes (its header) into the first huge page. The tail
// beyond the last whole huge page is served by ordinary pages rather than
// rounded up to a huge page nobody would use.
//
// Under AddressSanitizer the unused bytes around a block are poisoned and an
// inaccessible guard page follows the block, so overruns stay as visible as
// they are for heap blocks.
#include "LargeBlockMapper.h"

#if defined(_WIN32)

// Windows keeps its plain allocation: no large block is mapped.
namespace kwroot {
bool MapsLargeBlocks() {
    return false;
}
void* MapLargeBlock(std::size_t) {
    return nullptr;
}
void UnmapLargeBlock(void*, std::size_t) {}
std::int64_t MappedBytes() {
    return 0;
}
} // namespace kwroot

#else

#include <atomic>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define KWROOT_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KWROOT_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(KWROOT_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#endif

namespace kwroot {
namespace {

constexpr std::size_t kHugePageSize = std::size_t{2} << 20;
#if defined(KWROOT_ADDRESS_SANITIZER)
constexpr bool kGuardPage = true;
#else
constexpr bool kGuardPage = false;
#endif

std::atomic<std::int64_t> mappedBytes{0};

std::size_t SystemPageSize() {
    static const std::size_t page = [] {
        const long reported = sysconf(_SC_PAGESIZE);
        return reported > 0 ? static_cast<std::size_t>(reported) : std::size_t{4096};
    }();
    return page;
}

std::uintptr_t RoundUp(std::uintptr_t value, std::uintptr_t unit) {
    return (value + unit - 1) / unit * unit;
}

// Bytes mapped for a block of size bytes: prefix page, body, guard page.
std::size_t MappingLength(std::size_t size, std::size_t page) {
    return page + RoundUp(size, page) + (kGuardPage ? page : 0);
}

void PoisonUnusedBytes(std::uintptr_t start, std::uintptr_t block, std::size_t size,
                       std::uintptr_t end) {
#if defined(KWROOT_ADDRESS_SANITIZER)
    constexpr std::size_t kPrefixSize = 16; // left addressable below the block
    __asan_poison_memory_region(reinterpret_cast<void*>(start), block - kPrefixSize - start);
    __asan_poison_memory_region(reinterpret_cast<void*>(block + size), end - block - size);
#else
    (void)start, (void)block, (void)size, (void)end;
#endif
}

void UnpoisonMapping(std::uintptr_t start, std::size_t length) {
#if defined(KWROOT_ADDRESS_SANITIZER)
    __asan_unpoison_memory_region(reinterpret_cast<void*>(start), length);
#else
    (void)start, (void)length;
#endif
}

} // namespace

bool MapsLargeBlocks() {
    return true;
}

void* MapLargeBlock(std::size_t size) {
    const std::size_t page = SystemPageSize();
    if (page > kHugePageSize || size > SIZE_MAX - kHugePageSize - 3 * page) return nullptr;
    // Reserve a huge page more than needed, then trim both ends so the block
    // lands on a 2 MiB boundary with its prefix page right below.
    const std::size_t length = MappingLength(size, page);
    const std::size_t reserved = length - page + kHugePageSize;
    void* raw = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto base = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t block = RoundUp(base + page, kHugePageSize);
    const std::uintptr_t start = block - page;
    const std::uintptr_t bodyEnd = block + RoundUp(size, page);
    const std::uintptr_t end = start + length;
    if (start > base) munmap(raw, start - base);
    if (base + reserved > end) munmap(reinterpret_cast<void*>(end), base + reserved - end);
    if (kGuardPage) mprotect(reinterpret_cast<void*>(bodyEnd), end - bodyEnd, PROT_NONE);
#if defined(MADV_HUGEPAGE)
    // Advice only: where the kernel has no transparent huge pages or they are
    // switched off, the mapping simply stays on ordinary pages.
    madvise(reinterpret_cast<void*>(start), bodyEnd - start, MADV_HUGEPAGE);
#endif
    PoisonUnusedBytes(start, block, size, end);
    mappedBytes.fetch_add(static_cast<std::int64_t>(length), std::memory_order_relaxed);
    return reinterpret_cast<void*>(block);
}

void UnmapLargeBlock(void* block, std::size_t size) {
    const std::size_t page = SystemPageSize();
    const std::size_t length = MappingLength(size, page);
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block) - page;
    UnpoisonMapping(start, length);
    if (munmap(reinterpret_cast<void*>(start), length) != 0) std::abort();
    mappedBytes.fetch_sub(static_cast<std::int64_t>(length), std::memory_order_relaxed);
}

std::int64_t MappedBytes() {
    return mappedBytes.load(std::memory_order_relaxed);
}

} // namespace kwroot

#endif
