#pragma once

#include "db/GeoCellStore.h"
#include "db/GeoDatabase.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// What a map draws of every GEO row, in the standard order (Staat, then PLZ, rows with equal
// keys by ID_Geo): the country, postal code, place, part of place, coordinates and memo.
// Read in one pass and shared by every map of the database for as long as the stored data
// stays the same (CGeoDatabase::PlaceRows); a few dozen bytes a row.
class CGeoPlaceRows {
public:
    enum Text { Plz, Ort, Ortsteil, Memo };
    struct Point {
        double lon; // "Langengrad" and "Breitengrad" read like atof: 0 without a number
        double lat;
    };

    quint32 Size() const { return quint32(m_aPoint.size()); }
    const Point& Coordinates(quint32 row) const { return m_aPoint[row]; }
    // The row's Staat: an index into Countries().
    quint32 Country(quint32 row) const { return m_aCountry[row]; }
    // The distinct Staat values, exactly as stored (UTF-8; a value without text is empty).
    const std::vector<QByteArray>& Countries() const { return m_aCountryText; }
    QByteArrayView TextOf(quint32 row, Text text) const {
        return m_texts.Bytes(m_aTextRow[row], text);
    }

    // The first row whose Staat and PLZ equal the given texts as the database compares them
    // (the row "WHERE [Staat]=... AND [PLZ]=..." finds first: the smallest ID_Geo); -1 when
    // there is none. Rows whose Staat or PLZ hold no text never match.
    qint64 Find(QByteArrayView staat, QByteArrayView plz) const;

    // The state of the stored data the rows were read at.
    const CGeoDatabase::CDataStamp& Stamp() const { return m_stamp; }
    size_t MemoryBytes() const;

    // Reads the rows. `count` (the table's rows) scales the progress, told 100 * k / count
    // after row k. On an engine error `error` receives its message; the rows read until then
    // are kept.
    static std::shared_ptr<CGeoPlaceRows> Read(CGeoDatabase& database, int count,
                                               const std::function<void(int)>& progress,
                                               QString* error);

private:
    CGeoPlaceRows() = default;
    GeoStandardOrder::Value CountryValue(quint32 row) const;
    GeoStandardOrder::Value PlzValue(quint32 row) const;

    std::vector<Point> m_aPoint;            // in standard order
    std::vector<quint32> m_aCountry;        // in standard order
    std::vector<QByteArray> m_aCountryText; // by index
    std::vector<GeoStandardOrder::Value::Kind> m_aCountryKind;
    CGeoCellStore m_texts{4};        // PLZ, Ort, Ortsteil, Memo as read
    std::vector<quint32> m_aTextRow; // standard order -> row read
    GeoStandardOrder::Collations m_collations;
    bool m_bSorted = false; // ordered in memory, so Find can search by halves
    CGeoDatabase::CDataStamp m_stamp;
};
