#pragma once

#include <QByteArray>
#include <QHash>

// The area of a postal code, imported from a polygon file: its country, its code and its
// polygon or multipolygon in degrees (x longitude, y latitude) as well-known binary.
struct CPostalArea {
    QByteArray staat, plz, wkb;
};

// The areas of a database by country and postal code (PostalAreas::Key), as well-known binary.
using CPostalAreas = QHash<QByteArray, QByteArray>;

namespace PostalAreas {

inline QByteArray Key(const QByteArray& staat, const QByteArray& plz) {
    return staat + '\0' + plz;
}

} // namespace PostalAreas
