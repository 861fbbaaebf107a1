#include "render/territory/TerritoryCount.h"

#include "render/rows/GeoPlaceRows.h"

#include <algorithm>

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

QByteArray codeKey(const CTerritoryException& e) {
    return e.staat.toUpper() + '\0' + e.plz;
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
    const CTerritoryData before = std::exchange(m_data, data);
    m_nLastPlaced = 0;
    m_aLastRanges.clear();
    if (!rows) {
        *this = CTerritoryCount();
        m_data = data;
        return true;
    }
    const bool sameRows = rows == m_pRows && m_assigner;
    const bool rulesKept = sameRows && sameRules(before.rules, m_data.rules);
    if (rulesKept)
        m_assigner->SetExceptions(m_data.exceptions);
    else
        m_assigner.emplace(m_data);

    // The exceptions of each postal code, for the groups placed.
    QHash<QByteArray, QList<qsizetype>> exceptionsByCode;
    exceptionsByCode.reserve(m_data.exceptions.size());
    for (qsizetype i = 0; i < m_data.exceptions.size(); ++i)
        exceptionsByCode[codeKey(m_data.exceptions[i])] << i;

    if (!sameRows) {
        m_pRows = rows;
        MakeGroups();
        m_aPlaced.assign(rows->Size(), CTerritoryAssigner::Placement());
        m_places.clear();
        if (rows->Size() > 0)
            m_places.insert(0, rows->Size());
        for (quint32 g = 0; g + 1 < m_aGroupStart.size(); ++g) {
            m_aGroupRule[g] =
                m_assigner->BestRule(m_pRows->Countries()[m_pRows->Country(m_aGroupStart[g])],
                                     m_pRows->TextOf(m_aGroupStart[g], CGeoPlaceRows::Plz));
            PlaceGroup(g, exceptionsByCode);
        }
        m_nLastPlaced = rows->Size();
        m_aLastRanges.assign(1, {0, rows->Size()});
        return true;
    }

    const quint32 groups = quint32(m_aGroupRule.size());
    std::vector<bool> dirty(groups, false);
    bool any = false;
    if (!rulesKept) {
        for (quint32 g = 0; g < groups; ++g) {
            const quint32 first = m_aGroupStart[g];
            const int rule = m_assigner->BestRule(m_pRows->Countries()[m_pRows->Country(first)],
                                                  m_pRows->TextOf(first, CGeoPlaceRows::Plz));
            // The same index with the same territory places alike, whatever the rule's range.
            if (rule != m_aGroupRule[g] ||
                (rule >= 0 && m_data.rules[rule].territory != before.rules[rule].territory)) {
                m_aGroupRule[g] = rule;
                dirty[g] = any = true;
            }
        }
    }
    for (const CTerritoryException& e : changedExceptions(before.exceptions, m_data.exceptions)) {
        const QByteArray country = e.staat.toUpper();
        const auto id = std::find(m_aUpperNames.cbegin(), m_aUpperNames.cend(), country);
        if (id == m_aUpperNames.cend())
            continue;
        const quint32 upper = quint32(id - m_aUpperNames.cbegin());
        const std::pair<size_t, quint32> low{CodeHash(upper, e.plz), 0};
        for (auto it = std::lower_bound(m_aCodeIndex.cbegin(), m_aCodeIndex.cend(), low);
             it != m_aCodeIndex.cend() && it->first == low.first; ++it) {
            const quint32 first = m_aGroupStart[it->second];
            if (m_aUpperOf[m_pRows->Country(first)] == upper &&
                m_pRows->TextOf(first, CGeoPlaceRows::Plz) == e.plz)
                dirty[it->second] = any = true;
        }
    }
    if (!any)
        return false;
    for (quint32 g = 0; g < groups; ++g) {
        if (!dirty[g])
            continue;
        PlaceGroup(g, exceptionsByCode);
        const quint32 first = m_aGroupStart[g], end = m_aGroupStart[g + 1];
        m_nLastPlaced += end - first;
        if (!m_aLastRanges.empty() && m_aLastRanges.back().second == first)
            m_aLastRanges.back().second = end;
        else
            m_aLastRanges.emplace_back(first, end);
    }
    return true;
}

