#include "db/GeoSqlPostgres.h"

#include "db/GeoTableDesc.h"

#include <QList>
#include <QRegularExpression>

namespace GeoSqlPostgres {

namespace {

QString name(const QString& identifier) {
    return identifier.toLower();
}

QString table(const CGeoTableDesc& desc) {
    return name(desc.m_strTableName);
}

QString stampTable(const CGeoTableDesc& desc) {
    return table(desc) + QStringLiteral("_stamp");
}

// A field as NOCASE compares it: ASCII letters folded, then byte by byte.
QString noCase(const QString& operand) {
    return QStringLiteral("lower(%1 COLLATE \"C\")").arg(operand);
}

// The standard order; an index on the same expressions gives it without sorting.
QString orderKeys(const CGeoTableDesc& desc) {
    return QStringLiteral("%1 NULLS FIRST, %2 NULLS FIRST, %3")
        .arg(noCase(name(desc.FieldName(desc.m_nSortField1))),
             noCase(name(desc.FieldName(desc.m_nSortField2))),
             name(desc.FieldName(desc.m_nKeyField)));
}

QString orderBy(const CGeoTableDesc& desc) {
    return QStringLiteral(" ORDER BY ") + orderKeys(desc);
}

// A memo that is NULL or holds nothing but blanks, tabs and line ends.
QString blankMemo(const CGeoTableDesc& desc) {
    return QStringLiteral("(%1 IS NULL OR btrim(%1, E' \\t\\n\\r') = '')")
        .arg(name(desc.FieldName(GEO_MEMO)));
}

QString placeholders(int first, int count) {
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << QStringLiteral("$%1").arg(first + i);
    return marks.join(QStringLiteral(", "));
}

// --- The filter syntax -------------------------------------------------------------------

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

    bool isTextField(int field) const {
        return field >= 0 &&
               (m_desc.FieldType(field) == dbText || m_desc.FieldType(field) == dbMemo);
    }

