#include "store/GeoFilter.h"

#include "base/GeoDistance.h"

#include <QLocale>

namespace {

const QList<CGeoFilter>& noChildren() {
    static const QList<CGeoFilter> none;
    return none;
}

// A double as its shortest exact text, always with a point or an exponent, so that it
// reads back as a double and not as an integer.
QString doubleText(double v) {
    QString s = QString::number(v, 'g', QLocale::FloatingPointShortest);
    if (!s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e')) &&
        !s.contains(QLatin1Char('n')))
        s += QStringLiteral(".0");
    return s;
}

QString valueText(const QVariant& v) {
    if (v.isNull())
        return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::Double:
        return doubleText(v.toDouble());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(v.toLongLong());
    default: {
        QString s = v.toString();
        s.replace(QLatin1Char('\''), QStringLiteral("''"));
        return QLatin1Char('\'') + s + QLatin1Char('\'');
    }
    }
}

bool isJunction(const CGeoFilter& f) {
    return f.GetKind() == CGeoFilter::Kind::And || f.GetKind() == CGeoFilter::Kind::Or ||
           f.GetKind() == CGeoFilter::Kind::Between;
}

// A term of AND, OR or NOT.
QString term(const CGeoFilter& f) {
    return isJunction(f) ? QLatin1Char('(') + f.Text() + QLatin1Char(')') : f.Text();
}

// An operand of a comparison, LIKE, IS or BETWEEN: anything but a field, a value or a
// function call in parentheses.
QString operand(const CGeoFilter& f) {
    switch (f.GetKind()) {
    case CGeoFilter::Kind::Field:
    case CGeoFilter::Kind::Value:
    case CGeoFilter::Kind::Number:
    case CGeoFilter::Kind::Distance:
    case CGeoFilter::Kind::FoldLike:
        return f.Text();
    default:
        return QLatin1Char('(') + f.Text() + QLatin1Char(')');
    }
}

} // namespace

const char* CGeoFilter::OpText(Op op) {
    switch (op) {
    case Op::Eq:
        return "=";
    case Op::Ne:
        return "<>";
    case Op::Lt:
        return "<";
    case Op::Le:
        return "<=";
    case Op::Gt:
        return ">";
    case Op::Ge:
        return ">=";
    }
    return "=";
}

const QString& CGeoFilter::Name() const {
    static const QString none;
    return m_node ? m_node->name : none;
}

const QVariant& CGeoFilter::GetValue() const {
    static const QVariant none;
    return m_node ? m_node->value : none;
}

const QList<CGeoFilter>& CGeoFilter::Children() const {
    return m_node ? m_node->children : noChildren();
}

CGeoFilter CGeoFilter::Make(Kind kind, QList<CGeoFilter> children, Op op) {
    CGeoFilter f;
    f.m_node =
        std::make_shared<const Node>(Node{kind, op, QString(), QVariant(), std::move(children)});
    return f;
}

CGeoFilter CGeoFilter::MakeField(const QString& name) {
    CGeoFilter f;
    f.m_node = std::make_shared<const Node>(Node{Kind::Field, Op::Eq, name, QVariant(), {}});
    return f;
}

CGeoFilter CGeoFilter::MakeValue(const QVariant& value) {
    CGeoFilter f;
    f.m_node = std::make_shared<const Node>(Node{Kind::Value, Op::Eq, QString(), value, {}});
    return f;
}

bool CGeoFilter::operator==(const CGeoFilter& other) const {
    if (m_node == other.m_node)
        return true;
    if (!m_node || !other.m_node)
        return false;
    const Node& a = *m_node;
    const Node& b = *other.m_node;
    return a.kind == b.kind && a.op == b.op && a.name == b.name &&
           a.value.isNull() == b.value.isNull() && a.value.typeId() == b.value.typeId() &&
           a.value == b.value && a.children == b.children;
}

