#include "data/CountryRefresh.h"

#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"
#include "db/GeoSqlDialect.h"

#include <cstring>

namespace {

// Keys of old rows a delete statement covers at a time: progress and cancelling in between.
constexpr qint64 kDeleteSpan = 20000;

// ASCII letters in lower case, as the columns' NOCASE comparison sees them.
QByteArray fold(QByteArrayView text) {
    QByteArray folded(text.data(), text.size());
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return folded;
}

void appendField(QByteArray& key, QByteArrayView field) {
    const quint32 n = quint32(field.size());
    const qsizetype at = key.size();
    key.resize(at + qsizetype(sizeof n) + field.size());
    char* out = key.data() + at;
    std::memcpy(out, &n, sizeof n);
    out += sizeof n;
    for (char c : field)
        *out++ = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

} // namespace

CCountryRefresh::CCountryRefresh(CGeoDatabase& database) : m_database(database) {}

void CCountryRefresh::MatchKey(QByteArray& key, QByteArrayView country, QByteArrayView plz,
                               QByteArrayView place, QByteArrayView part) {
    // NULL and the empty text are one: the table holds no empty texts.
    key.resize(0);
    for (QByteArrayView field : {country, plz, place, part})
        appendField(key, field);
}

bool CCountryRefresh::Load(QString* error) {
    // One pass over the table: the largest key, the rows of each country, the rows with a memo.
    CGeoRecordset rs(m_database);
    if (!rs.Open(m_database.Sql().RowsForRefresh(m_database.m_Table))) {
        *error = rs.Error();
        return false;
    }
    QByteArray lastCountry;
    int* lastCount = nullptr;
    while (rs.MoveNext()) {
        m_nMaxOldKey = qMax(m_nMaxOldKey, rs.FieldInt(0));
        const QByteArrayView country = rs.FieldUtf8(1);
        if (!lastCount || country != lastCountry) {
            lastCountry = country.toByteArray();
            lastCount = &m_rowsBefore[fold(country)];
        }
        ++*lastCount;
        if (!rs.FieldInt(5))
            continue;
        m_memos.push_back({rs.FieldInt(0), fold(country), rs.FieldUtf8(6).toByteArray()});
        QByteArray key;
        MatchKey(key, country, rs.FieldUtf8(2), rs.FieldUtf8(3), rs.FieldUtf8(4));
        m_matches[key].memos.append(int(m_memos.size() - 1));
    }
    *error = rs.Error();
    return !rs.HasError();
}

CCountryRefresh::Country& CCountryRefresh::NoteCountry(QByteArrayView country) {
    if (m_pLastCountry && country == m_lastCountry)
        return *m_pLastCountry;
    const QByteArray folded = fold(country);
    auto it = m_countries.find(folded);
    if (it == m_countries.end()) {
        it = m_countries.insert(folded, Country{country.toByteArray()});
        m_countryOrder.append(folded);
    }
    m_lastCountry = country.toByteArray();
    m_pLastCountry = &it.value();
    return *m_pLastCountry;
}

QByteArrayView CCountryRefresh::NewRow(QByteArrayView country, QByteArrayView plz,
                                       QByteArrayView place, QByteArrayView part) {
    ++NoteCountry(country).inserted;
    if (m_matches.isEmpty())
        return {};
    MatchKey(m_key, country, plz, place, part);
    const auto it = m_matches.find(m_key);
    if (it == m_matches.end())
        return {};
    Match& match = it.value();
    if (match.joined.isEmpty()) {
        QList<QByteArray> texts;
        for (int i : match.memos) {
            OldMemo& old = m_memos[size_t(i)];
            old.carried = true;
            if (!texts.contains(old.memo))
                texts.append(old.memo);
        }
        match.joined = texts.join('\n');
    }
    return match.joined;
}

bool CCountryRefresh::DeleteOldRows(const std::function<bool(double)>& progress, QString* error) {
    const CGeoTableDesc& desc = m_database.m_Table;
    CGeoRecordset del(m_database);
    if (!del.Open(
            m_database.Sql().DeleteCountryRowsWithoutMemo(desc, int(m_countryOrder.size())))) {
        *error = del.Error();
        return false;
    }
    QVariantList values{0, 0};
    for (const QByteArray& folded : m_countryOrder)
        values << QString::fromUtf8(m_countries.value(folded).name);
    for (qint64 low = 0; low <= m_nMaxOldKey; low += kDeleteSpan) {
        values[0] = low;
        values[1] = qMin(low + kDeleteSpan - 1, m_nMaxOldKey);
        if (!del.Rebind(values) || !del.Execute()) {
            *error = del.Error();
            return false;
        }
        if (progress && !progress(double(low + kDeleteSpan) / double(m_nMaxOldKey + 1))) {
            *error = QStringLiteral("abgebrochen");
            return false;
        }
    }
    // The old rows whose memo has moved go too.
    if (!del.Open(m_database.Sql().DeleteRow(desc))) {
        *error = del.Error();
        return false;
    }
    for (const OldMemo& old : m_memos) {
        if (!old.carried)
            continue;
        if (!del.Rebind({old.key}) || !del.Execute()) {
            *error = del.Error();
            return false;
        }
    }
    return true;
}

bool CCountryRefresh::Finish(const std::function<bool(double)>& progress, QString* error) {
    if (m_countryOrder.isEmpty())
        return true;
    if (!DeleteOldRows(progress, error))
        return false;
    for (const QByteArray& folded : m_countryOrder) {
        CountryRefreshResult result;
        result.country = QString::fromUtf8(m_countries.value(folded).name);
        result.rowsBefore = m_rowsBefore.value(folded);
        for (const OldMemo& old : m_memos) {
            if (old.country != folded)
                continue;
            if (old.carried)
                ++result.memosCarried;
            else
                ++result.memosKept;
        }
        result.rowsAfter = m_countries.value(folded).inserted + result.memosKept;
        m_results.append(result);
    }
    return true;
}
