// The server as the engine-neutral database object connects to it.
#include "store/GeoEngines.h"
#include "store/postgres/PgBackend.h"

std::unique_ptr<CGeoBackend> GeoEngines::Connect(const CDbLocation& location, QString* error) {
    return CPgBackend::Connect(location, error);
}
