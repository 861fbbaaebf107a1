#include "render/table/TableExport.h"

#include "base/GeoTableDesc.h"
#include "render/rows/GeoCellStore.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableText.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <memory>
#include <numeric>

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

namespace {

// The row being written: its cells as the recordset gives them, read as a table window reads
// its rows (so that its cells are the same texts), valid until the next row.
struct StreamState {
    explicit StreamState(CGeoDatabase& db) : rs(db) {}
    CGeoRecordset rs;
    bool bOpen = false;
    quint32 nExactKinds = 0;
    CGeoCellStore::Value cells[CGeoTableModel::kColumns];
    QByteArray utf8; // a cell's bytes that were no UTF-8, made UTF-8
};

} // namespace

Export::CRows TableExportStream(CGeoDatabase& db, const CGeoTableDesc& desc,
                                const CGeoFilter& filter) {
    Export::CRows out;
    CGeoTableModel columns;
    columns.SetColumns(desc);
    for (int j = 0; j < columns.columnCount(); ++j)
        out.aColumns << columns.headerData(j, Qt::Horizontal).toString();
    out.nRows =
        filter.IsEmpty() && db.IsOpen() ? std::max(db.GetRecordCount(desc.m_strTableName), 0) : 0;
    auto state = std::make_shared<StreamState>(db);
    state->nExactKinds = 1u << desc.m_nSortField1 | 1u << desc.m_nSortField2;
    state->bOpen = db.IsOpen() && state->rs.Open(db.Sql().OrderedQuery(desc, {}, filter));
    const auto readError = [](const QString& engine) {
        return engine.isEmpty()
                   ? engine
                   : QStringLiteral("Die Tabelle kann nicht gelesen werden: %1").arg(engine);
    };
    const QString openError = db.IsOpen() ? readError(state->rs.Error()) : QString();
    out.next = [state, openError, readError](int, QString* error) {
        if (!state->bOpen) {
            *error = openError;
            return false;
        }
        if (!state->rs.MoveNext()) {
            *error = readError(state->rs.Error());
            return false;
        }
        int fields[CGeoTableModel::kColumns];
        std::iota(std::begin(fields), std::end(fields), 0);
        state->rs.FieldValues(fields, CGeoTableModel::kColumns, state->cells, state->nExactKinds);
        return true;
    };
    out.cell = [state](int, int column) { return TableText::FromUtf8(state->cells[column].bytes); };
    out.utf8 = [state](int, int column) {
        const QByteArrayView bytes = state->cells[column].bytes;
        if (bytes.isValidUtf8())
            return bytes;
        state->utf8.clear();
        TableText::AppendUtf8(state->utf8, bytes);
        return QByteArrayView(state->utf8);
    };
    return out;
}
