#include "base/LargeColumns.h"

#include <sys/mman.h>

namespace LargeColumns {

namespace {

constexpr std::size_t kMapped = std::size_t(1) << 20; // from here on mapped on its own

} // namespace

void* Allocate(std::size_t bytes) {
    if (bytes < kMapped)
        return ::operator new(bytes);
    void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        throw std::bad_alloc();
    // Only a hint: without large pages the column works all the same.
    madvise(data, bytes, MADV_HUGEPAGE);
    return data;
}

void Free(void* data, std::size_t bytes) {
    if (!data)
        return;
    if (bytes < kMapped)
        ::operator delete(data);
    else
        munmap(data, bytes);
}

} // namespace LargeColumns
