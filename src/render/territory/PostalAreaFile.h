#pragma once

#include "render/places/TableListMapping.h"
#include "render/territory/PostalAreas.h"

#include <QList>
#include <QString>
#include <QStringList>

class CGeoDatabase;

// A polygon file of postal-code areas (GeoJSON, Shapefile, GeoPackage), read through OGR: the
// first layer with areas, its attribute columns, and which of them hold the postal code and
// the country, guessed as for the user's lists (CTableListMapping's Plz and Staat; without a
// Staat column one country, by default DE, for the whole file).
struct CPostalAreaColumns {
    QStringList names;
    CTableListMapping mapping;
};

// What a file may hold at most, so that a huge one is refused before it fills the memory.
struct CPostalAreaLimits {
    qint64 areas = 200000;
    qint64 points = 20000000;
};

namespace PostalAreaFile {

// The columns of the file and the guess. False with a German message when it is no polygon
// file OGR reads.
bool Columns(const QString& path, CPostalAreaColumns* columns, QString* error);

// The areas of the file in degrees: an area that is not valid is made valid (MakeValid) and
// counted in `repaired`, areas of one postal code are joined, features without a postal code
// or without an area are left out and counted in `skipped`. Other reference systems than
// degrees on WGS 84 are transformed. False with a German message when the file cannot be read,
// has no postal-code column, no area or more than `limits` allow.
bool Read(const QString& path, const CTableListMapping& mapping, QList<CPostalArea>* areas,
          int* repaired, int* skipped, QString* error, const CPostalAreaLimits& limits = {});

// Reads the file and stores its areas in the database (CTerritoryStore::ImportAreas), all or
// nothing. `report` receives what was imported ("8 PLZ-Flächen importiert."), with the areas
// repaired and the features left out. False with a German message; the database is then
// unchanged.
bool Import(CGeoDatabase& database, const QString& path, const CTableListMapping& mapping,
            QString* report, QString* error, const CPostalAreaLimits& limits = {});

} // namespace PostalAreaFile
