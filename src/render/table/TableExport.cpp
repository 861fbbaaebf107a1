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

// The row being written, kept as a table window keeps its rows (so that its cells are the
// same texts), in a store that is started afresh now and then.
struct StreamState {
    explicit StreamState(CGeoDatabase& db) : rs(db) {}
    CGeoRecordset rs;
    bool bOpen = false;
    quint32 nExactKinds = 0;
    CGeoCellStore store{CGeoTableModel::kColumns};
    quint32 nRow = 0;
};

constexpr quint32 kRowsPerStore = 4096;

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
        if (state->store.Rows() >= kRowsPerStore)
            state->store = CGeoCellStore(CGeoTableModel::kColumns);
        int fields[CGeoTableModel::kColumns];
        std::iota(std::begin(fields), std::end(fields), 0);
        state->nRow = state->store.Append(state->rs, fields, state->nExactKinds);
        return true;
    };
    out.cell = [state](int, int column) {
        return TableText::FromUtf8(state->store.Bytes(state->nRow, column));
    };
    return out;
}
