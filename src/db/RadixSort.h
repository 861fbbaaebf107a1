#pragma once

#include <QtGlobal>

#include <vector>

// Stable sorts by integer keys, a byte at a time from the lowest (bytes in which all keys
// agree are skipped): for a million keys several times faster than comparing them.
namespace RadixSort {

// A row with a 64-bit key.
struct Entry {
    quint64 key;
    quint32 row;
    quint32 extra; // travels with the row; the sort does not look at it
};
void Sort(std::vector<Entry>& entries);

// Values whose upper 32 bits are the key and lower 32 bits the row: half the memory of an
// Entry for keys that fit 32 bits. Sorted by the key only.
void SortByUpperHalf(std::vector<quint64>& values);

} // namespace RadixSort
