#include "render/table/TableArrange.h"

#include "render/table/GeoTableModel.h"
#include "render/table/TableDistance.h"
#include "render/table/TableFill.h"
#include "render/table/TableSort.h"

namespace TableArrange {

std::vector<int> ColumnOrder(const CGeoTableModel& model, int column, bool descending) {
    if (model.HasDistanceColumn() && column == CGeoTableModel::kColumns)
        return TableDistance::DistanceOrder(model, descending);
    return TableSort::SortOrder(
        model.RowCount(),
        [&model, column](const TableSort::CellVisitor& visit) { model.VisitColumn(column, visit); },
        column, descending);
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
