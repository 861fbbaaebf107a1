#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

// A condition on the rows of GEO as a small tree: fields, values, the program's LIKE and its
// folded form, comparisons, NULL tests, ranges, the coordinate number and the distance, AND,
// OR and NOT. Values stay values: each engine's dialect writes the tree as SQL with a
// placeholder for every value and binds the values in order, so no text ever becomes SQL.
// A filter is immutable and shares its nodes; copies may go to other threads. The empty
// filter keeps every row.
class CGeoFilter {
public:
    enum class Kind {
        None,     // the empty filter
        Field,    // a field of GEO by name
        Value,    // a text, an integer, a double or NULL
        Like,     // operand LIKE pattern (the program's matcher)
        FoldLike, // FoldLike(pattern, operand): LIKE with the German spellings folded
        Compare,  // operand op operand
        IsNull,   // operand IS NULL
        NotNull,  // operand IS NOT NULL
        Between,  // operand BETWEEN low AND high
        Number,   // GeoNumber(operand): a coordinate text as a number, NULL for none
        Distance, // GeoDistance(lon, lat, lon0, lat0): kilometres on the great circle
        And,
        Or,
        Not,
    };
    enum class Op { Eq, Ne, Lt, Le, Gt, Ge };

    CGeoFilter() = default;

    bool IsEmpty() const { return !m_node; }
    Kind GetKind() const { return m_node ? m_node->kind : Kind::None; }
    Op GetOp() const { return m_node ? m_node->op : Op::Eq; }
    // The field's name (Field) or the value (Value).
    const QString& Name() const;
    const QVariant& GetValue() const;
    // The operands in order: Like (operand, pattern), FoldLike (pattern, operand), Compare
    // (left, right), Between (operand, low, high), Distance (its four), And/Or (the terms),
    // IsNull/NotNull/Number/Not (one).
    const QList<CGeoFilter>& Children() const;

    // The program's filter syntax ("[Ort] LIKE '*berg*' OR ..."), which CGeoFilterText
    // reads back into the same tree.
    QString Text() const;

    bool operator==(const CGeoFilter& other) const;

    // The comparison as SQL and the filter syntax write it: "=", "<>", "<", ...
    static const char* OpText(Op op);

    static CGeoFilter Make(Kind kind, QList<CGeoFilter> children, Op op = Op::Eq);
    static CGeoFilter MakeField(const QString& name);
    static CGeoFilter MakeValue(const QVariant& value);

private:
    struct Node {
        Kind kind = Kind::None;
        Op op = Op::Eq;
        QString name;
        QVariant value;
        QList<CGeoFilter> children;
    };
    std::shared_ptr<const Node> m_node;
};

// The filters the program searches with, built from values.
namespace GeoFilter {

CGeoFilter Field(const QString& name);
CGeoFilter Value(const QVariant& value);
CGeoFilter Like(const CGeoFilter& operand, const QString& pattern);
CGeoFilter FoldLike(const QString& pattern, const CGeoFilter& operand);
CGeoFilter Compare(const CGeoFilter& left, CGeoFilter::Op op, const CGeoFilter& right);
// "[Field] = value".
CGeoFilter Equals(const QString& field, const QVariant& value);
CGeoFilter IsNull(const CGeoFilter& operand);
CGeoFilter NotNull(const CGeoFilter& operand);
CGeoFilter Between(const CGeoFilter& operand, double low, double high);
CGeoFilter Number(const QString& field);
CGeoFilter Distance(const CGeoFilter& lon, const CGeoFilter& lat, double lon0, double lat0);
// The terms joined; an empty term is left out, and a single term is itself.
CGeoFilter And(const QList<CGeoFilter>& terms);
CGeoFilter Or(const QList<CGeoFilter>& terms);
CGeoFilter Not(const CGeoFilter& term);

// The ten-field search: the text is contained in any of Staat, PLZ, Bundesland,
// Regierungsbezirk, Landkreis, Verwaltung, Ort, Ortsteil, KFZ or Memo, as the pattern
// "*text*"; *, ?, # and [ keep their meaning. With `foldSpellings` each term is FoldLike:
// ä = ae, ö = oe, ü = ue, ß = ss.
CGeoFilter Search(const QString& text, bool foldSpellings = false);

// The nearby box: open ranges on both coordinates as numbers, each bound rounded to six
// decimals (as "%f" writes it). A stored text that is no number never matches.
CGeoFilter Nearby(double lonLow, double lonHigh, double latLow, double latHigh);

// The places within km of (lon, lat) on the great circle. A box on the coordinates as
// numbers comes first, so the exact distance is computed only for the rows inside it.
CGeoFilter Radius(double lon, double lat, double km);

// A radius search's centre: the rows of a postal code, of one of two spellings of a country
// and a postal code, or whose field fits a pattern with the German spellings folded or as it
// stands ("M?nchen"); only rows whose position is a number.
CGeoFilter CentreByPostalCode(const QString& plz);
CGeoFilter CentreByPostalCode(const QString& staat, const QString& otherStaat, const QString& plz);
CGeoFilter CentreByPlace(const QString& fieldName, const QString& pattern);

// The rows of one postal code of a country, and with a place also of that place (compared
// as the columns compare).
CGeoFilter Place(const QString& staat, const QString& plz);
CGeoFilter Place(const QString& staat, const QString& plz, const QString& ort);
// The row with the key; the rows after a key (to read a table a slice at a time).
CGeoFilter WithKey(qint64 key);
CGeoFilter KeyAbove(qint64 key);

} // namespace GeoFilter
