#pragma once

#include "render/export/Export.h"
#include "store/GeoFilter.h"

#include <QList>

class CGeoDatabase;
class CGeoTableDesc;
class CGeoTableModel;

// The rows of a table window as an export sees them: every column the window shows (the
// fields, then a radius search's distance), all rows in the window's order or only the
// given row positions in the order given. The rows read the model when written: use them
// while the model lives and keeps its rows.
Export::CRows TableExportRows(const CGeoTableModel& model, const QList<int>& rows = {});

// The rows a table window over the filter's rows (empty: all) would list, with the same
// columns and cells, read from the database as they are written: in Staat, PLZ order as the
// engine sorts them, so that the memory an export takes does not grow with the rows. The
// database must stay open while the rows are written.
Export::CRows TableExportStream(CGeoDatabase& db, const CGeoTableDesc& desc,
                                const CGeoFilter& filter = CGeoFilter());
