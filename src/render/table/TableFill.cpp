#include "render/table/TableFill.h"

#include "base/GeoTableDesc.h"
#include "base/Progress.h"
#include "render/table/GeoTableModel.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoStandardOrder.h"

#include <algorithm>
#include <numeric>

QString TableFillCaption(const CGeoTableDesc& desc) {
    return QStringLiteral(" \"%1\" Tabelle wird geoffnet:").arg(desc.m_strTableName);
}

CTableFillResult FillTableModel(CGeoDatabase& db, const CGeoTableDesc& desc,
                                const CGeoFilter& filter, CGeoTableModel& model,
                                CProgress* progress) {
    CTableFillResult result;
    const int count = db.IsOpen() ? db.GetRecordCount(desc.m_strTableName) : 0;
    if (progress)
        progress->Start(TableFillCaption(desc));
    if (!model.HasColumns())
        model.SetColumns(desc);

    // The cells go into one store as the engine gives them; the rows are read in the order
    // the table keeps them and put in Staat, PLZ order afterwards (CGeoOrderedRead). The bar
    // follows the rows as they are read and then the ordering, counted as a tenth more rows
    // (nothing for a small table, where it takes no time).
    const qint64 orderingRows = std::max(count, 0) / 10;
    const qint64 total = std::max(count, 0) + orderingRows;
    int shown = -1;
    auto show = [&](qint64 done) {
        const int percent = total > 0 ? int(std::min<qint64>(100, 100 * done / total)) : 100;
        if (progress && percent != shown)
            progress->SetPos(shown = percent);
    };
    auto showOrdering = [&](int part, int percent) {
        if (orderingRows > 0)
            show(count + orderingRows * (part * 100 + percent) / 200);
    };
    auto rows = std::make_shared<CGeoCellStore>(CGeoTableModel::kColumns);
    std::vector<quint32> order;
    if (db.IsOpen()) {
        const CGeoOrderedRead ordered(db);
        CGeoRecordset rs(db);
        if (!rs.Open(ordered.Query({}, filter))) {
            result.m_strError = rs.Error();
        } else {
            if (filter.IsEmpty())
                rows->Reserve(quint32(std::max(count, 0)));
            int fields[CGeoTableModel::kColumns];
            std::iota(std::begin(fields), std::end(fields), 0);
            for (qint64 i = 0; rs.MoveNext(); ++i) {
                rows->Append(rs, fields, 1u << desc.m_nSortField1 | 1u << desc.m_nSortField2);
                show(i);
            }
            if (rs.HasError())
                result.m_strError = rs.Error();
        }
        order = ordered.Order(
            rows->Rows(),
            [&](quint32 row, GeoStandardOrder::Value& staat, GeoStandardOrder::Value& plz) {
                staat = rows->Cell(row, desc.m_nSortField1);
                plz = rows->Cell(row, desc.m_nSortField2);
            },
            [&](int percent) { showOrdering(0, percent); });
        // At most the counted rows (the first of them in order): rows added since the count
        // are not listed, rows deleted since simply are not there.
        if (order.size() > size_t(std::max(count, 0)))
            order.resize(size_t(std::max(count, 0)));
        // The rows are kept in that order, so that the window's rows lie one after the other.
        if (!std::is_sorted(order.begin(), order.end()) || order.size() != rows->Rows()) {
            rows = std::make_shared<CGeoCellStore>(
                rows->Reordered(order, [&](int percent) { showOrdering(1, percent); }));
            std::iota(order.begin(), order.end(), 0);
        }
    }
    result.m_nRows = int(order.size());
    result.m_nFound = filter.IsEmpty() ? 0 : result.m_nRows;
    model.SetRows(std::move(rows), std::move(order));
    if (progress)
        progress->Finish();
    return result;
}
