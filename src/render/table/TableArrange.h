#pragma once

#include "render/table/TableSort.h"

#include <QtGlobal>

#include <atomic>
#include <vector>

class CGeoTableModel;
struct CTableRows;

// The order a table window keeps its rows in: the column it was last sorted by, else a radius
// search's distances (nearest first), else the standard order they were read in.
struct CTableArrangement {
    int nSortColumn = -1; // -1: not sorted by a column
    bool bDescending = false;
    bool bDistance = false; // a radius search's window: by the distance from the centre
    double dLon = 0.0;
    double dLat = 0.0;
};

// An order of a window's rows made on a thread, for CGeoTableModel::TakeOrder.
struct CTableOrder {
    std::vector<quint32> rows;   // the kept rows' numbers, in the order shown
    std::vector<int> positionOf; // each kept row's position
    quint64 version = 0;         // the rows' version the order was made for
};

namespace TableArrange {

// The order that shows `rows` (row numbers below `rowIds`, as CGeoTableModel::Order() or
// TakeOrder hand them out) for the rows' version `version`: to go back to.
CTableOrder OrderOfRows(std::vector<quint32> rows, quint32 rowIds, quint64 version);
// The model's rows in the order `order` gives (as ColumnOrder gives it). Each row gets its
// new position in turn; `renumbered`, when given, follows how many have.
CTableOrder Reordered(const CGeoTableModel& model, const std::vector<int>& order,
                      std::atomic<quint32>* renumbered = nullptr);
// The rows at the positions `first` at the top, in that order; the others after them as they
// are.
CTableOrder FirstOnTop(const CGeoTableModel& model, const std::vector<int>& first);

// The order of a model's rows sorted by a column (the distance column included): element i
// is the current position of the row that moves to position i.
// `first`, when given, is told the first rows before the rest is sorted (not for distances),
// `progress` how far the sort has got (for distances only once it is done).
std::vector<int> ColumnOrder(const CGeoTableModel& model, int column, bool descending,
                             const TableSort::FirstRows* first = nullptr,
                             const TableSort::Progress& progress = {});

// Puts rows read in the standard order into the window's order, as sorting the window's
// model afterwards would; the rows themselves do not move.
void Arrange(CTableRows& rows, const CTableArrangement& how);

} // namespace TableArrange
