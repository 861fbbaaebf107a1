#pragma once

#include <QtGlobal>

#include <vector>

// A stable sort of rows by 64-bit keys, a byte at a time from the lowest (bytes in which all
// keys agree are skipped): for a million keys several times faster than comparing them.
namespace RadixSort {

struct Entry {
    quint64 key;
    quint32 row;
    quint32 extra; // travels with the row; the sort does not look at it
};

void Sort(std::vector<Entry>& entries);

} // namespace RadixSort
