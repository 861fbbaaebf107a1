#include "render/table/TableArrange.h"

#include "base/InParts.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableDistance.h"
#include "render/table/TableFill.h"
#include "render/table/TableSort.h"

#include <algorithm>

namespace TableArrange {

std::vector<int> ColumnOrder(const CGeoTableModel& model, int column, bool descending,
                             const TableSort::FirstRows* first,
                             const TableSort::Progress& progress) {
    if (model.HasDistanceColumn() && column == CGeoTableModel::kColumns) {
        std::vector<int> order = TableDistance::DistanceOrder(model, descending);
        if (progress)
            progress(100);
        return order;
    }
    return TableSort::SortOrder(model.RowCount(), model.ColumnCells(column), column, descending,
                                first, progress);
}

namespace {

// The order that shows at position i the row now at position from(i).
template <typename From>
CTableOrder orderOf(const CGeoTableModel& model, From from,
                    std::atomic<quint32>* renumbered = nullptr) {
    CTableOrder made;
    const std::vector<quint32>& now = model.Order();
    made.rows.resize(now.size());
    made.positionOf.assign(model.RowIds(), -1);
    for (size_t i = 0; i < now.size(); ++i) {
        made.rows[i] = now[size_t(from(i))];
        made.positionOf[made.rows[i]] = int(i);
        if (renumbered && (i & 4095) == 0)
            renumbered->store(quint32(i), std::memory_order_relaxed);
    }
    if (renumbered)
        renumbered->store(quint32(now.size()), std::memory_order_relaxed);
    made.version = model.RowsVersion();
    return made;
}

} // namespace

CTableOrder OrderOfRows(std::vector<quint32> rows, quint32 rowIds, quint64 version) {
    CTableOrder made;
    made.positionOf.assign(rowIds, -1);
    for (size_t i = 0; i < rows.size(); ++i)
        made.positionOf[rows[i]] = int(i);
    made.rows = std::move(rows);
    made.version = version;
    return made;
}

CTableOrder Reordered(const CGeoTableModel& model, const std::vector<int>& order,
                      std::atomic<quint32>* renumbered) {
    return orderOf(
        model, [&order](size_t i) { return size_t(order[i]); }, renumbered);
}

CTableOrder FirstOnTop(const CGeoTableModel& model, const std::vector<int>& first) {
    const std::vector<quint32>& now = model.Order();
    const size_t n = now.size();
    CTableOrder made;
    made.rows.resize(n);
    made.positionOf.resize(model.RowIds());
    std::vector<bool> onTop(n, false);
    for (size_t i = 0; i < first.size(); ++i) {
        onTop[size_t(first[i])] = true;
        made.rows[i] = now[size_t(first[i])];
    }
    // Numbers that are not kept (the old numbers of rewritten rows) have no position.
    const int parts = InParts::PartsFor(n);
    InParts::Run(parts, [&](int part) {
        const auto [from, to] = InParts::Share(made.positionOf.size(), part, parts);
        std::fill(made.positionOf.begin() + qsizetype(from),
                  made.positionOf.begin() + qsizetype(to), -1);
    });
    // The others after them as they are, each part's after the others before it.
    InParts::Run(parts, [&](int part) {
        const auto [from, to] = InParts::Share(n, part, parts);
        size_t at = first.size() + from;
        for (int position : first)
            at -= size_t(position) < from ? 1 : 0;
        for (size_t p = from; p < to; ++p) {
            if (!onTop[p]) {
                made.rows[at] = now[p];
                made.positionOf[now[p]] = int(at++);
            }
        }
    });
    for (size_t i = 0; i < first.size(); ++i)
        made.positionOf[made.rows[i]] = int(i);
    made.version = model.RowsVersion();
    return made;
}

void Arrange(CTableRows& rows, const CTableArrangement& how) {
    if (how.nSortColumn < 0 && !how.bDistance)
        return;
    // A model of its own over the same rows, only to order them.
    CGeoTableModel model;
    model.SetRows(rows.m_pRows, rows.m_order);
    if (how.bDistance)
        model.SetDistanceCentre(how.dLon, how.dLat);
    const std::vector<int> order = how.nSortColumn >= 0
                                       ? ColumnOrder(model, how.nSortColumn, how.bDescending)
                                       : TableDistance::DistanceOrder(model, false);
    std::vector<quint32> arranged(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        arranged[i] = rows.m_order[size_t(order[i])];
    rows.m_order = std::move(arranged);
}

} // namespace TableArrange
