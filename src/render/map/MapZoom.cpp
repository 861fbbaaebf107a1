#include "render/map/MapZoom.h"

#include "render/map/AxisLabels.h"
#include "store/GeoFilter.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace MapZoom {

bool BandSettings(const CMapCanvas& canvas, QPoint press, int w, int h, CMapSettings* next,
                  bool* tooSmall) {
    if (tooSmall)
        *tooSmall = false;
    const CRect& plot = canvas.m_rectPlot;
    if (w < kMinBandWidth || h == 0 || plot.Width() <= 0 || plot.Height() <= 0)
        return false;
    const double sx = plot.Width() / (canvas.m_dLonEast - canvas.m_dLonWest);
    const double sy = plot.Height() / (canvas.m_dLatNorth - canvas.m_dLatSouth);
    const double rx = 1.0 / sx, ry = 1.0 / sy;
    CMapSettings s;
    s.dLonWest = (press.x() - plot.left) * rx + canvas.m_dLonWest;
    s.dLonEast = (press.x() + w - plot.left) * rx + canvas.m_dLonWest;
    s.dLatNorth = (plot.bottom - press.y()) * ry + canvas.m_dLatSouth;
    s.dLatSouth = (plot.bottom - press.y() - h) * ry + canvas.m_dLatSouth;
    if (s.dLatSouth > s.dLatNorth)
        std::swap(s.dLatSouth, s.dLatNorth);
    if (!std::isfinite(s.dLonWest) || !std::isfinite(s.dLonEast) || !std::isfinite(s.dLatSouth) ||
        !std::isfinite(s.dLatNorth))
        return false;
    // Deeper, the grid's labels could no longer differ, and in the end the extent collapses.
    if (s.dLonEast - s.dLonWest < kMinExtent || s.dLatNorth - s.dLatSouth < kMinExtent) {
        if (tooSmall)
            *tooSmall = true;
        return false;
    }
    s.bShowNames = true;
    s.nMarkerHalfSize = 2;
    *next = s;
    return true;
}

QString ZoomTitle(const CMapSettings& next, const CMapCanvas& from) {
    using AxisLabels::DecimalsToTellApart;
    const int lonDecimals = std::max(DecimalsToTellApart(next.dLonWest, next.dLonEast),
                                     DecimalsToTellApart(next.dLonWest, from.m_dLonWest));
    const int latDecimals = std::max(DecimalsToTellApart(next.dLatSouth, next.dLatNorth),
                                     DecimalsToTellApart(next.dLatSouth, from.m_dLatSouth));
    return QString::asprintf("Zoom neben: %.*f; %.*f", lonDecimals, next.dLonWest, latDecimals,
                             next.dLatSouth);
}

QString TooSmallMessage() {
    return QStringLiteral("Die Karte lässt sich nicht weiter vergrößern.");
}

bool NearbySearch(CMapCanvas& canvas, QPoint point, NearbyBox* box) {
    double lon = 0.0, lat = 0.0;
    if (!canvas.PointToLonLat(point.x(), point.y(), &lon, &lat))
        return false;
    canvas.m_dClickLon = lon;
    canvas.m_dClickLat = lat;
    const double dLon = (canvas.m_dLonEast - canvas.m_dLonWest) * 0.01;
    const double dLat = (canvas.m_dLatNorth - canvas.m_dLatSouth) * 0.01;
    box->dLon = lon;
    box->dLat = lat;
    box->filter = GeoFilter::Nearby(lon - dLon, lon + dLon, lat - dLat, lat + dLat);
    box->strFilter = box->filter.Text();
    box->strPlace = QString::asprintf("neben: %.2f;%.2f", lon, lat);
    return true;
}

QString NearbyTitle(int found, const QString& place) {
    return QStringLiteral("Gefunden %1 Orte %2").arg(found).arg(place);
}

} // namespace MapZoom
