// Working memory that an operation borrows from UVModel::scratch. It only grows, so a
// whole-mesh operation repeated on the same mesh neither allocates nor touches fresh
// pages; its contents are whatever the last user left.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <type_traits>

template <class T>
class ScratchArray {
    static_assert(std::is_trivially_copyable_v<T>, "taken as raw memory");

public:
    ScratchArray() = default;
    ScratchArray(const ScratchArray&) = delete;
    ScratchArray& operator=(const ScratchArray&) = delete;
    ~ScratchArray() { std::free(items_); }

    // Room for n elements, or null when it cannot be had (the old room is then gone too).
    T* take(size_t n) {
        if (n > capacity_) {
            std::free(items_);
            items_ = static_cast<T*>(std::malloc((n ? n : 1) * sizeof(T)));
            capacity_ = items_ ? n : 0;
        }
        return items_;
    }
    T* data() { return items_; }
    const T* data() const { return items_; }

private:
    T* items_ = nullptr;
    size_t capacity_ = 0;
};
