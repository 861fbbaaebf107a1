#include "render/table/TableNearest.h"

#include "base/GeoDistance.h"
#include "base/GeoTableDesc.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableArrange.h"
#include "render/table/TableDistance.h"
#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"
#include "store/GeoRadius.h"
#include "store/GeoRecordset.h"
#include "store/GeoStandardOrder.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace TableNearest {

namespace {

// Rows at the distance of the last one picked all come along (any of them may come first in
// the window); with more than this many rows in all the screen ends before that distance.
constexpr size_t kMostRows = 2000;
// The filter's bounds went through its text, and the server computes distances its own way:
// a hair more is looked at, and what the filter does not keep is left out when read.
constexpr double kSlackDegrees = 1e-9;
constexpr double kSlackKm = 1e-6;
// The first radius looked at without map rows: a share of the window's, at most a kilometre
// (a town has dozens of rows within it, a dense one hundreds).
constexpr double kFirstRingShare = 32;
constexpr double kFirstRingKm = 1.0;

using Near = std::pair<double, quint32>; // distance, row of the map rows

// The map rows within km of the centre (by the positions the maps hold).
std::vector<Near> within(const CGeoPlaceRows& rows, double lon, double lat, double km) {
    const GeoDistance::Box box = GeoDistance::BoundingBox(lon, lat, km);
    const double south = box.south - kSlackDegrees, north = box.north + kSlackDegrees;
    const double west = box.west - kSlackDegrees, east = box.east + kSlackDegrees;
    const double limit = km + kSlackKm;
    std::vector<Near> near;
    for (quint32 row = 0; row < rows.Size(); ++row) {
        const CGeoPlaceRows::Point& p = rows.Coordinates(row);
        if (p.lat < south || p.lat > north)
            continue;
        if (box.limitsLon &&
            (box.wraps ? p.lon < west && p.lon > east : p.lon < west || p.lon > east))
            continue;
        // As the window computes it, centre first.
        const double d = GeoDistance::HaversineKm(lon, lat, p.lon, p.lat);
        if (d <= limit)
            near.push_back({d, row});
    }
    return near;
}

// The rows of `rows` (a filter within the window's), as the whole read puts them by distance
// from the centre, up to the distance `cut`; none on an error or when cancelled.
CTableRows readNearest(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& rows,
                       double lon, double lat, double cut, const std::atomic<bool>* cancel) {
    CTableRows first;
    first.m_pRows = std::make_shared<CGeoCellStore>(CGeoTableModel::kColumns);
    // In the standard order: rows at the same distance stay in it.
    const CGeoOrderedRead ordered(db);
    CGeoRecordset rs(db);
    if (!rs.Open(ordered.Query({}, rows)))
        return first;
    int fields[CGeoTableModel::kColumns];
    std::iota(std::begin(fields), std::end(fields), 0);
    while (rs.MoveNext())
        first.m_pRows->Append(rs, fields, 1u << desc.m_nSortField1 | 1u << desc.m_nSortField2);
    if (rs.HasError() || (cancel && *cancel)) {
        first.m_pRows = std::make_shared<CGeoCellStore>(CGeoTableModel::kColumns);
        return first;
    }
    const CGeoCellStore& cells = *first.m_pRows;
    first.m_order = ordered.Order(cells.Rows(), [&](quint32 row, GeoStandardOrder::Value& staat,
                                                    GeoStandardOrder::Value& plz) {
        staat = cells.Cell(row, desc.m_nSortField1);
        plz = cells.Cell(row, desc.m_nSortField2);
    });
    CTableArrangement how;
    how.bDistance = true;
    how.dLon = lon;
    how.dLat = lat;
    TableArrange::Arrange(first, how);
    // Only rows up to the cut: past it, rows not read may come first.
    size_t kept = 0;
    while (kept < first.m_order.size()) {
        const quint32 row = first.m_order[kept];
        const double d =
            TableDistance::DistanceKm(cells.Cell(row, GEO_LANGENGRAD).bytes,
                                      cells.Cell(row, GEO_BREITENGRAD).bytes, lon, lat);
        if (!(d <= cut))
            break;
        ++kept;
    }
    first.m_order.resize(kept);
    first.m_result.m_nRows = int(kept);
    return first;
}

// From the map rows: the count nearest by their positions, read by their keys.
CTableRows pickedFromPlaces(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& filter,
                            const CFirstScreen& screen, const std::atomic<bool>* cancel) {
    std::vector<Near> near = within(*screen.places, screen.lon, screen.lat, screen.km);
    if (near.empty())
        return {};
    // The distance up to which every row is read: that of the count-th nearest.
    const size_t count = size_t(screen.count);
    double cut = 0.0;
    if (near.size() > count) {
        std::nth_element(near.begin(), near.begin() + ptrdiff_t(count - 1), near.end());
        cut = near[count - 1].first;
    } else {
        cut = std::max_element(near.begin(), near.end())->first;
    }
    if (std::count_if(near.begin(), near.end(), [cut](const Near& n) { return n.first <= cut; }) >
        ptrdiff_t(kMostRows)) {
        // Too many at that distance: only the rows nearer than it.
        double below = -1.0;
        for (const Near& n : near) {
            if (n.first < cut)
                below = std::max(below, n.first);
        }
        if (below < 0)
            return {};
        cut = below;
    }
    QList<CGeoFilter> keys;
    for (const Near& n : near) {
        if (n.first <= cut)
            keys << GeoFilter::WithKey(screen.places->Key(n.second));
    }
    return readNearest(db, desc, GeoFilter::And({filter, GeoFilter::Or(keys)}), screen.lon,
                       screen.lat, cut, cancel);
}

// From the engine's indexes of the positions: the rows within a small radius of the centre,
// the radius widened until they are enough. Every row of the window within that radius is
// among them, so those up to it (less a hair for the server's own distances) begin the
// window. Up to half the window's radius: beyond that the whole read is soon there.
CTableRows readInRings(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& filter,
                       const CFirstScreen& screen, const std::atomic<bool>* cancel) {
    if (!db.Backend()->PositionsFromIndex(desc))
        return {};
    const size_t count = size_t(screen.count);
    const double last = screen.km / 2;
    double km = std::min(screen.km / kFirstRingShare, kFirstRingKm);
    while (km > 0 && km <= last) {
        if (cancel && *cancel)
            return {};
        CTableRows first = readNearest(
            db, desc, GeoFilter::And({filter, GeoFilter::Radius(screen.lon, screen.lat, km)}),
            screen.lon, screen.lat, km - kSlackKm, cancel);
        const size_t found = first.m_order.size();
        if (found >= count)
            return first;
        if (km == last)
            break;
        // Wide enough for the rows wanted were they as dense further out (a little more), or
        // three times as wide where there were none; half the window's radius at most.
        const double grow =
            found == 0 ? 3.0
                       : std::clamp(std::sqrt(double(count) / double(found)) * 1.25, 1.25, 4.0);
        km = std::min(km * grow, last);
    }
    return {};
}

} // namespace

CFirstScreen Screen(CGeoDatabase& db, const CGeoFilter& filter, double lon, double lat, int count) {
    CFirstScreen screen;
    double km = 0.0;
    if (count <= 0 || !db.IsOpen() || !GeoRadius::RadiusOf(filter, lon, lat, &km))
        return screen;
    // Only rows read at the stored data as it is now, through this or another connection.
    screen.places = CGeoPlaceRowsCache::Of(db).Cached(false);
    screen.count = count;
    screen.nearest = true;
    screen.lon = lon;
    screen.lat = lat;
    screen.km = km;
    return screen;
}

CTableRows ReadScreen(CGeoDatabase& db, const CGeoTableDesc& desc, const CGeoFilter& filter,
                      const CFirstScreen& screen, const std::atomic<bool>* cancel) {
    CTableRows first;
    if (screen.nearest && screen.count > 0 && db.IsOpen())
        first = screen.places ? pickedFromPlaces(db, desc, filter, screen, cancel)
                              : readInRings(db, desc, filter, screen, cancel);
    if (!first.m_pRows)
        first.m_pRows = std::make_shared<CGeoCellStore>(CGeoTableModel::kColumns);
    return first;
}

} // namespace TableNearest
