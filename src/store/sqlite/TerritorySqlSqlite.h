#pragma once

class CTerritorySql;

namespace TerritorySqlSqlite {

// The territory statements of the SQLite file.
const CTerritorySql& Dialect();

} // namespace TerritorySqlSqlite
