#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>

#include <functional>
#include <span>
#include <vector>

// How the rows of a table window are re-sorted by one column.
namespace TableSort {

// The kind of comparison a column uses, fixed by its field index: PLZ compares the leading
// integers, the two coordinates the leading numbers, every other column the texts in German
// alphabetical order (umlauts beside their base letters, ß as ss, case alike; the key column
// therefore sorts as text, 10 before 9).
enum class Kind { Integer, Number, Text };
Kind KindOfColumn(int column);

// Numbers as radix keys whose unsigned order is the numbers' order.
quint64 IntegerKey(int value);
quint64 NumberKey(double value);

// Compares two cells of a column by its kind: negative, zero or positive.
int CompareCells(int column, QStringView a, QStringView b);

// A row's position and the UTF-8 of its cell in the sorted column.
struct Cell {
    int position = 0;
    QByteArrayView text;
};
// Gets cells a batch at a time.
using CellBatch = std::function<void(std::span<const Cell> cells)>;
// Gives the rows of part `part` of `parts` (0 <= part < parts) to `batch`, in any order and
// batches; the parts together give every row once (InParts::Share splits them). Different parts may
// be asked for at the same time from different threads.
using Cells = std::function<void(int part, int parts, const CellBatch& batch)>;

// Where the first rows of a sort go before the rest is sorted: the positions of the first
// `count` elements of the order (fewer for fewer rows; none when finding them would cost
// about as much as the whole sort).
struct FirstRows {
    int count = 0;
    std::function<void(const std::vector<int>& positions)> show;
};

// How far a sort has got, 0-100, told now and then from the sorting thread.
using Progress = std::function<void(int percent)>;

// The new order of n rows sorted by a column: element i is the old position of the row that
// moves to position i. Stable: rows with equal keys keep their order, in both directions.
// `first`, when given, is told the first rows before the whole order is made (texts: before
// any collation key is made); `progress`, when given, how much of the work is done (rising,
// 100 once the order is made).
std::vector<int> SortOrder(int n, const Cells& cells, int column, bool descending,
                           const FirstRows* first = nullptr, const Progress& progress = {});

} // namespace TableSort
