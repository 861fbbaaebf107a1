#pragma once

#include <QPoint>
#include <QString>

class CGeoDatabase;
class CMapCanvas;

// The place a click on a map picks: the database place drawn nearest to the clicked pixel.
struct CPickedPlace {
    qint64 nId = 0;
    QString strStaat;
    QString strPLZ;
    QString strOrt;
    double dLon = 0.0;
    double dLat = 0.0;
    double dKm = 0.0; // great-circle distance from the clicked point
};

namespace MapPick {

// How far from the click a place may be drawn, in pixels.
inline constexpr int kMaxPixels = 8;

// The place whose drawn position (inside the plot rectangle of the canvas's last repaint)
// lies nearest to the point, at most maxPixels away; of places equally near, the first in
// Staat, PLZ order. False when there is none (or the database cannot be read).
bool NearestPlace(CGeoDatabase& db, const CMapCanvas& canvas, QPoint point, CPickedPlace* place,
                  int maxPixels = kMaxPixels);

// "München, DE 80331: 0,3 km vom angeklickten Punkt", for the status bar.
QString StatusText(const CPickedPlace& place);

} // namespace MapPick
