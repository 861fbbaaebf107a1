#pragma once

#include "store/GeoSqlDialect.h"
#include "store/SqlSpelling.h"

// The statements that both engines write alike, apart from how they name tables, fields
// and the program's functions, how they mark a value (CSqlSpelling) and how they compare
// texts: written once here, each engine's dialect says only those parts. Filters are
// written here too, every value as a placeholder.
class CGeoSqlBuilder : public CGeoSqlDialect, public CSqlSpelling {
public:
    QString Condition(const CGeoTableDesc& desc, const CGeoFilter& filter,
                      QVariantList* values) const override;

    QString CountRows(const QString& tableName) const override;
    QString StandardQuery(const CGeoTableDesc& desc) const override;
    CGeoQuery FilteredQuery(const CGeoTableDesc& desc, const CGeoFilter& filter) const override;
    CGeoQuery OrderedQuery(const CGeoTableDesc& desc, const QStringList& columns,
                           const CGeoFilter& filter) const override;
    CGeoQuery StorageOrderQuery(const CGeoTableDesc& desc, const QStringList& columns,
                                const CGeoFilter& filter) const override;
    QString UpdateFields(const CGeoTableDesc& desc, const QList<int>& fields) const override;
    QString MemoByKey(const CGeoTableDesc& desc) const override;
    QString InsertRow(const CGeoTableDesc& desc) const override;
    QString InsertRowWithKey(const CGeoTableDesc& desc) const override;
    QString AnyRow(const CGeoTableDesc& desc) const override;
    QString BeginRead() const override;
    QString Commit() const override;
    QString Rollback() const override;
    QString Probe() const override;
    QString DeleteRow(const CGeoTableDesc& desc) const override;

protected:
    // "operand LIKE pattern" with the program's matcher.
    virtual QString Like(const QString& operand, const QString& pattern) const = 0;
    // The name of one of the program's functions (FoldLike, GeoNumber, GeoDistance).
    virtual QString Function(const char* name) const = 0;
    // An operand of a comparison with a text field, so that it compares as the file's
    // NOCASE does.
    virtual QString TextCompared(const QString& operand) const = 0;
    // The keys of the standard order after ORDER BY.
    virtual QString OrderKeys(const CGeoTableDesc& desc) const = 0;

    QString Table(const CGeoTableDesc& desc) const;
    QString Key(const CGeoTableDesc& desc) const;
    // "SELECT <columns> FROM <table> [WHERE (<filter>)] ORDER BY <order>;"; no columns: all.
    CGeoQuery Select(const CGeoTableDesc& desc, const QStringList& columns,
                     const CGeoFilter& filter, const QString& order) const;
    // The first `count` rows a filter keeps in `order` (which ends with the key). A filter's
    // first screen looks only at the first rows of the order (the rows it finds there are the
    // first of its result): a rare match costs no walk through the whole index.
    CGeoQuery FirstRowsOf(const CGeoTableDesc& desc, const CGeoFilter& filter, int count,
                          const QString& order) const;
    // The filter as a condition, its values appended to `values`.
    QString Render(const CGeoTableDesc& desc, const CGeoFilter& filter, QVariantList* values) const;
};
