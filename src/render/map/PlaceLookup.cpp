#include "render/map/PlaceLookup.h"

#include "base/FoldLike.h"
#include "render/rows/GeoPlaceRows.h"

#include <QString>

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
    m_aKeys.clear();
    m_aRow.clear();
}

void CPlaceLookup::Prepare(const CPlaceList& places) {
    Clear();
    m_aKeys.reserve(size_t(places.size()));
    for (const CPlaceEntry& entry : places)
        m_aKeys.push_back(
            {entry.m_strStaat.toUtf8(), entry.m_strPLZ.toUtf8(),
             entry.m_strOrt.isEmpty() ? QByteArray() : OrtKey(entry.m_strOrt.toUtf8())});
    m_aRow.resize(m_aKeys.size());
}

void CPlaceLookup::Resolve(const CGeoPlaceRows& rows) {
    for (size_t i = 0; i < m_aKeys.size(); ++i) {
        const qint64 row = FindRow(rows, m_aKeys[i].staat, m_aKeys[i].plz, m_aKeys[i].ort);
        if (row < 0) {
            m_aRow[i].reset();
            continue;
        }
        const CGeoPlaceRows::Point& point = rows.Coordinates(quint32(row));
        m_aRow[i] =
            Row{point.lon, point.lat, rows.TextOf(quint32(row), CGeoPlaceRows::Ort).toByteArray()};
    }
}

const CPlaceLookup::Row* CPlaceLookup::Find(int index) const {
    if (index < 0 || size_t(index) >= m_aRow.size())
        return nullptr;
    const std::optional<Row>& row = m_aRow[size_t(index)];
    return row ? &*row : nullptr;
}
