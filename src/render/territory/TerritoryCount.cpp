#include "render/territory/TerritoryCount.h"

#include "render/rows/GeoPlaceRows.h"

#include <string_view>
#include <unordered_set>

namespace {

bool sameRules(const QList<CTerritoryRule>& a, const QList<CTerritoryRule>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].territory != b[i].territory || !a[i].SameRange(b[i]))
            return false;
    }
    return true;
}

QByteArray exceptionKey(const CTerritoryException& e) {
    return e.staat.toUpper() + '\0' + e.plz + '\0' + e.ort + '\0' + e.ortsteil;
}

// The exceptions that are in one list and not in the other, or in both with another
// territory.
QList<CTerritoryException> changedExceptions(const QList<CTerritoryException>& before,
                                             const QList<CTerritoryException>& after) {
    QHash<QByteArray, qint64> old;
    old.reserve(before.size());
    for (const CTerritoryException& e : before)
        old.insert(exceptionKey(e), e.territory);
    QList<CTerritoryException> changed;
    for (const CTerritoryException& e : after) {
        const auto it = old.constFind(exceptionKey(e));
        if (it == old.cend()) {
            changed << e;
            continue;
        }
        if (*it != e.territory)
            changed << e;
        old.erase(it);
    }
    for (const CTerritoryException& e : before) {
        if (old.contains(exceptionKey(e)))
            changed << e;
    }
    return changed;
}

} // namespace

bool CTerritoryCount::Update(const std::shared_ptr<const CGeoPlaceRows>& rows,
                             const CTerritoryData& data) {
    const bool sameBase =
        rows && rows == m_pRows && m_assigner && sameRules(m_data.rules, data.rules);
    const QList<CTerritoryException> changed =
        sameBase ? changedExceptions(m_data.exceptions, data.exceptions)
                 : QList<CTerritoryException>();
    m_data = data;
    m_nLastPlaced = 0;
    if (sameBase && changed.isEmpty())
        return false;
    if (!sameBase) {
        m_assigner.emplace(m_data);
        m_pRows = rows;
        PlaceAll();
    } else {
        // The rules, the most of what the assigner holds, are those it has.
        m_assigner->SetExceptions(m_data.exceptions);
        PlaceCodes(changed);
    }
    return true;
}

void CTerritoryCount::PlaceAll() {
    m_places.clear();
    m_aPlaced.clear();
    if (!m_pRows)
        return;
    m_aPlaced = m_assigner->PlaceRows(*m_pRows);
    for (const CTerritoryAssigner::Placement& p : m_aPlaced)
        ++m_places[p.territory];
    m_nLastPlaced = m_pRows->Size();
}

void CTerritoryCount::PlaceCodes(const QList<CTerritoryException>& changed) {
    const CGeoPlaceRows& rows = *m_pRows;
    // The changed postal codes, looked up without a copy of the row's text; the country is
    // compared after.
    std::unordered_set<std::string_view> codes;
    QSet<QByteArray> keys;
    for (const CTerritoryException& e : changed) {
        codes.insert(std::string_view(e.plz.constData(), size_t(e.plz.size())));
        keys.insert(e.staat.toUpper() + '\0' + e.plz);
    }
    std::vector<QByteArray> countries;
    for (const QByteArray& c : rows.Countries())
        countries.push_back(c.toUpper());
    QByteArrayView lastPlz;
    quint32 lastCountry = quint32(-1);
    bool lastChanged = false;
    for (quint32 k = 0; k < rows.Size(); ++k) {
        const QByteArrayView plz = rows.TextOf(k, CGeoPlaceRows::Plz);
        if (k == 0 || rows.Country(k) != lastCountry || plz != lastPlz) {
            lastCountry = rows.Country(k);
            lastPlz = plz;
            lastChanged = codes.count(std::string_view(plz.data(), size_t(plz.size()))) > 0 &&
                          keys.contains(countries[lastCountry] + '\0' + plz.toByteArray());
        }
        if (!lastChanged)
            continue;
        CTerritoryAssigner::Placement& placed = m_aPlaced[k];
        --m_places[placed.territory];
        placed = m_assigner->Place(rows.Countries()[lastCountry], plz,
                                   rows.TextOf(k, CGeoPlaceRows::Ort),
                                   rows.TextOf(k, CGeoPlaceRows::Ortsteil));
        ++m_places[placed.territory];
        ++m_nLastPlaced;
    }
}