    Unit fieldUnit(const QString& fieldName) const {
        return {Unit::Operand, QLatin1Char('"') + name(fieldName) + QLatin1Char('"'),
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
                return {Unit::Operand, word + QLatin1Char('(') + arguments + QLatin1Char(')')};
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
                     QStringLiteral("jetlike(%1, %2)").arg(units[right].text, units[left].text)};
                units[right].text.clear();
                units[left].text.clear();
            } else if (isTextField(units[left].field) || isTextField(units[right].field)) {
                units[left].text = noCase(units[left].text);
                units[right].text = noCase(units[right].text);
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

// --- The server-side functions -----------------------------------------------------------

// jetlike(pattern, text): "text LIKE pattern" with the file's wildcards, case-insensitive.
// The helpers that look at the pattern alone are immutable, so the planner runs them once
// for a query's pattern and jetlike itself becomes a plain LIKE or regular-expression match
// on the lower-cased field.
const char* const kJetLike = R"sql(
CREATE OR REPLACE FUNCTION jetlike_fold(value text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$ SELECT lower(value COLLATE "und-x-icu") $$;

CREATE OR REPLACE FUNCTION jetlike_ascii(pattern text) RETURNS boolean
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS
$$ SELECT octet_length(pattern) = char_length(pattern) $$;

CREATE OR REPLACE FUNCTION jetlike_simple(pattern text) RETURNS boolean
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS
$$ SELECT strpos(pattern, '#') = 0 AND strpos(pattern, '[') = 0 $$;

-- A pattern without # and [...] as a LIKE pattern: \, % and _ stand for themselves.
CREATE OR REPLACE FUNCTION jetlike_like(pattern text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
  SELECT translate(regexp_replace(jetlike_fold(pattern), '([\\%_])', '\\\1', 'g'), '*?', '%_')
$$;

-- One character in a regular expression: letters and digits as they are, others escaped.
CREATE OR REPLACE FUNCTION jetlike_char(c text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
  SELECT CASE WHEN c ~ '^[A-Za-z0-9]$' THEN c
              WHEN ascii(c) < 65536 THEN '\u' || lpad(to_hex(ascii(c)), 4, '0')
              ELSE '\U' || lpad(to_hex(ascii(c)), 8, '0') END
$$;

-- Any pattern as an anchored regular expression over the lower-cased text.
CREATE OR REPLACE FUNCTION jetlike_regex(pattern text) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $$
DECLARE
  n integer := char_length(pattern);
  i integer := 1;
  c text;
  low text;
  high text;
  result text := '';
  items text;
  negate boolean;
  closed boolean;
  first boolean;
  ranges integer;
  star boolean := false;
BEGIN
  WHILE i <= n LOOP
    c := substr(pattern, i, 1);
    i := i + 1;
    IF c = '*' THEN
      IF NOT star THEN result := result || '.*'; END IF;
      star := true;
      CONTINUE;
    END IF;
    star := false;
    IF c = '?' THEN
      result := result || '.';
    ELSIF c = '#' THEN
      result := result || '[0-9]';
    ELSIF c = '[' THEN
      items := ''; negate := false; closed := false; first := true; ranges := 0;
      WHILE i <= n LOOP
        c := substr(pattern, i, 1);
        i := i + 1;
        IF c = ']' THEN closed := true; EXIT; END IF;
        IF first AND c = '!' THEN negate := true; first := false; CONTINUE; END IF;
        first := false;
        low := jetlike_fold(c);
        IF char_length(low) <> 1 THEN low := c; END IF;
        high := low;
        -- "a-z" is a range; a "-" at either end of the list stands for itself.
        IF i + 1 <= n AND substr(pattern, i, 1) = '-' AND substr(pattern, i + 1, 1) <> ']' THEN
          high := jetlike_fold(substr(pattern, i + 1, 1));
          IF char_length(high) <> 1 THEN high := substr(pattern, i + 1, 1); END IF;
          i := i + 2;
        END IF;
        ranges := ranges + 1;
        IF ascii(low) <= ascii(high) THEN
          items := items || jetlike_char(low)
                         || CASE WHEN low = high THEN '' ELSE '-' || jetlike_char(high) END;
        END IF;
      END LOOP;
      IF NOT closed THEN
        RAISE EXCEPTION 'Ungültiges Suchmuster: "[" ohne schließendes "]" in "%"', pattern;
      END IF;
      IF ranges = 0 AND NOT negate THEN
        CONTINUE; -- "[]" stands for the empty string
      ELSIF items = '' THEN
        -- Only empty ranges ("[z-a]"): nothing matches, or with "!" any one character.
        result := result || CASE WHEN negate THEN '.' ELSE '[^\u0001-\U0010ffff]' END;
      ELSE
        result := result || '[' || CASE WHEN negate THEN '^' ELSE '' END || items || ']';
      END IF;
    ELSE
      result := result || jetlike_char(jetlike_fold(c));
    END IF;
  END LOOP;
  RETURN '^(?:' || result || ')$';
END
$$;

CREATE OR REPLACE FUNCTION jetlike(pattern text, value text) RETURNS boolean
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN jetlike_ascii(pattern) THEN
           CASE WHEN jetlike_simple(pattern)
                THEN lower(value COLLATE "C") LIKE jetlike_like(pattern)
                ELSE lower(value COLLATE "C") ~ jetlike_regex(pattern) END
         ELSE
           CASE WHEN jetlike_simple(pattern)
                THEN jetlike_fold(value) LIKE jetlike_like(pattern)
                ELSE jetlike_fold(value) ~ jetlike_regex(pattern) END
         END
$$;
)sql";

// geonumber(text): the number a coordinate text holds. Short texts are checked and cast in
// the query itself; long ones, and exponents of three digits, go through a function that
// catches what lies beyond the range of a double.
const char* const kGeoNumber = R"sql(
CREATE OR REPLACE FUNCTION geonumber_checked(value text) RETURNS double precision
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $$
DECLARE
  t text := btrim(value, E' \t\n\v\f\r');
  mantissa text := ltrim(regexp_replace(t, '[eE].*$', ''), '+-');
  exponent numeric := coalesce(substring(t from '[eE]([+-]?[0-9]+)$')::numeric, 0);
  whole text := ltrim(split_part(mantissa, '.', 1), '0');
  fraction text := split_part(mantissa, '.', 2);
BEGIN
  RETURN t::double precision;
EXCEPTION WHEN numeric_value_out_of_range THEN
  -- Too small to tell from zero: 0; too large: no number.
  IF whole <> '' THEN
    exponent := exponent + char_length(whole) - 1;
  ELSE
    exponent := exponent - (char_length(fraction) - char_length(ltrim(fraction, '0'))) - 1;
  END IF;
  RETURN CASE WHEN exponent < 0 THEN 0 END;
END
$$;

CREATE OR REPLACE FUNCTION geonumber(value text) RETURNS double precision
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN value !~ '^[\t\n\v\f\r ]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?[\t\n\v\f\r ]*$'
              THEN NULL
              WHEN char_length(value) <= 40 AND value !~ '[eE][+-]?[0-9]{3}'
              THEN value::double precision
              ELSE geonumber_checked(value) END
$$;
)sql";

// foldlike(pattern, text): jetlike with the German spellings folded in both (ä = ae, ö = oe,
// ü = ue, ß = ss, capitals too, and a, o, u with a combining diaeresis); a [...] list of the
// pattern stays as written. The pattern's folding is immutable, so it is done once a query.
// foldlike_text and foldlike_pattern fold as FoldLike::FoldText and FoldPattern do.
const char* const kFoldLike = R"sql(
-- ASCII texts, most of them, come back at once. (Not STRICT, so that it is expanded into
-- the query; NULL gives NULL all the same.)
CREATE OR REPLACE FUNCTION foldlike_text(value text) RETURNS text
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN octet_length(value) = char_length(value) THEN value
         ELSE replace(replace(replace(replace(translate(
                CASE WHEN strpos(value, U&'\0308') = 0 THEN value
                     ELSE regexp_replace(value, '([aouAOU])\u0308', '\1e', 'g') END,
                'ÄÖÜẞ', 'äöüß'), 'ä', 'ae'), 'ö', 'oe'), 'ü', 'ue'), 'ß', 'ss') END
$$;

CREATE OR REPLACE FUNCTION foldlike_pattern(pattern text) RETURNS text
LANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $$
DECLARE
  rest text := pattern;
  result text := '';
  open integer;
  close integer;
BEGIN
  LOOP
    open := strpos(rest, '[');
    IF open = 0 THEN
      RETURN result || foldlike_text(rest);
    END IF;
    result := result || foldlike_text(substr(rest, 1, open - 1));
    rest := substr(rest, open);
    close := strpos(rest, ']');
    IF close = 0 THEN
      RETURN result || rest;
    END IF;
    result := result || substr(rest, 1, close);
    rest := substr(rest, close + 1);
  END LOOP;
END
$$;

-- jetlike on the folded pattern and text, written out: the text is named in each branch, but
-- only one is left once the pattern's part has been worked out when the query is planned.
CREATE OR REPLACE FUNCTION foldlike(pattern text, value text) RETURNS boolean
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT CASE WHEN jetlike_ascii(foldlike_pattern(pattern)) THEN
           CASE WHEN jetlike_simple(pattern)
                THEN lower(foldlike_text(value) COLLATE "C")
                     LIKE jetlike_like(foldlike_pattern(pattern))
                ELSE lower(foldlike_text(value) COLLATE "C")
                     ~ jetlike_regex(foldlike_pattern(pattern)) END
         ELSE
           CASE WHEN jetlike_simple(pattern)
                THEN jetlike_fold(foldlike_text(value)) LIKE jetlike_like(foldlike_pattern(pattern))
                ELSE jetlike_fold(foldlike_text(value)) ~ jetlike_regex(foldlike_pattern(pattern))
           END
         END
$$;
)sql";

// geodistance(lon, lat, lon0, lat0): the haversine distance in kilometres from the point of
// two coordinate texts to (lon0, lat0), computed step by step as the program computes it, so
// that a place on the edge of a radius is inside or outside on both engines alike.
const char* const kGeoDistance = R"sql(
CREATE OR REPLACE FUNCTION geodistance_km(lon1 double precision, lat1 double precision,
                                          lon2 double precision, lat2 double precision)
RETURNS double precision
LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $$
  SELECT 2 * 6371.0088::double precision * asin(sqrt(least(1::double precision,
           sin((lat2 - lat1) * (pi() / 180) / 2) * sin((lat2 - lat1) * (pi() / 180) / 2) +
           cos(lat1 * (pi() / 180)) * cos(lat2 * (pi() / 180)) *
           sin((lon2 - lon1) * (pi() / 180) / 2) * sin((lon2 - lon1) * (pi() / 180) / 2))))
$$;

CREATE OR REPLACE FUNCTION geodistance(lon text, lat text, lon0 double precision,
                                       lat0 double precision) RETURNS double precision
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$
  SELECT geodistance_km(geonumber(lon), geonumber(lat), lon0, lat0)
$$;
)sql";

// Raises the change number once in each transaction that writes GEO.
const char* const kStamp = R"sql(
CREATE OR REPLACE FUNCTION %1_count_change() RETURNS trigger
LANGUAGE plpgsql AS $$
BEGIN
  IF current_setting('kelvo.changed', true) IS DISTINCT FROM txid_current()::text THEN
    UPDATE %2 SET changes = changes + 1;
    PERFORM set_config('kelvo.changed', txid_current()::text, true);
  END IF;
  RETURN NULL;
END
$$;
)sql";

// "SELECT <columns> FROM geo [WHERE (<filter>)]"; no columns: all.
QString selectFrom(const CGeoTableDesc& desc, const QStringList& columns, const QString& filter) {
    QStringList names;
    for (const QString& column : columns)
        names << name(column);
    QString sql = QStringLiteral("SELECT %1 FROM %2")
                      .arg(names.isEmpty() ? QStringLiteral("*") : names.join(QStringLiteral(", ")),
                           table(desc));
    int next = 1;
    if (!filter.isEmpty())
        sql += QStringLiteral(" WHERE (%1)").arg(TranslateFilter(desc, filter, &next));
    return sql;
}

class CPostgresDialect : public CGeoSqlDialect {
public:
    QString CountRows(const QString& tableName) const override {
        return QStringLiteral("SELECT count(*) FROM %1").arg(name(tableName));
    }

