// Working structures that operations keep in UVModel::scratch between calls: one of each
// type, made when first asked for. Their vectors keep their capacity, so that repeating an
// operation on a large mesh neither allocates nor touches fresh pages; whoever takes one
// resets what it reads.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class ScratchSlots {
public:
    // Throws std::bad_alloc.
    template <class T>
    T& get() {
        const size_t id = idOf<T>();
        if (slots_.size() <= id) slots_.resize(id + 1);
        if (!slots_[id]) slots_[id] = std::make_shared<T>();
        return *static_cast<T*>(slots_[id].get());
    }

    // Lets go of every structure: their memory goes back, and the next operation starts
    // as on a mesh it has not seen.
    void clear() { slots_.clear(); }

private:
    static size_t nextId() {
        static size_t next = 0;
        return next++;
    }
    template <class T>
    static size_t idOf() {
        static const size_t id = nextId();
        return id;
    }
    std::vector<std::shared_ptr<void>> slots_;
};
