// The territories' outlines over the places, each in its territory's colour.
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
    const QList<CTerritoryOutline>& outlines = territories.Outlines();
    for (int i = 0; i < outlines.size(); ++i) {
        const QList<QPointF>& corners = outlines[i].corners;
        if (corners.size() < 2)
            continue; // a single point is the place itself
        dc.SelectObject(CPen(territories.PositionColor(quint32(i + 1))));
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
