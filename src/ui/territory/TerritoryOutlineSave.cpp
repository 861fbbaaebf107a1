#include "ui/territory/TerritoryOutlineSave.h"

#include "base/GermanNumbers.h"
#include "render/map/MapTerritories.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryOutlines.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"

namespace TerritoryOutlineSave {

bool Write(const QString& path, const CTerritoryOutlineShape& shape, QString* text) {
    QString error;
    const auto rows = CGeoPlaceRowsCache::Of(g_GeoDatabase).Rows(true, {}, &error);
    CMapTerritories territories;
    territories.WantAreas(true);
    if (rows && error.isEmpty())
        error = territories.Update(g_GeoDatabase, rows);
    if (!rows || !error.isEmpty() ||
        !TerritoryOutlines::WriteGeoJson(path, territories.Outlines(shape), territories.Data(),
                                         &error)) {
        *text = error;
        return false;
    }
    *text = QStringLiteral("%1 nach %2 geschrieben.")
                .arg(GermanNumbers::Count(territories.Data().territories.size(),
                                          QStringLiteral("Gebietsumriss"),
                                          QStringLiteral("Gebietsumrisse")),
                     path);
    return true;
}

} // namespace TerritoryOutlineSave