    QString StandardQuery(const CGeoTableDesc& desc) const override {
        return QStringLiteral("SELECT * FROM %1").arg(table(desc)) + orderBy(desc);
    }

    QString FilteredQuery(const CGeoTableDesc& desc, const QString& filter) const override {
        if (filter.isEmpty())
            return StandardQuery(desc);
        int next = 1;
        return QStringLiteral("SELECT * FROM %1 WHERE (%2)")
                   .arg(table(desc), TranslateFilter(desc, filter, &next)) +
               orderBy(desc);
    }

    QString OrderedQuery(const CGeoTableDesc& desc, const QStringList& columns,
                         const QString& filter) const override {
        return selectFrom(desc, columns, filter) + orderBy(desc);
    }

    QString StorageOrderQuery(const CGeoTableDesc& desc, const QStringList& columns,
                              const QString& filter) const override {
        return selectFrom(desc, columns, filter) + QStringLiteral(" ORDER BY ") +
               name(desc.FieldName(desc.m_nKeyField));
    }

    QString RowByKey(const CGeoTableDesc& desc, const QString& keyText) const override {
        bool ok = false;
        const qlonglong key = keyText.trimmed().toLongLong(&ok);
        return QStringLiteral("SELECT * FROM %1 WHERE %2 = %3")
            .arg(table(desc), name(desc.FieldName(desc.m_nKeyField)),
                 ok ? QString::number(key) : QStringLiteral("NULL"));
    }

