#include "table/TableExport.h"

#include "table/GeoTableModel.h"

Export::CRows TableExportRows(const CGeoTableModel& model, const QList<int>& rows) {
    Export::CRows out;
    for (int j = 0; j < model.columnCount(); ++j)
        out.aColumns << model.headerData(j, Qt::Horizontal).toString();
    const bool all = rows.isEmpty();
    out.nRows = all ? model.RowCount() : int(rows.size());
    out.cell = [&model, rows, all](int i, int column) {
        const int row = all ? i : rows.at(i);
        if (column < CGeoTableModel::kColumns)
            return model.Cell(row, column);
        return model.DistanceText(row);
    };
    return out;
}
