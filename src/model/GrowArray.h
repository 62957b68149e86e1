// Growable array of plain elements. Never throws: reserve keeps the old storage when it
// cannot grow, and an element that does not fit is dropped, which append answers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

template <class T>
class GrowArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved with realloc");

public:
    GrowArray() = default;
    GrowArray(const GrowArray&) = delete;
    GrowArray& operator=(const GrowArray&) = delete;
    virtual ~GrowArray() { std::free(items_); }

    virtual void appendAll(const GrowArray& other) {
        const int32_t n = other.count_;  // other may be this array
        if (n > 0 && count_ <= INT32_MAX - n) reserve(count_ + n);
        for (int32_t i = 0; i < n; ++i) append(other.items_[i]);
    }
    virtual void clear() {
        std::free(items_);
        items_ = nullptr;
        count_ = capacity_ = 0;
    }
    virtual void reserve(int32_t n) {
        if (n <= capacity_) return;
        void* grown = std::realloc(items_, size_t(n) * sizeof(T));
        if (!grown) return;
        items_ = static_cast<T*>(grown);
        capacity_ = n;
    }
    // Half the capacity again (at least 10 more) plus n, when n more do not fit.
    virtual void grow(int32_t n) {
        if (n <= 0 || int64_t(count_) + n <= capacity_) return;
        int64_t wanted = int64_t(capacity_) + std::max(capacity_ / 2, int32_t(10)) + n;
        if (wanted <= INT32_MAX) reserve(int32_t(wanted));
    }

    // Whether the item was kept.
    bool append(const T& item) {
        // grow(1) would find room and do nothing: spare the call on the common path.
        if (count_ < capacity_) {
            items_[count_++] = item;
            return true;
        }
        const T copy = item;  // item may be one of ours, gone once the storage moves
        grow(1);
        if (count_ >= capacity_) return false;
        items_[count_++] = copy;
        return true;
    }
    // Count 0, storage kept: an array filled again and again allocates only once.
    void removeAll() { count_ = 0; }

    int32_t count() const { return count_; }
    int32_t capacity() const { return capacity_; }
    bool empty() const { return count_ == 0; }
    T& operator[](int32_t i) { return items_[i]; }
    const T& operator[](int32_t i) const { return items_[i]; }
    T* begin() { return items_; }
    T* end() { return items_ + count_; }
    const T* begin() const { return items_; }
    const T* end() const { return items_ + count_; }

private:
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    T* items_ = nullptr;
};
