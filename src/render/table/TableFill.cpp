#include "render/table/TableFill.h"

#include "base/GeoTableDesc.h"
#include "base/Progress.h"
#include "render/table/GeoTableModel.h"
#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "store/GeoStandardOrder.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

QString TableFillCaption(const CGeoTableDesc& desc) {
    return QStringLiteral(" \"%1\" Tabelle wird geoffnet:").arg(desc.m_strTableName);
}

namespace {

bool stopped(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

// Rows read in pieces, in any order within a piece: in the standard order, equal keys by
// key, as the engine orders them.
std::vector<quint32> PiecesInOrder(const CGeoCellStore& rows, const CGeoTableDesc& desc,
                                   const GeoStandardOrder::Collations& collations,
                                   const GeoStandardOrder::Progress& progress) {
    std::vector<std::pair<qint64, quint32>> keys(rows.Rows());
    for (quint32 row = 0; row < rows.Rows(); ++row)
        keys[row] = {rows.Cell(row, desc.m_nKeyField).bytes.toLongLong(), row};
    std::sort(keys.begin(), keys.end());
    std::vector<quint32> order = GeoStandardOrder::StableOrder(
        rows.Rows(), collations,
        [&](quint32 i, GeoStandardOrder::Value& staat, GeoStandardOrder::Value& plz) {
            staat = rows.Cell(keys[i].second, desc.m_nSortField1);
            plz = rows.Cell(keys[i].second, desc.m_nSortField2);
        },
        progress);
    for (quint32& i : order)
        i = keys[i].second;
    return order;
}

} // namespace

CTableFillResult FillTableModel(CGeoDatabase& db, const CGeoTableDesc& desc,
                                const CGeoFilter& filter, CGeoTableModel& model,
                                CProgress* progress) {
    if (!model.HasColumns())
        model.SetColumns(desc);
    CTableRows rows = ReadTableRows(db, desc, filter, progress);
    model.SetRows(std::move(rows.m_pRows), std::move(rows.m_order));
    if (progress)
        progress->Finish();
    return rows.m_result;
}

CTableRows ReadFirstTableRows(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& filter,
                              int count) {
    CTableRows first;
    first.m_pRows = std::make_shared<CGeoCellStore>(CGeoTableModel::kColumns);
    if (!db.IsOpen())
        return first;
    // Without the index a filter's first rows cost the whole search once more.
    if (!filter.IsEmpty() && !db.Backend()->FirstRowsFromIndex(desc))
        return first;
    return ReadQueriedRows(db, db.Sql().FirstOrderedRows(desc, filter, count));
}

CTableRows ReadQueriedRows(CGeoDatabase& db, const CGeoQuery& query) {
    CTableRows first;
    first.m_pRows = std::make_shared<CGeoCellStore>(CGeoTableModel::kColumns);
    CGeoRecordset rs(db);
    if (!rs.Open(query)) {
        first.m_result.m_strError = rs.Error();
        return first;
    }
    int fields[CGeoTableModel::kColumns];
    std::iota(std::begin(fields), std::end(fields), 0);
    while (rs.MoveNext())
        first.m_pRows->Append(rs, fields, 0);
    if (rs.HasError()) {
        first.m_result.m_strError = rs.Error();
        first.m_pRows = std::make_shared<CGeoCellStore>(CGeoTableModel::kColumns);
    }
    first.m_order.resize(first.m_pRows->Rows());
    std::iota(first.m_order.begin(), first.m_order.end(), 0);
    first.m_result.m_nRows = int(first.m_order.size());
    return first;
}

CTableRows ReadTableRows(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& filter,
                         CProgress* progress, const std::atomic<bool>* cancel) {
    CTableFillResult result;
    const int count = db.IsOpen() ? db.GetRecordCount(desc.m_strTableName) : 0;
    if (progress)
        progress->Start(TableFillCaption(desc));

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
    auto showOrdering = [&](int percent) {
        if (orderingRows > 0)
            show(count + orderingRows * percent / 100);
    };
    auto rows = std::make_shared<CGeoCellStore>(CGeoTableModel::kColumns);
    std::vector<quint32> order;
    if (db.IsOpen()) {
        const CGeoOrderedRead ordered(db);
        // A filter's rows are few against the table's: the bar follows the rows the engine
        // has looked at, where it tells, or the pieces read of an engine that reads them in
        // pieces (then put in order here), and else the rows found.
        std::vector<CGeoBackend::ScanPiece> pieces;
        GeoStandardOrder::Collations piecesOrder;
        const bool pieced =
            !filter.IsEmpty() && db.Backend()->ScanPieces(desc, filter, &pieces, &piecesOrder);
        if (!pieced)
            pieces = {{ordered.Query({}, filter), 1000}};
        if (filter.IsEmpty())
            rows->Reserve(quint32(std::max(count, 0)));
        int fields[CGeoTableModel::kColumns];
        std::iota(std::begin(fields), std::end(fields), 0);
        qint64 scanned = 0;
        if (!filter.IsEmpty())
            db.SetScanHook([&](qint64 looked) {
                show(scanned = std::min<qint64>(looked, count));
                return stopped(cancel);
            });
        qint64 i = 0;
        for (const CGeoBackend::ScanPiece& piece : pieces) {
            CGeoRecordset rs(db);
            if (!rs.Open(piece.query)) {
                result.m_strError = rs.Error();
                break;
            }
            for (; rs.MoveNext(); ++i) {
                rows->Append(rs, fields, 1u << desc.m_nSortField1 | 1u << desc.m_nSortField2);
                show(std::max(i, scanned));
                if ((i & 1023) == 0 && stopped(cancel))
                    break;
            }
            // A stopped read may end with the engine's error for the interrupt.
            if (rs.HasError() && !stopped(cancel)) {
                result.m_strError = rs.Error();
                break;
            }
            if (stopped(cancel))
                break;
            if (pieced)
                show(scanned = std::max<qint64>(i, std::max(count, 0) * piece.perMille / 1000));
        }
        if (!filter.IsEmpty())
            db.SetScanHook({});
        if (stopped(cancel)) {
            result.m_bCancelled = true;
            return {std::move(rows), {}, result};
        }
        if (pieced) {
            order = PiecesInOrder(*rows, desc, piecesOrder, showOrdering);
        } else {
            order = ordered.Order(
                rows->Rows(),
                [&](quint32 row, GeoStandardOrder::Value& staat, GeoStandardOrder::Value& plz) {
                    staat = rows->Cell(row, desc.m_nSortField1);
                    plz = rows->Cell(row, desc.m_nSortField2);
                },
                showOrdering);
        }
        // The ordering done also where the engine gave the order and nothing was left to do.
        showOrdering(100);
        if (stopped(cancel)) {
            result.m_bCancelled = true;
            return {std::move(rows), {}, result};
        }
        // At most the counted rows (the first of them in order): rows added since the count
        // are not listed, rows deleted since simply are not there.
        if (order.size() > size_t(std::max(count, 0)))
            order.resize(size_t(std::max(count, 0)));
        // The rows stay where they were read: the order points into them (a second copy
        // in that order would double the memory a fill needs at its peak).
    }
    result.m_bCancelled = stopped(cancel);
    result.m_nRows = int(order.size());
    result.m_nFound = filter.IsEmpty() ? 0 : result.m_nRows;
    return {std::move(rows), std::move(order), result};
}
