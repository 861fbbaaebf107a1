#include "base/GeoDistance.h"

#include "base/TextNumbers.h"
#include "base/VectorState.h"

#include <QByteArrayView>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace GeoDistance {

namespace {

constexpr double kRad = std::numbers::pi / 180.0;
// The box is widened by this many degrees, so that rounding in its bounds never leaves out a
// point that the exact distance keeps.
constexpr double kBoxSlack = 1e-9;

} // namespace

double HaversineKm(double lon1, double lat1, double lon2, double lat2) {
    VectorState::ClearUpper();
    const double dLat = (lat2 - lat1) * kRad;
    const double dLon = (lon2 - lon1) * kRad;
    const double a =
        std::sin(dLat / 2) * std::sin(dLat / 2) +
        std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadiusKm * std::asin(std::sqrt(std::min(1.0, a)));
}

Box BoundingBox(double lon, double lat, double radiusKm) {
    const double angle = radiusKm / kEarthRadiusKm; // radians
    Box box;
    box.south = lat - angle / kRad - kBoxSlack;
    box.north = lat + angle / kRad + kBoxSlack;
    if (box.south <= -90 || box.north >= 90 || angle >= std::numbers::pi / 2) {
        box.limitsLon = false;
        return box;
    }
    // The widest longitude of a circle lies where a meridian touches it.
    const double dLon =
        std::asin(std::min(1.0, std::sin(angle) / std::cos(lat * kRad))) / kRad + kBoxSlack;
    box.west = lon - dLon;
    box.east = lon + dLon;
    if (box.west < -180) {
        box.wraps = true;
        box.west += 360;
    } else if (box.east > 180) {
        box.wraps = true;
        box.east -= 360;
    }
    return box;
}

} // namespace GeoDistance
