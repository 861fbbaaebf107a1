#pragma once

#include "render/territory/TerritoryAssigner.h"
#include "store/territory/Territory.h"

#include <QByteArray>
#include <QHash>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class CGeoPlaceRows;

// The territory of every place row and the places per territory, kept across changes of the
// assignment. The rows are grouped once by country and postal code, and the rule of each
// group is found once. After a change only the groups it touches are placed again: those of
// the postal codes of changed exceptions, and, when the rules changed, those whose rule
// now is another one. New rows place every row.
class CTerritoryCount {
public:
    // Counts the rows by `data`. False when nothing had to be placed again.
    bool Update(const std::shared_ptr<const CGeoPlaceRows>& rows, const CTerritoryData& data);

    const std::shared_ptr<const CGeoPlaceRows>& Rows() const { return m_pRows; }
    const CTerritoryData& Data() const { return m_data; }
    const CTerritoryAssigner& Assigner() const { return *m_assigner; }
    // The placement of a row of Rows().
    const CTerritoryAssigner::Placement& Placement(quint32 row) const { return m_aPlaced[row]; }
    // The places per territory (0: in none); territories without places have no entry.
    const QHash<qint64, qint64>& Places() const { return m_places; }

    // How many rows the last Update placed (all of them, or those of the changed groups),
    // and where they stand: ranges [first, end) of the rows' order.
    quint32 LastPlaced() const { return m_nLastPlaced; }
    const std::vector<std::pair<quint32, quint32>>& LastRanges() const { return m_aLastRanges; }

private:
    // The groups of rows of one country and postal code, and the groups by their code.
    void MakeGroups();
    static size_t CodeHash(quint32 upperCountry, QByteArrayView plz);
    QByteArray CodeKey(quint32 group) const;
    // Places the rows of a group by its rule and the exceptions of its code (indexes into
    // m_data.exceptions).
    void PlaceGroup(quint32 group, const QHash<QByteArray, QList<qsizetype>>& exceptionsByCode);
    // Counts places moved from one territory to another.
    void Move(qint64 from, qint64 to, qint64 places);

    std::shared_ptr<const CGeoPlaceRows> m_pRows;
    CTerritoryData m_data;
    std::optional<CTerritoryAssigner> m_assigner;
    std::vector<CTerritoryAssigner::Placement> m_aPlaced;
    QHash<qint64, qint64> m_places;
    quint32 m_nLastPlaced = 0;
    std::vector<std::pair<quint32, quint32>> m_aLastRanges;

    std::vector<QByteArray> m_aUpperCountry; // Countries() in upper case
    std::vector<QByteArray> m_aUpperNames;   // the distinct ones among them
    std::vector<quint32> m_aUpperOf;         // per country: its index in m_aUpperNames
    std::vector<quint32> m_aGroupStart;      // the first row of each group; Size() last
    std::vector<int> m_aGroupRule;           // the rule of each group (-1: none)
    // Every group by the hash of its upper-case country and postal code, sorted; groups of
    // one code are found by the hash and compared.
    std::vector<std::pair<size_t, quint32>> m_aCodeIndex;
};
