#include "render/map/MapLasso.h"

#include "render/map/MapCanvas.h"

#include <algorithm>

void CMapLasso::Begin(QPoint point) {
    m_bTracking = true;
    m_path = QPolygon{point};
    m_degrees.clear();
    IndexEdges();
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
    IndexEdges();
    return !m_degrees.isEmpty();
}

void CMapLasso::Clear() {
    m_bTracking = false;
    m_path.clear();
    m_degrees.clear();
    IndexEdges();
}

void CMapLasso::IndexEdges() {
    m_bandStart.clear();
    m_bandEdges.clear();
    m_bounds = m_degrees.boundingRect();
    const int n = int(m_degrees.size());
    if (n < 3 || m_bounds.height() <= 0)
        return;
    // About as many bands as edges: an edge then crosses few bands and a band holds few edges.
    const int bands = std::clamp(n, 1, 4096);
    m_dBandHeight = m_bounds.height() / bands;
    auto bandOf = [this, bands](double lat) {
        return std::clamp(int((lat - m_bounds.top()) / m_dBandHeight), 0, bands - 1);
    };
    std::vector<int> count(bands + 1, 0);
    auto forEachBand = [&](int edge, auto&& act) {
        const QPointF& a = m_degrees[edge];
        const QPointF& b = m_degrees[(edge + 1) % n];
        const int last = bandOf(std::max(a.y(), b.y()));
        for (int band = bandOf(std::min(a.y(), b.y())); band <= last; ++band)
            act(band);
    };
    for (int e = 0; e < n; ++e)
        forEachBand(e, [&](int band) { ++count[band + 1]; });
    for (int b = 0; b < bands; ++b)
        count[b + 1] += count[b];
    m_bandStart = count;
    m_bandEdges.resize(count[bands]);
    for (int e = 0; e < n; ++e)
        forEachBand(e, [&](int band) { m_bandEdges[count[band]++] = e; });
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
    if (m_bandStart.empty() || !(lon >= m_bounds.left() && lon <= m_bounds.right() &&
                                 lat >= m_bounds.top() && lat <= m_bounds.bottom()))
        return false;
    const int bands = int(m_bandStart.size()) - 1;
    const int band = std::clamp(int((lat - m_bounds.top()) / m_dBandHeight), 0, bands - 1);
    const int n = int(m_degrees.size());
    // A ray to the east crosses the path an odd number of times from inside it.
    bool inside = false;
    for (int i = m_bandStart[band]; i < m_bandStart[band + 1]; ++i) {
        const QPointF& a = m_degrees[m_bandEdges[i]];
        const QPointF& b = m_degrees[(m_bandEdges[i] + 1) % n];
        if ((a.y() > lat) != (b.y() > lat) &&
            lon < a.x() + (lat - a.y()) * (b.x() - a.x()) / (b.y() - a.y()))
            inside = !inside;
    }
    return inside;
}
