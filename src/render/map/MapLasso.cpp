#include "render/map/MapLasso.h"

#include "render/map/MapCanvas.h"

void CMapLasso::Begin(QPoint point) {
    m_bTracking = true;
    m_path = QPolygon{point};
    m_degrees.clear();
}

void CMapLasso::Move(QPoint point) {
    if (m_bTracking && (point - m_path.last()).manhattanLength() >= kStep)
        m_path << point;
}

bool CMapLasso::End(const CMapCanvas& canvas) {
    m_bTracking = false;
    m_degrees.clear();
    // Three points enclose an area only when they do not lie on one line.
    const QRect bounds = m_path.boundingRect();
    if (m_path.size() >= 3 && bounds.width() > kStep && bounds.height() > kStep) {
        for (const QPoint& p : m_path) {
            double lon = 0, lat = 0;
            if (!canvas.PointToLonLat(p.x(), p.y(), &lon, &lat)) {
                m_degrees.clear();
                break;
            }
            m_degrees << QPointF(lon, lat);
        }
    }
    m_path.clear();
    return !m_degrees.isEmpty();
}

void CMapLasso::Clear() {
    m_bTracking = false;
    m_path.clear();
    m_degrees.clear();
}

QPolygon CMapLasso::Shown(const CMapCanvas& canvas) const {
    if (m_bTracking)
        return m_path;
    QPolygon shown;
    for (const QPointF& p : m_degrees)
        shown << canvas.LonLatToPoint(p.x(), p.y());
    return shown;
}

bool CMapLasso::Contains(double lon, double lat) const {
    return m_degrees.containsPoint(QPointF(lon, lat), Qt::OddEvenFill);
}
