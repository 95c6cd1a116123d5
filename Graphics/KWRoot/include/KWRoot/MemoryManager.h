// The root library's general-purpose allocator; modules route their global
// operator new and delete here.
#pragma once

#include <cstddef>

#include "KWRoot/Export.h"

namespace KW {

enum ExceptionBehaviour : int {
    kThrowOnFailure = 0, // failure raises KW::OutOfMemoryException
    kReturnNullOnFailure = 1,
};

class KWROOT_API MemoryManager {
public:
    // A block of at least size bytes, 16-byte aligned; zero-filled when
    // zeroFill is set.
    static void* Allocate(std::size_t size, ExceptionBehaviour behaviour, bool zeroFill);
    // Releases a block from Allocate; null is ignored.
    static void Free(void* block);
};

} // namespace KW
