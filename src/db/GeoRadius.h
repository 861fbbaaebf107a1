#pragma once

#include <QString>

class CGeoDatabase;

// The centre of a radius search: where it lies and how the window's title names it.
struct CRadiusCentre {
    double dLon = 0.0;
    double dLat = 0.0;
    QString strName;  // "DE 80331 München", or the coordinates
    int nMatches = 0; // rows the text named (the first of them is the centre); 0 for a point
};

// The radius search: the rows within a distance of a centre, measured on the great circle.
namespace GeoRadius {

inline constexpr double kDefaultRadiusKm = 25.0;

// Finds the centre a text names:
//   "lon;lat"       a point in degrees ("11.57;48.14", also with decimal commas);
//   "DE 80331"      a postal code with its country (also "DE-80331", "DE80331");
//   "80331"         a postal code in any country;
//   anything else   a place name, compared as a search pattern ("Frankfurt*").
// Of several matching rows the first in Staat, PLZ order is the centre. Only rows whose
// position is a number count. False with a German message when nothing fits.
bool FindCentre(CGeoDatabase& db, const QString& text, CRadiusCentre* centre, QString* error);

// A radius in kilometres: a number of at least 0, with a decimal point or comma.
bool ParseRadius(const QString& text, double* km, QString* error);

// The filter of the rows within km of the centre (for a table window's fill).
QString Filter(const CRadiusCentre& centre, double km);

// "%d Orte im Umkreis von %g km um %s": the title of the result window.
QString Title(int found, double km, const CRadiusCentre& centre);

} // namespace GeoRadius
