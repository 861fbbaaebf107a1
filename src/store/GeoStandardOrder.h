#pragma once

#include "store/GeoFilter.h"
#include "store/GeoSqlDialect.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class CGeoDatabase;
class CGeoSqlDialect;
class CGeoTableDesc;

// The standard order of GEO rows — by Staat, then by PLZ, as the engine's
// "ORDER BY Staat, PLZ" gives it — made in memory for rows read in the order the table keeps
// them (by key). Sorting a few million short keys in memory is many times cheaper than the
// engine's sorter, which writes and reads back temporary files for every query of that size.
// Rows whose keys compare equal keep the order of their keys, as with the engine.
namespace GeoStandardOrder {

// How the engine compares the values of one key field.
enum class Collation { Binary, NoCase };

struct Collations {
    Collation staat = Collation::NoCase;
    Collation plz = Collation::NoCase;
};

// A key field's value as stored. A field of text affinity holds no numbers: only no value,
// a text or a blob, which the engine orders in that sequence.
struct Value {
    enum Kind : unsigned char { Null = 0, Text = 1, Blob = 2 };
    Kind kind = Null;
    QByteArrayView bytes;
};

// Compares two values as the engine does: negative, zero or positive. NoCase folds only the
// letters A-Z; blobs compare their bytes.
int Compare(const Value& a, const Value& b, Collation collation);

// Gives the Staat and PLZ values of row `row` (0 to n - 1, in the order read).
using KeyOf = std::function<void(quint32 row, Value& staat, Value& plz)>;

// Told the share of a long step done (0-100), now and then while it runs.
using Progress = std::function<void(int percent)>;

// The rows in standard order: element i is the row that comes i-th. Stable.
std::vector<quint32> StableOrder(quint32 n, Collations collations, const KeyOf& keyOf,
                                 const Progress& progress = {});

} // namespace GeoStandardOrder

// How a reader gets rows in the standard order from the database: in storage order, put in
// order in memory, when the database's key fields compare in a way GeoStandardOrder knows;
// otherwise through the engine's ORDER BY, in which case Order() keeps the rows as read.
class CGeoOrderedRead {
public:
    explicit CGeoOrderedRead(CGeoDatabase& database);

    // The query for the given columns (empty: all) of the rows the filter keeps (empty: all).
    CGeoQuery Query(const QStringList& columns, const CGeoFilter& filter = CGeoFilter()) const;
    // The order of the n rows read with Query().
    std::vector<quint32> Order(quint32 n, const GeoStandardOrder::KeyOf& keyOf,
                               const GeoStandardOrder::Progress& progress = {}) const;
    bool SortsInMemory() const { return m_bInMemory; }
    // How the key fields compare (NoCase for both when the engine orders the rows).
    const GeoStandardOrder::Collations& Collations() const { return m_collations; }

private:
    const CGeoTableDesc& m_desc;
    const CGeoSqlDialect& m_sql;
    GeoStandardOrder::Collations m_collations;
    bool m_bInMemory = false;
};
