#include "render/table/GeoTableModel.h"

#include "base/GermanNumbers.h"
#include "base/InParts.h"
#include "base/StepTrace.h"
#include "base/TextNumbers.h"
#include "render/table/TableDistance.h"
#include "render/table/TableText.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <span>
#include <vector>

using Value = GeoStandardOrder::Value;

namespace {

// Numbers for the states of a model's rows, unique among all models.
quint64 nextRowsVersion() {
    static std::atomic<quint64> next{0};
    return ++next;
}

} // namespace

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

void CGeoTableModel::SetRows(Rows rows, std::vector<quint32> order) {
    const StepTrace::Step step("model.SetRows");
    beginResetModel();
    m_pRows = std::move(rows);
    m_aOrder = std::move(order);
    m_own = CGeoCellStore(kColumns);
    m_bStoreOrder = true;
    for (size_t i = 0; i < m_aOrder.size() && m_bStoreOrder; ++i)
        m_bStoreOrder = m_aOrder[i] == i;
    m_nRowsVersion = nextRowsVersion();
    m_aRewritten.clear();
    const StepTrace::Step reset("model.endResetModel");
    endResetModel();
}

void CGeoTableModel::SetRows(const QList<QStringList>& rows) {
    auto store = std::make_shared<CGeoCellStore>(kColumns);
    std::vector<quint32> order;
    for (const QStringList& cells : rows) {
        QByteArray utf8[kColumns];
        Value values[kColumns];
        for (int j = 0; j < kColumns && j < cells.size(); ++j) {
            utf8[j] = cells.at(j).toUtf8();
            values[j] = {utf8[j].isEmpty() ? Value::Null : Value::Text, utf8[j]};
        }
        order.push_back(store->Append(values));
    }
    SetRows(std::move(store), std::move(order));
}

void CGeoTableModel::CopyRows(const CGeoTableModel& other) {
    beginResetModel();
    m_pRows = other.m_pRows;
    m_aOrder = other.m_aOrder;
    m_bStoreOrder = other.m_bStoreOrder;
    m_nRowsVersion = other.m_nRowsVersion;
    m_aRewritten.clear();
    m_own = CGeoCellStore(kColumns);
    Value cells[kColumns];
    for (quint32 r = 0; r < other.m_own.Rows(); ++r) {
        other.m_own.Row(r, cells);
        m_own.Append(cells);
    }
    endResetModel();
}

const CGeoCellStore& CGeoTableModel::StoreOf(quint32 id, quint32* row) const {
    if (id < SharedRows()) {
        *row = id;
        return *m_pRows;
    }
    *row = id - SharedRows();
    return m_own;
}

QByteArrayView CGeoTableModel::CellUtf8(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= kColumns)
        return {};
    quint32 r;
    const CGeoCellStore& store = StoreOf(m_aOrder[size_t(row)], &r);
    return store.Bytes(r, column);
}

QString CGeoTableModel::Cell(int row, int column) const {
    return TableText::FromUtf8(CellUtf8(row, column));
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
    return TableDistance::DistanceKm(CellUtf8(row, GEO_LANGENGRAD), CellUtf8(row, GEO_BREITENGRAD),
                                     m_dCentreLon, m_dCentreLat);
}

QString CGeoTableModel::DistanceText(int row) const {
    const double km = Distance(row);
    return std::isnan(km) ? QString() : QString::number(km, 'f', 1);
}

