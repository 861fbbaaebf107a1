#include "render/map/MapCanvas.h"

#include "render/draw/DeviceContext.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

CMapCanvas::CMapCanvas(CGeoDatabase& database, const CMapSettings& settings)
    : m_bShowNames(settings.bShowNames), m_nMarkerHalfSize(settings.nMarkerHalfSize),
      m_selected(settings.selected), m_dLonEast(settings.dLonEast), m_dLonWest(settings.dLonWest),
      m_dLatNorth(settings.dLatNorth), m_dLatSouth(settings.dLatSouth), m_database(database) {
    m_bShowBaseMap = settings.bBaseMap;
    m_bShowLegend = settings.bLegend;
    SetKeepAspect(settings.bKeepAspect);
}

void CMapCanvas::SetPlaceList(CPlaceList* places) {
    m_pPlaces = places;
    m_bPlaceListCopy = false;
    m_lookup.Clear();
    m_aPlaceState.clear();
}

void CMapCanvas::SetPlaceListCopy(CPlaceList* copy) {
    SetPlaceList(copy);
    m_bPlaceListCopy = true;
}

CMapCanvas::CProjection CMapCanvas::Projection() const {
    return {m_dLonWest,
            m_dLatSouth,
            m_rectPlot.Width() / (m_dLonEast - m_dLonWest),
            m_rectPlot.Height() / (m_dLatNorth - m_dLatSouth),
            m_rectPlot.left,
            m_rectPlot.bottom};
}

QPoint CMapCanvas::LonLatToPoint(double lon, double lat) const {
    return Projection()(lon, lat);
}

bool CMapCanvas::PointToLonLat(int x, int y, double* lon, double* lat) const {
    if (m_rectPlot.Width() == 0 || m_rectPlot.Height() == 0)
        return false;
    const double sx = m_rectPlot.Width() / (m_dLonEast - m_dLonWest);
    const double sy = m_rectPlot.Height() / (m_dLatNorth - m_dLatSouth);
    const double lo = (x - m_rectPlot.left) / sx + m_dLonWest;
    const double la = (m_rectPlot.bottom - y) / sy + m_dLatSouth;
    if (!std::isfinite(lo) || !std::isfinite(la))
        return false;
    *lon = lo;
    *lat = la;
    return true;
}

CRect CMapCanvas::InsideFrame() const {
    return CRect{m_rectPlot.left + 1, m_rectPlot.top + 1, m_rectPlot.right - 1,
                 m_rectPlot.bottom - 1};
}

QString CMapCanvas::OnDraw(CDeviceContext& dc, QSize outerSize, CProgress* progress) {
    DrawAxes(dc, outerSize);
    if (m_bShowFilePlaces && m_pPlaces && !m_pPlaces->isEmpty())
        m_lookup.Prepare(*m_pPlaces);
    else
        m_lookup.Clear();
    // Without overlap, nothing runs past the frame into the axes either.
    const CRect inside = InsideFrame();
    if (m_bDeclutterNames)
        dc.SetClipRect(&inside);
    const QString error = DrawDatabasePlaces(dc, progress);
    if (error.isEmpty() && m_bShowFilePlaces)
        DrawFilePlaces(dc);
    if (m_bDeclutterNames)
        dc.SetClipRect(nullptr);
    if (error.isEmpty() && m_bShowLegend)
        DrawLegend(dc);
    return error;
}

bool CMapCanvas::LacksTexts() {
    return m_pRows && !m_pRows->HasTexts() && m_pRows->Stamp() == m_database.DataStamp();
}

bool CMapCanvas::TakeRowsWithTexts() {
    if (!m_pRows || m_pRows->HasTexts())
        return false;
    std::shared_ptr<const CGeoPlaceRows> rows = CGeoPlaceRowsCache::Of(m_database).Cached(true);
    if (!rows)
        return false;
    m_pRows = std::move(rows);
    return true;
}

QString CMapCanvas::Repaint(QSize clientSize, QSize outerSize, CProgress* progress) {
    if (clientSize.isEmpty()) {
        m_imgBackBuffer = QImage();
        return QString();
    }
    if (m_imgBackBuffer.size() != clientSize)
        m_imgBackBuffer = QImage(clientSize, QImage::Format_RGB32);
    m_imgBackBuffer.fill(Qt::white);
    QString error;
    {
        QPainter painter(&m_imgBackBuffer);
        CDeviceContext dc(painter);
        error = OnDraw(dc, outerSize, progress);
    }
    const bool report = !error.isEmpty() && error != m_strDrawError;
    m_strDrawError = error;
    return report ? error : QString();
}
