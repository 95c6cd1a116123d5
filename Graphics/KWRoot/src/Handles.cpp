// Handles and pointer blocks. A handle is the address of a master pointer;
// the master pointer cell lives apart from the block, so a block may move
// without invalidating the handles callers hold.
#include <cstdlib>

#include "BlockStore.h"
#include "KWRoot/Memory.h"

extern "C" {

char** BMAllocateHandle(int size, unsigned int flags, short) {
    if (size < 0) {
        kwroot::SetLastError(kBMErrOutOfMemory);
        return nullptr;
    }
    auto** master = static_cast<char**>(std::malloc(sizeof(char*)));
    if (master == nullptr) {
        kwroot::SetLastError(kBMErrOutOfMemory);
        return nullptr;
    }
    *master = static_cast<char*>(
        kwroot::AllocateBlock(static_cast<std::size_t>(size), (flags & kBMFlagZeroFill) != 0));
    if (*master == nullptr) {
        std::free(master);
        kwroot::SetLastError(kBMErrOutOfMemory);
        return nullptr;
    }
    kwroot::SetLastError(kBMErrNoError);
    return master;
}

void BMKillHandle(char*** handleVariable) {
    if (handleVariable == nullptr || *handleVariable == nullptr) return;
    char** master = *handleVariable;
    kwroot::FreeBlock(*master);
    std::free(master);
}

int BMGetHandleSize(const char* const* handle) {
    if (handle == nullptr || *handle == nullptr) return 0;
    return static_cast<int>(kwroot::BlockSize(*handle));
}

char* BMAllocatePtr(int size, unsigned int flags, short) {
    char* block = size < 0 ? nullptr
                           : static_cast<char*>(kwroot::AllocateBlock(
                                 static_cast<std::size_t>(size), (flags & kBMFlagZeroFill) != 0));
    kwroot::SetLastError(block ? kBMErrNoError : kBMErrOutOfMemory);
    return block;
}

void BMKillPtr(char** pointerVariable) {
    if (pointerVariable == nullptr) return;
    kwroot::FreeBlock(*pointerVariable);
    *pointerVariable = nullptr;
}
}
