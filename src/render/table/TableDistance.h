#pragma once

#include <QByteArrayView>

#include <vector>

class CGeoTableModel;

// The rows of a radius search's window by their distance from the centre.
namespace TableDistance {

// The distance in km of a position given as the texts of its longitude and latitude from the
// centre; NaN when either is no number.
double DistanceKm(QByteArrayView lonText, QByteArrayView latText, double lon0, double lat0);

// The order of the rows by distance (element i: the current position of the row that moves
// to position i). Stable in both directions: equal distances keep their order. Rows without
// a position count as infinitely far.
std::vector<int> DistanceOrder(const CGeoTableModel& model, bool descending);

// Gives the model its distance column for the centre and puts the nearest rows first; rows
// at the same distance keep their order (Staat, PLZ after a fill).
void ShowDistances(CGeoTableModel& model, double lon, double lat);

} // namespace TableDistance
