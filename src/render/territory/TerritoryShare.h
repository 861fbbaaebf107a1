#pragma once

#include "store/territory/Territory.h"

class CGeoDatabase;

// The territories as this program last read or wrote them, with the change count of the
// database they belong to (CTerritoryStore::ChangeCount): the panel and every coloured map
// that find the count they read there take them without reading the tables again. Each
// write counts the change up by one inside its transaction, so the territories at a count
// are the same for every reader.
namespace TerritoryShare {

void Put(CGeoDatabase& database, qint64 changes, const CTerritoryData& data);
// False when the territories at this count of this database are not kept.
bool Get(CGeoDatabase& database, qint64 changes, CTerritoryData* data);
// After CTerritoryStore::Assign stored `places` as the change after `before`: the
// territories kept at `before`, with the places put in, become those at before + 1.
void Assigned(CGeoDatabase& database, qint64 before, const QList<CTerritoryException>& places);

} // namespace TerritoryShare
