#pragma once

#include <QPoint>
#include <QPolygon>
#include <QPolygonF>
#include <QRectF>

#include <vector>

class CMapCanvas;

// A free-hand selection on a map: while the button is held, the pointer's path in device
// points; once let go, the closed path in degrees, so that it stays on the same places when
// the map is drawn anew (resized, the proportions switched).
class CMapLasso {
public:
    void Begin(QPoint point);
    // The pointer moved: a point of the path when it is at least kStep pixels from the last.
    void Move(QPoint point);
    // Tracking ends; the path is kept in degrees by the canvas's last repaint. False (and
    // nothing kept) when it encloses no area.
    bool End(const CMapCanvas& canvas);
    void Clear();

    bool IsTracking() const { return m_bTracking; }
    bool IsEmpty() const { return !m_bTracking && m_degrees.isEmpty(); }
    // The path while tracking, else the kept one at the canvas's last repaint.
    QPolygon Shown(const CMapCanvas& canvas) const;
    const QPolygonF& Degrees() const { return m_degrees; }
    // Whether a place lies inside the kept path (even-odd, as the path is drawn). Asked for
    // every place of a large database: a place outside the path's bounds costs two
    // comparisons, one inside them only the few edges that cross its band of latitude.
    bool Contains(double lon, double lat) const;

    static constexpr int kStep = 3;

private:
    // The edges of the kept path by horizontal band of its bounds: band b's edge indices are
    // m_bandEdges[m_bandStart[b] .. m_bandStart[b + 1]).
    void IndexEdges();

    bool m_bTracking = false;
    QPolygon m_path;
    QPolygonF m_degrees;
    QRectF m_bounds;
    double m_dBandHeight = 0;
    std::vector<int> m_bandStart, m_bandEdges;
};
