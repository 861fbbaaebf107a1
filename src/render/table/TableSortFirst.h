#pragma once

#include "render/table/TableSort.h"

#include <QtGlobal>

#include <vector>

// The first rows of a sort, found before the whole sort.
namespace TableSortFirst {

// The positions of the `count` rows with the smallest keys (key[p] the row at position p),
// equal keys by position; empty when more than 65,536 rows share the key of the last one
// wanted (about the cost of the whole sort).
std::vector<int> Smallest(const std::vector<quint64>& keys, size_t count);

// The positions of the first `count` rows of the texts in German order (descending: the
// last ones first), equal texts by position: exactly where the whole sort puts them. One
// pass over the cells, no collation keys made; the cells are walked in `parts` parts at once,
// each on a thread of its own (the first on the calling one).
std::vector<int> FirstTexts(const TableSort::Cells& cells, int parts, size_t count,
                            bool descending);

} // namespace TableSortFirst