bool CGeoTableModel::SetRowCells(int row, const QStringList& cells) {
    if (row < 0 || row >= RowCount())
        return false;
    QByteArray utf8[kColumns];
    Value values[kColumns];
    for (int j = 0; j < kColumns && j < cells.size(); ++j) {
        utf8[j] = cells.at(j).toUtf8();
        values[j] = {utf8[j].isEmpty() ? Value::Null : Value::Text, utf8[j]};
    }
    const quint32 id = SharedRows() + m_own.Append(values);
    m_aRewritten.emplace_back(m_aOrder[size_t(row)], id);
    m_aOrder[size_t(row)] = id;
    m_bStoreOrder = false;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

int CGeoTableModel::FindRowByKey(qint64 key) const {
    // The rows with that key, found in the order they are kept; then where the window shows
    // one of them (a rewritten row replaces its shared one).
    const QByteArray text = QByteArray::number(key);
    std::vector<quint32> ids;
    for (quint32 r = 0; r < SharedRows(); ++r) {
        if (m_pRows->Bytes(r, GEO_ID) == QByteArrayView(text))
            ids.push_back(r);
    }
    for (quint32 r = 0; r < m_own.Rows(); ++r) {
        if (m_own.Bytes(r, GEO_ID) == QByteArrayView(text))
            ids.push_back(SharedRows() + r);
    }
    if (ids.empty())
        return -1;
    for (size_t i = 0; i < m_aOrder.size(); ++i) {
        if (std::find(ids.begin(), ids.end(), m_aOrder[i]) != ids.end())
            return int(i);
    }
    return -1;
}

bool CGeoTableModel::ApplyOrder(const std::vector<int>& order,
                                const std::function<void(int percent)>& progress) {
    const size_t n = m_aOrder.size();
    if (order.size() != n)
        return false;
    std::vector<bool> taken(n, false);
    for (int from : order) {
        if (from < 0 || size_t(from) >= n || taken[size_t(from)])
            return false;
        taken[size_t(from)] = true;
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<quint32> reordered(n);
    size_t next = 0; // the position at which the percentage next changes
    for (size_t i = 0; i < n; ++i) {
        if (progress && i >= next) {
            const size_t percent = 100 * i / n;
            progress(int(percent));
            next = ((percent + 1) * n + 99) / 100;
        }
        reordered[i] = m_aOrder[size_t(order[i])];
    }
    m_aOrder = std::move(reordered);
    m_bStoreOrder = false;

    // The selection and the current row move with their rows.
    const QModelIndexList before = persistentIndexList();
    if (!before.isEmpty()) {
        std::vector<int> newPosition(n);
        for (size_t i = 0; i < n; ++i)
            newPosition[size_t(order[i])] = int(i);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& idx : before)
            after.append(index(newPosition[size_t(idx.row())], idx.column()));
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return true;
}

bool CGeoTableModel::TakeOrder(std::vector<quint32>& rows, const std::vector<int>& positionOf,
                               quint64 version, size_t rewrites) {
    if (version != m_nRowsVersion || rows.size() != m_aOrder.size() ||
        rewrites > m_aRewritten.size())
        return false;
    // Rows rewritten since the order was made: their new numbers in their places.
    std::vector<std::pair<quint32, int>> moved;
    auto positionOfRow = [&](quint32 id) {
        if (id < positionOf.size())
            return positionOf[id];
        for (const auto& [row, position] : moved) {
            if (row == id)
                return position;
        }
        return -1;
    };
    for (size_t i = rewrites; i < m_aRewritten.size(); ++i) {
        const auto [old, now] = m_aRewritten[i];
        if (const int position = positionOfRow(old); position >= 0) {
            rows[size_t(position)] = now;
            moved.emplace_back(now, position);
        }
    }
    const StepTrace::Step step("model.TakeOrder");
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& idx : before) {
        const int position = positionOfRow(m_aOrder[size_t(idx.row())]);
        after.append(position >= 0 ? index(position, idx.column()) : idx);
    }
    m_aOrder.swap(rows);
    m_bStoreOrder = false;
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return true;
}

TableSort::Cells CGeoTableModel::ColumnCells(int column) const {
    if (column < 0 || column >= kColumns)
        return [](int, int, const TableSort::CellBatch&) {};
    // Where each kept row stands, so that the rows can be walked in the order they are kept
    // (not needed while position i shows shared row i).
    std::shared_ptr<std::vector<int>> position;
    if (!m_bStoreOrder) {
        position = std::make_shared<std::vector<int>>(size_t(RowIds()), -1);
        for (size_t i = 0; i < m_aOrder.size(); ++i)
            (*position)[m_aOrder[i]] = int(i);
    }
    return [this, column, position](int part, int parts, const TableSort::CellBatch& batch) {
        constexpr size_t kBatch = 512;
        // How many rows ahead the walk asks for (about as many as are read while one comes).
        constexpr size_t kAhead = 16;
        std::array<TableSort::Cell, kBatch> cells;
        size_t used = 0;
        auto add = [&](int at, QByteArrayView text) {
            cells[used++] = {at, text};
            if (used == kBatch) {
                batch(std::span<const TableSort::Cell>(cells.data(), used));
                used = 0;
            }
        };
        if (!position) {
            const auto [from, to] = InParts::Share(m_aOrder.size(), part, parts);
            for (size_t i = from; i < to; ++i) {
                m_pRows->Prefetch(quint32(i + kAhead));
                add(int(i), m_pRows->Bytes(quint32(i), column));
            }
        } else {
            const auto [from, to] = InParts::Share(position->size(), part, parts);
            const quint32 shared = SharedRows();
            for (size_t r = from; r < to; ++r) {
                if (r + kAhead < shared)
                    m_pRows->Prefetch(quint32(r + kAhead));
                if (const int at = (*position)[r]; at >= 0)
                    add(at, r < shared ? m_pRows->Bytes(quint32(r), column)
                                       : m_own.Bytes(quint32(r - shared), column));
            }
        }
        if (used > 0)
            batch(std::span<const TableSort::Cell>(cells.data(), used));
    };
}

size_t CGeoTableModel::MemoryBytes() const {
    return (m_pRows ? m_pRows->MemoryBytes() : 0) + m_own.MemoryBytes() +
           m_aOrder.capacity() * sizeof(quint32);
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
            return std::isnan(km) ? QString() : GermanNumbers::Fixed(km, 1);
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
