// Hulls and unions of areas through GEOS, by way of OGR.
#include "render/gdal/GdalModule.h"

#include <cpl_conv.h>
#include <ogr_geometry.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

struct GeometryDeleter {
    void operator()(OGRGeometry* g) const { OGRGeometryFactory::destroyGeometry(g); }
};
using Geometry = std::unique_ptr<OGRGeometry, GeometryDeleter>;

QList<QPointF> cornersOf(const OGRGeometry* geometry) {
    QList<QPointF> corners;
    if (!geometry || geometry->IsEmpty())
        return corners;
    const OGRLineString* line = nullptr;
    switch (wkbFlatten(geometry->getGeometryType())) {
    case wkbPoint: {
        const auto* point = geometry->toPoint();
        corners << QPointF(point->getX(), point->getY());
        return corners;
    }
    case wkbLineString:
        line = geometry->toLineString();
        break;
    case wkbPolygon:
        line = geometry->toPolygon()->getExteriorRing();
        break;
    default:
        return corners;
    }
    int count = line ? line->getNumPoints() : 0;
    // A ring ends on its first corner again.
    if (count > 1 && line->getX(0) == line->getX(count - 1) &&
        line->getY(0) == line->getY(count - 1))
        --count;
    for (int i = 0; i < count; ++i)
        corners << QPointF(line->getX(i), line->getY(i));
    return corners;
}

class CArea final : public CGdalArea {
public:
    explicit CArea(Geometry geometry) : m_geometry(std::move(geometry)) {}

    QList<QList<QPointF>> Rings(const QRectF& extent, double tolerance) const override {
        QList<QList<QPointF>> rings;
        OGRLinearRing frame;
        frame.addPoint(extent.left(), extent.top());
        frame.addPoint(extent.right(), extent.top());
        frame.addPoint(extent.right(), extent.bottom());
        frame.addPoint(extent.left(), extent.bottom());
        frame.closeRings();
        OGRPolygon box;
        box.addRing(&frame);
        const Geometry inside(m_geometry->Intersection(&box));
        if (!inside || inside->IsEmpty())
            return rings;
        const Geometry simple(tolerance > 0 ? inside->SimplifyPreserveTopology(tolerance)
                                            : inside->clone());
        const OGRGeometry* shown = simple ? simple.get() : inside.get();
        const std::function<void(const OGRGeometry*)> collect = [&](const OGRGeometry* g) {
            switch (wkbFlatten(g->getGeometryType())) {
            case wkbPolygon:
                for (const OGRLinearRing* ring : *g->toPolygon()) {
                    QList<QPointF> corners;
                    for (const OGRPoint& p : *ring)
                        corners << QPointF(p.getX(), p.getY());
                    if (corners.size() >= 2)
                        rings << corners;
                }
                return;
            case wkbMultiPolygon:
            case wkbGeometryCollection:
                for (const OGRGeometry* part : *g->toGeometryCollection())
                    collect(part);
                return;
            default:
                return;
            }
        };
        collect(shown);
        return rings;
    }

    QByteArray Json() const override {
        char* text = m_geometry->exportToJson();
        QByteArray json(text);
        CPLFree(text);
        return json;
    }

private:
    Geometry m_geometry;
};

} // namespace

namespace GdalModule {

QList<QPointF> Hull(const std::vector<QPointF>& points, bool concave, double ratio) {
    if (points.empty())
        return {};
    OGRMultiPoint multi;
    for (const QPointF& p : points)
        multi.addGeometryDirectly(new OGRPoint(p.x(), p.y()));
    const Geometry convex(multi.ConvexHull());
    if (!concave || !convex || wkbFlatten(convex->getGeometryType()) != wkbPolygon)
        return cornersOf(convex.get());
    const Geometry tight(multi.ConcaveHull(std::clamp(ratio, 0.0, 1.0), false));
    const QList<QPointF> corners = cornersOf(tight.get());
    return corners.size() >= 3 ? corners : cornersOf(convex.get());
}

std::shared_ptr<const CGdalArea> Union(const QList<QByteArray>& wkbs) {
    OGRMultiPolygon parts;
    for (const QByteArray& wkb : wkbs) {
        OGRGeometry* area = nullptr;
        if (OGRGeometryFactory::createFromWkb(wkb.constData(), nullptr, &area, wkb.size()) !=
            OGRERR_NONE)
            continue;
        const Geometry owned(area);
        if (wkbFlatten(area->getGeometryType()) == wkbPolygon)
            parts.addGeometry(area);
        else if (wkbFlatten(area->getGeometryType()) == wkbMultiPolygon)
            for (const OGRPolygon* polygon : *area->toMultiPolygon())
                parts.addGeometry(polygon);
    }
    if (parts.IsEmpty())
        return nullptr;
    Geometry joined(parts.UnionCascaded());
    return joined ? std::make_shared<const CArea>(std::move(joined)) : nullptr;
}

} // namespace GdalModule
