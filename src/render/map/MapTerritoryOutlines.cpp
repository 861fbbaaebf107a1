// The territories' outlines over the places, each in its territory's colour: the areas of
// its postal codes where they are imported, and the hull of its other places.
#include "render/map/MapCanvas.h"

#include "render/draw/DeviceContext.h"
#include "render/map/MapTerritories.h"

namespace {

// A line two pixels wide: the pixel line and the one right of (or below) it.
void thickLine(CDeviceContext& dc, QPoint from, QPoint to) {
    const bool steep = std::abs(to.y() - from.y()) > std::abs(to.x() - from.x());
    const QPoint beside = steep ? QPoint(1, 0) : QPoint(0, 1);
    for (const QPoint offset : {QPoint(0, 0), beside}) {
        dc.MoveTo(from.x() + offset.x(), from.y() + offset.y());
        dc.LineTo(to.x() + offset.x(), to.y() + offset.y());
    }
}

} // namespace

void CMapCanvas::DrawTerritoryOutlines(CDeviceContext& dc) {
    CMapTerritories& territories = OwnTerritories();
    const CProjection project = Projection();
    const CRect inside = InsideFrame();
    dc.SetClipRect(&inside);
    // A ring of areas is cut a few pixels outside the frame (its cut edge is clipped away)
    // and keeps no corner nearer than a pixel to the line without it.
    const double lonPerPixel = project.sx > 0 ? 1.0 / project.sx : 0.0;
    const double latPerPixel = project.sy > 0 ? 1.0 / project.sy : 0.0;
    const QRectF extent(QPointF(m_dLonWest - 4 * lonPerPixel, m_dLatSouth - 4 * latPerPixel),
                        QPointF(m_dLonEast + 4 * lonPerPixel, m_dLatNorth + 4 * latPerPixel));
    const double tolerance = std::min(lonPerPixel, latPerPixel);
    const QList<CTerritoryOutline>& outlines = territories.Outlines(m_outlineShape);
    for (int i = 0; i < outlines.size(); ++i) {
        dc.SelectObject(CPen(territories.PositionColor(quint32(i + 1))));
        if (outlines[i].areas) {
            for (const QList<QPointF>& ring : territories.AreaRings(i, extent, tolerance)) {
                QPoint last = project(ring.first().x(), ring.first().y());
                for (qsizetype k = 1; k < ring.size(); ++k) {
                    const QPoint next = project(ring[k].x(), ring[k].y());
                    thickLine(dc, last, next);
                    last = next;
                }
            }
        }
        const QList<QPointF>& corners = outlines[i].corners;
        if (corners.size() < 2)
            continue; // a single point is the place itself
        // Two corners are one line, more a closed ring.
        const bool line = corners.size() == 2;
        const QPointF& from = line ? corners.first() : corners.last();
        QPoint last = project(from.x(), from.y());
        for (qsizetype k = line ? 1 : 0; k < corners.size(); ++k) {
            const QPoint next = project(corners[k].x(), corners[k].y());
            thickLine(dc, last, next);
            last = next;
        }
    }
    // Without overlap, the whole drawing of the places stays inside the frame.
    dc.SetClipRect(m_bDeclutterNames ? &inside : nullptr);
}
