// The root library's growable array, used for the scratch buffers of
// decoders. Storage comes from KW::MemoryManager; growing throws
// KW::OutOfMemoryException when it cannot be had.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "KWRoot/Exceptions.h"
#include "KWRoot/MemoryManager.h"

namespace KW {

class KWROOT_API Container {
public:
    virtual ~Container();
    virtual std::size_t GetCount() const = 0;
};

class KWROOT_API RandomContainer : public Container {};

template <typename T> class Array : public RandomContainer {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved as bytes");

public:
    Array() = default;
    ~Array() override { MemoryManager::Free(data_); }
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;

    std::size_t GetCount() const override { return count_; }
    // Elements the current storage holds.
    std::size_t GetCapacity() const { return capacity_; }
    T* GetData() { return data_; }
    const T* GetData() const { return data_; }

    // Sets the element count to n. New elements are zero. Storage grows to the
    // larger of n and twice the current count, and is cut back to twice n
    // when n falls to a quarter of the storage or less.
    void SetCount(std::size_t n) {
        if (n > capacity_) {
            std::size_t twice = count_ > kMaxElements / 2 ? kMaxElements : count_ * 2;
            Reallocate(n > twice ? n : twice);
        } else if (n <= capacity_ / 4 && capacity_ > 0) {
            Reallocate(n * 2);
        }
        if (n > count_) std::memset(data_ + count_, 0, (n - count_) * sizeof(T));
        count_ = n;
    }

private:
    static constexpr std::size_t kMaxElements = SIZE_MAX / sizeof(T) / 2;

    void Reallocate(std::size_t capacity) {
        if (capacity > kMaxElements)
            throw OutOfMemoryException("KW::Array: size overflow", __FILE__, __LINE__, -108);
        T* fresh = nullptr;
        if (capacity > 0) {
            fresh = static_cast<T*>(
                MemoryManager::Allocate(capacity * sizeof(T), kThrowOnFailure, true));
            std::size_t keep = count_ < capacity ? count_ : capacity;
            if (keep > 0) std::memcpy(fresh, data_, keep * sizeof(T));
        }
        MemoryManager::Free(data_);
        data_ = fresh;
        capacity_ = capacity;
        if (count_ > capacity) count_ = capacity;
    }

    T* data_ = nullptr;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace KW
