#pragma once

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

namespace TableArrange {

// The order of a model's rows sorted by a column (the distance column included): element i
// is the current position of the row that moves to position i.
std::vector<int> ColumnOrder(const CGeoTableModel& model, int column, bool descending);

// Puts rows read in the standard order into the window's order, as sorting the window's
// model afterwards would; the rows themselves do not move.
void Arrange(CTableRows& rows, const CTableArrangement& how);

} // namespace TableArrange
