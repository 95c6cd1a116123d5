// The library's own global allocation goes to the root library's memory
// manager. These definitions are kept local to the library (see the linker
// version script), so the host process keeps its own operator new.
#include <new>

#include "RZ/platform/RootServices.h"

namespace {

void* AllocateOrThrow(std::size_t size) {
    void* block = KW::MemoryManager::Allocate(size ? size : 1, KW::kReturnNullOnFailure, false);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

} // namespace

void* operator new(std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return KW::MemoryManager::Allocate(size ? size : 1, KW::kReturnNullOnFailure, false);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return KW::MemoryManager::Allocate(size ? size : 1, KW::kReturnNullOnFailure, false);
}
void operator delete(void* block) noexcept {
    KW::MemoryManager::Free(block);
}
void operator delete[](void* block) noexcept {
    KW::MemoryManager::Free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    KW::MemoryManager::Free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    KW::MemoryManager::Free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    KW::MemoryManager::Free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    KW::MemoryManager::Free(block);
}
