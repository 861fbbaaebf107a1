#pragma once

class CTerritorySql;

namespace TerritorySqlPostgres {

// The territory statements of a PostgreSQL server.
const CTerritorySql& Dialect();

} // namespace TerritorySqlPostgres
