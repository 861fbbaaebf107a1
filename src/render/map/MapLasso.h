#pragma once

#include <QPoint>
#include <QPolygon>
#include <QPolygonF>

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
    // Whether a place lies inside the kept path.
    bool Contains(double lon, double lat) const;

    static constexpr int kStep = 3;

private:
    bool m_bTracking = false;
    QPolygon m_path;
    QPolygonF m_degrees;
};
