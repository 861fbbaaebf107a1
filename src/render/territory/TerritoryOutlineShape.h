#pragma once

// How the outline around a territory's places is drawn: the convex hull, or a concave hull
// whose tightness is `ratio` (1 is the convex hull, towards 0 it follows the places ever
// closer).
struct CTerritoryOutlineShape {
    bool concave = false;
    double ratio = 0.3;
    bool operator==(const CTerritoryOutlineShape&) const = default;
};
