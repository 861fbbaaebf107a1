#include "render/territory/TerritoryBalance.h"

#include "render/rows/GeoPlaceRows.h"
#include "render/territory/TerritoryCount.h"

#include <algorithm>

namespace TerritoryBalance {

CTerritoryFigureMap Figures(const CTerritoryCount& count, const CTerritoryEntries& entries) {
    CTerritoryFigureMap figures;
    for (auto it = count.Places().cbegin(); it != count.Places().cend(); ++it)
        figures[it.key()].places = it.value();
    const quint32 size = count.Rows() ? count.Rows()->Size() : 0;
    for (size_t i = 0; i < entries.rows.size(); ++i) {
        const qint64 row = entries.rows[i];
        if (row < 0 || row >= qint64(size))
            continue;
        CTerritoryFigures& f = figures[count.Placement(quint32(row)).territory];
        ++f.entries;
        f.sum += i < entries.values.size() ? entries.values[i] : 0;
    }
    return figures;
}

CTerritoryFigureMap Moved(const CTerritoryFigureMap& before, const CTerritoryCount& count,
                          const CTerritoryEntries& entries, const QList<quint32>& moved,
                          qint64 target) {
    CTerritoryFigureMap after = before;
    const quint32 size = count.Rows() ? count.Rows()->Size() : 0;
    std::vector<bool> isMoved(size, false);
    for (quint32 row : moved) {
        if (row >= size || isMoved[row])
            continue;
        isMoved[row] = true;
        const qint64 from = count.Placement(row).territory;
        --after[from].places;
        ++after[target].places;
    }
    for (size_t i = 0; i < entries.rows.size(); ++i) {
        const qint64 row = entries.rows[i];
        if (row < 0 || row >= qint64(size) || !isMoved[size_t(row)])
            continue;
        const double value = i < entries.values.size() ? entries.values[i] : 0;
        CTerritoryFigures& from = after[count.Placement(quint32(row)).territory];
        --from.entries;
        from.sum -= value;
        CTerritoryFigures& to = after[target];
        ++to.entries;
        to.sum += value;
    }
    return after;
}

qint64 Spread(const CTerritoryFigureMap& figures, const QList<CTerritory>& territories) {
    if (territories.size() < 2)
        return 0;
    qint64 low = -1, high = 0;
    for (const CTerritory& t : territories) {
        const qint64 n = figures.value(t.id).places;
        high = std::max(high, n);
        low = low < 0 ? n : std::min(low, n);
    }
    return high - low;
}

} // namespace TerritoryBalance
