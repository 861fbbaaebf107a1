#pragma once

#include "render/rows/GeoCellStore.h"

#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class CGeoFilter;
class CGeoPlaceRows;
class CGeoDatabase;
class CGeoTableDesc;
class CGeoTableModel;
class CProgress;
struct CGeoQuery;

// What filling a table window's rows gave.
struct CTableFillResult {
    int m_nRows = 0;           // rows now in the model
    int m_nFound = 0;          // rows that matched a filter (0 without a filter)
    QString m_strError;        // the engine's message when reading stopped on an error
    bool m_bCancelled = false; // stopped by the user: nothing else of the result counts
};

// Rows read for a table window, not yet in a model: position i shows row m_order[i].
struct CTableRows {
    std::shared_ptr<CGeoCellStore> m_pRows;
    std::vector<quint32> m_order;
    CTableFillResult m_result;
};

// " \"GEO\" Tabelle wird geoffnet:": the progress caption of the fill.
QString TableFillCaption(const CGeoTableDesc& desc);

// Fills a table window's rows: counts the table's rows (n), reports progress under the
// caption, reads the standard query restricted by the filter (empty: all rows) in Staat, PLZ
// order, at most n rows and never past the end of the result, and sets the position to
// 100 * k / n after each row (k the rows before it). The model gets its columns if it has
// none, and exactly the rows read, also when the engine stops with an error (the result then
// holds the engine's message). With the database closed the model gets no rows and no error.
CTableFillResult FillTableModel(CGeoDatabase& db, const CGeoTableDesc& desc,
                                const CGeoFilter& filter, CGeoTableModel& model,
                                CProgress* progress);

// The rows FillTableModel puts into the model. Stops soon after `cancel` becomes true (then
// m_bCancelled is set and the rows are incomplete).
CTableRows ReadTableRows(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& filter,
                         CProgress* progress, const std::atomic<bool>* cancel = nullptr);

// The first `count` rows of the same read (the first screen of a window), in their order;
// fewer at the end of the table, none on an error or with the database closed. A filter's
// first rows come only from an index in that order, found among the first rows of the order
// (a prefix of the result, possibly empty); without such an index there are none.
CTableRows ReadFirstTableRows(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& filter,
                              int count);

// What a table window's first screen shows: `count` rows of the standard order, or when
// `nearest` about `count` rows nearest (lon, lat), the filter keeping the rows within `km` of
// that centre (TableNearest): picked from the map rows `places` where given.
struct CFirstScreen {
    int count = 0;
    bool nearest = false;
    std::shared_ptr<const CGeoPlaceRows> places;
    double lon = 0.0;
    double lat = 0.0;
    double km = 0.0;
};

// The rows of a query in the order it gives them; none, and the engine's message, on an
// error.
CTableRows ReadQueriedRows(CGeoDatabase& db, const CGeoQuery& query);