    QString UpdateFields(const CGeoTableDesc& desc, const QList<int>& fields) const override {
        QStringList sets;
        int n = 1;
        for (int i : fields)
            sets << QStringLiteral("%1 = $%2").arg(name(desc.FieldName(i))).arg(n++);
        return QStringLiteral("UPDATE %1 SET %2 WHERE %3 = $%4")
            .arg(table(desc), sets.join(QStringLiteral(", ")),
                 name(desc.FieldName(desc.m_nKeyField)))
            .arg(n);
    }

    QString MemoByKey(const CGeoTableDesc& desc) const override {
        return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = $1")
            .arg(name(desc.FieldName(GEO_MEMO)), table(desc),
                 name(desc.FieldName(desc.m_nKeyField)));
    }

    // "IS ?" is the file's spelling of a comparison in which NULL equals NULL.
    QString UpdateMemoIfUnchanged(const CGeoTableDesc& desc) const override {
        const QString memo = name(desc.FieldName(GEO_MEMO));
        return QStringLiteral("UPDATE %1 SET %2 = $1 WHERE %3 = $2 AND %2 COLLATE \"C\" IS NOT "
                              "DISTINCT FROM $3")
            .arg(table(desc), memo, name(desc.FieldName(desc.m_nKeyField)));
    }

    QString InsertRow(const CGeoTableDesc& desc) const override {
        QStringList names;
        for (int i = 0; i < desc.m_nFields; ++i) {
            if (i != desc.m_nKeyField)
                names << name(desc.FieldName(i));
        }
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(table(desc), names.join(QStringLiteral(", ")), placeholders(1, int(names.size())));
    }

    QString InsertRowWithKey(const CGeoTableDesc& desc) const override {
        QStringList names;
        for (int i = 0; i < desc.m_nFields; ++i)
            names << name(desc.FieldName(i));
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(table(desc), names.join(QStringLiteral(", ")), placeholders(1, int(names.size())));
    }

