#include "render/map/PlaceLookup.h"

#include "base/FoldLike.h"
#include "render/rows/GeoPlaceRows.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <cstring>
#include <utility>

namespace {

// The place an entry names, as its texts are.
struct EntryKey {
    QString staat, plz, ort;
    bool operator==(const EntryKey&) const = default;
};

size_t qHash(const EntryKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.staat, key.plz, key.ort);
}

} // namespace

QByteArray CPlaceLookup::OrtKey(QByteArrayView utf8) {
    return QString::fromUtf8(FoldLike::FoldText(utf8)).toCaseFolded().simplified().toUtf8();
}

qint64 CPlaceLookup::FindRow(const CGeoPlaceRows& rows, QByteArrayView staat, QByteArrayView plz,
                             const QByteArray& ortKey, bool* ortFound) {
    if (ortFound)
        *ortFound = false;
    if (!ortKey.isEmpty()) {
        const qint64 named = rows.Find(staat, plz, [&](quint32 row) {
            return OrtKey(rows.TextOf(row, CGeoPlaceRows::Ort)) == ortKey ||
                   OrtKey(rows.TextOf(row, CGeoPlaceRows::Ortsteil)) == ortKey;
        });
        if (named >= 0) {
            if (ortFound)
                *ortFound = true;
            return named;
        }
    }
    return rows.Find(staat, plz);
}

void CPlaceLookup::Clear() {
    m_keys.clear();
    m_aKeyStart.clear();
    m_aPlaceOf.clear();
    m_aRowOfPlace.clear();
    m_aRows.clear();
}

void CPlaceLookup::Prepare(const CPlaceList& places) {
    Clear();
    m_aPlaceOf.reserve(size_t(places.size()));
    // By the entries' own texts, which a list's entries share: an entry of a place met before
    // costs a hash and no copy.
    QHash<EntryKey, quint32> placeOfEntry;
    QHash<QString, QByteArray> ortKeys; // a name is folded once
    for (const CPlaceEntry& entry : places) {
        EntryKey entryKey{entry.m_strStaat, entry.m_strPLZ, entry.m_strOrt};
        const auto found = placeOfEntry.constFind(entryKey);
        if (found != placeOfEntry.constEnd()) {
            m_aPlaceOf.push_back(*found);
            continue;
        }
        const QByteArray staat = entry.m_strStaat.toUtf8(), plz = entry.m_strPLZ.toUtf8();
        QByteArray ort;
        if (!entry.m_strOrt.isEmpty()) {
            auto folded = ortKeys.constFind(entry.m_strOrt);
            if (folded == ortKeys.constEnd())
                folded = ortKeys.insert(entry.m_strOrt, OrtKey(entry.m_strOrt.toUtf8()));
            ort = *folded;
        }
        // The three lengths first: texts holding a NUL stay apart.
        const quint32 lengths[3] = {quint32(staat.size()), quint32(plz.size()),
                                    quint32(ort.size())};
        const auto place = quint32(m_aKeyStart.size());
        m_aKeyStart.push_back(m_keys.size());
        m_keys.append(reinterpret_cast<const char*>(lengths), sizeof lengths);
        m_keys.append(staat).append(plz).append(ort);
        placeOfEntry.insert(std::move(entryKey), place);
        m_aPlaceOf.push_back(place);
    }
    m_keys.squeeze();
    m_aRowOfPlace.assign(m_aKeyStart.size(), -1);
}

void CPlaceLookup::Resolve(const CGeoPlaceRows& rows) {
    m_aRows.clear();
    QHash<qint64, qint32> found; // GEO row -> index into m_aRows
    QSet<QByteArray> names;      // rows of one place name share its text
    for (size_t place = 0; place < m_aKeyStart.size(); ++place) {
        quint32 lengths[3];
        const char* text = m_keys.constData() + m_aKeyStart[place];
        memcpy(lengths, text, sizeof lengths);
        text += sizeof lengths;
        const QByteArrayView staat(text, lengths[0]), plz(text + lengths[0], lengths[1]);
        const QByteArray ort(text + lengths[0] + lengths[1], lengths[2]);
        const qint64 row = FindRow(rows, staat, plz, ort);
        if (row < 0) {
            m_aRowOfPlace[place] = -1;
            continue;
        }
        auto index = found.constFind(row);
        if (index == found.constEnd()) {
            const CGeoPlaceRows::Point& point = rows.Coordinates(quint32(row));
            QByteArray name = rows.TextOf(quint32(row), CGeoPlaceRows::Ort).toByteArray();
            const auto known = names.constFind(name);
            if (known != names.constEnd())
                name = *known;
            else
                names.insert(name);
            index = found.insert(row, qint32(m_aRows.size()));
            m_aRows.push_back(Row{point.lon, point.lat, name});
        }
        m_aRowOfPlace[place] = *index;
    }
}

const CPlaceLookup::Row* CPlaceLookup::Find(int index) const {
    if (index < 0 || size_t(index) >= m_aPlaceOf.size())
        return nullptr;
    const qint32 row = m_aRowOfPlace.empty() ? -1 : m_aRowOfPlace[m_aPlaceOf[size_t(index)]];
    return row < 0 ? nullptr : &m_aRows[size_t(row)];
}
