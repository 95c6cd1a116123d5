// The one place where the root library takes memory from the system. Every
// block of every kind passes through here, so failure injection and the
// live-block count cover them all.
#pragma once

#include <cstddef>

namespace kwroot {

// A block of size bytes, 16-byte aligned, zero-filled when asked. Null when
// the system has no memory or an injected failure is due. Blocks of
// kLargeBlockSize and more get a 2 MiB-aligned mapping of their own where the
// system offers one (see LargeBlockMapper.h); smaller ones come from malloc.
void* AllocateBlock(std::size_t size, bool zeroFill);
// Releases a block from AllocateBlock; null is ignored.
void FreeBlock(void* block);
// The size the block was allocated with.
std::size_t BlockSize(const void* block);

// Records the calling thread's allocation result for BMError().
void SetLastError(short code);

} // namespace kwroot
