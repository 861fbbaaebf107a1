#include "table/GeoTableModel.h"

#include "db/GeoDistance.h"
#include "db/TextNumbers.h"

#include <cmath>

#include <vector>

QStringView CGeoTableModel::Row::Cell(int j) const {
    if (j < 0 || j >= kColumns)
        return {};
    const quint32 begin = j == 0 ? 0 : m_aEnd[j - 1];
    return QStringView(m_strText).mid(begin, m_aEnd[j] - begin);
}

CGeoTableModel::Row CGeoTableModel::MakeRow(const QStringList& cells) {
    Row row;
    qsizetype length = 0;
    for (int j = 0; j < kColumns && j < cells.size(); ++j)
        length += cells.at(j).size();
    row.m_strText.reserve(length);
    for (int j = 0; j < kColumns; ++j) {
        if (j < cells.size())
            row.m_strText += cells.at(j);
        row.m_aEnd[j] = quint32(row.m_strText.size());
    }
    return row;
}

CGeoTableModel::CGeoTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void CGeoTableModel::SetColumns(const CGeoTableDesc& desc) {
    beginResetModel();
    m_aTitles.clear();
    m_aColumnFormat.clear();
    for (int i = 0; i < desc.m_nFields && i < kColumns; ++i) {
        m_aTitles << desc.FieldName(i);
        m_aColumnFormat << desc.ColumnFormat(i);
    }
    endResetModel();
}

void CGeoTableModel::SetRows(QList<Row> rows) {
    beginResetModel();
    m_aRows = std::move(rows);
    endResetModel();
}

QStringView CGeoTableModel::CellView(int row, int column) const {
    if (row < 0 || row >= m_aRows.size())
        return {};
    return m_aRows.at(row).Cell(column);
}

QStringList CGeoTableModel::RowCells(int row) const {
    QStringList cells;
    for (int j = 0; j < kColumns; ++j)
        cells << Cell(row, j);
    return cells;
}

namespace {
const char* const kDistanceTitle = "Entfernung (km)";
} // namespace

void CGeoTableModel::SetDistanceCentre(double lon, double lat) {
    beginResetModel();
    m_bDistance = true;
    m_dCentreLon = lon;
    m_dCentreLat = lat;
    endResetModel();
}

double CGeoTableModel::Distance(int row) const {
    double lon = 0, lat = 0;
    if (!TextNumbers::ParseNumber(CellView(row, GEO_LANGENGRAD).toUtf8(), &lon) ||
        !TextNumbers::ParseNumber(CellView(row, GEO_BREITENGRAD).toUtf8(), &lat))
        return std::nan("");
    return GeoDistance::HaversineKm(m_dCentreLon, m_dCentreLat, lon, lat);
}

bool CGeoTableModel::SetRowCells(int row, const QStringList& cells) {
    if (row < 0 || row >= m_aRows.size())
        return false;
    m_aRows[row] = MakeRow(cells);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

bool CGeoTableModel::ApplyOrder(const QList<int>& order) {
    const int n = RowCount();
    if (order.size() != n)
        return false;
    QList<int> newPosition(n, -1);
    for (int i = 0; i < n; ++i) {
        const int from = order.at(i);
        if (from < 0 || from >= n || newPosition.at(from) != -1)
            return false;
        newPosition[from] = i;
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // In place, one cycle of the permutation after the other: no second copy of the rows.
    std::vector<bool> placed(size_t(n), false);
    for (int start = 0; start < n; ++start) {
        if (placed[size_t(start)])
            continue;
        Row moving = std::move(m_aRows[start]);
        int to = start;
        for (int from = order.at(to); from != start; from = order.at(to)) {
            m_aRows[to] = std::move(m_aRows[from]);
            placed[size_t(to)] = true;
            to = from;
        }
        m_aRows[to] = std::move(moving);
        placed[size_t(to)] = true;
    }

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& idx : before)
        after.append(index(newPosition.at(idx.row()), idx.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return true;
}

int CGeoTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int CGeoTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_aTitles.size()) + (m_bDistance ? 1 : 0);
}

QVariant CGeoTableModel::Alignment(int column) const {
    const Qt::Alignment horizontal = column >= kColumns ? Qt::AlignRight
                                     : m_aColumnFormat.value(column) == LVCFMT_CENTER
                                         ? Qt::AlignHCenter
                                         : Qt::AlignLeft;
    return QVariant::fromValue(horizontal | Qt::AlignVCenter);
}

QVariant CGeoTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() >= kColumns) {
            const double km = Distance(index.row());
            return std::isnan(km) ? QString() : QString::number(km, 'f', 1);
        }
        return Cell(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return Alignment(index.column());
    case Qt::UserRole:
        return index.row();
    default:
        return {};
    }
}

QVariant CGeoTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
        if (role == Qt::DisplayRole)
            return section < m_aTitles.size() ? m_aTitles.at(section)
                                              : QString::fromLatin1(kDistanceTitle);
        if (role == Qt::TextAlignmentRole)
            return Alignment(section);
        return {};
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}
