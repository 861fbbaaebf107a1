#pragma once

#include "store/territory/Territory.h"

#include <QList>
#include <QString>

class CGeoPlaceRows;
class CGeoTableModel;
class CMapCanvas;
class CMapLasso;

// The places a user picks for "Gebiet zuweisen...", as exceptions without territory yet.
namespace TerritoryPlaces {

// The place rows inside the extent of a map (a zoom window shows the band it was dragged
// from), or inside a lasso drawn on it.
QList<quint32> RowsInExtent(const CMapCanvas& canvas, const CGeoPlaceRows& rows);
QList<quint32> RowsInLasso(const CMapLasso& lasso, const CGeoPlaceRows& rows);
// The places of place rows.
QList<CTerritoryException> OfPlaceRows(const CGeoPlaceRows& rows, const QList<quint32>& which);
// The place rows of places (each with the rows of its Staat, PLZ, Ort and Ortsteil).
QList<quint32> RowsOf(const CGeoPlaceRows& rows, const QList<CTerritoryException>& places);
// The rows of a table window.
QList<CTerritoryException> OfRows(const CGeoTableModel& model, const QList<int>& rows);

} // namespace TerritoryPlaces
