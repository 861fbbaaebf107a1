#include "store/postgres/GeoSqlPostgres.h"

#include "base/GeoTableDesc.h"
#include "store/GeoFilter.h"
#include "store/GeoSqlBuilder.h"
#include "store/postgres/GeoSqlPostgresNames.h"

#include <QList>
#include <QRegularExpression>

namespace GeoSqlPostgres {

using namespace Names;

namespace {

// A memo that is NULL or holds nothing but blanks, tabs and line ends.
QString blankMemo(const CGeoTableDesc& desc) {
    return QStringLiteral("(%1 IS NULL OR btrim(%1, E' \\t\\n\\r') = '')")
        .arg(Name(desc.FieldName(GEO_MEMO)));
}

class CPostgresDialect : public CGeoSqlBuilder {
public:
    // The first screen of a table window (the order's keys end with ID_Geo).
    CGeoQuery FirstOrderedRows(const CGeoTableDesc& desc, const CGeoFilter& filter,
                               int count) const override {
        return FirstRowsOf(desc, filter, count, OrderKeys(desc));
    }
    // The schema makes it (CreateFunctions).
    QString CreateOrderIndex(const CGeoTableDesc&) const override { return {}; }

    QString RowByKey(const CGeoTableDesc& desc, const QString& keyText) const override {
        bool ok = false;
        const qlonglong key = keyText.trimmed().toLongLong(&ok);
        return QStringLiteral("SELECT * FROM %1 WHERE %2 = %3")
            .arg(Table(desc), Name(desc.FieldName(desc.m_nKeyField)),
                 ok ? QString::number(key) : QStringLiteral("NULL"));
    }

    // "IS ?" is the file's spelling of a comparison in which NULL equals NULL.
    QString UpdateMemoIfUnchanged(const CGeoTableDesc& desc) const override {
        const QString memo = Name(desc.FieldName(GEO_MEMO));
        return QStringLiteral("UPDATE %1 SET %2 = $1 WHERE %3 = $2 AND %2 COLLATE \"C\" IS NOT "
                              "DISTINCT FROM $3")
            .arg(Table(desc), memo, Name(desc.FieldName(desc.m_nKeyField)));
    }

    QString ContinueNumbering(const CGeoTableDesc& desc) const override {
        const QString key = Name(desc.FieldName(desc.m_nKeyField));
        return QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                              "coalesce(max(%2), 0) + 1, false) FROM %1")
            .arg(Table(desc), key);
    }

    QString BeginWrite() const override { return BeginRead(); }

    QString CountryRowsForRefresh(const CGeoTableDesc& desc) const override {
        QStringList fields;
        for (int i = 0; i < desc.m_nFields; ++i)
            fields << Name(desc.FieldName(i));
        fields << QStringLiteral("(NOT %1)::integer").arg(blankMemo(desc));
        return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4 ORDER BY %5")
            .arg(fields.join(QStringLiteral(", ")), Table(desc),
                 NoCase(Name(desc.FieldName(GEO_STAAT))), NoCase(QStringLiteral("$1::text")),
                 Name(desc.FieldName(desc.m_nKeyField)));
    }

    // The rows go into a temporary table with one COPY and then over GEO's rows with one
    // UPDATE: an UPDATE a row costs the server a round of its statement trigger each.
    QStringList BeginRowUpdates(const CGeoTableDesc& desc) const override {
        QStringList columns;
        for (int i = 0; i < desc.m_nFields; ++i)
            columns << Name(desc.FieldName(i)) + (i == desc.m_nKeyField ? QStringLiteral(" integer")
                                                                        : QStringLiteral(" text"));
        return {QStringLiteral("CREATE TEMPORARY TABLE %1_update (%2) ON COMMIT DROP")
                    .arg(Table(desc), columns.join(QStringLiteral(", ")))};
    }
    QString UpdateRow(const CGeoTableDesc& desc) const override {
        QStringList names;
        for (int i = 0; i < desc.m_nFields; ++i) {
            if (i != desc.m_nKeyField)
                names << Name(desc.FieldName(i));
        }
        names << Name(desc.FieldName(desc.m_nKeyField));
        return QStringLiteral("INSERT INTO %1_update (%2) VALUES (%3)")
            .arg(Table(desc), names.join(QStringLiteral(", ")), Placeholders(1, int(names.size())));
    }
    QStringList EndRowUpdates(const CGeoTableDesc& desc) const override {
        QStringList sets;
        for (int i = 0; i < desc.m_nFields; ++i) {
            if (i != desc.m_nKeyField)
                sets << QStringLiteral("%1 = u.%1").arg(Name(desc.FieldName(i)));
        }
        const QString key = Name(desc.FieldName(desc.m_nKeyField));
        return {QStringLiteral("ANALYZE %1_update").arg(Table(desc)),
                QStringLiteral("UPDATE %1 SET %2 FROM %1_update u WHERE %1.%3 = u.%3")
                    .arg(Table(desc), sets.join(QStringLiteral(", ")), key),
                QStringLiteral("DROP TABLE %1_update").arg(Table(desc))};
    }

