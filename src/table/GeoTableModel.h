#pragma once

#include "db/GeoTableDesc.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <array>

// The rows of one table window: 13 cells a row in column order (column 0 the key as
// decimal text), with the column titles and alignments of the table description.
//
// Rows are held compactly: one string with all cells of the row, and where each cell ends.
// No object per cell, and a view asks only for the cells it shows. Rows can be re-ordered
// in memory and rewritten one at a time; persistent indexes (selection, current row) move
// with their rows.
class CGeoTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = GEO_FIELD_COUNT;

    struct Row {
        QString m_strText;                      // the cells one after another
        std::array<quint32, kColumns> m_aEnd{}; // end of cell j in m_strText
        QStringView Cell(int j) const;
    };
    // A row from its cells (missing cells are empty, surplus cells are dropped).
    static Row MakeRow(const QStringList& cells);

    explicit CGeoTableModel(QObject* parent = nullptr);

    // Column titles (the field names) and alignments from the description.
    void SetColumns(const CGeoTableDesc& desc);
    bool HasColumns() const { return !m_aTitles.isEmpty(); }

    // Replaces all rows (a model reset).
    void SetRows(QList<Row> rows);
    void Clear() { SetRows({}); }

    int RowCount() const { return int(m_aRows.size()); }
    const Row& GetRow(int row) const { return m_aRows.at(row); }
    const QList<Row>& GetRows() const { return m_aRows; }
    QStringView CellView(int row, int column) const;
    QString Cell(int row, int column) const { return CellView(row, column).toString(); }
    QStringList RowCells(int row) const;

    // A radius search's window: a last column "Entfernung (km)" after the fields, each row's
    // great-circle distance from the centre (lon, lat in degrees) with one decimal.
    void SetDistanceCentre(double lon, double lat);
    bool HasDistanceColumn() const { return m_bDistance; }
    double DistanceCentreLon() const { return m_dCentreLon; }
    double DistanceCentreLat() const { return m_dCentreLat; }
    // The row's distance in km; NaN when the row's position is no number.
    double Distance(int row) const;

    // Rewrites the cells of one row. False for a row that does not exist.
    bool SetRowCells(int row, const QStringList& cells);

    // Puts the rows in a new order: order[i] is the current position of the row that moves
    // to position i. False (and nothing changes) unless order is a permutation of the rows.
    bool ApplyOrder(const QList<int>& order);

    // QAbstractItemModel. The item data (Qt::UserRole) of a row is its position.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant Alignment(int column) const;

    QList<Row> m_aRows;
    QStringList m_aTitles;
    QList<int> m_aColumnFormat;
    bool m_bDistance = false;
    double m_dCentreLon = 0.0;
    double m_dCentreLat = 0.0;
};
