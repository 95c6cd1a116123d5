// A root-library pointer block (BMAllocatePtr) owned by one variable and
// released with BMKillPtr on every path out of its scope.
#pragma once

#include <utility>

#include "RZ/platform/RootServices.h"

namespace rz::platform {

class PointerBlock {
public:
    PointerBlock() = default;
    // Takes over a block (or null).
    explicit PointerBlock(char* block) noexcept : block_(block) {}
    // A new block of size bytes, zero-filled with kBMFlagZeroFill; null when
    // the root library refuses (BMError() then says why).
    static PointerBlock Allocate(int size, unsigned int flags = 0) {
        return PointerBlock(BMAllocatePtr(size, flags, 0));
    }

    ~PointerBlock() { BMKillPtr(&block_); }
    PointerBlock(PointerBlock&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    PointerBlock& operator=(PointerBlock&& other) noexcept {
        if (this != &other) {
            BMKillPtr(&block_);
            block_ = std::exchange(other.block_, nullptr);
        }
        return *this;
    }
    PointerBlock(const PointerBlock&) = delete;
    PointerBlock& operator=(const PointerBlock&) = delete;

    explicit operator bool() const { return block_ != nullptr; }
    char* Get() const { return block_; }
    template <typename T> T* As() const { return reinterpret_cast<T*>(block_); }
    // Hands the block to the caller, who releases it from now on.
    char* Release() { return std::exchange(block_, nullptr); }
    // For calls that allocate into a char** themselves: the block held so
    // far is released first.
    char** Out() {
        BMKillPtr(&block_);
        return &block_;
    }

private:
    char* block_ = nullptr;
};

} // namespace rz::platform
