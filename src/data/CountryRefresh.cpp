#include "data/CountryRefresh.h"

#include "base/AsciiCase.h"
#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <QCryptographicHash>

#include <cstring>

namespace {

// Kept rows written at a time: their values wait in memory until then.
constexpr int kUpdateSpan = 5000;
// Rows deleted between two looks at the progress.
constexpr int kDeleteSpan = 2000;

// ASCII letters in lower case, as the columns' NOCASE comparison sees them.
QByteArray fold(QByteArrayView text) {
    QByteArray folded(text.data(), text.size());
    for (char& c : folded)
        c = AsciiCase::Lower(c);
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
        *out++ = AsciiCase::Lower(c);
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

CCountryRefresh::Digest CCountryRefresh::FieldsDigest(const GeoRowFields& fields) {
    // Every field as it is written (case included), but the key and the memo.
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (int i = 0; i < GEO_FIELD_COUNT; ++i) {
        if (i == GEO_ID || i == GEO_MEMO)
            continue;
        const quint32 n = quint32(fields[size_t(i)].size());
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(&n), sizeof n));
        hash.addData(fields[size_t(i)]);
    }
    Digest digest;
    const QByteArrayView result = hash.resultView();
    std::memcpy(digest.data(), result.data(), digest.size());
    return digest;
}

bool CCountryRefresh::Fail(const QString& error) {
    m_strError = error;
    return false;
}

bool CCountryRefresh::LoadCountry(Country& country) {
    // The country's rows in key order, every field and whether the memo holds a text.
    CGeoRecordset rs(m_database);
    if (!rs.Open(m_database.Sql().CountryRowsForRefresh(m_database.m_Table),
                 {QString::fromUtf8(country.name)}))
        return Fail(rs.Error());
    QByteArray key;
    GeoRowFields fields;
    while (rs.MoveNext()) {
        for (int i = 0; i < GEO_FIELD_COUNT; ++i)
            fields[size_t(i)] = rs.FieldUtf8(i);
        OldRow row;
        row.key = rs.FieldInt(GEO_ID);
        row.hasMemo = rs.FieldInt(GEO_FIELD_COUNT) != 0;
        row.memo = fields[GEO_MEMO].toByteArray();
        row.digest = FieldsDigest(fields);
        MatchKey(key, fields[GEO_STAAT], fields[GEO_PLZ], fields[GEO_ORT], fields[GEO_ORTSTEIL]);
        const auto it = m_groupOf.constFind(key);
        if (it != m_groupOf.constEnd()) {
            row.group = it.value();
        } else {
            row.group = int(m_groups.size());
            m_groups.emplace_back();
            m_groupOf.insert(key, row.group);
        }
        m_groups[size_t(row.group)].rows.push_back(int(m_old.size()));
        country.old.push_back(int(m_old.size()));
        m_old.push_back(std::move(row));
        ++country.rowsBefore;
    }
    return !rs.HasError() || Fail(rs.Error());
}

CCountryRefresh::Country* CCountryRefresh::NoteCountry(QByteArrayView country) {
    if (m_pLastCountry && country == m_lastCountry)
        return m_pLastCountry;
    const QByteArray folded = fold(country);
    auto it = m_countries.find(folded);
    if (it == m_countries.end()) {
        Country entry;
        entry.name = country.toByteArray();
        it = m_countries.insert(folded, std::move(entry));
        m_countryOrder.append(folded);
        if (!LoadCountry(it.value())) {
            m_pLastCountry = nullptr;
            return nullptr;
        }
    }
    m_lastCountry = country.toByteArray();
    m_pLastCountry = &it.value();
    return m_pLastCountry;
}

const QByteArray& CCountryRefresh::Joined(Group& group) {
    if (!group.joinedKnown) {
        QList<QByteArray> texts;
        for (int i : group.rows) {
            const OldRow& old = m_old[size_t(i)];
            if (old.hasMemo && !texts.contains(old.memo))
                texts.append(old.memo);
        }
        group.joined = texts.join('\n');
        group.joinedKnown = true;
    }
    return group.joined;
}

