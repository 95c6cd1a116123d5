// Test support of the root library: allocation-failure injection, the
// live-block count and the memory mapped for large blocks. Not for production
// callers.
#pragma once

#include <cstdint>

#include "KWRoot/Export.h"

extern "C" {

// Makes the n-th allocation from now fail (n = 1: the very next one). Every
// allocating entry point counts: handles, pointer blocks and MemoryManager
// blocks. n <= 0 cancels a pending failure.
KWROOT_API void KWRootFailAllocation(int n);
// True while a failure armed by KWRootFailAllocation has not happened yet.
KWROOT_API int KWRootFailurePending();
// Blocks currently allocated and not yet freed, of every kind.
KWROOT_API std::int64_t KWRootLiveBlockCount();
// Allocations attempted since the process started (successful or not).
KWROOT_API std::int64_t KWRootAllocationCount();
// Bytes currently mapped for large blocks (each block's mapping, its prefix
// page included); always 0 where large blocks are not mapped.
KWROOT_API std::int64_t KWRootMappedBytes();
// Smallest block size that gets a mapping of its own; 0 where every block
// comes from the ordinary allocator.
KWROOT_API std::int64_t KWRootLargeBlockSize();
}
