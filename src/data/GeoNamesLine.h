#pragma once

#include "base/GeoTableDesc.h"

#include <QByteArrayView>
#include <QString>

#include <array>

// One line of a GeoNames postal-code file: tab-separated UTF-8 with 12 columns (country code,
// postal code, place name, admin name/code 1 to 3, latitude, longitude, accuracy). The views
// point into the line given to ParseGeoNamesLine and live as long as it does.
struct GeoNamesRow {
    QByteArrayView country;
    QByteArrayView postalCode;
    QByteArrayView place;
    QByteArrayView adminName1;
    QByteArrayView adminName2;
    QByteArrayView adminName3;
    QByteArrayView latitude;  // without surrounding white space
    QByteArrayView longitude; // without surrounding white space
};

inline constexpr int kGeoNamesColumns = 12;

// Splits a line (without its line end) into its columns and checks it: exactly 12 columns,
// valid UTF-8, no control characters (NUL, the C0 and C1 controls, DEL; the tab only as the
// separator), a latitude from -90 to 90 and a longitude from -180 to 180 as decimal numbers.
// Returns an empty text for a valid line, otherwise the German reason it is invalid.
QString ParseGeoNamesLine(QByteArrayView line, GeoNamesRow* row);

// The values of a GEO row, one per field in field order; an empty view stands for NULL.
using GeoRowFields = std::array<QByteArrayView, GEO_FIELD_COUNT>;

// A valid line as the fields of a GEO row: Staat the (mapped) country, PLZ, Ort, Bundesland,
// Regierungsbezirk, Landkreis, Langengrad and Breitengrad from the line, the others empty.
// Returns an empty text, or the German reason when a value is longer than its field.
QString GeoNamesRowFields(const GeoNamesRow& row, QByteArrayView country, const CGeoTableDesc& desc,
                          GeoRowFields* fields);
