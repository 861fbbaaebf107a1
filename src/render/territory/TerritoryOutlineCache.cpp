#include "render/territory/TerritoryOutlines.h"

#include "render/territory/TerritoryStore.h"

QString CTerritoryOutlineCache::Load(CGeoDatabase& database) {
    if (!m_bWantAreas) {
        m_pAreas.reset();
        return {};
    }
    auto areas = std::make_shared<CPostalAreas>();
    CTerritoryStore store(database);
    const bool read = store.LoadAreas(areas.get());
    m_pAreas = std::move(areas);
    return read ? QString() : store.Error();
}

const QList<CTerritoryOutline>&
CTerritoryOutlineCache::Outlines(const CGeoPlaceRows& rows,
                                 const std::vector<quint32>& territoryOfRow,
                                 const CTerritoryData& data, const CTerritoryOutlineShape& shape) {
    if (!m_bMade || !(shape == m_shape) || m_pAreasUsed != m_pAreas) {
        m_aOutlines = TerritoryOutlines::Of(rows, territoryOfRow, data, shape, m_pAreas.get());
        m_bMade = true;
        m_shape = shape;
        m_pAreasUsed = m_pAreas;
    }
    return m_aOutlines;
}
