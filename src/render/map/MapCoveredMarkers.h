#pragma once

#include "render/draw/DrawTypes.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlotCells.h"

#include <QPoint>

#include <cstdint>
#include <vector>

namespace MapCoveredMarkers {

// A plot larger than this many cells keeps every marker (the bits would cost more than the
// shapes they save).
inline constexpr std::int64_t kMaxCells = std::int64_t(1) << 26;

// For each row, whether a later row inside `plot` projects to the same point: all markers
// have one size and are opaque, so that later marker covers this one whole and leaving this
// one out leaves the same shapes on the page (a viewer that smooths edges no longer draws
// the edges of such a point twice). `project(lon, lat)` gives a row's point. Empty when the
// plot is empty or larger than kMaxCells.
template <typename Project>
std::vector<bool> CoveredLater(const CGeoPlaceRows& rows, const Project& project,
                               const CRect& plot) {
    const std::int64_t width = plot.Width(), height = plot.Height();
    if (width <= 0 || height <= 0 || width * height > kMaxCells)
        return {};
    std::vector<bool> taken(size_t(width * height)), covered(rows.Size());
    for (quint32 k = rows.Size(); k-- > 0;) {
        const CGeoPlaceRows::Point& point = rows.Coordinates(k);
        const QPoint pt = project(point.lon, point.lat);
        if (!plot.PtInRect(pt.x(), pt.y()))
            continue;
        const size_t cell = size_t(std::int64_t(pt.y() - plot.top) * width + (pt.x() - plot.left));
        covered[k] = taken[cell];
        taken[cell] = true;
    }
    return covered;
}

// The same of rows held as the cells of `plot` (CGeoPlotCells, read for this plot), by their
// place in the cells' order.
inline std::vector<bool> CoveredLater(const CGeoPlotCells& cells, const CRect& plot) {
    const std::int64_t width = plot.Width(), height = plot.Height();
    if (width <= 0 || height <= 0 || width * height > kMaxCells)
        return {};
    std::vector<bool> taken(size_t(width * height)), covered(cells.Size());
    size_t k = cells.Size();
    cells.ForEachBackwards([&](int x, int y, quint32) {
        const size_t cell = size_t(std::int64_t(y - plot.top) * width + (x - plot.left));
        covered[--k] = taken[cell];
        taken[cell] = true;
    });
    return covered;
}

} // namespace MapCoveredMarkers