    QString ContinueNumbering(const CGeoTableDesc& desc) const override {
        const QString key = name(desc.FieldName(desc.m_nKeyField));
        return QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                              "coalesce(max(%2), 0) + 1, false) FROM %1")
            .arg(table(desc), key);
    }

    QString BeginWrite() const override { return QStringLiteral("BEGIN"); }

    QString AnyRow(const CGeoTableDesc& desc) const override {
        return QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(table(desc));
    }

    QString CountryRowsForRefresh(const CGeoTableDesc& desc) const override {
        QStringList fields;
        for (int i = 0; i < desc.m_nFields; ++i)
            fields << name(desc.FieldName(i));
        fields << QStringLiteral("(NOT %1)::integer").arg(blankMemo(desc));
        return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4 ORDER BY %5")
            .arg(fields.join(QStringLiteral(", ")), table(desc),
                 noCase(name(desc.FieldName(GEO_STAAT))), noCase(QStringLiteral("$1::text")),
                 name(desc.FieldName(desc.m_nKeyField)));
    }

    // The rows go into a temporary table with one COPY and then over GEO's rows with one
    // UPDATE: an UPDATE a row costs the server a round of its statement trigger each.
    QStringList BeginRowUpdates(const CGeoTableDesc& desc) const override {
        QStringList columns;
        for (int i = 0; i < desc.m_nFields; ++i)
            columns << name(desc.FieldName(i)) +
                           (i == desc.m_nKeyField ? QStringLiteral(" integer")
                                                  : QStringLiteral(" text"));
        return {QStringLiteral("CREATE TEMPORARY TABLE %1_update (%2) ON COMMIT DROP")
                    .arg(table(desc), columns.join(QStringLiteral(", ")))};
    }
    QString UpdateRow(const CGeoTableDesc& desc) const override {
        QStringList names;
        for (int i = 0; i < desc.m_nFields; ++i) {
            if (i != desc.m_nKeyField)
                names << name(desc.FieldName(i));
        }
        names << name(desc.FieldName(desc.m_nKeyField));
        return QStringLiteral("INSERT INTO %1_update (%2) VALUES (%3)")
            .arg(table(desc), names.join(QStringLiteral(", ")), placeholders(1, int(names.size())));
    }
    QStringList EndRowUpdates(const CGeoTableDesc& desc) const override {
        QStringList sets;
        for (int i = 0; i < desc.m_nFields; ++i) {
            if (i != desc.m_nKeyField)
                sets << QStringLiteral("%1 = u.%1").arg(name(desc.FieldName(i)));
        }
        const QString key = name(desc.FieldName(desc.m_nKeyField));
        return {QStringLiteral("ANALYZE %1_update").arg(table(desc)),
                QStringLiteral("UPDATE %1 SET %2 FROM %1_update u WHERE %1.%3 = u.%3")
                    .arg(table(desc), sets.join(QStringLiteral(", ")), key),
                QStringLiteral("DROP TABLE %1_update").arg(table(desc))};
    }

    QString DeleteRow(const CGeoTableDesc& desc) const override {
        return QStringLiteral("DELETE FROM %1 WHERE %2 = $1")
            .arg(table(desc), name(desc.FieldName(desc.m_nKeyField)));
    }

    // Imports take a lock of their own, per database ("Kelv" + 1), so that two never run at
    // once; a refresh then keeps memo writes waiting (the table's SHARE ROW EXCLUSIVE lock
    // lets readers in, but no writer) so that the memos it carries are those at its commit.
    // Writers take GEO's lock before its rows and the change number: one order for all.
    QString TryLockImport() const override {
        return QStringLiteral("SELECT pg_try_advisory_xact_lock(1264870775)::integer");
    }
    QString LockRowsForImport(const CGeoTableDesc& desc) const override {
        return QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(table(desc));
    }

    QString FreePageCount() const override { return QString(); }
    QString CacheSpill(bool) const override { return QString(); }
};

} // namespace

const CGeoSqlDialect& Dialect() {
    static const CPostgresDialect dialect;
    return dialect;
}

QString TranslateFilter(const CGeoTableDesc& desc, const QString& filter, int* nextParameter) {
    return CFilterTranslator(desc, filter, nextParameter).Translate();
}

