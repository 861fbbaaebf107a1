#pragma once

#include <QString>

class CGeoDatabase;

namespace TerritoryCopy {

// Inside the target's write transaction of a copy of GEO: the source's territories, rules
// and exceptions with their keys, and its postal-code areas, into a target that has none of
// them. Nothing to do for a source without them. False with a German message (the caller
// rolls back).
bool Copy(CGeoDatabase& from, CGeoDatabase& to, qint64* territories, QString* error);

} // namespace TerritoryCopy
