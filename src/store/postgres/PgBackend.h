#pragma once

#include "store/DbLocation.h"
#include "store/GeoBackend.h"

#include <functional>
#include <memory>
#include <vector>

struct pg_conn;
struct pg_result;
class CGeoTableDesc;
class CPgStatement;

// Table GEO on a PostgreSQL server, through libpq (host, port, database, user; the password
// comes from ~/.pgpass or PGPASSWORD). Statements stream their rows one at a time, so a
// table of millions of rows never sits in memory twice.
//
// Waiting for the server never blocks without end: connecting gives up after 10 seconds,
// keep-alive probes find a dead network in about as long, and while a statement waits the
// wait handler is asked whether to go on. A connection that broke is made anew before
// the next statement - unless it broke inside a transaction: then every statement fails
// until the caller's ROLLBACK, so that nothing the transaction meant to do is half done.
class CPgBackend : public CGeoBackend {
public:
    ~CPgBackend() override;

    // Connects to the server. Null and a German message (with the server's own text) when
    // it fails.
    static std::unique_ptr<CPgBackend> Connect(const CDbLocation& location, QString* error);

    std::unique_ptr<CGeoStatement> Prepare(const QString& sql) override;
    const CGeoSqlDialect& Sql() const override;
    const CTerritorySql& TerritorySql() const override;

    // Makes the database a Kelvo database: GEO, its change number and the schema "kelvo"
    // with the program's functions are made (all or nothing, also when several programs
    // start on the database at once) in an empty database, in a database an older program
    // made (which gets the schema beside its old functions), and with `setUp` in any
    // database that lacks them - never replacing an object that is not the program's. Then
    // checks that GEO has the fields of the description in their order. False and a German
    // reason otherwise; a Foreign problem is a database that holds other things, in which
    // nothing was made because `setUp` was not given.
    bool PrepareSchema(const CGeoTableDesc& desc, bool setUp, SchemaProblem* problem) override;
    // A server is read when asked; a connection that broke is made anew by the statement.
    bool Readable(QString*) override { return true; }
    // BEGIN: the server locks rows, and checks its own files.
    bool BeginWrite(QString* error, bool* busy) override;
    // The server's count of committed changes by anyone. In a transaction of this
    // connection, or when the count cannot be read, one that matches no other: what is read
    // then is read again next time.
    void Stamp(qint64* version, qint64* schema, qint64* ownChanges) override;

    // Whether the server reads the first rows of the standard order through an index (the
    // schema's "geo_order", or any other in exactly that order) rather than sorting them.
    bool FirstRowsFromIndex(const CGeoTableDesc& desc) override;
    // Whether the server finds rows by their positions through an index (the schema's
    // "geo_kelvo_breitengrad" and "geo_kelvo_langengrad", or others on the same numbers).
    bool PositionsFromIndex(const CGeoTableDesc& desc) override;
    // A search the server answers with a scan of the whole table goes in ranges of keys.
    bool ScanPieces(const CGeoTableDesc& desc, const CGeoFilter& filter,
                    std::vector<ScanPiece>* pieces,
                    GeoStandardOrder::Collations* collations) override;

    const CDbLocation& Location() const { return m_location; }

    // While a statement or a new connection waits for the server, the handler is called
    // about ten times a second with the milliseconds waited; false gives up (the connection
    // is dropped, the statement fails, the next one connects anew). Once the wait is over it
    // is called with -1.
    void SetWaitHandler(std::function<bool(int elapsedMs)> handler) override {
        m_waitHandler = std::move(handler);
    }

    // For the statements: the connection for the statement's text, made anew when it broke;
    // null when that fails (*error says why) or while a broken transaction waits for its
    // ROLLBACK. A statement whose rows are still coming is told to set them aside; a batch
    // is ended unless the statement is to join it.
    pg_conn* Ready(const QByteArray& sql, CPgStatement* statement, QString* error,
                   bool inBatch = false);
    // Waits until the server's next result is there (or the connection is gone) and takes
    // it; null when the statement has no more.
    pg_result* NextResult();
    // After a statement: notes whether a transaction is open, and whether the connection
    // broke inside one.
    void Finished(CPgStatement* statement);
    // Explains a failure in German, with the server's text; the server's text alone;
    // whether it was a row lock another user held too long. For a failure of the connection
    // (no result) null. `sql` is the statement refused, for a refusal for want of a right.
    QString Explain(const pg_result* result, const QByteArray& sql = {}) const;
    QString ServerMessage(const pg_result* result) const;
    bool IsLockWait(const pg_result* result) const;
    bool InTransaction() const override;
    // Sends a prepared statement without waiting for its end (pipeline mode); every
    // kBatchRows statements, and before any other statement, the server's answers are
    // collected. The first failure makes every later statement but ROLLBACK fail.
    bool SendInBatch(const QByteArray& name, const QByteArray& sql,
                     const std::vector<const char*>& values, QString* error);
    // The same for one row of a bulk insert: a row of the COPY statement (started unless it
    // runs already), sent in blocks of rows. The COPY ends before any other statement; a row
    // the server refuses then fails every later statement but ROLLBACK, as in a batch.
    bool SendCopyRow(const QByteArray& copySql, const std::vector<QByteArray>& values,
                     const std::vector<bool>& nulls, QString* error);
    // A name for a statement prepared on the server, and the number of the connection it is
    // prepared on (it counts the connections made anew).
    QByteArray NextStatementName();
    int Generation() const { return m_nGeneration; }

private:
    CPgBackend() = default;
    // Whether the plan a text gives (an EXPLAIN between a setting and its reset) has no step
    // named `step`; `reset` sets the setting back where the text stopped at an error.
    bool PlannedWithout(const QString& plan, const char* step, const QString& reset);
    bool SetUpSession(QString* error);
    bool Reconnect(QString* error);
    bool Run(const QString& sql, QString* error);
    struct SchemaState;
    bool ReadSchemaState(const CGeoTableDesc& desc, SchemaState* state, QString* error);
    bool Synchronise();
    bool GoOn(int elapsedMs);
    void EndBatch(); // also ends a COPY
    void EndCopy();
    bool SendCopyRows();

    CDbLocation m_location;
    pg_conn* m_pConn = nullptr;
    CPgStatement* m_pStreaming = nullptr; // the statement whose rows are coming
    bool m_bInTransaction = false;
    bool m_bLostTransaction = false;
    bool m_bGaveUp = false;
    bool m_bWaiting = false; // inside the wait handler
    bool m_bBatch = false;   // in pipeline mode
    int m_nBatched = 0;      // statements sent since the last synchronisation
    QString m_strBatchError; // the first failure of the batch
    QByteArray m_copySql;    // the COPY running, if one is
    QByteArray m_batchSql;   // the statement last sent in the batch
    QByteArray m_copyRows;   // its rows not yet sent
    int m_nStatements = 0;
    int m_nGeneration = 0;
    quint64 m_nUnmatched = 0; // stamps that match no other
    QString m_strChangeCount; // the query of the change number, once the schema is checked
    std::function<bool(int)> m_waitHandler;
};
