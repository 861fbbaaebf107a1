#include "store/GeoSql.h"

#include "base/FoldLike.h"
#include "base/GeoDistance.h"
#include "base/GeoTableDesc.h"
#include "store/GeoSqlDialect.h"

#include <QStringList>

namespace GeoSql {

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

QString key(const CGeoTableDesc& desc) {
    return bracket(desc.FieldName(desc.m_nKeyField));
}

// "SELECT <columns> FROM GEO [WHERE (<filter>)]"; no columns: all.
QString selectFrom(const CGeoTableDesc& desc, const QStringList& columns, const QString& filter) {
    QStringList names;
    for (const QString& column : columns)
        names << bracket(column);
    QString sql =
        QStringLiteral("SELECT %1 FROM %2")
            .arg(names.isEmpty() ? QStringLiteral("*") : names.join(", "), desc.m_strTableName);
    if (!filter.isEmpty())
        sql += QStringLiteral(" WHERE (%1)").arg(filter);
    return sql;
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

QString CountRows(const QString& tableName) {
    return QStringLiteral("SELECT COUNT(*) FROM %1").arg(tableName);
}

QString AnyRow(const CGeoTableDesc& desc) {
    return QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(desc.m_strTableName);
}

QString StandardQuery(const CGeoTableDesc& desc) {
    return QStringLiteral("SELECT * FROM %1 ORDER BY %2, %3;")
        .arg(desc.m_strTableName, desc.FieldName(desc.m_nSortField1),
             desc.FieldName(desc.m_nSortField2));
}

QString FilteredQuery(const CGeoTableDesc& desc, const QString& filter) {
    if (filter.isEmpty())
        return StandardQuery(desc);
    return QStringLiteral("SELECT * FROM %1 WHERE (%2) ORDER BY %3, %4;")
        .arg(desc.m_strTableName, filter, desc.FieldName(desc.m_nSortField1),
             desc.FieldName(desc.m_nSortField2));
}

QString OrderedQuery(const CGeoTableDesc& desc, const QStringList& columns, const QString& filter) {
    return selectFrom(desc, columns, filter) +
           QStringLiteral(" ORDER BY %1, %2;")
               .arg(desc.FieldName(desc.m_nSortField1), desc.FieldName(desc.m_nSortField2));
}

QString StorageOrderQuery(const CGeoTableDesc& desc, const QStringList& columns,
                          const QString& filter) {
    return selectFrom(desc, columns, filter) +
           QStringLiteral(" ORDER BY %1;").arg(bracket(desc.FieldName(desc.m_nKeyField)));
}

QString FirstOrderedRows(const CGeoTableDesc& desc, const QString& filter, int count) {
    return selectFrom(desc, {}, filter) + QStringLiteral(" ORDER BY %1, %2, %3 LIMIT %4;")
                                              .arg(desc.FieldName(desc.m_nSortField1),
                                                   desc.FieldName(desc.m_nSortField2),
                                                   bracket(desc.FieldName(desc.m_nKeyField)))
                                              .arg(count);
}

QString KeyAbove(const CGeoTableDesc& desc) {
    return bracket(desc.FieldName(desc.m_nKeyField)) + QStringLiteral(" > ?");
}

QString DataVersion() {
    return QStringLiteral("SELECT * FROM pragma_data_version, pragma_schema_version");
}

QString RowByKey(const CGeoTableDesc& desc, const QString& keyText) {
    bool ok = false;
    const qlonglong key = keyText.trimmed().toLongLong(&ok);
    return QStringLiteral("SELECT * FROM %1 WHERE [ID_GEO]=%2")
        .arg(desc.m_strTableName, ok ? QString::number(key) : QStringLiteral("NULL"));
}

QString UpdateFields(const CGeoTableDesc& desc, const QList<int>& fields) {
    QStringList sets;
    for (int i : fields)
        sets << bracket(desc.FieldName(i)) + QStringLiteral("=?");
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
        .arg(desc.m_strTableName, sets.join(", "), bracket(desc.FieldName(desc.m_nKeyField)));
}

QString MemoByKey(const CGeoTableDesc& desc) {
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
        .arg(bracket(desc.FieldName(GEO_MEMO)), desc.m_strTableName,
             bracket(desc.FieldName(desc.m_nKeyField)));
}

QString UpdateMemoIfUnchanged(const CGeoTableDesc& desc) {
    const QString memo = bracket(desc.FieldName(GEO_MEMO));
    return QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ? AND %2 IS ? COLLATE BINARY")
        .arg(desc.m_strTableName, memo, bracket(desc.FieldName(desc.m_nKeyField)));
}

QString InsertRow(const CGeoTableDesc& desc) {
    QStringList names, marks;
    for (int i = 0; i < desc.m_nFields; ++i) {
        if (i == desc.m_nKeyField)
            continue;
        names << bracket(desc.FieldName(i));
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(desc.m_strTableName, names.join(", "), marks.join(", "));
}

QString CountryRowsForRefresh(const CGeoTableDesc& desc) {
    QStringList fields;
    for (int i = 0; i < desc.m_nFields; ++i)
        fields << bracket(desc.FieldName(i));
    fields << QStringLiteral("NOT ") + blankMemo(desc);
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? ORDER BY %4")
        .arg(fields.join(", "), desc.m_strTableName, bracket(desc.FieldName(GEO_STAAT)), key(desc));
}

QString DeleteRow(const CGeoTableDesc& desc) {
    return QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(desc.m_strTableName, key(desc));
}

QString SearchFilter(const QString& text, bool foldSpellings) {
    QString s = text;
    s.replace(QLatin1Char('\''), QStringLiteral("''"));
    static const char* const fields[] = {
        "Staat",    "PLZ", "Bundesland", "Regierungsbezirk", "Landkreis", "Verwaltung", "Ort",
        "Ortsteil", "KFZ", "Memo"};
    // "[Staat] LIKE '*text*' OR [PLZ] LIKE '*text*' OR ...", or with the spellings folded
    // "FoldLike('*text*', [Staat]) OR ...". The text is put in as it is, never formatted.
    const QString pattern = QStringLiteral("'*") + s + QStringLiteral("*'");
    QStringList terms;
    for (const char* field : fields) {
        const QString name = bracket(QLatin1String(field));
        terms << (foldSpellings ? QLatin1String(FoldLike::SqlFunction) + QLatin1Char('(') +
                                      pattern + QStringLiteral(", ") + name + QLatin1Char(')')
                                : name + QStringLiteral(" LIKE ") + pattern);
    }
    return terms.join(QStringLiteral(" OR "));
}

QString NearbyFilter(double lonLow, double lonHigh, double latLow, double latHigh) {
    return QString::asprintf("(%s([Langengrad])>%f AND %s([Langengrad])<%f) AND "
                             "(%s([Breitengrad])>%f AND %s([Breitengrad])<%f)",
                             NumberFunction, lonLow, NumberFunction, lonHigh, NumberFunction,
                             latLow, NumberFunction, latHigh);
}

QString RadiusFilter(double lon, double lat, double km) {
    const GeoDistance::Box box = GeoDistance::BoundingBox(lon, lat, km);
    auto number = [](double v) { return QString::number(v, 'g', 17); };
    const QString lonValue = QStringLiteral("%1([Langengrad])").arg(NumberFunction);
    const QString latValue = QStringLiteral("%1([Breitengrad])").arg(NumberFunction);
    QString filter = QStringLiteral("(%1 BETWEEN %2 AND %3)")
                         .arg(latValue, number(box.south), number(box.north));
    if (box.limitsLon) {
        filter += QString::fromLatin1(box.wraps ? " AND (%1 >= %2 OR %1 <= %3)"
                                                : " AND (%1 BETWEEN %2 AND %3)")
                      .arg(lonValue, number(box.west), number(box.east));
    }
    return filter + QStringLiteral(" AND %1([Langengrad], [Breitengrad], %2, %3) <= %4")
                        .arg(GeoDistance::SqlFunction, number(lon), number(lat), number(km));
}

namespace {
QString withPosition(const QString& filter) {
    return filter + QStringLiteral(" AND %1([Langengrad]) IS NOT NULL AND %1([Breitengrad]) IS "
                                   "NOT NULL")
                        .arg(NumberFunction);
}
} // namespace

QString CentreByPostalCode(bool withCountry) {
    return withPosition(withCountry ? QStringLiteral("([Staat] = ? OR [Staat] = ?) AND [PLZ] = ?")
                                    : QStringLiteral("[PLZ] = ?"));
}

QString PlaceFilter(bool withPlace) {
    return withPlace ? QStringLiteral("[Staat] = ? AND [PLZ] = ? AND [Ort] = ?")
                     : QStringLiteral("[Staat] = ? AND [PLZ] = ?");
}

QString CentreByPlace(const QString& fieldName) {
    return withPosition(QStringLiteral("(%1(?, %2) OR %2 LIKE ?)")
                            .arg(QLatin1String(FoldLike::SqlFunction), bracket(fieldName)));
}

QString AtPostalCode() {
    return QStringLiteral("[Staat] = ? AND [PLZ] = ?");
}

QString WithKey() {
    return QStringLiteral("[ID_Geo] = ?");
}

namespace {

class CSqliteDialect : public CGeoSqlDialect {
public:
    QString CountRows(const QString& tableName) const override {
        return GeoSql::CountRows(tableName);
    }
    QString StandardQuery(const CGeoTableDesc& desc) const override {
        return GeoSql::StandardQuery(desc);
    }
    QString FilteredQuery(const CGeoTableDesc& desc, const QString& filter) const override {
        return GeoSql::FilteredQuery(desc, filter);
    }
    QString OrderedQuery(const CGeoTableDesc& desc, const QStringList& columns,
                         const QString& filter) const override {
        return GeoSql::OrderedQuery(desc, columns, filter);
    }
    QString StorageOrderQuery(const CGeoTableDesc& desc, const QStringList& columns,
                              const QString& filter) const override {
        return GeoSql::StorageOrderQuery(desc, columns, filter);
    }
    QString FirstOrderedRows(const CGeoTableDesc& desc, const QString& filter,
                             int count) const override {
        return GeoSql::FirstOrderedRows(desc, filter, count);
    }
    QString RowByKey(const CGeoTableDesc& desc, const QString& keyText) const override {
        return GeoSql::RowByKey(desc, keyText);
    }
    QString UpdateFields(const CGeoTableDesc& desc, const QList<int>& fields) const override {
        return GeoSql::UpdateFields(desc, fields);
    }
    QString MemoByKey(const CGeoTableDesc& desc) const override { return GeoSql::MemoByKey(desc); }
    QString UpdateMemoIfUnchanged(const CGeoTableDesc& desc) const override {
        return GeoSql::UpdateMemoIfUnchanged(desc);
    }
    QString InsertRow(const CGeoTableDesc& desc) const override { return GeoSql::InsertRow(desc); }
    QString InsertRowWithKey(const CGeoTableDesc& desc) const override {
        QStringList names, marks;
        for (int i = 0; i < desc.m_nFields; ++i) {
            names << bracket(desc.FieldName(i));
            marks << QStringLiteral("?");
        }
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(desc.m_strTableName, names.join(", "), marks.join(", "));
    }
    // The engine numbers new rows after the largest key it has seen by itself.
    QString ContinueNumbering(const CGeoTableDesc&) const override { return QString(); }
    QString BeginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString AnyRow(const CGeoTableDesc& desc) const override { return GeoSql::AnyRow(desc); }
    QString CountryRowsForRefresh(const CGeoTableDesc& desc) const override {
        return GeoSql::CountryRowsForRefresh(desc);
    }
    QString DeleteRow(const CGeoTableDesc& desc) const override { return GeoSql::DeleteRow(desc); }
    // One update a row: the engine writes each in place at once.
    QStringList BeginRowUpdates(const CGeoTableDesc&) const override { return {}; }
    QString UpdateRow(const CGeoTableDesc& desc) const override {
        QList<int> fields;
        for (int i = 0; i < desc.m_nFields; ++i) {
            if (i != desc.m_nKeyField)
                fields << i;
        }
        return GeoSql::UpdateFields(desc, fields);
    }
    QStringList EndRowUpdates(const CGeoTableDesc&) const override { return {}; }
    // BEGIN IMMEDIATE keeps every other writer out of the file until the transaction ends.
    QString TryLockImport() const override { return QString(); }
    QString LockRowsForImport(const CGeoTableDesc&) const override { return QString(); }
};

} // namespace

const CGeoSqlDialect& Dialect() {
    static const CSqliteDialect dialect;
    return dialect;
}

} // namespace GeoSql
