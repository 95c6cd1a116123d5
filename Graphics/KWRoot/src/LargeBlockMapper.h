// Large blocks get a mapping of their own, aligned so the kernel can back
// them with transparent huge pages: first-touch page faults, not pixel work,
// dominate one-shot operations on big pixel maps.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kwroot {

// Blocks of this many bytes and more are mapped, where MapsLargeBlocks().
inline constexpr std::size_t kLargeBlockSize = std::size_t{2} << 20;

// False where every block comes from the ordinary allocator (Windows).
bool MapsLargeBlocks();

// Fresh zero-filled memory for a block of size bytes, or null. The block
// starts on a 2 MiB boundary; the system page just below it is mapped too and
// belongs to the caller (it holds the block prefix).
void* MapLargeBlock(std::size_t size);
// Releases a block from MapLargeBlock together with its prefix page.
void UnmapLargeBlock(void* block, std::size_t size);

// Bytes currently mapped for large blocks, prefix pages included.
std::int64_t MappedBytes();

} // namespace kwroot