void CTerritoryCount::MakeGroups() {
    const CGeoPlaceRows& rows = *m_pRows;
    // Countries that differ in the case of letters only share one upper-case name.
    m_aUpperCountry.clear();
    m_aUpperNames.clear();
    m_aUpperOf.clear();
    for (const QByteArray& c : rows.Countries()) {
        m_aUpperCountry.push_back(c.toUpper());
        const auto id =
            std::find(m_aUpperNames.cbegin(), m_aUpperNames.cend(), m_aUpperCountry.back());
        m_aUpperOf.push_back(quint32(id - m_aUpperNames.cbegin()));
        if (id == m_aUpperNames.cend())
            m_aUpperNames.push_back(m_aUpperCountry.back());
    }
    m_aGroupStart.clear();
    m_aCodeIndex.clear();
    // Rows stand in Staat, PLZ order: the rows of one code follow each other.
    QByteArrayView lastPlz;
    for (quint32 k = 0; k < rows.Size(); ++k) {
        const QByteArrayView plz = rows.TextOf(k, CGeoPlaceRows::Plz);
        if (k > 0 && rows.Country(k) == rows.Country(k - 1) && plz == lastPlz)
            continue;
        lastPlz = plz;
        m_aCodeIndex.emplace_back(CodeHash(m_aUpperOf[rows.Country(k)], plz),
                                  quint32(m_aGroupStart.size()));
        m_aGroupStart.push_back(k);
    }
    m_aGroupRule.assign(m_aGroupStart.size(), -1);
    m_aGroupStart.push_back(rows.Size());
    std::sort(m_aCodeIndex.begin(), m_aCodeIndex.end());
}

size_t CTerritoryCount::CodeHash(quint32 upperCountry, QByteArrayView plz) {
    return qHash(plz, size_t(upperCountry));
}

QByteArray CTerritoryCount::CodeKey(quint32 group) const {
    const quint32 row = m_aGroupStart[group];
    const QByteArrayView plz = m_pRows->TextOf(row, CGeoPlaceRows::Plz);
    QByteArray key = m_aUpperCountry[m_pRows->Country(row)];
    key.reserve(key.size() + 1 + plz.size());
    return key.append('\0').append(plz);
}

void CTerritoryCount::Move(qint64 from, qint64 to, qint64 places) {
    if (from == to || places == 0)
        return;
    const auto it = m_places.find(from);
    if (it != m_places.end() && (*it -= places) == 0)
        m_places.erase(it);
    m_places[to] += places;
}

void CTerritoryCount::PlaceGroup(quint32 group,
                                 const QHash<QByteArray, QList<qsizetype>>& exceptionsByCode) {
    const CGeoPlaceRows& rows = *m_pRows;
    CTerritoryAssigner::Placement byRule;
    byRule.rule = m_aGroupRule[group];
    if (byRule.rule >= 0)
        byRule.territory = m_data.rules[byRule.rule].territory;
    const auto found = exceptionsByCode.isEmpty() ? exceptionsByCode.cend()
                                                  : exceptionsByCode.constFind(CodeKey(group));
    const QList<qsizetype>* exceptions = found == exceptionsByCode.cend() ? nullptr : &*found;
    // The rows that leave one territory for another, counted over runs of the same move.
    qint64 from = 0, to = 0, moving = 0;
    for (quint32 k = m_aGroupStart[group]; k < m_aGroupStart[group + 1]; ++k) {
        CTerritoryAssigner::Placement now = byRule;
        if (exceptions) {
            const QByteArrayView ort = rows.TextOf(k, CGeoPlaceRows::Ort),
                                 ortsteil = rows.TextOf(k, CGeoPlaceRows::Ortsteil);
            // Of two exceptions for one place (not stored so) the later one counts.
            for (qsizetype i = exceptions->size() - 1; i >= 0; --i) {
                const CTerritoryException& e = m_data.exceptions[(*exceptions)[i]];
                if (e.ort == ort && e.ortsteil == ortsteil) {
                    now = CTerritoryAssigner::Placement{e.territory, -1, true};
                    break;
                }
            }
        }
        CTerritoryAssigner::Placement& placed = m_aPlaced[k];
        if (placed.territory != now.territory) {
            if (placed.territory != from || now.territory != to) {
                Move(from, to, moving);
                from = placed.territory;
                to = now.territory;
                moving = 0;
            }
            ++moving;
        }
        placed = now;
    }
    Move(from, to, moving);
}