QString CopyForm(const QString& sql) {
    static const QRegularExpression insert(
        QStringLiteral("^INSERT INTO (\\w+) \\(([\\w, ]+)\\) VALUES \\(([$\\d, ]+)\\)$"));
    const QRegularExpressionMatch m = insert.match(sql);
    if (!m.hasMatch())
        return QString();
    const int fields = int(m.captured(2).split(QLatin1Char(',')).size());
    if (m.captured(3) != placeholders(1, fields))
        return QString();
    return QStringLiteral("COPY %1 (%2) FROM STDIN").arg(m.captured(1), m.captured(2));
}

QStringList SessionSettings() {
    return {QStringLiteral("SET client_encoding = 'UTF8'"),
            QStringLiteral("SET standard_conforming_strings = on"),
            QStringLiteral("SET client_min_messages = warning"),
            QStringLiteral("SET lock_timeout = '5s'")};
}

QString LockSchema() {
    // Any number will do, as long as it is Kelvo's: "Kelv" in ASCII.
    return QStringLiteral("SELECT pg_advisory_xact_lock(1264870774)");
}

QString SchemaState(const CGeoTableDesc& desc) {
    return QStringLiteral("SELECT to_regclass('%1') IS NOT NULL, to_regclass('%2') IS NOT NULL")
        .arg(table(desc), stampTable(desc));
}

QString SchemaVersion(const CGeoTableDesc& desc) {
    return QStringLiteral("SELECT version FROM %1").arg(stampTable(desc));
}

QString CreateTable(const CGeoTableDesc& desc) {
    QStringList columns;
    for (int i = 0; i < desc.m_nFields; ++i) {
        const QString field = name(desc.FieldName(i));
        switch (desc.FieldType(i)) {
        case dbLong:
            columns << field + ((desc.FieldAttributes(i) & dbAutoIncrField)
                                    ? QStringLiteral(" integer GENERATED BY DEFAULT AS IDENTITY")
                                    : QStringLiteral(" integer"));
            break;
        case dbDate:
            columns << field + QStringLiteral(" timestamp");
            break;
        case dbText:
            columns << QStringLiteral("%1 varchar(%2) CHECK (%1 <> '')")
                           .arg(field)
                           .arg(desc.FieldSize(i));
            break;
        default: // a memo has no limit
            columns << QStringLiteral("%1 text CHECK (%1 <> '')").arg(field);
            break;
        }
    }
    const QString key = name(desc.FieldName(desc.m_nKeyField));
    columns << QStringLiteral("CONSTRAINT \"PrimaryKey\" PRIMARY KEY (%1)").arg(key);
    return QStringLiteral("CREATE TABLE %1 (%2)")
        .arg(table(desc), columns.join(QStringLiteral(", ")));
}

QStringList CreateStampTable(const CGeoTableDesc& desc) {
    return {
        QStringLiteral("CREATE TABLE %1 (changes bigint NOT NULL, version integer NOT NULL)")
            .arg(stampTable(desc)),
        QStringLiteral("INSERT INTO %1 VALUES (0, 0)").arg(stampTable(desc)),
    };
}

QStringList CreateFunctions(const CGeoTableDesc& desc) {
    const QString geo = table(desc);
    const QString lon = name(desc.FieldName(GEO_LANGENGRAD));
    const QString lat = name(desc.FieldName(GEO_BREITENGRAD));
    return {
        QString::fromUtf8(kJetLike),
        QString::fromUtf8(kGeoNumber),
        QString::fromUtf8(kFoldLike),
        QString::fromUtf8(kGeoDistance),
        QString::fromUtf8(kStamp).arg(geo, stampTable(desc)),
        QStringLiteral("CREATE OR REPLACE TRIGGER %1_changed AFTER INSERT OR UPDATE OR DELETE OR "
                       "TRUNCATE ON %1 FOR EACH STATEMENT EXECUTE FUNCTION %1_count_change()")
            .arg(geo),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_%2 ON %1 (geonumber(%2))").arg(geo, lon),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_%2 ON %1 (geonumber(%2))").arg(geo, lat),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1_order ON %1 (%2)").arg(geo, orderKeys(desc)),
        QStringLiteral("UPDATE %1 SET version = %2").arg(stampTable(desc)).arg(kSchemaVersion),
    };
}

QString ProbeTable(const CGeoTableDesc& desc) {
    return QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(table(desc));
}

QString ChangeCount(const CGeoTableDesc& desc) {
    return QStringLiteral("SELECT changes FROM %1").arg(stampTable(desc));
}

} // namespace GeoSqlPostgres
