#pragma once

#include "store/GeoFilter.h"

#include <QList>
#include <QString>

class CGeoDatabase;

// The centre of a radius search: where it lies and how the window's title names it.
struct CRadiusCentre {
    double dLon = 0.0;
    double dLat = 0.0;
    QString strName;  // "DE 80331 München", or the coordinates
    int nMatches = 0; // rows of the place named (its first is the centre); 0 for a point
    // The place, for a list to choose from (empty for a point).
    QString strStaat, strPLZ, strOrt, strOrtsteil;
};

// The radius search: the rows within a distance of a centre, measured on the great circle.
namespace GeoRadius {

inline constexpr double kDefaultRadiusKm = 25.0;

// Finds the places a text names, best first:
//   "lon;lat"       a point in degrees ("11.57;48.14", also with decimal commas);
//   "DE 80331"      a postal code with its country (also "DE-80331", "DE80331"; "LI" finds
//                   Liechtenstein stored as "FL" and the other way round);
//   "80331"         a postal code in any country;
//   anything else   a place name, with ä = ae, ö = oe, ü = ue, ß = ss and without regard to
//                   case. Ort is searched first, Ortsteil only when no Ort fits. A name equal
//                   to the field comes first, then the field starting with it as a whole word
//                   ("Wien" in "Wien, Innere Stadt"), then the name as a whole word further
//                   on ("Neu Wien"), then the field merely starting with it ("Wiener
//                   Neustadt"); a trailing "*" changes nothing. A name with other wildcards
//                   is a search pattern ("M?nchen").
// Rows with the same Staat, Ort and Ortsteil are one place, centred on its first row in
// Staat, PLZ order; equally good places come in Staat, PLZ order. Only rows whose position
// is a number count. False with a German message when nothing fits.
bool FindCentres(CGeoDatabase& db, const QString& text, QList<CRadiusCentre>* centres,
                 QString* error);
// The best of them.
bool FindCentre(CGeoDatabase& db, const QString& text, CRadiusCentre* centre, QString* error);

// "DE 60306 Frankfurt am Main, Ortsteil": a place in a list of choices (a point: its name).
QString PlaceText(const CRadiusCentre& centre);

// A radius in kilometres: a number of at least 0, with a decimal point or comma.
bool ParseRadius(const QString& text, double* km, QString* error);

// The filter of the rows within km of the centre (for a table window's fill).
CGeoFilter Filter(const CRadiusCentre& centre, double km);
// Whether every row `filter` keeps lies within a distance of (lon, lat) by one of its own
// terms, as Filter's do; `km` then gets the distance.
bool RadiusOf(const CGeoFilter& filter, double lon, double lat, double* km);

// "%d Orte im Umkreis von %g km um %s" with a decimal comma ("1 Ort" for one): the title of
// the result window.
QString Title(int found, double km, const CRadiusCentre& centre);

} // namespace GeoRadius