CCountryRefresh::Placed CCountryRefresh::NewRow(GeoRowFields& fields) {
    Country* country = NoteCountry(fields[GEO_STAAT]);
    if (!country)
        return Placed::Failed;
    ++country->newRows;
    if (m_groupOf.isEmpty())
        return Placed::Insert;
    MatchKey(m_key, fields[GEO_STAAT], fields[GEO_PLZ], fields[GEO_ORT], fields[GEO_ORTSTEIL]);
    const auto it = m_groupOf.constFind(m_key);
    if (it == m_groupOf.constEnd())
        return Placed::Insert;
    Group& group = m_groups[size_t(it.value())];
    group.carried = true;
    const QByteArray& memo = Joined(group);
    if (group.nPaired == group.rows.size()) {
        fields[GEO_MEMO] = memo;
        return Placed::Insert;
    }
    OldRow& old = m_old[size_t(group.rows[group.nPaired++])];
    old.paired = true;
    if (old.memo == memo && old.digest == FieldsDigest(fields))
        return Placed::Kept;
    return QueueUpdate(old.key, fields, memo) ? Placed::Kept : Placed::Failed;
}

bool CCountryRefresh::QueueUpdate(qint64 key, const GeoRowFields& fields, QByteArrayView memo) {
    // The values of the update: every field but the key, in field order, then the key.
    auto add = [this](QByteArrayView value) {
        m_updates.append(value.data(), value.size());
        m_updates.append('\0');
        m_updateSizes.push_back(int(value.size()));
    };
    for (int i = 0; i < GEO_FIELD_COUNT; ++i) {
        if (i != GEO_ID)
            add(i == GEO_MEMO ? memo : fields[size_t(i)]);
    }
    add(QByteArray::number(key));
    return m_updateSizes.size() < size_t(kUpdateSpan * GEO_FIELD_COUNT) || WriteUpdates();
}

bool CCountryRefresh::WriteUpdates() {
    if (m_updateSizes.empty())
        return true;
    const CGeoTableDesc& desc = m_database.m_Table;
    for (const QString& sql : m_database.Sql().BeginRowUpdates(desc)) {
        if (!m_database.Execute(sql))
            return Fail(m_database.LastError());
    }
    CGeoRecordset update(m_database);
    if (!update.Open(m_database.Sql().UpdateRow(desc)))
        return Fail(update.Error());
    std::array<QByteArrayView, GEO_FIELD_COUNT> values;
    const char* at = m_updates.constData();
    for (size_t done = 0; done < m_updateSizes.size(); done += GEO_FIELD_COUNT) {
        for (int i = 0; i < GEO_FIELD_COUNT; ++i) {
            const int size = m_updateSizes[done + size_t(i)];
            values[size_t(i)] = QByteArrayView(at, size);
            at += size + 1;
        }
        if (!update.ExecuteUtf8(values.data(), GEO_FIELD_COUNT))
            return Fail(update.Error());
    }
    update.Close();
    for (const QString& sql : m_database.Sql().EndRowUpdates(desc)) {
        if (!m_database.Execute(sql))
            return Fail(m_database.LastError());
    }
    m_updates.clear();
    m_updateSizes.clear();
    return true;
}

bool CCountryRefresh::Finish(const std::function<bool(double)>& progress) {
    if (progress && !progress(0))
        return Fail(QStringLiteral("abgebrochen"));
    if (!WriteUpdates())
        return false;
    // The old rows that leave: no new row took their place, and their memo has moved on or
    // there is none.
    std::vector<qint64> leaving;
    for (const OldRow& old : m_old) {
        if (!old.paired && (!old.hasMemo || m_groups[size_t(old.group)].carried))
            leaving.push_back(old.key);
    }
    if (!leaving.empty()) {
        CGeoRecordset del(m_database);
        if (!del.Open(m_database.Sql().DeleteRow(m_database.m_Table)))
            return Fail(del.Error());
        for (size_t i = 0; i < leaving.size(); ++i) {
            const QByteArray key = QByteArray::number(leaving[i]);
            const QByteArrayView value(key);
            if (!del.ExecuteUtf8(&value, 1))
                return Fail(del.Error());
            if (progress && (i + 1) % kDeleteSpan == 0 &&
                !progress(double(i + 1) / double(leaving.size())))
                return Fail(QStringLiteral("abgebrochen"));
        }
    }
    for (const QByteArray& folded : m_countryOrder) {
        const Country& country = m_countries[folded];
        CountryRefreshResult result;
        result.country = QString::fromUtf8(country.name);
        result.rowsBefore = country.rowsBefore;
        for (int i : country.old) {
            const OldRow& old = m_old[size_t(i)];
            if (!old.hasMemo)
                continue;
            if (m_groups[size_t(old.group)].carried)
                ++result.memosCarried;
            else
                ++result.memosKept;
        }
        result.rowsAfter = country.newRows + result.memosKept;
        m_results.append(result);
    }
    return true;
}
