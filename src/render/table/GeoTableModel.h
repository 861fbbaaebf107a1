#pragma once

#include "base/GeoTableDesc.h"
#include "render/rows/GeoCellStore.h"
#include "render/table/TableSort.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The rows of one table window: 13 cells a row in column order (column 0 the key as
// decimal text), with the column titles and alignments of the table description.
//
// The cells stay as the database gave them, UTF-8 in one compact store, and are decoded only
// when asked for (a view asks only for the cells it shows). The window's order is a list of
// row numbers over that store: a sort puts the list in a new order and moves no row. The
// store is shared with further windows on the same rows; a row rewritten in one window is
// kept in that window's own store, so the others keep theirs. Persistent indexes (selection,
// current row) move with their rows.
class CGeoTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = GEO_FIELD_COUNT;
    // Rows as read, shared by the windows that list them.
    using Rows = std::shared_ptr<const CGeoCellStore>;

    explicit CGeoTableModel(QObject* parent = nullptr);

    // Column titles (the field names) and alignments from the description.
    void SetColumns(const CGeoTableDesc& desc);
    bool HasColumns() const { return !m_aTitles.isEmpty(); }

    // Replaces all rows (a model reset): position i shows row order[i] of `rows`.
    void SetRows(Rows rows, std::vector<quint32> order);
    // Replaces all rows by rows of cells (missing cells are empty, surplus cells dropped).
    void SetRows(const QList<QStringList>& rows);
    // The rows of another window, in its order and with its rewritten rows.
    void CopyRows(const CGeoTableModel& other);
    void Clear() { SetRows({}); }

    int RowCount() const { return int(m_aOrder.size()); }
    // A cell's text; empty for a row or column that does not exist.
    QString Cell(int row, int column) const;
    QByteArrayView CellUtf8(int row, int column) const;
    QStringList RowCells(int row) const;

    // A radius search's window: a last column "Entfernung (km)" after the fields, each row's
    // great-circle distance from the centre (lon, lat in degrees) with one decimal.
    void SetDistanceCentre(double lon, double lat);
    bool HasDistanceColumn() const { return m_bDistance; }
    double DistanceCentreLon() const { return m_dCentreLon; }
    double DistanceCentreLat() const { return m_dCentreLat; }
    // The row's distance in km; NaN when the row's position is no number.
    double Distance(int row) const;
    // The distance with one decimal and a decimal point, as copies and exports write it
    // (the column shows a decimal comma); empty when the row's position is no number.
    QString DistanceText(int row) const;

    // Rewrites the cells of one row. False for a row that does not exist.
    bool SetRowCells(int row, const QStringList& cells);

    // The position of the row whose key (column 0) is `key`; -1 when there is none.
    int FindRowByKey(qint64 key) const;

    // Puts the rows in a new order: order[i] is the current position of the row that moves
    // to position i. False (and nothing changes) unless order is a permutation of the rows.
    // `progress` is told 100 * i / n as the rows are renumbered, each value once.
    bool ApplyOrder(const std::vector<int>& order,
                    const std::function<void(int percent)>& progress = {});

    // The rows as they stand now: which are shown (the numbers of the kept rows, in the order
    // shown), how many numbers there are, a number that changes whenever all rows are
    // replaced (not when they are put in a new order), and how many rows were rewritten since.
    const std::vector<quint32>& Order() const { return m_aOrder; }
    quint32 RowIds() const { return SharedRows() + m_own.Rows(); }
    quint64 RowsVersion() const { return m_nRowsVersion; }
    size_t Rewrites() const { return m_aRewritten.size(); }

    // Puts the rows in an order made elsewhere (on a thread, from a copy of the rows as they
    // stood at RowsVersion() `version` after `rewrites` Rewrites()) at once: `rows` becomes
    // Order() and gets the order before; positionOf[r] is the new position of kept row r. Rows
    // rewritten since keep their new cells; the selection and the current row move with their
    // rows. False, and nothing changes, when the rows were replaced since.
    bool TakeOrder(std::vector<quint32>& rows, const std::vector<int>& positionOf, quint64 version,
                   size_t rewrites);

    // One column's cells of every row for a sort, each part's rows in the order they are kept
    // (fastest). Where each row stands is found once here, not for every walk. Valid as long
    // as the model and its rows stay as they are.
    TableSort::Cells ColumnCells(int column) const;

    // Memory the rows take (the shared store counted in full).
    size_t MemoryBytes() const;

    // QAbstractItemModel. The item data (Qt::UserRole) of a row is its position.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant Alignment(int column) const;
    // Where a row number of the order points: the shared store or this window's own.
    const CGeoCellStore& StoreOf(quint32 id, quint32* row) const;
    quint32 SharedRows() const { return m_pRows ? m_pRows->Rows() : 0; }

    Rows m_pRows;
    std::vector<quint32> m_aOrder; // position -> row: shared below SharedRows(), else own
    bool m_bStoreOrder = true;     // position i shows shared row i
    quint64 m_nRowsVersion = 0;    // see RowsVersion()
    // Rows rewritten since: the number each had and the one it has now.
    std::vector<std::pair<quint32, quint32>> m_aRewritten;
    CGeoCellStore m_own{kColumns}; // rows rewritten in this window
    QStringList m_aTitles;
    QList<int> m_aColumnFormat;
    bool m_bDistance = false;
    double m_dCentreLon = 0.0;
    double m_dCentreLat = 0.0;
};
