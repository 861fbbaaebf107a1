#include "store/GeoFilterText.h"

#include "base/FoldLike.h"
#include "base/GeoDistance.h"
#include "base/GeoTableDesc.h"

namespace GeoFilterText {

namespace {

using Kind = CGeoFilter::Kind;
using Op = CGeoFilter::Op;

// A recursive descent over the text: OR binds weakest, then AND, then NOT, then the
// comparisons, LIKE, IS and BETWEEN, which join operands.
class CParser {
public:
    CParser(const CGeoTableDesc& desc, const QString& text) : m_desc(desc), m_text(text) {}

    bool Run(CGeoFilter* out, QString* error) {
        CGeoFilter f = Or();
        Skip();
        if (m_error.isEmpty() && m_pos < m_text.size())
            Fail(QStringLiteral("Unerwartetes Zeichen"));
        if (!m_error.isEmpty()) {
            *error = m_error;
            return false;
        }
        *out = f;
        return true;
    }

private:
    void Skip() {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }

    void Fail(const QString& what) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("Der Filter ist fehlerhaft: %1 an Stelle %2.")
                          .arg(what)
                          .arg(m_pos + 1);
    }

    static bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

    // The next word if it is `word` (any case), which is then read.
    bool Keyword(const char* word) {
        Skip();
        const QLatin1String w(word);
        if (m_text.mid(m_pos, w.size()).compare(w, Qt::CaseInsensitive) != 0)
            return false;
        const qsizetype end = m_pos + w.size();
        if (end < m_text.size() && isWordChar(m_text.at(end)))
            return false;
        m_pos = end;
        return true;
    }