QString CGeoFilter::Text() const {
    const QList<CGeoFilter>& c = Children();
    switch (GetKind()) {
    case Kind::None:
        return QString();
    case Kind::Field:
        return QLatin1Char('[') + Name() + QLatin1Char(']');
    case Kind::Value:
        return valueText(GetValue());
    case Kind::Like:
        return operand(c[0]) + QStringLiteral(" LIKE ") + operand(c[1]);
    case Kind::FoldLike:
        return QStringLiteral("FoldLike(%1, %2)").arg(operand(c[0]), operand(c[1]));
    case Kind::Compare:
        return operand(c[0]) + QLatin1String(OpText(GetOp())) + operand(c[1]);
    case Kind::IsNull:
        return operand(c[0]) + QStringLiteral(" IS NULL");
    case Kind::NotNull:
        return operand(c[0]) + QStringLiteral(" IS NOT NULL");
    case Kind::Between:
        return QStringLiteral("%1 BETWEEN %2 AND %3")
            .arg(operand(c[0]), operand(c[1]), operand(c[2]));
    case Kind::Number:
        return QStringLiteral("GeoNumber(%1)").arg(operand(c[0]));
    case Kind::Distance:
        return QStringLiteral("GeoDistance(%1, %2, %3, %4)")
            .arg(operand(c[0]), operand(c[1]), operand(c[2]), operand(c[3]));
    case Kind::And:
    case Kind::Or: {
        QStringList terms;
        for (const CGeoFilter& t : c)
            terms << term(t);
        return terms.join(GetKind() == Kind::And ? QStringLiteral(" AND ")
                                                 : QStringLiteral(" OR "));
    }
    case Kind::Not:
        return QStringLiteral("NOT ") + term(c[0]);
    }
    return QString();
}

