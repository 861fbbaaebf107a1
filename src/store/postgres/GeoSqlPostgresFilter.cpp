#include "store/postgres/GeoSqlPostgres.h"

#include "base/FoldLike.h"
#include "base/GeoDistance.h"
#include "base/GeoTableDesc.h"
#include "store/GeoSql.h"
#include "store/postgres/GeoSqlPostgresNames.h"

#include <QList>

// The filter syntax ([Name], '...' texts, ? placeholders, LIKE, comparisons, the program's
// functions) in the server's dialect.
namespace GeoSqlPostgres {

using namespace Names;

namespace {

// A filter is read as a sequence of units: operands (a field, a text, a number, a
// placeholder, a parenthesised expression or a function call, each translated), words
// (keywords), operators and white space.
struct Unit {
    enum Kind { Space, Operand, Word, Operator, Other } kind;
    QString text;
    int field = -1; // the description's field for an operand that names one
};

class CFilterTranslator {
public:
    CFilterTranslator(const CGeoTableDesc& desc, const QString& filter, int* nextParameter)
        : m_desc(desc), m_text(filter), m_pNext(nextParameter) {}

    QString Translate() {
        qsizetype pos = 0;
        return Sequence(pos, false);
    }

private:
    static bool isWordChar(QChar c) {
        return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.');
    }

    // The program's own functions are the schema's; any other name stays as written.
    static QString FunctionName(const QString& word) {
        static const QStringList own{QLatin1String(GeoSql::NumberFunction),
                                     QLatin1String(GeoDistance::SqlFunction),
                                     QLatin1String(FoldLike::SqlFunction)};
        for (const QString& name : own) {
            if (word.compare(name, Qt::CaseInsensitive) == 0)
                return Function(name);
        }
        return word;
    }

    bool isTextField(int field) const {
        return field >= 0 &&
               (m_desc.FieldType(field) == dbText || m_desc.FieldType(field) == dbMemo);
    }

    Unit fieldUnit(const QString& fieldName) const {
        return {Unit::Operand, QLatin1Char('"') + Name(fieldName) + QLatin1Char('"'),
                m_desc.FieldIndex(fieldName)};
    }

    // Reads units up to the end or, inside parentheses, up to the closing one.
    QString Sequence(qsizetype& pos, bool nested) {
        QList<Unit> units;
        while (pos < m_text.size()) {
            const QChar c = m_text.at(pos);
            if (c == QLatin1Char(')') && nested)
                break;
            units << Next(pos);
        }
        return Join(units);
    }

    Unit Next(qsizetype& pos) {
        const QChar c = m_text.at(pos);
        const qsizetype start = pos;
        if (c.isSpace()) {
            while (pos < m_text.size() && m_text.at(pos).isSpace())
                ++pos;
            return {Unit::Space, m_text.mid(start, pos - start)};
        }
        if (c == QLatin1Char('\'')) {
            for (++pos; pos < m_text.size(); ++pos) {
                if (m_text.at(pos) != QLatin1Char('\''))
                    continue;
                if (pos + 1 < m_text.size() && m_text.at(pos + 1) == QLatin1Char('\''))
                    ++pos;
                else
                    break;
            }
            pos = qMin(pos + 1, m_text.size());
            return {Unit::Operand, m_text.mid(start, pos - start)};
        }
        if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            const qsizetype end = m_text.indexOf(close, pos + 1);
            pos = end < 0 ? m_text.size() : end + 1;
            return fieldUnit(m_text.mid(start + 1, (end < 0 ? m_text.size() : end) - start - 1));
        }
        if (c == QLatin1Char('?')) {
            ++pos;
            return {Unit::Operand, QStringLiteral("$%1").arg((*m_pNext)++)};
        }
        if (c == QLatin1Char('(')) {
            ++pos;
            const QString inner = Sequence(pos, true);
            if (pos < m_text.size())
                ++pos; // the closing parenthesis
            return {Unit::Operand, QLatin1Char('(') + inner + QLatin1Char(')')};
        }
        if (isWordChar(c)) {
            while (pos < m_text.size() && isWordChar(m_text.at(pos)))
                ++pos;
            const QString word = m_text.mid(start, pos - start);
            if (c.isDigit() || c == QLatin1Char('.'))
                return {Unit::Operand, word};
            if (pos < m_text.size() && m_text.at(pos) == QLatin1Char('(')) {
                ++pos;
                const QString arguments = Sequence(pos, true);
                if (pos < m_text.size())
                    ++pos;
                return {Unit::Operand,
                        FunctionName(word) + QLatin1Char('(') + arguments + QLatin1Char(')')};
            }
            if (m_desc.FieldIndex(word) >= 0)
                return fieldUnit(word);
            return {Unit::Word, word};
        }
        if (QStringLiteral("<>=!").contains(c)) {
            while (pos < m_text.size() && QStringLiteral("<>=!").contains(m_text.at(pos)))
                ++pos;
            return {Unit::Operator, m_text.mid(start, pos - start)};
        }
        ++pos;
        return {Unit::Other, QString(c)};
    }

    // The operand units next to unit i, skipping white space; -1 when there is none.
    static int neighbour(const QList<Unit>& units, int i, int step) {
        for (int j = i + step; j >= 0 && j < units.size(); j += step) {
            if (units[j].kind == Unit::Space)
                continue;
            return units[j].kind == Unit::Operand ? j : -1;
        }
        return -1;
    }

    QString Join(QList<Unit> units) {
        static const QStringList comparisons{"=", "<>", "!=", "<", "<=", ">", ">="};
        for (int i = 0; i < units.size(); ++i) {
            Unit& u = units[i];
            const bool like = u.kind == Unit::Word &&
                              u.text.compare(QLatin1String("LIKE"), Qt::CaseInsensitive) == 0;
            const bool comparison = u.kind == Unit::Operator && comparisons.contains(u.text);
            if (!like && !comparison)
                continue;
            int left = -1;
            for (int j = i - 1; j >= 0; --j) {
                if (units[j].kind == Unit::Space)
                    continue;
                // "a NOT LIKE p": the operand comes before NOT.
                if (like && units[j].kind == Unit::Word &&
                    units[j].text.compare(QLatin1String("NOT"), Qt::CaseInsensitive) == 0)
                    continue;
                left = units[j].kind == Unit::Operand ? j : -1;
                break;
            }
            const int right = neighbour(units, i, 1);
            if (left < 0 || right < 0)
                continue;
            if (like) {
                u = {Unit::Operand,
                     Function(QStringLiteral("jetlike")) +
                         QStringLiteral("(%1, %2)").arg(units[right].text, units[left].text)};
                units[right].text.clear();
                units[left].text.clear();
            } else if (isTextField(units[left].field) || isTextField(units[right].field)) {
                units[left].text = NoCase(units[left].text);
                units[right].text = NoCase(units[right].text);
            }
        }
        QString out;
        for (const Unit& u : units)
            out += u.text;
        return out;
    }

    const CGeoTableDesc& m_desc;
    const QString& m_text;
    int* m_pNext;
};

} // namespace

QString TranslateFilter(const CGeoTableDesc& desc, const QString& filter, int* nextParameter) {
    return CFilterTranslator(desc, filter, nextParameter).Translate();
}

} // namespace GeoSqlPostgres
