#pragma once

#include "store/territory/Territory.h"

#include <QHash>
#include <QList>

#include <vector>

class CTerritoryCount;

// What a territory holds: its places, the entries of a list standing at them, and the sum
// of a number of those entries (a column such as "Umsatz").
struct CTerritoryFigures {
    qint64 places = 0;
    qint64 entries = 0;
    double sum = 0;
    bool operator==(const CTerritoryFigures&) const = default;
};
using CTerritoryFigureMap = QHash<qint64, CTerritoryFigures>; // by territory; 0: in none

// The entries of a list as the balance counts them: the place row each stands at (-1: none
// in GEO) and its number (0 without one).
struct CTerritoryEntries {
    std::vector<qint64> rows;
    std::vector<double> values;
};

namespace TerritoryBalance {

// The figures of every territory by the count (places) and the entries.
CTerritoryFigureMap Figures(const CTerritoryCount& count, const CTerritoryEntries& entries);

// The figures once the rows `moved` (of the count's rows) are in the territory `target`
// (0: in none), as an assignment of them would make them.
CTerritoryFigureMap Moved(const CTerritoryFigureMap& before, const CTerritoryCount& count,
                          const CTerritoryEntries& entries, const QList<quint32>& moved,
                          qint64 target);

// The largest less the smallest number of places among the territories (those in none
// aside); 0 with fewer than two territories.
qint64 Spread(const CTerritoryFigureMap& figures, const QList<CTerritory>& territories);

} // namespace TerritoryBalance
