#pragma once

#include "render/map/MapCanvas.h"
#include "store/GeoFilter.h"

#include <QPoint>
#include <QString>

// The two mouse operations of a map view, as numbers and texts: the extent a dragged band
// opens in a new map window, and the box of the nearby search around a double-clicked point.
// Both use the extent and the plot rectangle of the view's last repaint.
namespace MapZoom {

// Bands narrower than this many pixels (including those dragged leftwards) do not zoom.
inline constexpr int kMinBandWidth = 10;
// The smallest extent a band opens, in degrees each way: its 20 grid steps are then a
// millionth of a degree, the finest step that labels with six decimals tell apart.
inline constexpr double kMinExtent = 2e-5;

// The settings of the map window a band opens: the band's extent, names on, squares of half
// size 2. `press` is where the band started, w and h its signed width and height. A band
// dragged upwards shows the same area as the one dragged downwards over the same rectangle
// (north is always the larger latitude). False when nothing is to be opened: the band is
// too narrow or has no height, or the last repaint's plot rectangle has no width or height
// or is inverted (a window smaller than its margins, where the map would come out mirrored).
// Also false when the band's extent would be smaller than kMinExtent either way; *tooSmall
// (if given) then says so, since the map can zoom no further.
bool BandSettings(const CMapCanvas& canvas, QPoint press, int w, int h, CMapSettings* next,
                  bool* tooSmall = nullptr);

// "Zoom neben: %.2f; %.2f" with the new window's south-west corner. A coordinate that would
// read with two decimals like the new window's opposite edge, or like the corner of the
// window the band was drawn in, gets as many decimals (up to six) as tell them apart.
QString ZoomTitle(const CMapSettings& next, const CMapCanvas& from);

// The status-bar message for a band that opens nothing because the map can zoom no further.
QString TooSmallMessage();

// The nearby search of a double-click: the point in degrees, the filter of the box that
// reaches 1 % of the extent to each side, and the place text of the title.
struct NearbyBox {
    double dLon = 0.0;
    double dLat = 0.0;
    CGeoFilter filter;
    QString strFilter; // its text
    QString strPlace;  // "neben: %.2f;%.2f"
};

// Stores the point's degrees into the canvas's m_dClickLon and m_dClickLat and fills the
// box. False (nothing changed) when the last repaint's plot rectangle has no width or height.
bool NearbySearch(CMapCanvas& canvas, QPoint point, NearbyBox* box);

// "Gefunden %d Orte %s": title of the table window of a nearby search.
QString NearbyTitle(int found, const QString& place);

} // namespace MapZoom
