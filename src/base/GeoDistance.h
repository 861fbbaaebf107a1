#pragma once

// Great-circle distances on the sphere of the Earth's mean radius, and the box of
// coordinates that holds every point within a distance (to let the engine skip the rest
// before the exact distance is computed).
namespace GeoDistance {

// The mean radius of the Earth (IUGG), kilometres.
inline constexpr double kEarthRadiusKm = 6371.0088;

// The haversine distance in kilometres between two points given in degrees.
double HaversineKm(double lon1, double lat1, double lon2, double lat2);

// The box of a circle: every point within the radius has south <= lat <= north and a
// longitude in [west, east]; when `wraps` is set the circle crosses 180 degrees and the
// longitudes are those >= west or <= east. Without `limitsLon` (a pole lies in the circle,
// or the circle is wider than the globe) any longitude can be inside.
struct Box {
    double south = 0, north = 0;
    double west = 0, east = 0;
    bool limitsLon = true;
    bool wraps = false;
};
Box BoundingBox(double lon, double lat, double radiusKm);

// Name of the SQL function GeoDistance(lon, lat, lon0, lat0): the distance in kilometres
// between the point of two coordinate texts and (lon0, lat0); NULL when a text holds no
// number.
inline constexpr const char* SqlFunction = "GeoDistance";

} // namespace GeoDistance
