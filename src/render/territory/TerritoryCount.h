#pragma once

#include "render/territory/TerritoryAssigner.h"
#include "store/territory/Territory.h"

#include <memory>
#include <optional>
#include <vector>

class CGeoPlaceRows;

// The territory of every place row and the places per territory, kept across changes of the
// assignment. When the rows and the rules are those of the last count and only exceptions
// changed (places assigned one by one), only the rows of the postal codes of the changed
// exceptions are placed again; any other change places every row.
class CTerritoryCount {
public:
    // Counts the rows by `data`. False when nothing had to be placed again.
    bool Update(const std::shared_ptr<const CGeoPlaceRows>& rows, const CTerritoryData& data);

    const std::shared_ptr<const CGeoPlaceRows>& Rows() const { return m_pRows; }
    const CTerritoryData& Data() const { return m_data; }
    const CTerritoryAssigner& Assigner() const { return *m_assigner; }
    // The placement of a row of Rows().
    const CTerritoryAssigner::Placement& Placement(quint32 row) const { return m_aPlaced[row]; }
    // The places per territory (0: in none).
    const QHash<qint64, qint64>& Places() const { return m_places; }

    // How many rows the last Update placed (all of them, or those of the changed codes).
    quint32 LastPlaced() const { return m_nLastPlaced; }

private:
    void PlaceAll();
    // Places again the rows whose country (upper case) and postal code one of the changed
    // exceptions names.
    void PlaceCodes(const QList<CTerritoryException>& changed);

    std::shared_ptr<const CGeoPlaceRows> m_pRows;
    CTerritoryData m_data;
    std::optional<CTerritoryAssigner> m_assigner;
    std::vector<CTerritoryAssigner::Placement> m_aPlaced;
    QHash<qint64, qint64> m_places;
    quint32 m_nLastPlaced = 0;
};
