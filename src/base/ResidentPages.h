#pragma once

#include <cstddef>
#include <vector>

namespace ResidentPages {

// Makes the whole pages of [data, data + bytes) resident and writable in one call to the
// kernel. A column of millions of rows filled a row at a time otherwise takes one page fault
// for every 4 KB, which costs more than the writing. Does nothing where the kernel cannot.
void Populate(void* data, size_t bytes);

// Reserves room for `n` elements in a vector and makes it resident.
template <typename T> void Reserve(std::vector<T>& column, size_t n) {
    column.reserve(n);
    Populate(column.data(), column.capacity() * sizeof(T));
}

} // namespace ResidentPages
