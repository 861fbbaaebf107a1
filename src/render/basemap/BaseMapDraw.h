#pragma once

#include <QPointF>
#include <QRectF>

class CBaseMapData;
class QPainter;

// Where a map's degrees go on a device: device x = (lon - west) * sx + left,
// y = bottom - (lat - south) * sy, in the painter's device pixels; `plot` is the area the
// base map covers (inside the map's frame).
struct CBaseMapView {
    double west = 0, east = 0, south = 0, north = 0;
    double sx = 1, sy = 1, left = 0, bottom = 0;
    QRectF plot;

    bool operator==(const CBaseMapView&) const = default;

    QPointF operator()(double lon, double lat) const {
        return QPointF((lon - west) * sx + left, bottom - (lat - south) * sy);
    }
};

namespace BaseMap {

// Colours of the layers: land, water, shores, rivers, borders.
inline constexpr unsigned kLand = 0xf2efe6;
inline constexpr unsigned kWater = 0xd4e6f5;
inline constexpr unsigned kShore = 0x7fa6c9;
inline constexpr unsigned kRiver = 0x9cc2e6;
inline constexpr unsigned kBorder = 0x8c8c8c;

// Draws the base map of the view's extent onto `painter`: water over the plot, the countries'
// land, lakes, rivers, shores and national borders, simplified to the device's pixel and
// clipped to the plot. Reads nothing but `data` and keeps nothing, so it may run on any
// thread. The painter's state is as before afterwards.
// With `letGo`, what was read of the countries goes back to the system once they are drawn
// (paper, drawn once): the shores read after them no longer meet it.
void Draw(QPainter& painter, const CBaseMapView& view, CBaseMapData& data, bool letGo = false);

} // namespace BaseMap
