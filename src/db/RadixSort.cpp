#include "db/RadixSort.h"

#include <algorithm>
#include <array>
#include <utility>

namespace RadixSort {

void Sort(std::vector<Entry>& entries) {
    const size_t n = entries.size();
    std::array<std::array<size_t, 256>, 8> counts{};
    for (const Entry& e : entries) {
        for (int b = 0; b < 8; ++b)
            ++counts[b][(e.key >> (8 * b)) & 0xFF];
    }
    std::vector<Entry> moved;
    for (int b = 0; b < 8; ++b) {
        std::array<size_t, 256>& offsets = counts[b];
        if (std::find(offsets.begin(), offsets.end(), n) != offsets.end())
            continue;
        if (moved.empty())
            moved.resize(n);
        size_t next = 0;
        for (size_t& offset : offsets)
            next += std::exchange(offset, next);
        for (const Entry& e : entries)
            moved[offsets[(e.key >> (8 * b)) & 0xFF]++] = e;
        entries.swap(moved);
    }
}

} // namespace RadixSort
