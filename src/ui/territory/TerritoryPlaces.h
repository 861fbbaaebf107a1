#pragma once

#include "store/territory/Territory.h"

#include <QList>

class CGeoTableModel;
class CMapCanvas;

// The places a user picks for "Gebiet zuweisen...", as exceptions without territory yet.
namespace TerritoryPlaces {

// Every place inside the extent of a map (a zoom window shows the band it was dragged from).
QList<CTerritoryException> InExtent(const CMapCanvas& canvas);
// The rows of a table window.
QList<CTerritoryException> OfRows(const CGeoTableModel& model, const QList<int>& rows);

} // namespace TerritoryPlaces
