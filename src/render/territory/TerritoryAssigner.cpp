#include "render/territory/TerritoryAssigner.h"

#include "render/rows/GeoPlaceRows.h"

#include <algorithm>

CTerritoryAssigner::CTerritoryAssigner(const CTerritoryData& data) : m_rules(data.rules) {
    for (int i = 0; i < int(m_rules.size()); ++i) {
        const CTerritoryRule& r = m_rules[i];
        const QByteArray country = r.staat.toUpper();
        if (r.from != r.to) {
            m_byCountry[country].push_back(i);
            continue;
        }
        // Of two rules with the same prefix (not stored so) the later one counts.
        m_singles.insert(country + '\0' + r.from, i);
        QList<int>& lengths = m_singleLengths[country];
        if (!lengths.contains(int(r.from.size())))
            lengths << int(r.from.size());
    }
    for (std::vector<int>& list : m_byCountry) {
        std::stable_sort(list.begin(), list.end(),
                         [this](int a, int b) { return m_rules[a].MoreSpecificThan(m_rules[b]); });
    }
    SetExceptions(data.exceptions);
}

void CTerritoryAssigner::SetExceptions(const QList<CTerritoryException>& exceptions) {
    m_exceptions.clear();
    m_exceptionCodes.clear();
    for (const CTerritoryException& e : exceptions) {
        m_exceptions.insert(Key(e.staat, e.plz, e.ort, e.ortsteil), e.territory);
        m_exceptionCodes.insert(e.staat.toUpper() + '\0' + e.plz);
    }
}

QByteArray CTerritoryAssigner::Key(QByteArrayView staat, QByteArrayView plz, QByteArrayView ort,
                                   QByteArrayView ortsteil) {
    QByteArray key;
    key.reserve(staat.size() + plz.size() + ort.size() + ortsteil.size() + 3);
    key.append(staat.toByteArray().toUpper()).append('\0').append(plz).append('\0');
    key.append(ort).append('\0').append(ortsteil);
    return key;
}

int CTerritoryAssigner::BestRule(QByteArrayView staat, QByteArrayView plz) const {
    const QByteArray country = staat.toByteArray().toUpper();
    int best = -1;
    const auto ranges = m_byCountry.constFind(country);
    if (ranges != m_byCountry.cend()) {
        for (int i : *ranges) {
            if (m_rules[i].Matches(staat, plz)) {
                best = i;
                break;
            }
        }
    }
    // The single prefixes of the code, each looked up once.
    for (int length : m_singleLengths.value(country)) {
        if (plz.size() < length)
            continue;
        const int i = m_singles.value(country + '\0' + plz.first(length).toByteArray(), -1);
        if (i >= 0 && (best < 0 || m_rules[i].MoreSpecificThan(m_rules[best])))
            best = i;
    }
    return best;
}

CTerritoryAssigner::Placement CTerritoryAssigner::Place(QByteArrayView staat, QByteArrayView plz,
                                                        QByteArrayView ort,
                                                        QByteArrayView ortsteil) const {
    Placement p;
    if (!m_exceptions.isEmpty()) {
        const auto e = m_exceptions.constFind(Key(staat, plz, ort, ortsteil));
        if (e != m_exceptions.cend()) {
            p.territory = *e;
            p.exception = true;
            return p;
        }
    }
    p.rule = BestRule(staat, plz);
    if (p.rule >= 0)
        p.territory = m_rules[p.rule].territory;
    return p;
}

QString CTerritoryAssigner::Reason(const Placement& placement) const {
    if (placement.exception)
        return QStringLiteral("einzeln zugewiesen");
    if (placement.rule >= 0)
        return QStringLiteral("Regel %1").arg(m_rules[placement.rule].Text());
    return QStringLiteral("keine Regel");
}

int CTerritoryAssigner::OverlappedRule(const Placement& placement, QByteArrayView staat,
                                       QByteArrayView plz) const {
    if (placement.exception)
        return BestRule(staat, plz);
    if (placement.rule < 0)
        return -1;
    // Every other rule covering the code is less specific than the placing one (rules of the
    // same width do not overlap); the most specific of them.
    const CTerritoryRule& placing = m_rules[placement.rule];
    int next = -1;
    for (int i = 0; i < int(m_rules.size()); ++i) {
        if (i == placement.rule || !m_rules[i].Matches(staat, plz) ||
            !placing.MoreSpecificThan(m_rules[i]))
            continue;
        if (next < 0 || m_rules[i].MoreSpecificThan(m_rules[next]))
            next = i;
    }
    return next;
}

std::vector<CTerritoryAssigner::Placement>
CTerritoryAssigner::PlaceRows(const CGeoPlaceRows& rows) const {
    std::vector<Placement> result(rows.Size());
    // Rows stand in Staat, PLZ order: the rule found for one postal code serves the next
    // rows with the same code.
    quint32 lastCountry = quint32(-1);
    QByteArrayView lastPlz;
    int lastRule = -1;
    bool lastHasExceptions = false;
    for (quint32 k = 0; k < rows.Size(); ++k) {
        const QByteArray& staat = rows.Countries()[rows.Country(k)];
        const QByteArrayView plz = rows.TextOf(k, CGeoPlaceRows::Plz);
        if (k == 0 || rows.Country(k) != lastCountry || plz != lastPlz) {
            lastCountry = rows.Country(k);
            lastPlz = plz;
            lastRule = BestRule(staat, plz);
            lastHasExceptions =
                !m_exceptionCodes.isEmpty() &&
                m_exceptionCodes.contains(staat.toUpper() + '\0' + plz.toByteArray());
        }
        if (lastHasExceptions) {
            const auto e =
                m_exceptions.constFind(Key(staat, plz, rows.TextOf(k, CGeoPlaceRows::Ort),
                                           rows.TextOf(k, CGeoPlaceRows::Ortsteil)));
            if (e != m_exceptions.cend()) {
                result[k].territory = *e;
                result[k].exception = true;
                continue;
            }
        }
        result[k].rule = lastRule;
        if (lastRule >= 0)
            result[k].territory = m_rules[lastRule].territory;
    }
    return result;
}

CTerritoryTotals
CTerritoryTotals::Count(const std::vector<CTerritoryAssigner::Placement>& placements) {
    CTerritoryTotals totals;
    for (const CTerritoryAssigner::Placement& p : placements)
        ++totals.places[p.territory];
    return totals;
}

qint64 CTerritoryTotals::Spread(const QHash<qint64, qint64>& counts,
                                const QList<CTerritory>& territories) {
    if (territories.size() < 2)
        return 0;
    qint64 low = -1, high = 0;
    for (const CTerritory& t : territories) {
        const qint64 n = counts.value(t.id);
        high = std::max(high, n);
        low = low < 0 ? n : std::min(low, n);
    }
    return high - low;
}
