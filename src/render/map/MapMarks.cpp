#include "render/map/MapMarks.h"

#include "render/map/MapCanvas.h"

#include <QPainter>

void CMapMarks::SetPlaces(QList<QPointF> lonLat) {
    m_aPlaces = std::move(lonLat);
    if (m_aPlaces.isEmpty())
        m_imgMarked = QImage();
}

void CMapMarks::DrawRing(QPainter& painter, QPoint centre) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 4));
    painter.drawEllipse(QPointF(centre) + QPointF(0.5, 0.5), kRadius - 2, kRadius - 2);
    painter.setPen(QPen(QColor(255, 150, 0), 2));
    painter.drawEllipse(QPointF(centre) + QPointF(0.5, 0.5), kRadius - 2, kRadius - 2);
}

void CMapMarks::DrawRings(QPainter& painter, const CMapCanvas& canvas, const QRect& clip) const {
    for (const QPointF& place : m_aPlaces) {
        const QPoint pt = canvas.LonLatToPoint(place.x(), place.y());
        if (!canvas.m_rectPlot.PtInRect(pt.x(), pt.y()))
            continue;
        const QRect ring(pt.x() - kRadius, pt.y() - kRadius, 2 * kRadius + 1, 2 * kRadius + 1);
        if (clip.isNull() || clip.intersects(ring))
            DrawRing(painter, pt);
    }
}

void CMapMarks::Compose(const QImage& map, const CMapCanvas& canvas) {
    if (m_aPlaces.isEmpty() || map.isNull()) {
        m_imgMarked = QImage();
        return;
    }
    m_imgMarked = map.copy();
    QPainter painter(&m_imgMarked);
    DrawRings(painter, canvas, QRect());
}

void CMapMarks::Refresh(const QImage& map, const CMapCanvas& canvas, const QList<QRect>& areas) {
    if (m_imgMarked.isNull() || m_imgMarked.size() != map.size())
        return;
    QPainter painter(&m_imgMarked);
    for (const QRect& area : areas) {
        painter.setClipRect(area);
        painter.drawImage(area.topLeft(), map, area);
        DrawRings(painter, canvas, area);
    }
}

const QImage& CMapMarks::Image(const QImage& map) const {
    return m_imgMarked.isNull() ? map : m_imgMarked;
}
