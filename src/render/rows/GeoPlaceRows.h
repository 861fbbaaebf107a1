#pragma once

#include "render/rows/GeoCellStore.h"
#include "store/GeoDatabase.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// What a map draws of every GEO row: the country and the coordinates (with the key, by which
// a row is read whole), and — with texts — the
// postal code, place, part of place and memo. Read in one pass and shared by every map of the
// database for as long as the stored data stays the same (CGeoPlaceRowsCache); a few
// dozen bytes a row.
//
// With texts the rows stand in the standard order (Staat, then PLZ, rows with equal keys by
// ID_Geo), as the engine's ORDER BY gives it. Without them they are ordered by Staat alone,
// keeping the table's order within a country: the dots of a map come out the same, because
// all rows of one Staat have the same colour. (Rows whose Staat values differ only in the case
// of letters are the exception; they are always read with texts.)
class CGeoPlaceRows {
public:
    enum Text { Plz, Ort, Ortsteil, Memo };
    struct Point {
        double lon; // "Langengrad" and "Breitengrad" read like atof: 0 without a number
        double lat;
    };

    quint32 Size() const { return quint32(m_aPoint.size()); }
    const Point& Coordinates(quint32 row) const { return m_aPoint[row]; }
    // The row's key (ID_Geo), to read the whole row by.
    qint64 Key(quint32 row) const { return m_keys[row]; }
    // The row's Staat: an index into Countries().
    quint32 Country(quint32 row) const { return m_aCountry[row]; }
    // The distinct Staat values, exactly as stored (UTF-8; a value without text is empty).
    const std::vector<QByteArray>& Countries() const { return m_aCountryText; }

    bool HasTexts() const { return m_bTexts; }
    // A text of the row; only rows with texts have them.
    QByteArrayView TextOf(quint32 row, Text text) const {
        return m_texts.Bytes(m_aTextRow[row], text);
    }
    // The first row whose Staat and PLZ equal the given texts as the database compares them
    // (the row "WHERE [Staat]=... AND [PLZ]=..." finds first: the smallest ID_Geo); -1 when
    // there is none. Rows whose Staat or PLZ hold no text never match. Needs the texts.
    qint64 Find(QByteArrayView staat, QByteArrayView plz) const;
    // The first of these rows that `accept` takes; -1 when it takes none.
    qint64 Find(QByteArrayView staat, QByteArrayView plz,
                const std::function<bool(quint32 row)>& accept) const;

    // The state of the stored data the rows were read at.
    const CGeoDatabase::CDataStamp& Stamp() const { return m_stamp; }
    size_t MemoryBytes() const;

private:
    friend class CGeoPlaceRowsReader;
    friend class CGeoPlaceRowsCache; // stamps rows read through another connection
    CGeoPlaceRows() = default;
    GeoStandardOrder::Value CountryValue(quint32 row) const;
    GeoStandardOrder::Value PlzValue(quint32 row) const;

    std::vector<Point> m_aPoint; // in order
    // The keys in order: in 32 bits while every key fits (row ids mostly do), else in 64.
    class CKeys {
    public:
        qint64 operator[](quint32 row) const {
            return m_wide.empty() ? qint64(m_narrow[row]) : m_wide[row];
        }
        void Reserve(size_t n); // made resident: the keys are written one by one
        void Append(qint64 key);
        // Calls `f` with the keys, of whichever width they are kept in.
        template <typename F> void With(F f) {
            if (m_wide.empty())
                f(m_narrow);
            else
                f(m_wide);
        }
        size_t MemoryBytes() const;

    private:
        std::vector<quint32> m_narrow;
        std::vector<qint64> m_wide;
    };
    CKeys m_keys;
    std::vector<quint32> m_aCountry;        // in order
    std::vector<QByteArray> m_aCountryText; // by index
    std::vector<GeoStandardOrder::Value::Kind> m_aCountryKind;
    bool m_bTexts = false;
    CGeoCellStore m_texts{4};        // PLZ, Ort, Ortsteil, Memo as read
    std::vector<quint32> m_aTextRow; // row in order -> row read
    GeoStandardOrder::Collations m_collations;
    bool m_bSorted = false; // ordered in memory, so Find can search by halves
    CGeoDatabase::CDataStamp m_stamp;
};

namespace GeoCountryOrder {
// Each country's place in the order of Staat, given its values by index as stored (values
// that compare equal share one); `equalValues` tells whether there are such values.
std::vector<quint32> Ranks(const std::vector<GeoStandardOrder::Value::Kind>& kinds,
                           const std::vector<QByteArray>& texts,
                           GeoStandardOrder::Collation collation, bool* equalValues);
} // namespace GeoCountryOrder

// Reads the place rows of a database, in one go or a slice at a time between other work.
// Slices read by ranges of the key; when the stored data changes between two slices the
// reading starts again, so that the rows always show one state of the data.
class CGeoPlaceRowsReader {
public:
    CGeoPlaceRowsReader(CGeoDatabase& database, bool texts);
    ~CGeoPlaceRowsReader();

    // Reads on for about `milliseconds`, or to the end when it is negative. `progress`, when
    // given, is told 100 * k / n after row k when that changes, n being the rows counted at
    // the start. True when the reading has ended: every row read, or stopped by an engine
    // error (Error()).
    bool Read(qint64 milliseconds, const std::function<void(int)>& progress = {});
    const QString& Error() const { return m_strError; }
    // Whether the rows are to be read with texts after all: their Staat values differ only
    // in the case of letters (known once reading without texts has ended).
    bool NeedsTexts() const;
    // The rows read, put in order; `progress` goes on from where reading left it.
    std::shared_ptr<CGeoPlaceRows> Finish(const std::function<void(int)>& progress = {});

private:
    void Restart();
    // The rows the progress counts: those to read and the work of putting them in order.
    qint64 ProgressTotal() const;
    // Each country's place in the order of Staat (values that compare equal share one);
    // `equalValues` tells whether there are such values.
    std::vector<quint32> CountryRanks(bool* equalValues) const;
    // Finish for rows without texts read in the table's order: in the order of Staat alone.
    std::shared_ptr<CGeoPlaceRows> FinishByCountry();
    bool ReadSlice(const QElapsedTimer& clock, qint64 milliseconds,
                   const std::function<void(int)>& progress);

    CGeoDatabase& m_database;
    const bool m_bTexts;
    std::shared_ptr<CGeoPlaceRows> m_pRows;
    qint64 m_nCount = 0;        // rows counted at the start, for the progress
    qint64 m_nLastKey = 0;      // the key of the last row read (slices)
    qint64 m_nNextProgress = 0; // the next row at which the progress position changes
    bool m_bStarted = false;    // a first row has been read
    QString m_strError;
    // The countries met so far, by kind and bytes; a row mostly has the previous row's.
    std::unordered_map<std::string, quint32> m_mapCountry;
    std::string m_strCountryKey;
    quint32 m_nCountry = 0;
};
