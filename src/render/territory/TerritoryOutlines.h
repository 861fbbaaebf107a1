#pragma once

#include "render/territory/PostalAreas.h"
#include "render/territory/TerritoryOutlineShape.h"
#include "store/territory/Territory.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class CGeoDatabase;
class CGeoPlaceRows;
class CGdalArea;

// The outline of a territory, in degrees (x longitude, y latitude). `areas` is the union of
// the areas of its places' postal codes, where areas have been imported (null where none
// has one). `corners` are the hull of its other places: places of the territory, in order
// around it and not closed (the last corner is not the first again); one corner for places
// that all lie on one point, two when they lie on one line, none for none.
struct CTerritoryOutline {
    qint64 territory = 0;
    qint64 places = 0;
    QList<QPointF> corners;
    std::shared_ptr<const CGdalArea> areas;
};

namespace TerritoryOutlines {

// The hull of the points (through GEOS, by way of OGR), as the corners above. A concave hull
// of fewer than three points or of points on one line is the convex one.
QList<QPointF> Hull(const std::vector<QPointF>& points, const CTerritoryOutlineShape& shape = {});

// One outline per territory of `data`, in its order, from the rows and the territory of
// each row: 0 for none, else 1 + the territory's position in `data`.
QList<CTerritoryOutline> Of(const CGeoPlaceRows& rows, const std::vector<quint32>& territoryOfRow,
                            const CTerritoryData& data, const CTerritoryOutlineShape& shape = {},
                            const CPostalAreas* areas = nullptr);

// The tightness of a concave hull as the user writes it ("0,3" or "0.3", from 0 to 1): the
// shape becomes concave with it. False with a German message.
bool ParseConcave(const QString& text, CTerritoryOutlineShape* shape, QString* error);

// The outlines as GeoJSON in degrees: one Feature per territory with Name, Farbe,
// Verantwortlich and Orte; a polygon, a line, a point or no geometry as its corners are,
// the union of its areas (a multipolygon) where it has them, both in a collection where it
// has both. The file is replaced only when all was written. False with a German message.
bool WriteGeoJson(const QString& path, const QList<CTerritoryOutline>& outlines,
                  const CTerritoryData& data, QString* error);

} // namespace TerritoryOutlines

// The outlines a map draws and the postal-code areas they are made of: kept until the rows
// are placed again, another shape is asked for or other areas are read.
class CTerritoryOutlineCache {
public:
    // Whether Load reads the areas (only maps that draw outlines need them).
    void WantAreas(bool on) { m_bWantAreas = on; }
    bool HasWhatIsWanted() const { return !m_bWantAreas || m_pAreas; }
    // Reads the areas of the database (or drops them, when not wanted). Returns the engine's
    // message when they cannot be read (the outlines are then the hulls).
    QString Load(CGeoDatabase& database);
    // The rows were placed again.
    void Invalidate() { m_bMade = false; }
    const QList<CTerritoryOutline>& Outlines(const CGeoPlaceRows& rows,
                                             const std::vector<quint32>& territoryOfRow,
                                             const CTerritoryData& data,
                                             const CTerritoryOutlineShape& shape);
    // The rings of the areas of outline `index` of the last Outlines (CGdalArea::Rings): cut and
    // simplified once per extent and tolerance, so that a repaint of the same view draws them
    // without cutting again.
    const QList<QList<QPointF>>& AreaRings(qsizetype index, const QRectF& extent, double tolerance);

private:
    bool m_bWantAreas = false;
    std::shared_ptr<const CPostalAreas> m_pAreas;
    QList<CTerritoryOutline> m_aOutlines;
    bool m_bMade = false;
    CTerritoryOutlineShape m_shape;
    std::shared_ptr<const CPostalAreas> m_pAreasUsed;
    // The rings cut for m_ringExtent and m_dRingTolerance, per outline (made on first use).
    QRectF m_ringExtent;
    double m_dRingTolerance = -1;
    std::vector<std::optional<QList<QList<QPointF>>>> m_aRings;
};
