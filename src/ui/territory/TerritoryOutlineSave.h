#pragma once

#include "render/territory/TerritoryOutlineShape.h"

#include <QString>

// The outlines of every territory of the open database written as GeoJSON: the union of the
// areas of its postal codes where a polygon file was imported, else the hull `shape` around
// its places. For "Datei > Gebietsumrisse speichern..." of a map window and the panel's
// "Exportieren...".
namespace TerritoryOutlineSave {

// True with "3 Gebietsumrisse nach PATH geschrieben." in `text`; false with the German
// message why not.
bool Write(const QString& path, const CTerritoryOutlineShape& shape, QString* text);

} // namespace TerritoryOutlineSave
