#include "render/territory/TerritoryOutlines.h"

#include "render/gdal/GdalFormats.h"
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
        m_aRings.clear();
    }
    return m_aOutlines;
}

const QList<QList<QPointF>>&
CTerritoryOutlineCache::AreaRings(qsizetype index, const QRectF& extent, double tolerance) {
    static const QList<QList<QPointF>> none;
    if (index < 0 || index >= m_aOutlines.size() || !m_aOutlines[index].areas)
        return none;
    if (extent != m_ringExtent || tolerance != m_dRingTolerance) {
        m_aRings.clear();
        m_ringExtent = extent;
        m_dRingTolerance = tolerance;
    }
    m_aRings.resize(size_t(m_aOutlines.size()));
    std::optional<QList<QList<QPointF>>>& rings = m_aRings[size_t(index)];
    if (!rings)
        rings = m_aOutlines[index].areas->Rings(extent, tolerance);
    return *rings;
}
