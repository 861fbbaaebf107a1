#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

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
// transaction, without losing a memo. A new row takes the memos of the old rows with the same
// Staat, PLZ, Ort and Ortsteil (compared as the columns compare, ASCII case ignored; NULL
// equals NULL), each memo once, joined by a line feed, in key order. An old row whose memo
// finds no new row is kept as it is. A memo of nothing but white space counts as none.
//
// Load before the first new row, NewRow for each new row, Finish after the last.
class CCountryRefresh {
public:
    explicit CCountryRefresh(CGeoDatabase& database);

    // Notes the largest old key, the rows of every country and the rows with a memo.
    bool Load(QString* error);
    // Notes a new row's country and gives the memo the row takes over (empty for none). The
    // view stays valid until Finish.
    QByteArrayView NewRow(QByteArrayView country, QByteArrayView plz, QByteArrayView place,
                          QByteArrayView part);
    // Deletes the old rows of the countries seen, but not those whose memo found no new row.
    // `progress` gets the share done (0 to 1) between steps; returning false stops with an
    // error. False on an engine error (the caller rolls the transaction back).
    bool Finish(const std::function<bool(double)>& progress, QString* error);
    // One entry per country seen, in the order they came.
    const QList<CountryRefreshResult>& Results() const { return m_results; }

private:
    struct OldMemo {
        qint64 key;
        QByteArray country; // folded
        QByteArray memo;
        bool carried = false;
    };
    struct Match {
        QList<int> memos; // indexes into m_memos, in key order
        QByteArray joined;
    };
    struct Country {
        QByteArray name; // as the import gives it
        int inserted = 0;
    };

    // The key of a place in m_matches, written into `key`.
    static void MatchKey(QByteArray& key, QByteArrayView country, QByteArrayView plz,
                         QByteArrayView place, QByteArrayView part);
    Country& NoteCountry(QByteArrayView country);
    bool DeleteOldRows(const std::function<bool(double)>& progress, QString* error);

    CGeoDatabase& m_database;
    qint64 m_nMaxOldKey = 0;
    QHash<QByteArray, int> m_rowsBefore; // folded country -> rows
    std::vector<OldMemo> m_memos;
    QHash<QByteArray, Match> m_matches;
    QByteArray m_key;                       // the key of the last new row, its memory used again
    QHash<QByteArray, Country> m_countries; // folded -> country seen in the new rows
    QList<QByteArray> m_countryOrder;       // folded, in the order seen
    QByteArray m_lastCountry;               // the last row's country as given, and its entry
    Country* m_pLastCountry = nullptr;
    QList<CountryRefreshResult> m_results;
};
