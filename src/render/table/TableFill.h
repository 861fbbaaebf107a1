#pragma once

#include <QString>

class CGeoFilter;
class CGeoDatabase;
class CGeoTableDesc;
class CGeoTableModel;
class CProgress;

// What filling a table window's rows gave.
struct CTableFillResult {
    int m_nRows = 0;    // rows now in the model
    int m_nFound = 0;   // rows that matched a filter (0 without a filter)
    QString m_strError; // the engine's message when reading stopped on an error
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
