#pragma once

#include <QtGlobal>

class CListView_Table;

// Table windows and map windows linked both ways: the rows selected in a table window are
// marked on the map view that last had the focus, and a place picked on a map becomes the
// current row of every table window that lists it.
namespace TableMapLink {

// Most places marked at once; beyond that a status message says how many were selected.
inline constexpr int kMaxMarked = 2000;

// The table's selection changed: its selected places (the first kMaxMarked in screen order)
// are marked on g_pLastMapView; an empty selection clears the marks the table made.
void MarkSelection(CListView_Table* table);
// The table window goes: the marks it made go too.
void TableClosing(CListView_Table* table);
// A place was picked on a map: in every table window that lists the row with this key, it
// becomes the current and selected row and scrolls into view.
void ShowPlaceInTables(qint64 key);

} // namespace TableMapLink
