#include "db/GeoDistance.h"

#include "db/TextNumbers.h"

#include <QByteArrayView>

#include <algorithm>
#include <cmath>
#include <numbers>

#include <sqlite3.h>

namespace GeoDistance {

namespace {

constexpr double kRad = std::numbers::pi / 180.0;
// The box is widened by this many degrees, so that rounding in its bounds never leaves out a
// point that the exact distance keeps.
constexpr double kBoxSlack = 1e-9;

} // namespace

double HaversineKm(double lon1, double lat1, double lon2, double lat2) {
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

namespace {

bool numberOf(sqlite3_value* value, double* number) {
    const int type = sqlite3_value_type(value);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        *number = sqlite3_value_double(value);
        return true;
    }
    if (type != SQLITE_TEXT)
        return false;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return TextNumbers::ParseNumber(QByteArrayView(text, sqlite3_value_bytes(value)), number);
}

void distanceFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    double p[4];
    for (int i = 0; i < 4; ++i) {
        if (!numberOf(argv[i], &p[i]))
            return; // NULL
    }
    sqlite3_result_double(ctx, HaversineKm(p[0], p[1], p[2], p[3]));
}

} // namespace

bool RegisterSqlFunction(sqlite3* db) {
    return sqlite3_create_function_v2(db, SqlFunction, 4, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, distanceFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK;
}

} // namespace GeoDistance
