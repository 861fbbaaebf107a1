#pragma once

#include <QtGlobal>

#include <functional>
#include <vector>

// The first rows of a sort, found from the rows' radix keys before the whole sort.
namespace TableSortFirst {

// Whether row x comes before row y where their keys are equal (false: by position).
using Tie = std::function<bool(int x, int y)>;

// The positions of the `count` rows with the smallest keys (key[p] the row at position p),
// equal keys in the order `tie` gives, then by position; empty when more than 65,536 rows
// share the key of the last one wanted (about the cost of the whole sort).
std::vector<int> Smallest(const std::vector<quint64>& keys, size_t count, const Tie& tie = {});

} // namespace TableSortFirst
