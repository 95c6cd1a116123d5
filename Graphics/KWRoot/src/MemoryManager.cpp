#include "KWRoot/MemoryManager.h"

#include "BlockStore.h"
#include "KWRoot/Exceptions.h"
#include "KWRoot/Memory.h"

namespace KW {

void* MemoryManager::Allocate(std::size_t size, ExceptionBehaviour behaviour, bool zeroFill) {
    void* block = kwroot::AllocateBlock(size, zeroFill);
    kwroot::SetLastError(block ? kBMErrNoError : kBMErrOutOfMemory);
    if (block == nullptr && behaviour == kThrowOnFailure)
        throw OutOfMemoryException("KW::MemoryManager: out of memory", __FILE__, __LINE__,
                                   kBMErrOutOfMemory);
    return block;
}

void MemoryManager::Free(void* block) {
    kwroot::FreeBlock(block);
}

} // namespace KW