namespace GeoFilter {

using Kind = CGeoFilter::Kind;
using Op = CGeoFilter::Op;

CGeoFilter Field(const QString& name) {
    return CGeoFilter::MakeField(name);
}

CGeoFilter Value(const QVariant& value) {
    return CGeoFilter::MakeValue(value);
}

CGeoFilter Like(const CGeoFilter& operand, const QString& pattern) {
    return CGeoFilter::Make(Kind::Like, {operand, Value(pattern)});
}

CGeoFilter FoldLike(const QString& pattern, const CGeoFilter& operand) {
    return CGeoFilter::Make(Kind::FoldLike, {Value(pattern), operand});
}

CGeoFilter Compare(const CGeoFilter& left, Op op, const CGeoFilter& right) {
    return CGeoFilter::Make(Kind::Compare, {left, right}, op);
}

CGeoFilter Equals(const QString& field, const QVariant& value) {
    return Compare(Field(field), Op::Eq, Value(value));
}

CGeoFilter IsNull(const CGeoFilter& operand) {
    return CGeoFilter::Make(Kind::IsNull, {operand});
}

CGeoFilter NotNull(const CGeoFilter& operand) {
    return CGeoFilter::Make(Kind::NotNull, {operand});
}

CGeoFilter Between(const CGeoFilter& operand, double low, double high) {
    return CGeoFilter::Make(Kind::Between, {operand, Value(low), Value(high)});
}

CGeoFilter Number(const QString& field) {
    return CGeoFilter::Make(Kind::Number, {Field(field)});
}

CGeoFilter Distance(const CGeoFilter& lon, const CGeoFilter& lat, double lon0, double lat0) {
    return CGeoFilter::Make(Kind::Distance, {lon, lat, Value(lon0), Value(lat0)});
}

namespace {
CGeoFilter junction(Kind kind, const QList<CGeoFilter>& terms) {
    QList<CGeoFilter> kept;
    for (const CGeoFilter& t : terms) {
        if (!t.IsEmpty())
            kept << t;
    }
    if (kept.size() < 2)
        return kept.isEmpty() ? CGeoFilter() : kept.first();
    return CGeoFilter::Make(kind, kept);
}
} // namespace

CGeoFilter And(const QList<CGeoFilter>& terms) {
    return junction(Kind::And, terms);
}

CGeoFilter Or(const QList<CGeoFilter>& terms) {
    return junction(Kind::Or, terms);
}

CGeoFilter Not(const CGeoFilter& term) {
    return CGeoFilter::Make(Kind::Not, {term});
}

CGeoFilter Search(const QString& text, bool foldSpellings) {
    static const char* const fields[] = {
        "Staat",    "PLZ", "Bundesland", "Regierungsbezirk", "Landkreis", "Verwaltung", "Ort",
        "Ortsteil", "KFZ", "Memo"};
    const QString pattern = QLatin1Char('*') + text + QLatin1Char('*');
    QList<CGeoFilter> terms;
    for (const char* field : fields) {
        const CGeoFilter name = Field(QLatin1String(field));
        terms << (foldSpellings ? FoldLike(pattern, name) : Like(name, pattern));
    }
    return Or(terms);
}

CGeoFilter Nearby(double lonLow, double lonHigh, double latLow, double latHigh) {
    // The bounds as "%f" writes them: six decimals.
    auto bound = [](double v) { return Value(QString::asprintf("%f", v).toDouble()); };
    const CGeoFilter lon = Number(QStringLiteral("Langengrad"));
    const CGeoFilter lat = Number(QStringLiteral("Breitengrad"));
    return And({And({Compare(lon, Op::Gt, bound(lonLow)), Compare(lon, Op::Lt, bound(lonHigh))}),
                And({Compare(lat, Op::Gt, bound(latLow)), Compare(lat, Op::Lt, bound(latHigh))})});
}

CGeoFilter Radius(double lon, double lat, double km) {
    const GeoDistance::Box box = GeoDistance::BoundingBox(lon, lat, km);
    const CGeoFilter lonValue = Number(QStringLiteral("Langengrad"));
    const CGeoFilter latValue = Number(QStringLiteral("Breitengrad"));
    CGeoFilter lonRange;
    if (box.limitsLon) {
        lonRange = box.wraps ? Or({Compare(lonValue, Op::Ge, Value(box.west)),
                                   Compare(lonValue, Op::Le, Value(box.east))})
                             : Between(lonValue, box.west, box.east);
    }
    const CGeoFilter distance = Distance(Field(QStringLiteral("Langengrad")),
                                         Field(QStringLiteral("Breitengrad")), lon, lat);
    return And(
        {Between(latValue, box.south, box.north), lonRange, Compare(distance, Op::Le, Value(km))});
}

namespace {
CGeoFilter withPosition(const CGeoFilter& filter) {
    return And({filter, NotNull(Number(QStringLiteral("Langengrad"))),
                NotNull(Number(QStringLiteral("Breitengrad")))});
}
} // namespace

CGeoFilter CentreByPostalCode(const QString& plz) {
    return withPosition(Equals(QStringLiteral("PLZ"), plz));
}

CGeoFilter CentreByPostalCode(const QString& staat, const QString& otherStaat, const QString& plz) {
    return withPosition(And(
        {Or({Equals(QStringLiteral("Staat"), staat), Equals(QStringLiteral("Staat"), otherStaat)}),
         Equals(QStringLiteral("PLZ"), plz)}));
}

CGeoFilter CentreByPlace(const QString& fieldName, const QString& pattern) {
    const CGeoFilter field = Field(fieldName);
    return withPosition(Or({FoldLike(pattern, field), Like(field, pattern)}));
}

CGeoFilter Place(const QString& staat, const QString& plz) {
    return And({Equals(QStringLiteral("Staat"), staat), Equals(QStringLiteral("PLZ"), plz)});
}

CGeoFilter Place(const QString& staat, const QString& plz, const QString& ort) {
    return And({Equals(QStringLiteral("Staat"), staat), Equals(QStringLiteral("PLZ"), plz),
                Equals(QStringLiteral("Ort"), ort)});
}

CGeoFilter WithKey(qint64 key) {
    return Equals(QStringLiteral("ID_Geo"), qlonglong(key));
}

CGeoFilter KeyAbove(qint64 key) {
    return Compare(Field(QStringLiteral("ID_Geo")), Op::Gt, Value(qlonglong(key)));
}

} // namespace GeoFilter
