#include "base/RadixSort.h"

#include <algorithm>
#include <array>
#include <utility>

namespace RadixSort {

namespace {

// Stable passes over the bytes firstByte to 7 of each element's key.
template <typename T, typename KeyOf>
void sortBytes(std::vector<T>& elements, KeyOf keyOf, int firstByte, const Progress& progress) {
    const size_t n = elements.size();
    std::array<std::array<size_t, 256>, 8> counts{};
    for (const T& e : elements) {
        const quint64 key = keyOf(e);
        for (int b = firstByte; b < 8; ++b)
            ++counts[b][(key >> (8 * b)) & 0xFF];
    }
    auto needed = [&](int b) {
        return std::find(counts[b].begin(), counts[b].end(), n) == counts[b].end();
    };
    int passes = 1, done = 1;
    for (int b = firstByte; b < 8; ++b)
        passes += needed(b);
    if (progress)
        progress(100 * done / passes);
    std::vector<T> moved;
    for (int b = firstByte; b < 8; ++b) {
        std::array<size_t, 256>& offsets = counts[b];
        if (!needed(b))
            continue;
        if (moved.empty())
            moved.resize(n);
        size_t next = 0;
        for (size_t& offset : offsets)
            next += std::exchange(offset, next);
        for (const T& e : elements)
            moved[offsets[(keyOf(e) >> (8 * b)) & 0xFF]++] = e;
        elements.swap(moved);
        if (progress)
            progress(100 * ++done / passes);
    }
}

} // namespace

void Sort(std::vector<Entry>& entries, const Progress& progress) {
    sortBytes(
        entries, [](const Entry& e) { return e.key; }, 0, progress);
}

void SortByUpperHalf(std::vector<quint64>& values) {
    // Digits of 11 bits, as many as the largest key needs: postal codes take two passes.
    constexpr int kDigitBits = 11;
    constexpr size_t kDigits = size_t(1) << kDigitBits;
    quint64 any = 0;
    for (quint64 v : values)
        any |= v >> 32;
    std::vector<quint64> moved;
    std::vector<size_t> offsets(kDigits);
    for (int shift = 32; shift < 64 && (any >> (shift - 32)) != 0; shift += kDigitBits) {
        std::fill(offsets.begin(), offsets.end(), 0);
        for (quint64 v : values)
            ++offsets[(v >> shift) & (kDigits - 1)];
        if (std::find(offsets.begin(), offsets.end(), values.size()) != offsets.end())
            continue;
        if (moved.empty())
            moved.resize(values.size());
        size_t next = 0;
        for (size_t& offset : offsets)
            next += std::exchange(offset, next);
        for (quint64 v : values)
            moved[offsets[(v >> shift) & (kDigits - 1)]++] = v;
        values.swap(moved);
    }
}

} // namespace RadixSort
