#include "store/sqlite/GeoSqlSqlite.h"

#include "base/GeoTableDesc.h"
#include "store/GeoFilter.h"
#include "store/GeoSqlBuilder.h"

#include <QStringList>

namespace GeoSqlSqlite {

namespace {

QString bracket(const QString& name) {
    return QLatin1Char('[') + name + QLatin1Char(']');
}

QString columnDefinition(const CGeoTableDesc& desc, int i) {
    const QString name = bracket(desc.FieldName(i));
    const int type = desc.FieldType(i);
    if (type == dbLong) {
        if (desc.FieldAttributes(i) & dbAutoIncrField)
            return name + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
        return name + QStringLiteral(" INTEGER");
    }
    if (type == dbDate)
        return name + QStringLiteral(" DATETIME");
    // Text and memo: TEXT affinity, case-insensitive order, no empty string. A text field
    // refuses values longer than its size; a memo has no limit.
    QString def =
        name + QStringLiteral(" TEXT COLLATE NOCASE CHECK (") + name + QStringLiteral(" <> ''");
    if (type == dbText)
        def += QStringLiteral(" AND length(%1) <= %2").arg(name).arg(desc.FieldSize(i));
    return def + QLatin1Char(')');
}

// True for a memo that is NULL or holds nothing but white space.
QString blankMemo(const CGeoTableDesc& desc) {
    return QStringLiteral("(%1 IS NULL OR trim(%1, ' ' || char(9, 10, 13)) = '')")
        .arg(bracket(desc.FieldName(GEO_MEMO)));
}

} // namespace

QString CreateTable(const CGeoTableDesc& desc) {
    QStringList columns;
    for (int i = 0; i < desc.m_nFields; ++i)
        columns << columnDefinition(desc, i);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(desc.m_strTableName, columns.join(", "));
}

QString CreatePrimaryKey(const CGeoTableDesc& desc) {
    return QStringLiteral("CREATE UNIQUE INDEX PrimaryKey ON %1 (%2)")
        .arg(desc.m_strTableName, bracket(desc.FieldName(desc.m_nKeyField)));
}

QString DataVersion() {
    return QStringLiteral("SELECT * FROM pragma_data_version, pragma_schema_version");
}

QString ProbeTable(const CGeoTableDesc& desc) {
    return QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(desc.m_strTableName);
}

QString SchemaVersion() {
    return QStringLiteral("PRAGMA schema_version");
}

QString QuickCheck() {
    return QStringLiteral("PRAGMA quick_check");
}

QString IgnoreCheckConstraints(bool on) {
    return on ? QStringLiteral("PRAGMA ignore_check_constraints = ON")
              : QStringLiteral("PRAGMA ignore_check_constraints = OFF");
}

QString FreePages() {
    return QStringLiteral("PRAGMA freelist_count");
}

QString CacheSpill(bool on) {
    return on ? QStringLiteral("PRAGMA cache_spill = ON")
              : QStringLiteral("PRAGMA cache_spill = OFF");
}

QString PagesInUse() {
    return QStringLiteral(
        "SELECT p.page_count - f.freelist_count, s.page_size FROM pragma_page_count() AS p, "
        "pragma_freelist_count() AS f, pragma_page_size() AS s");
}

namespace {

class CSqliteDialect : public CGeoSqlBuilder {
public:
    // The first screen of a table window: equal keys by ID_Geo, as the full read puts them.
    CGeoQuery FirstOrderedRows(const CGeoTableDesc& desc, const CGeoFilter& filter,
                               int count) const override {
        return FirstRowsOf(desc, filter, count, OrderKeys(desc) + QStringLiteral(", ") + Key(desc));
    }
    // On Staat, PLZ with the columns' own collations: it ends with the row id, ID_Geo.
    QString CreateOrderIndex(const CGeoTableDesc& desc) const override {
        return QStringLiteral("CREATE INDEX IF NOT EXISTS %1_order ON %1 (%2)")
            .arg(Table(desc), OrderKeys(desc));
    }
    // "SELECT * FROM GEO WHERE [ID_GEO]=17": the key text is checked to be an integer; any
    // other text gives a query that finds no row.
    QString RowByKey(const CGeoTableDesc& desc, const QString& keyText) const override {
        bool ok = false;
        const qlonglong key = keyText.trimmed().toLongLong(&ok);
        return QStringLiteral("SELECT * FROM %1 WHERE [ID_GEO]=%2")
            .arg(desc.m_strTableName, ok ? QString::number(key) : QStringLiteral("NULL"));
    }
    // IS: also when the memo the user saw was none; BINARY, not the column's NOCASE: a
    // change of case is a change.
    QString UpdateMemoIfUnchanged(const CGeoTableDesc& desc) const override {
        const QString memo = Name(desc.FieldName(GEO_MEMO));
        return QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ? AND %2 IS ? COLLATE BINARY")
            .arg(Table(desc), memo, Key(desc));
    }
    // The engine numbers new rows after the largest key it has seen by itself.
    QString ContinueNumbering(const CGeoTableDesc&) const override { return QString(); }
    QString BeginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    // The fields in field order, then 1 when the memo holds more than white space (else 0).
    QString CountryRowsForRefresh(const CGeoTableDesc& desc) const override {
        QStringList fields;
        for (int i = 0; i < desc.m_nFields; ++i)
            fields << Name(desc.FieldName(i));
        fields << QStringLiteral("NOT ") + blankMemo(desc);
        return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? ORDER BY %4")
            .arg(fields.join(", "), Table(desc), Name(desc.FieldName(GEO_STAAT)), Key(desc));
    }
    // One update a row: the engine writes each in place at once.
    QStringList BeginRowUpdates(const CGeoTableDesc&) const override { return {}; }
    QString UpdateRow(const CGeoTableDesc& desc) const override {
        QList<int> fields;
        for (int i = 0; i < desc.m_nFields; ++i) {
            if (i != desc.m_nKeyField)
                fields << i;
        }
        return UpdateFields(desc, fields);
    }
    QStringList EndRowUpdates(const CGeoTableDesc&) const override { return {}; }
    // BEGIN IMMEDIATE keeps every other writer out of the file until the transaction ends.
    QString TryLockImport() const override { return QString(); }
    QString LockRowsForImport(const CGeoTableDesc&) const override { return QString(); }

protected:
    QString Name(const QString& identifier) const override {
        return IsPlainName(identifier) ? identifier : Quoted(identifier);
    }
    QString Placeholder(int) const override { return QStringLiteral("?"); }
    QString Like(const QString& operand, const QString& pattern) const override {
        return operand + QStringLiteral(" LIKE ") + pattern;
    }
    QString Function(const char* name) const override { return QLatin1String(name); }
    // The text fields compare with NOCASE, their own collation.
    QString TextCompared(const QString& operand) const override { return operand; }
    QString OrderKeys(const CGeoTableDesc& desc) const override {
        return Name(desc.FieldName(desc.m_nSortField1)) + QStringLiteral(", ") +
               Name(desc.FieldName(desc.m_nSortField2));
    }
};

} // namespace

const CSqliteDialect& dialect() {
    static const CSqliteDialect d;
    return d;
}

const CGeoSqlDialect& Dialect() {
    return dialect();
}

const CSqlSpelling& Spelling() {
    return dialect();
}

} // namespace GeoSqlSqlite
