#pragma once

#include "data/GeoNamesLine.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class CGeoDatabase;

// What refreshing one country did.
struct CountryRefreshResult {
    QString country;
    int rowsBefore = 0;   // its rows before the import
    int rowsAfter = 0;    // its rows after: the new ones and those kept for their memo
    int memosCarried = 0; // old rows whose memo moved to a new row
    int memosKept = 0;    // old rows kept because their memo found no new row
};

// Replaces the rows of every country an import brings by the new rows, inside the import's
// transaction, without losing a memo, and keeps the identity of every place that stays.
//
// A new row with the same Staat, PLZ, Ort and Ortsteil as an old row (compared as the columns
// compare, ASCII case ignored; NULL equals NULL) is that row: it is written over the old row,
// which keeps its key. Where a place has several rows, old and new rows pair up in order (old
// rows by key, new rows as they come). Only new rows without a partner are inserted, and old
// rows without one are deleted - unless their memo finds no new row: such a row is kept as
// it is. A new row takes the memos of all old rows of its place, each once, joined by a line
// feed, in key order. A memo of nothing but white space counts as none. A row whose fields
// and memo stay as they are is not written at all.
//
// NewRow for each new row, Finish after the last. The memos are read when a country's first
// new row comes, inside the transaction: the caller has made sure nobody else writes memos
// until it commits (CGeoDatabase::TryBeginImport).
class CCountryRefresh {
public:
    explicit CCountryRefresh(CGeoDatabase& database);

    enum class Placed {
        Insert, // no old row of the place is left: insert the row, with fields[GEO_MEMO]
        Kept,   // an old row takes the new fields; nothing to insert
        Failed, // an engine error (Error()); the caller rolls the transaction back
    };
    // Places a new row; for Insert, fields[GEO_MEMO] is set to the memo it takes (empty for
    // none), valid until Finish.
    Placed NewRow(GeoRowFields& fields);
    // Writes the kept rows that changed and deletes the old rows that leave. `progress` gets
    // the share done (0 to 1) between steps; returning false stops with an error. False on an
    // engine error (the caller rolls the transaction back).
    bool Finish(const std::function<bool(double)>& progress);
    // One entry per country seen, in the order they came.
    const QList<CountryRefreshResult>& Results() const { return m_results; }
    const QString& Error() const { return m_strError; }

private:
    using Digest = std::array<char, 16>;
    struct OldRow {
        qint64 key = 0;
        QByteArray memo; // as stored; empty for none
        Digest digest{}; // of every field but the key and the memo
        int group = -1;  // index into m_groups
        bool hasMemo = false;
        bool paired = false;
    };
    struct Group {             // the old rows of one place
        std::vector<int> rows; // indexes into m_old, in key order
        size_t nPaired = 0;
        bool carried = false; // a new row of the place came: its memos move on
        bool joinedKnown = false;
        QByteArray joined;
    };
    struct Country {
        QByteArray name; // as the import gives it
        int rowsBefore = 0;
        int newRows = 0;
        std::vector<int> old; // indexes into m_old
    };

    static void MatchKey(QByteArray& key, QByteArrayView country, QByteArrayView plz,
                         QByteArrayView place, QByteArrayView part);
    static Digest FieldsDigest(const GeoRowFields& fields);
    Country* NoteCountry(QByteArrayView country);
    bool LoadCountry(Country& country);
    const QByteArray& Joined(Group& group);
    bool QueueUpdate(qint64 key, const GeoRowFields& fields, QByteArrayView memo);
    bool WriteUpdates();
    bool Fail(const QString& error);

    CGeoDatabase& m_database;
    std::vector<OldRow> m_old;
    std::vector<Group> m_groups;
    QHash<QByteArray, int> m_groupOf;       // place key -> index into m_groups
    QByteArray m_key;                       // the key of the last new row, its memory used again
    QHash<QByteArray, Country> m_countries; // folded -> country seen in the new rows
    QList<QByteArray> m_countryOrder;       // folded, in the order seen
    QByteArray m_lastCountry;               // the last row's country as given, and its entry
    Country* m_pLastCountry = nullptr;
    // Kept rows waiting to be written: their values in the order of the update statement,
    // each followed by NUL, one after the other; and the size of each (0 for NULL).
    QByteArray m_updates;
    std::vector<int> m_updateSizes;
    QList<CountryRefreshResult> m_results;
    QString m_strError;
};
