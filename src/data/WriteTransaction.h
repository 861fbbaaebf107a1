#pragma once

#include <QString>

#include <functional>

class CGeoDatabase;

// The one write transaction of an import: everything in it is stored, or nothing is. It is
// the database's checked write (CGeoDatabase::BeginWrite: the file is checked before anything
// is written); a transaction that was begun and not committed is rolled back when the object
// goes.
class CWriteTransaction {
public:
    explicit CWriteTransaction(CGeoDatabase& database) : m_database(database) {}
    ~CWriteTransaction();
    CWriteTransaction(const CWriteTransaction&) = delete;
    CWriteTransaction& operator=(const CWriteTransaction&) = delete;

    // False with a German message when the database cannot be written now. While another
    // import runs on the database, waits for its end: `waiting` is asked about five times a
    // second with the milliseconds waited and gives up by returning false (*cancelled is
    // then set); after `maxWaitMs` the answer is that another import runs.
    bool Begin(QString* error, int maxWaitMs, const std::function<bool(int elapsedMs)>& waiting,
               bool* cancelled);
    bool Commit(QString* error);
    void Rollback();

private:
    void End();

    CGeoDatabase& m_database;
    bool m_bOpen = false;
    bool m_bExact = false; // asked the database for an exact rollback
};
