// Making a column's reserved pages resident ahead of its rows: every whole page of the range
// becomes resident, in large pages where the kernel offers them, what the column holds stays
// as it was, and small or odd ranges are safe.
#include "base/ResidentPages.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// How many of the whole pages in [data, data + bytes) are resident.
size_t residentPages(const void* data, size_t bytes, size_t* pages) {
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(data) + bytes) & ~(page - 1);
    *pages = (end - begin) / page;
    std::vector<unsigned char> in(*pages);
    if (mincore(reinterpret_cast<void*>(begin), end - begin, in.data()) != 0)
        return 0;
    size_t resident = 0;
    for (unsigned char c : in)
        resident += c & 1;
    return resident;
}

bool kernelPopulates() {
    const auto page = size_t(sysconf(_SC_PAGESIZE));
    void* probe = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
#ifdef MADV_POPULATE_WRITE
    const bool works = probe != MAP_FAILED && madvise(probe, page, MADV_POPULATE_WRITE) == 0;
#else
    const bool works = false;
#endif
    if (probe != MAP_FAILED)
        munmap(probe, page);
    return works;
}

// The kernel's "THPeligible" for the mapping that holds `address`: whether it may hold the
// mapping in large pages (-1 when /proc does not tell).
int largePagesEligible(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> from >> dash >> to && dash == '-' && line.find(':') > 8) {
            inside = from <= uintptr_t(address) && uintptr_t(address) < to;
            continue;
        }
        if (inside && line.rfind("THPeligible:", 0) == 0)
            return std::stoi(line.substr(12));
    }
    return -1;
}

// Whether the kernel offers large pages to mappings that ask for them.
bool kernelOffersLargePages() {
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    std::getline(mode, text);
    return !text.empty() && text.find("[never]") == std::string::npos;
}

} // namespace

TEST(ResidentPages, AColumnOfMegabytesAsksForLargePages) {
    if (!kernelOffersLargePages())
        GTEST_SKIP() << "the kernel offers no large pages";
    const size_t bytes = size_t(8) << 20;
    void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    const int before = largePagesEligible(mapped);
    if (before < 0) {
        munmap(mapped, bytes);
        GTEST_SKIP() << "/proc/self/smaps tells nothing of large pages";
    }
    ResidentPages::Populate(mapped, bytes);
    EXPECT_EQ(largePagesEligible(mapped), 1);
    munmap(mapped, bytes);
}

TEST(ResidentPages, AReservedColumnBecomesResidentAndKeepsItsRows) {
    if (!kernelPopulates())
        GTEST_SKIP() << "the kernel cannot populate pages ahead";
    // 8 MB freshly mapped: none of its pages is resident until written.
    const size_t bytes = size_t(8) << 20;
    void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    auto* values = static_cast<double*>(mapped);
    for (int i = 0; i < 1000; ++i)
        values[i] = i * 0.5;
    size_t pages = 0;
    const size_t before = residentPages(mapped, bytes, &pages);
    ASSERT_GT(pages, 1000u);
    EXPECT_LT(before, pages / 2);
    // From an odd address: the whole pages inside the range become resident.
    ResidentPages::Populate(values + 1, bytes - sizeof(double));
    const size_t after = residentPages(mapped, bytes, &pages);
    EXPECT_GE(after, pages - 1);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(values[i], i * 0.5);
    munmap(mapped, bytes);

    std::vector<double> column;
    for (int i = 0; i < 1000; ++i)
        column.push_back(i * 0.5);
    ResidentPages::Reserve(column, size_t(1) << 20);
    ASSERT_GE(column.capacity(), size_t(1) << 20);
    ASSERT_EQ(column.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(column[size_t(i)], i * 0.5);

    // Ranges under a page, unaligned, empty or small are left to fault in as written.
    std::vector<char> small(100, 'x');
    ResidentPages::Populate(small.data() + 1, 50);
    ResidentPages::Populate(nullptr, 0);
    std::vector<uint32_t> none;
    ResidentPages::Reserve(none, 0);
    EXPECT_EQ(std::count(small.begin(), small.end(), 'x'), 100);
}
