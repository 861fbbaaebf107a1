#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

class CGeoFilter;
class CGeoTableDesc;

// A statement with the values for its placeholders, in order.
struct CGeoQuery {
    QString sql;
    QVariantList values;
};

// The SQL texts of one engine, the same statements for each: GeoSqlSqlite writes them for the
// SQLite file, GeoSqlPostgres for a PostgreSQL server, most of them through the one
// statement builder (CGeoSqlBuilder). Filters are trees (CGeoFilter) that each dialect
// writes with a placeholder for every value.
class CGeoSqlDialect {
public:
    virtual ~CGeoSqlDialect() = default;

    // The filter as a condition of this engine; its values are appended to *values in the
    // order of their placeholders, which are numbered on from the values already there.
    virtual QString Condition(const CGeoTableDesc& desc, const CGeoFilter& filter,
                              QVariantList* values) const = 0;

    virtual QString CountRows(const QString& tableName) const = 0;
    // Every row in the standard order (Staat, then PLZ; equal keys by ID_Geo).
    virtual QString StandardQuery(const CGeoTableDesc& desc) const = 0;
    // The rows a filter keeps, in the standard order; an empty filter keeps all.
    virtual CGeoQuery FilteredQuery(const CGeoTableDesc& desc, const CGeoFilter& filter) const = 0;
    // The given columns (empty: all) of the rows a filter keeps (empty: all), in the standard
    // order; and the same in the order the table keeps them (by key).
    virtual CGeoQuery OrderedQuery(const CGeoTableDesc& desc, const QStringList& columns,
                                   const CGeoFilter& filter) const = 0;
    virtual CGeoQuery StorageOrderQuery(const CGeoTableDesc& desc, const QStringList& columns,
                                        const CGeoFilter& filter) const = 0;
    // The first `count` rows a filter keeps (empty: all), every column, in the standard order
    // with equal keys by ID_Geo: the first screen of a table window.
    virtual CGeoQuery FirstOrderedRows(const CGeoTableDesc& desc, const CGeoFilter& filter,
                                       int count) const = 0;
    // The index that gives the standard order's first rows without reading every row; empty
    // where the schema has it already. Made whenever an import or a copy writes the table.
    virtual QString CreateOrderIndex(const CGeoTableDesc& desc) const = 0;
    virtual QString RowByKey(const CGeoTableDesc& desc, const QString& keyText) const = 0;
    // "UPDATE ... SET f1 = ?, ... WHERE key = ?": the fields' values, then the key.
    virtual QString UpdateFields(const CGeoTableDesc& desc, const QList<int>& fields) const = 0;
    // The memo of the row with the key (bound).
    virtual QString MemoByKey(const CGeoTableDesc& desc) const = 0;
    // Writes the memo (bound first) of the row with the key (second) only while the stored
    // memo is still the one bound third (NULL for none).
    virtual QString UpdateMemoIfUnchanged(const CGeoTableDesc& desc) const = 0;
    // An insert of every field but the key, which the engine numbers.
    virtual QString InsertRow(const CGeoTableDesc& desc) const = 0;
    // An insert of every field, the key included (copying keeps the keys).
    virtual QString InsertRowWithKey(const CGeoTableDesc& desc) const = 0;
    // After rows were inserted with their keys: new rows are numbered after the largest key.
    virtual QString ContinueNumbering(const CGeoTableDesc& desc) const = 0;
    // Starts a transaction that writes; one that only reads; and ends one, keeping or
    // dropping what it wrote.
    virtual QString BeginWrite() const = 0;
    virtual QString BeginRead() const = 0;
    virtual QString Commit() const = 0;
    virtual QString Rollback() const = 0;
    // A statement that reads nothing and that a connection answers at once while it works.
    virtual QString Probe() const = 0;
    // A row when GEO has any.
    virtual QString AnyRow(const CGeoTableDesc& desc) const = 0;
    // Refreshing countries from new data (GeoSqlSqlite says what each gives and takes).
    virtual QString CountryRowsForRefresh(const CGeoTableDesc& desc) const = 0;
    virtual QString DeleteRow(const CGeoTableDesc& desc) const = 0;
    // Writing many rows over stored ones: the statements before the rows (none or more), the
    // statement for one row (every field but the key in field order, then the key), and the
    // statements after them, which write them over the stored rows.
    virtual QStringList BeginRowUpdates(const CGeoTableDesc& desc) const = 0;
    virtual QString UpdateRow(const CGeoTableDesc& desc) const = 0;
    virtual QStringList EndRowUpdates(const CGeoTableDesc& desc) const = 0;
    // Inside a write transaction, for an import: one row, true when this connection now holds
    // the database's import lock until the transaction ends, false at once when another
    // import holds it; and a statement that keeps others from writing rows until then,
    // waiting for the writes under way. Empty texts for an engine whose write transaction
    // keeps every other writer out anyway.
    virtual QString TryLockImport() const = 0;
    virtual QString LockRowsForImport(const CGeoTableDesc& desc) const = 0;
};
