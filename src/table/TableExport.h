#pragma once

#include "export/Export.h"

#include <QList>

class CGeoTableModel;

// The rows of a table window as an export sees them: every column the window shows (the
// fields, then a radius search's distance), all rows in the window's order or only the
// given row positions in the order given. The rows read the model when written: use them
// while the model lives and keeps its rows.
Export::CRows TableExportRows(const CGeoTableModel& model, const QList<int>& rows = {});
