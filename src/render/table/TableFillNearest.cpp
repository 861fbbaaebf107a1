// The first screen of a radius search's window: the rows nearest the centre. Nearest first
// needs the distance of every row in the box, so this reads only the key and the position of
// each, keeps the nearest in a bounded heap, and then reads those rows whole.
#include "render/table/TableFill.h"

#include "base/GeoTableDesc.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableArrange.h"
#include "render/table/TableDistance.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <cmath>
#include <limits>
#include <queue>
#include <utility>

namespace {

// Rows at the same distance as the farthest kept are kept beside it (any of them may come
// first in the window); more than this many of them and the first screen is left out.
constexpr size_t kMaxTies = 2000;

using Near = std::pair<double, qint64>; // distance, key

} // namespace

CTableRows ReadNearestTableRows(CGeoDatabase& db, const CGeoTableDesc& desc,
                                const CGeoFilter& filter, double lon, double lat, int count) {
    CTableRows first;
    first.m_pRows = std::make_shared<CGeoCellStore>(CGeoTableModel::kColumns);
    if (!db.IsOpen() || count <= 0)
        return first;
    CGeoRecordset rs(db);
    const QStringList columns{desc.FieldName(desc.m_nKeyField), desc.FieldName(GEO_LANGENGRAD),
                              desc.FieldName(GEO_BREITENGRAD)};
    if (!rs.Open(db.Sql().StorageOrderQuery(desc, columns, filter)))
        return first;
    // The heap's top is the farthest of the nearest `count`; `ties` holds the rows left out at
    // exactly its distance. A row without a position counts as infinitely far, as in the window.
    std::priority_queue<Near> heap;
    std::vector<Near> ties;
    while (rs.MoveNext()) {
        double km = TableDistance::DistanceKm(rs.FieldUtf8(1), rs.FieldUtf8(2), lon, lat);
        if (std::isnan(km))
            km = std::numeric_limits<double>::infinity();
        const Near row{km, rs.FieldInt(0)};
        if (heap.size() < size_t(count)) {
            heap.push(row);
        } else if (km < heap.top().first) {
            const Near out = heap.top();
            heap.pop();
            heap.push(row);
            if (heap.top().first < out.first)
                ties.clear();
            else
                ties.push_back(out);
        } else if (km == heap.top().first) {
            ties.push_back(row);
        }
        if (ties.size() > kMaxTies)
            return first;
    }
    if (rs.HasError() || heap.empty())
        return first;
    QList<qint64> keys;
    for (const Near& row : ties)
        keys << row.second;
    for (; !heap.empty(); heap.pop())
        keys << heap.top().second;

    // In the standard order, then by distance as the window puts all of its rows.
    CTableRows nearest = ReadQueriedRows(db, db.Sql().OrderedRowsByKeys(desc, keys));
    if (!nearest.m_result.m_strError.isEmpty())
        return first;
    CTableArrangement how;
    how.bDistance = true;
    how.dLon = lon;
    how.dLat = lat;
    TableArrange::Arrange(nearest, how);
    if (nearest.m_order.size() > size_t(count))
        nearest.m_order.resize(size_t(count));
    nearest.m_result.m_nRows = int(nearest.m_order.size());
    return nearest;
}
