#pragma once

struct sqlite3;

// The SQL functions the program's statements use on an SQLite connection. Each returns false
// when the engine refuses.

// Replaces the connection's LIKE with the program's rules (JetLike) and adds the coordinate
// number function GeoNumber used by the nearby filter.
bool RegisterGeoFunctions(sqlite3* db);

namespace FoldLike {
// Adds FoldLike(pattern, text).
bool RegisterSqlFunction(sqlite3* db);
} // namespace FoldLike

namespace GeoDistance {
// Adds GeoDistance(lon, lat, lon0, lat0).
bool RegisterSqlFunction(sqlite3* db);
} // namespace GeoDistance
