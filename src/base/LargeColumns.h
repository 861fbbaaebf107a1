#pragma once

#include <cstddef>
#include <new>
#include <vector>

// Storage for columns of millions of rows (the map's points, countries and keys). Each buffer
// of a megabyte or more is mapped from the system on its own, asked for in large pages, and
// given back whole when it goes: the pages of a column are then faulted in a few hundred at a
// time rather than one by one, and a column replaced by its reordered copy leaves nothing
// behind in the heap. Smaller buffers come from the heap as usual.
namespace LargeColumns {

void* Allocate(std::size_t bytes);
void Free(void* data, std::size_t bytes);

template <typename T> struct CAllocator {
    using value_type = T;
    CAllocator() = default;
    template <typename U> CAllocator(const CAllocator<U>&) {}
    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(Allocate(n * sizeof(T)));
    }
    void deallocate(T* data, std::size_t n) { Free(data, n * sizeof(T)); }
    template <typename U> bool operator==(const CAllocator<U>&) const { return true; }
};

template <typename T> using Column = std::vector<T, CAllocator<T>>;

} // namespace LargeColumns