    bool Symbol(QChar c) {
        Skip();
        if (m_pos < m_text.size() && m_text.at(m_pos) == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void Expect(QChar c) {
        if (!Symbol(c))
            Fail(QStringLiteral("„%1“ erwartet").arg(c));
    }

    CGeoFilter Or() {
        QList<CGeoFilter> terms{And()};
        while (m_error.isEmpty() && Keyword("OR"))
            terms << And();
        return terms.size() == 1 ? terms.first() : CGeoFilter::Make(Kind::Or, terms);
    }

    CGeoFilter And() {
        QList<CGeoFilter> terms{Not()};
        while (m_error.isEmpty() && Keyword("AND"))
            terms << Not();
        return terms.size() == 1 ? terms.first() : CGeoFilter::Make(Kind::And, terms);
    }

    // Parentheses and NOTs nest at most so deep, so that no text exhausts the stack.
    static constexpr int kMaxDepth = 100;
    bool Deeper() {
        if (++m_depth <= kMaxDepth)
            return true;
        Fail(QStringLiteral("Der Ausdruck ist zu tief geschachtelt"));
        return false;
    }

    CGeoFilter Not() {
        if (Keyword("NOT")) {
            if (!Deeper())
                return CGeoFilter();
            const CGeoFilter inner = Not();
            --m_depth;
            return GeoFilter::Not(inner);
        }
        return Predicate();
    }

    CGeoFilter Predicate() {
        const CGeoFilter left = Operand();
        if (!m_error.isEmpty())
            return left;
        Skip();
        static const struct {
            const char* text;
            Op op;
        } ops[] = {{"<=", Op::Le}, {">=", Op::Ge}, {"<>", Op::Ne}, {"!=", Op::Ne},
                   {"=", Op::Eq},  {"<", Op::Lt},  {">", Op::Gt}};
        for (const auto& o : ops) {
            if (m_text.mid(m_pos, qsizetype(qstrlen(o.text))) == QLatin1String(o.text)) {
                m_pos += qsizetype(qstrlen(o.text));
                return GeoFilter::Compare(left, o.op, Operand());
            }
        }
        const qsizetype before = m_pos;
        const bool negated = Keyword("NOT");
        if (Keyword("LIKE")) {
            const CGeoFilter like = CGeoFilter::Make(Kind::Like, {left, Operand()});
            return negated ? GeoFilter::Not(like) : like;
        }
        if (Keyword("BETWEEN")) {
            const CGeoFilter low = Operand();
            if (!Keyword("AND"))
                Fail(QStringLiteral("AND erwartet"));
            const CGeoFilter range = CGeoFilter::Make(Kind::Between, {left, low, Operand()});
            return negated ? GeoFilter::Not(range) : range;
        }
        if (negated)
            m_pos = before; // a NOT that belongs to what follows
        if (Keyword("IS")) {
            const bool not_ = Keyword("NOT");
            if (!Keyword("NULL"))
                Fail(QStringLiteral("NULL erwartet"));
            return not_ ? GeoFilter::NotNull(left) : GeoFilter::IsNull(left);
        }
        return left;
    }

    QList<CGeoFilter> Arguments(int count) {
        QList<CGeoFilter> args;
        if (!Deeper())
            return args;
        Expect(QLatin1Char('('));
        for (int i = 0; i < count && m_error.isEmpty(); ++i) {
            if (i > 0)
                Expect(QLatin1Char(','));
            args << Operand();
        }
        Expect(QLatin1Char(')'));
        --m_depth;
        return args;
    }

    CGeoFilter FieldNamed(const QString& name) {
        const int index = m_desc.FieldIndex(name);
        if (index < 0) {
            Fail(QStringLiteral("das Feld „%1“ gibt es nicht").arg(name));
            return CGeoFilter();
        }
        return GeoFilter::Field(m_desc.FieldName(index));
    }

    CGeoFilter Operand() {
        Skip();
        if (m_pos >= m_text.size()) {
            Fail(QStringLiteral("Der Ausdruck endet zu früh"));
            return CGeoFilter();
        }
        const QChar c = m_text.at(m_pos);
        if (c == QLatin1Char('(')) {
            ++m_pos;
            if (!Deeper())
                return CGeoFilter();
            const CGeoFilter inner = Or();
            --m_depth;
            Expect(QLatin1Char(')'));
            return inner;
        }
        if (c == QLatin1Char('\''))
            return Quoted();
        if (c == QLatin1Char('[')) {
            const qsizetype end = m_text.indexOf(QLatin1Char(']'), m_pos + 1);
            if (end < 0) {
                Fail(QStringLiteral("„]“ fehlt"));
                return CGeoFilter();
            }
            const QString name = m_text.mid(m_pos + 1, end - m_pos - 1);
            m_pos = end + 1;
            return FieldNamed(name);
        }
        if (c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('.'))
            return Numeral();
        if (isWordChar(c))
            return Word();
        Fail(QStringLiteral("Unerwartetes Zeichen „%1“").arg(c));
        return CGeoFilter();
    }

    CGeoFilter Quoted() {
        QString value;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const QChar ch = m_text.at(m_pos);
            if (ch != QLatin1Char('\'')) {
                value += ch;
                continue;
            }
            if (m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == QLatin1Char('\'')) {
                value += ch;
                ++m_pos;
                continue;
            }
            ++m_pos;
            return GeoFilter::Value(value);
        }
        Fail(QStringLiteral("Der Text ist nicht geschlossen"));
        return CGeoFilter();
    }

    CGeoFilter Numeral() {
        const qsizetype start = m_pos;
        if (m_text.at(m_pos) == QLatin1Char('-') || m_text.at(m_pos) == QLatin1Char('+'))
            ++m_pos;
        while (m_pos < m_text.size() &&
               (m_text.at(m_pos).isDigit() || m_text.at(m_pos) == QLatin1Char('.') ||
                m_text.at(m_pos) == QLatin1Char('e') || m_text.at(m_pos) == QLatin1Char('E') ||
                ((m_text.at(m_pos) == QLatin1Char('-') || m_text.at(m_pos) == QLatin1Char('+')) &&
                 (m_text.at(m_pos - 1) == QLatin1Char('e') ||
                  m_text.at(m_pos - 1) == QLatin1Char('E')))))
            ++m_pos;
        const QString number = m_text.mid(start, m_pos - start);
        bool ok = false;
        if (number.contains(QLatin1Char('.')) || number.contains(QLatin1Char('e')) ||
            number.contains(QLatin1Char('E'))) {
            const double v = number.toDouble(&ok);
            if (ok)
                return GeoFilter::Value(v);
        } else {
            const qlonglong v = number.toLongLong(&ok);
            if (ok)
                return GeoFilter::Value(v);
        }
        m_pos = start;
        Fail(QStringLiteral("„%1“ ist keine Zahl").arg(number));
        return CGeoFilter();
    }

    CGeoFilter Word() {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && isWordChar(m_text.at(m_pos)))
            ++m_pos;
        const QString word = m_text.mid(start, m_pos - start);
        auto is = [&](const char* name) {
            return word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
        };
        if (is("NULL"))
            return GeoFilter::Value(QVariant());
        if (is("GeoNumber"))
            return CGeoFilter::Make(Kind::Number, Arguments(1));
        if (is(GeoDistance::SqlFunction))
            return CGeoFilter::Make(Kind::Distance, Arguments(4));
        if (is(FoldLike::SqlFunction))
            return CGeoFilter::Make(Kind::FoldLike, Arguments(2));
        Skip();
        if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('(')) {
            m_pos = start;
            Fail(QStringLiteral("die Funktion „%1“ gibt es nicht").arg(word));
            return CGeoFilter();
        }
        m_pos = start;
        const CGeoFilter field = FieldNamed(word);
        m_pos = start + word.size();
        return field;
    }

    const CGeoTableDesc& m_desc;
    const QString& m_text;
    qsizetype m_pos = 0;
    int m_depth = 0;
    QString m_error;
};

} // namespace

bool Parse(const CGeoTableDesc& desc, const QString& text, CGeoFilter* filter, QString* error) {
    if (text.trimmed().isEmpty()) {
        *filter = CGeoFilter();
        return true;
    }
    return CParser(desc, text).Run(filter, error);
}

} // namespace GeoFilterText
