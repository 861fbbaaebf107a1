#include "render/table/TableSortFirst.h"

#include <algorithm>

namespace TableSortFirst {

namespace {

constexpr size_t kMaxCandidates = 1 << 16;

} // namespace

std::vector<int> Smallest(const std::vector<quint64>& keys, size_t count, const Tie& tie) {
    count = std::min(count, keys.size());
    if (count == 0)
        return {};
    std::vector<quint64> sorted = keys;
    std::nth_element(sorted.begin(), sorted.begin() + qsizetype(count - 1), sorted.end());
    const quint64 bound = sorted[count - 1];
    sorted = {};
    std::vector<int> first;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] > bound)
            continue;
        if (first.size() == kMaxCandidates)
            return {};
        first.push_back(int(i));
    }
    std::sort(first.begin(), first.end(), [&](int x, int y) {
        if (keys[size_t(x)] != keys[size_t(y)])
            return keys[size_t(x)] < keys[size_t(y)];
        if (tie) {
            if (tie(x, y))
                return true;
            if (tie(y, x))
                return false;
        }
        return x < y;
    });
    first.resize(count);
    return first;
}

} // namespace TableSortFirst
