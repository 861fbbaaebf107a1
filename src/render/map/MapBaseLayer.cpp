// The base map and true proportions of a map canvas.
#include "render/map/MapCanvas.h"

#include "render/basemap/BaseMapData.h"
#include "render/basemap/BaseMapDraw.h"
#include "render/draw/DeviceContext.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace {
// Latitudes beyond this are drawn as if they were this (the cosine would vanish).
constexpr double kMaxAspectLatitude = 85.0;
} // namespace

// The base map inside the frame just drawn, in the device's pixels; the grid and everything
// else follow over it.
void CMapCanvas::DrawBaseMap(CDeviceContext& dc) {
    const double scaleX = dc.DeviceScaleX(), scaleY = dc.DeviceScaleY();
    const CProjection p = Projection();
    CBaseMapView view;
    view.west = m_dLonWest;
    view.east = m_dLonEast;
    view.south = m_dLatSouth;
    view.north = m_dLatNorth;
    view.sx = p.sx * scaleX;
    view.sy = p.sy * scaleY;
    view.left = p.left * scaleX;
    view.bottom = p.bottom * scaleY;
    // Inside the frame's one-unit outline.
    view.plot = QRectF(QPointF((m_rectPlot.left + 1) * scaleX, (m_rectPlot.top + 1) * scaleY),
                       QPointF((m_rectPlot.right - 1) * scaleX, (m_rectPlot.bottom - 1) * scaleY));
    if (view.sx < 0 || view.sy < 0)
        return; // an extent given east to west or north to south gets no base map
    QPainter& painter = dc.Painter();
    // On paper and in vector pictures the base map is drawn as it is, and what it read is let
    // go before the places take their memory (a poster reads shores no window needs); on an
    // image (the window's back buffer) it is drawn once per extent and plot, then copied.
    if (painter.device()->devType() != QInternal::Image || scaleX != 1.0 || scaleY != 1.0) {
        BaseMap::Draw(painter, view, CBaseMapData::Shared(), true);
        CBaseMapData::Shared().Release();
        return;
    }
    const QRect area = view.plot.toAlignedRect();
    if (m_imgBaseMap.isNull() || !(m_baseMapDrawn == view)) {
        m_imgBaseMap = QImage(area.size(), QImage::Format_RGB32);
        m_imgBaseMap.fill(Qt::white);
        QPainter image(&m_imgBaseMap);
        image.translate(-area.topLeft());
        BaseMap::Draw(image, view, CBaseMapData::Shared());
        m_baseMapDrawn = view;
    }
    painter.drawImage(area.topLeft(), m_imgBaseMap);
}

void CMapCanvas::SetKeepAspect(bool on) {
    if (on == m_bKeepAspect)
        return;
    m_bKeepAspect = on;
    if (on) {
        m_aAsked[0] = m_dLonWest;
        m_aAsked[1] = m_dLonEast;
        m_aAsked[2] = m_dLatSouth;
        m_aAsked[3] = m_dLatNorth;
    } else {
        m_dLonWest = m_aAsked[0];
        m_dLonEast = m_aAsked[1];
        m_dLatSouth = m_aAsked[2];
        m_dLatNorth = m_aAsked[3];
    }
}

// The extent asked for, grown about its centre in longitude or in latitude so that the plot
// of a window of `outerSize` shows a degree of longitude cos(mid-latitude) as wide as one
// of latitude. The plot's size is the one of the margins; labels that move the frame a few
// pixels in deep zooms are left aside.
void CMapCanvas::FitAspect(QSize outerSize) {
    const double west = m_aAsked[0], east = m_aAsked[1], south = m_aAsked[2], north = m_aAsked[3];
    m_dLonWest = west;
    m_dLonEast = east;
    m_dLatSouth = south;
    m_dLatNorth = north;
    const double width = outerSize.width() - 2.0 * m_nMarginX;
    const double height = outerSize.height() - 2.0 * m_nMarginY;
    const double lonSpan = east - west, latSpan = north - south;
    if (width <= 0 || height <= 0 || lonSpan == 0 || latSpan == 0)
        return;
    const double mid = std::clamp((south + north) / 2.0, -kMaxAspectLatitude, kMaxAspectLatitude);
    const double k = std::cos(mid * std::numbers::pi / 180.0);
    // Longitude span that the plot's width takes at the latitude span's scale.
    const double lonNeeded = width * std::abs(latSpan) / (height * k);
    if (lonNeeded > std::abs(lonSpan)) {
        const double centre = (west + east) / 2.0, half = std::copysign(lonNeeded, lonSpan) / 2.0;
        m_dLonWest = centre - half;
        m_dLonEast = centre + half;
    } else {
        const double latNeeded = height * k * std::abs(lonSpan) / width;
        const double centre = (south + north) / 2.0, half = std::copysign(latNeeded, latSpan) / 2.0;
        m_dLatSouth = centre - half;
        m_dLatNorth = centre + half;
    }
}
