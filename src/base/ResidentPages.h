#pragma once

#include <cstddef>
#include <vector>

namespace ResidentPages {

// Makes the whole pages of [data, data + bytes) resident and writable in one call to the
// kernel. A column of millions of rows filled a row at a time otherwise takes one page fault
// for every 4 KB, which costs more than the writing. Does nothing where the kernel cannot.
void Populate(void* data, size_t bytes);

// The same for the capacity a vector has reserved.
template <typename T> void PopulateReserved(std::vector<T>& column) {
    Populate(column.data(), column.capacity() * sizeof(T));
}

} // namespace ResidentPages