    // Imports take a lock of their own, per database ("Kelv" + 1), so that two never run at
    // once; a refresh then keeps memo writes waiting (the table's SHARE ROW EXCLUSIVE lock
    // lets readers in, but no writer) so that the memos it carries are those at its commit.
    // Writers take GEO's lock before its rows and the change number: one order for all.
    QString TryLockImport() const override {
        return QStringLiteral("SELECT pg_try_advisory_xact_lock(1264870775)::integer");
    }
    QString LockRowsForImport(const CGeoTableDesc& desc) const override {
        return QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(Table(desc));
    }

protected:
    // A plain name unquoted, so in lower case; any other in quotes.
    QString Name(const QString& identifier) const override {
        return IsPlainName(identifier) ? Names::Name(identifier) : Quoted(identifier);
    }
    QString Placeholder(int n) const override { return QStringLiteral("$%1").arg(n); }
    QString Like(const QString& operand, const QString& pattern) const override {
        return Names::Function(QStringLiteral("jetlike")) +
               QStringLiteral("(%1, %2)").arg(pattern, operand);
    }
    QString Function(const char* name) const override {
        return Names::Function(QLatin1String(name));
    }
    QString TextCompared(const QString& operand) const override { return NoCase(operand); }
    QString OrderKeys(const CGeoTableDesc& desc) const override { return Names::OrderKeys(desc); }
};

} // namespace

const CPostgresDialect& dialect() {
    static const CPostgresDialect d;
    return d;
}

const CGeoSqlDialect& Dialect() {
    return dialect();
}

const CSqlSpelling& Spelling() {
    return dialect();
}

QString CopyForm(const QString& sql) {
    static const QRegularExpression insert(
        QStringLiteral("^INSERT INTO (\\w+) \\(([\\w, ]+)\\) VALUES \\(([$\\d, ]+)\\)$"));
    const QRegularExpressionMatch m = insert.match(sql);
    if (!m.hasMatch())
        return QString();
    const int fields = int(m.captured(2).split(QLatin1Char(',')).size());
    if (m.captured(3) != Spelling().Placeholders(1, fields))
        return QString();
    return QStringLiteral("COPY %1 (%2) FROM STDIN").arg(m.captured(1), m.captured(2));
}

QString PlanAsRun(const QString& query) {
    return QStringLiteral("EXPLAIN ") + query;
}

QString KeySpan(const CGeoTableDesc& desc) {
    const QString key = Name(desc.FieldName(desc.m_nKeyField));
    return QStringLiteral("SELECT min(%1), max(%1) FROM %2").arg(key, Table(desc));
}

CGeoQuery KeyRangeOf(const CGeoTableDesc& desc, const CGeoFilter& filter,
                     std::optional<qint64> from, std::optional<qint64> to) {
    using namespace GeoFilter;
    const CGeoFilter key = Field(desc.FieldName(desc.m_nKeyField));
    QList<CGeoFilter> terms;
    if (from)
        terms << Compare(key, CGeoFilter::Op::Ge, Value(qlonglong(*from)));
    if (to)
        terms << Compare(key, CGeoFilter::Op::Le, Value(qlonglong(*to)));
    terms << filter;
    CGeoQuery query;
    query.sql = QStringLiteral("SELECT * FROM %1 WHERE (%2)")
                    .arg(Table(desc), Dialect().Condition(desc, And(terms), &query.values));
    return query;
}

QStringList SessionSettings() {
    return {QStringLiteral("SET client_encoding = 'UTF8'"),
            QStringLiteral("SET standard_conforming_strings = on"),
            QStringLiteral("SET client_min_messages = warning"),
            QStringLiteral("SET lock_timeout = '5s'")};
}

} // namespace GeoSqlPostgres
