#include "store/GeoSqlBuilder.h"

#include "base/FoldLike.h"
#include "base/GeoDistance.h"
#include "base/GeoTableDesc.h"
#include "base/TextNumbers.h"
#include "store/GeoFilter.h"

namespace {

using Kind = CGeoFilter::Kind;

bool isTextField(const CGeoTableDesc& desc, const CGeoFilter& f) {
    if (f.GetKind() != Kind::Field)
        return false;
    const int i = desc.FieldIndex(f.Name());
    return i >= 0 && (desc.FieldType(i) == dbText || desc.FieldType(i) == dbMemo);
}

} // namespace

QString CGeoSqlBuilder::Table(const CGeoTableDesc& desc) const {
    return Name(desc.m_strTableName);
}

QString CGeoSqlBuilder::Key(const CGeoTableDesc& desc) const {
    return Name(desc.FieldName(desc.m_nKeyField));
}

QString CGeoSqlBuilder::Render(const CGeoTableDesc& desc, const CGeoFilter& f,
                               QVariantList* values) const {
    const QList<CGeoFilter>& c = f.Children();
    auto sub = [&](int i) { return Render(desc, c[i], values); };
    // Any operand but a field, a value or a function call goes in parentheses.
    auto term = [&](int i) {
        const Kind k = c[i].GetKind();
        const QString text = sub(i);
        return k == Kind::Field || k == Kind::Value || k == Kind::Number || k == Kind::Distance ||
                       k == Kind::FoldLike
                   ? text
                   : QLatin1Char('(') + text + QLatin1Char(')');
    };
    switch (f.GetKind()) {
    case Kind::None:
        return QString();
    case Kind::Field: {
        const int i = desc.FieldIndex(f.Name());
        return Name(i >= 0 ? desc.FieldName(i) : f.Name());
    }
    case Kind::Value:
        values->append(f.GetValue());
        return Placeholder(int(values->size()));
    case Kind::Like: {
        const QString operand = term(0);
        return Like(operand, term(1));
    }
    case Kind::FoldLike: {
        const QString pattern = sub(0);
        return Function(FoldLike::SqlFunction) + QStringLiteral("(%1, %2)").arg(pattern, sub(1));
    }
    case Kind::Compare: {
        const bool text = isTextField(desc, c[0]) || isTextField(desc, c[1]);
        QString left = term(0);
        QString right = term(1);
        if (text) {
            left = TextCompared(left);
            right = TextCompared(right);
        }
        return left + QLatin1Char(' ') + QLatin1String(CGeoFilter::OpText(f.GetOp())) +
               QLatin1Char(' ') + right;
    }
    case Kind::IsNull:
        return term(0) + QStringLiteral(" IS NULL");
    case Kind::NotNull:
        return term(0) + QStringLiteral(" IS NOT NULL");
    case Kind::Between: {
        const QString operand = term(0);
        const QString low = term(1);
        return QStringLiteral("%1 BETWEEN %2 AND %3").arg(operand, low, term(2));
    }
    case Kind::Number:
        return Function(TextNumbers::SqlFunction) + QLatin1Char('(') + sub(0) + QLatin1Char(')');
    case Kind::Distance: {
        QStringList args;
        for (int i = 0; i < c.size(); ++i)
            args << sub(i);
        return Function(GeoDistance::SqlFunction) + QLatin1Char('(') +
               args.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    case Kind::And:
    case Kind::Or: {
        QStringList terms;
        for (int i = 0; i < c.size(); ++i)
            terms << term(i);
        return terms.join(f.GetKind() == Kind::And ? QStringLiteral(" AND ")
                                                   : QStringLiteral(" OR "));
    }
    case Kind::Not:
        return QStringLiteral("NOT (") + sub(0) + QLatin1Char(')');
    }
    return QString();
}

QString CGeoSqlBuilder::Condition(const CGeoTableDesc& desc, const CGeoFilter& filter,
                                  QVariantList* values) const {
    return Render(desc, filter, values);
}

QString CGeoSqlBuilder::CountRows(const QString& tableName) const {
    return QStringLiteral("SELECT COUNT(*) FROM %1").arg(Name(tableName));
}

QString CGeoSqlBuilder::StandardQuery(const CGeoTableDesc& desc) const {
    return QStringLiteral("SELECT * FROM %1 ORDER BY %2;").arg(Table(desc), OrderKeys(desc));
}

CGeoQuery CGeoSqlBuilder::Select(const CGeoTableDesc& desc, const QStringList& columns,
                                 const CGeoFilter& filter, const QString& order) const {
    QStringList names;
    for (const QString& column : columns)
        names << Name(column);
    CGeoQuery query;
    query.sql = QStringLiteral("SELECT %1 FROM %2")
                    .arg(names.isEmpty() ? QStringLiteral("*") : names.join(QStringLiteral(", ")),
                         Table(desc));
    if (!filter.IsEmpty())
        query.sql += QStringLiteral(" WHERE (%1)").arg(Render(desc, filter, &query.values));
    query.sql += QStringLiteral(" ORDER BY %1;").arg(order);
    return query;
}

namespace {

// How many rows of the standard order a filter's first screen looks through.
constexpr int kFirstScreenSpan = 20000;

} // namespace

CGeoQuery CGeoSqlBuilder::FirstRowsOf(const CGeoTableDesc& desc, const CGeoFilter& filter,
                                      int count, const QString& order) const {
    if (filter.IsEmpty())
        return Select(desc, {}, filter, order + QStringLiteral(" LIMIT %1").arg(count));
    // The span comes in order from the index and is filtered as it comes: both engines hand
    // on a derived table's rows in the order it made them, and stop at the screen's last row.
    // An ORDER BY here would sort the whole span's matches first (SQLite and the server sort
    // the outer rows anew), which costs 20-50 times the screen at 1M rows. The fill checks
    // the screen against the start of the whole result in any case.
    CGeoQuery query;
    query.sql = QStringLiteral("SELECT * FROM (SELECT * FROM %1 ORDER BY %2 LIMIT %3) AS %1 "
                               "WHERE (%4) LIMIT %5;")
                    .arg(Table(desc), order)
                    .arg(kFirstScreenSpan)
                    .arg(Render(desc, filter, &query.values))
                    .arg(count);
    return query;
}

CGeoQuery CGeoSqlBuilder::FilteredQuery(const CGeoTableDesc& desc, const CGeoFilter& filter) const {
    return Select(desc, {}, filter, OrderKeys(desc));
}

CGeoQuery CGeoSqlBuilder::OrderedQuery(const CGeoTableDesc& desc, const QStringList& columns,
                                       const CGeoFilter& filter) const {
    return Select(desc, columns, filter, OrderKeys(desc));
}

CGeoQuery CGeoSqlBuilder::StorageOrderQuery(const CGeoTableDesc& desc, const QStringList& columns,
                                            const CGeoFilter& filter) const {
    return Select(desc, columns, filter, Key(desc));
}

QString CGeoSqlBuilder::UpdateFields(const CGeoTableDesc& desc, const QList<int>& fields) const {
    QStringList sets;
    int n = 1;
    for (int i : fields)
        sets << Name(desc.FieldName(i)) + QStringLiteral(" = ") + Placeholder(n++);
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3 = %4")
        .arg(Table(desc), sets.join(QStringLiteral(", ")), Key(desc), Placeholder(n));
}

QString CGeoSqlBuilder::MemoByKey(const CGeoTableDesc& desc) const {
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
        .arg(Name(desc.FieldName(GEO_MEMO)), Table(desc), Key(desc), Placeholder(1));
}

QString CGeoSqlBuilder::InsertRow(const CGeoTableDesc& desc) const {
    QStringList names;
    for (int i = 0; i < desc.m_nFields; ++i) {
        if (i != desc.m_nKeyField)
            names << Name(desc.FieldName(i));
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(Table(desc), names.join(QStringLiteral(", ")), Placeholders(1, int(names.size())));
}

QString CGeoSqlBuilder::InsertRowWithKey(const CGeoTableDesc& desc) const {
    QStringList names;
    for (int i = 0; i < desc.m_nFields; ++i)
        names << Name(desc.FieldName(i));
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(Table(desc), names.join(QStringLiteral(", ")), Placeholders(1, int(names.size())));
}

QString CGeoSqlBuilder::AnyRow(const CGeoTableDesc& desc) const {
    return QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(Table(desc));
}

QString CGeoSqlBuilder::DeleteRow(const CGeoTableDesc& desc) const {
    return QStringLiteral("DELETE FROM %1 WHERE %2 = %3")
        .arg(Table(desc), Key(desc), Placeholder(1));
}

QString CGeoSqlBuilder::BeginRead() const {
    return QStringLiteral("BEGIN");
}

QString CGeoSqlBuilder::Commit() const {
    return QStringLiteral("COMMIT");
}

QString CGeoSqlBuilder::Rollback() const {
    return QStringLiteral("ROLLBACK");
}

QString CGeoSqlBuilder::Probe() const {
    return QStringLiteral("SELECT 1");
}
