#pragma once

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>

class CMapCanvas;
class QPainter;

// Rings that mark places on a map, such as the rows selected in a table window. They are
// drawn over a copy of the map's back buffer, so the map itself is never read or drawn
// again for them: setting or clearing the marks, a repaint and a blink step only compose.
class CMapMarks {
public:
    // Half the ring's outer size in pixels.
    static constexpr int kRadius = 7;

    // The places to mark, in degrees; none clears the marks.
    void SetPlaces(QList<QPointF> lonLat);
    const QList<QPointF>& Places() const { return m_aPlaces; }
    bool IsEmpty() const { return m_aPlaces.isEmpty(); }

    // The map with the rings over it, at the places' positions in the canvas's last repaint
    // (only those inside the plot rectangle).
    void Compose(const QImage& map, const CMapCanvas& canvas);
    // Takes the given areas again from the map (after a blink step) with the rings over them.
    void Refresh(const QImage& map, const CMapCanvas& canvas, const QList<QRect>& areas);
    // What the window shows: the composed image, or the map when nothing is marked.
    const QImage& Image(const QImage& map) const;

    // One ring around a point: black outside, orange inside.
    static void DrawRing(QPainter& painter, QPoint centre);

private:
    void DrawRings(QPainter& painter, const CMapCanvas& canvas, const QRect& clip) const;

    QList<QPointF> m_aPlaces;
    QImage m_imgMarked;
};
