#include "base/ResidentPages.h"

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace ResidentPages {

void Populate(void* data, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    constexpr size_t kWorthIt = size_t(1) << 20; // smaller columns fault in few pages
    if (bytes < kWorthIt)
        return;
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(data) + bytes) & ~(page - 1);
    if (end > begin) {
        // In pages of 2 MB where the kernel has them: one fault and one table entry for 512.
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
        // An older kernel answers EINVAL, and the pages fault in as they are written.
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    }
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace ResidentPages
