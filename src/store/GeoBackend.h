#pragma once

#include "store/GeoSqlDialect.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <vector>

class CGeoFilter;
class CTerritorySql;
class CGeoTableDesc;
namespace GeoStandardOrder {
struct Collations;
struct Value;
} // namespace GeoStandardOrder

// What the database object needs of an engine, and nothing more: statements that take
// values, step through rows and give each field's UTF-8 bytes. One implementation per
// engine: the SQLite file (SqliteBackend) and a PostgreSQL server (PgBackend). Nothing
// outside src/store sees which one is in use.
class CGeoStatement {
public:
    enum class Type { Null, Integer, Float, Text, Blob };

    virtual ~CGeoStatement() = default;

    // Binds the values in order (QString as text, integers, doubles, a null QVariant as NULL)
    // and starts the statement afresh.
    virtual bool Bind(const QVariantList& values) = 0;
    // Steps to the next row: true when there is one. False at the end and on an error, which
    // Error() then holds.
    virtual bool Step() = 0;
    // Runs a statement that returns no rows to its end.
    virtual bool Run() = 0;
    // The same for one of many rows written in a transaction: the engine may send the
    // statement without waiting for its end. An error then shows at a later RunInBatch() or
    // at the transaction's next other statement (its COMMIT fails), never not at all.
    virtual bool RunInBatch() { return Run(); }
    // Binds UTF-8 texts in order (an empty view as NULL) and runs the statement as
    // RunInBatch() does: the fast path of a bulk insert. Each text is followed by a NUL byte
    // and holds none; the texts need only live until the call returns.
    virtual bool RunUtf8(const QByteArrayView* values, int count) = 0;

    virtual int FieldCount() const = 0;
    virtual QString FieldName(int field) const = 0;
    // The type of the field's value in the current row. Ask before reading the field:
    // reading may convert it.
    virtual Type FieldType(int field) const = 0;
    // The field's value as UTF-8 text (numbers as their text), valid until the next step;
    // empty for NULL.
    virtual QByteArrayView FieldUtf8(int field) const = 0;
    // Several fields at once, one call a row where rows are read by the million: values[i]
    // gets field fields[i], its kind Null for no value and Text otherwise (a blob's bytes, a
    // number's text), unless bit i of exactKinds asks for the exact kind (Blob for a blob).
    virtual void FieldValues(const int* fields, int count, GeoStandardOrder::Value* values,
                             quint32 exactKinds) const;
    virtual qint64 FieldInt(int field) const = 0;
    // Rows the last Run() inserted, updated or deleted.
    virtual int ChangedRows() const = 0;

    // The last failure: in German for the common conditions, with the engine's message;
    // empty when nothing failed.
    virtual const QString& Error() const = 0;
    // The engine's own words for it, without the German sentence.
    virtual const QString& EngineMessage() const = 0;
    // Whether it was another connection holding what the statement needed (the file, or on
    // a server the rows) for longer than the program waits.
    virtual bool IsBusy() const = 0;
    // Whether a server ended the statement's transaction to break a deadlock.
    virtual bool IsDeadlock() const { return false; }
};

class CGeoBackend {
public:
    virtual ~CGeoBackend() = default;

    // A statement for the SQL text; its errors (also a text the engine refuses) show in the
    // statement's Error() at the latest when it is bound, stepped or run.
    virtual std::unique_ptr<CGeoStatement> Prepare(const QString& sql) = 0;
    // The SQL texts of this engine.
    virtual const CGeoSqlDialect& Sql() const = 0;
    // The SQL texts of the territory tables on this engine.
    virtual const CTerritorySql& TerritorySql() const = 0;
    // Whether a transaction is open (also one the engine has given up and waits to be
    // rolled back).
    virtual bool InTransaction() const = 0;

    // Why the database cannot be used as table GEO of the description.
    struct SchemaProblem {
        enum Kind { None, Busy, Foreign, Other } kind = None;
        QString reason;        // in German
        QString engineMessage; // the engine's words, for Busy
    };
    // Checks that the database holds GEO with the described fields, making what is missing
    // where that is allowed: in a new or empty database, and with `setUp` in any that lacks
    // it; never over anything that is not the program's. False with the problem otherwise.
    virtual bool PrepareSchema(const CGeoTableDesc& desc, bool setUp, SchemaProblem* problem) = 0;

    // Gives the pages the engine keeps of the data back to the system, after a long read
    // that will not be repeated soon (an engine without such a cache keeps nothing).
    virtual void ReleaseCache() {}
    // How long a statement waits for another program that holds the database, and what it
    // tells when a wait starts (an engine that waits for locks by itself needs neither).
    virtual void SetBusyWait(int /*timeoutMs*/, std::function<void()> /*waiting*/) {}
    // While a statement or a new connection waits for a server, the handler is called about
    // ten times a second with the milliseconds waited; false gives up. Once the wait is over
    // it is called with -1. An engine on a file of its own needs none.
    virtual void SetWaitHandler(std::function<bool(int elapsedMs)> /*handler*/) {}
    // While a statement reads a table from end to end, the hook is told now and then, on the
    // statement's thread, how many of the table's rows it has looked at so far (also those
    // it passed over); true stops the statement with an error. An engine that cannot tell
    // cheaply never calls it. An empty hook ends it.
    virtual void SetScanHook(std::function<bool(qint64 rowsLookedAt)> /*hook*/) {}
    // May be called from any thread while the connection is in use on another: the statement
    // running now stops soon with an error. Nothing happens when none runs. An engine whose
    // waits end otherwise (SetWaitHandler) needs none.
    virtual void Interrupt() {}

    // Whether the database can be read now: false when another program holds it for longer
    // than the program waits (*engineMessage then says so).
    virtual bool Readable(QString* engineMessage) = 0;

    // Starts a write transaction that nobody else writes into meanwhile, on a database found
    // sound. False and the German reason otherwise (`*busy` when another program held the
    // database for longer than the program waits); no transaction is then left open.
    virtual bool BeginWrite(QString* error, bool* busy) = 0;
    // After a COMMIT of a transaction BeginWrite started.
    virtual void Committed() {}

    // The check BeginWrite makes of a database before writing, made ahead of it by another
    // connection (on a thread of its own, so that the program's connection goes on serving
    // the windows): which state of the database it saw, and what it found (empty when
    // sound). An empty `state` tells nothing (the database was in use or changed meanwhile).
    struct WriteCheck {
        QByteArray state;
        QString error; // in German, as BeginWrite reports it
    };
    // Whether the next BeginWrite would check the database first.
    virtual bool WriteCheckDue() { return false; }
    // Makes the check in a read transaction of this connection, writing nothing. `progress`,
    // when given, is told on this thread each whole percent the check has got through.
    virtual WriteCheck CheckAhead(const std::function<void(int percent)>& /*progress*/) {
        return {};
    }
    // Takes the check another connection made: BeginWrite then finds the database in that
    // state as that check did, without reading it again.
    virtual void TakeWriteCheck(const WriteCheck&) {}

    // While on, a write transaction that is rolled back leaves the database as it was, byte
    // for byte. Switched outside a transaction.
    virtual void SetExactRollback(bool) {}

    // The engine's part of a data stamp (CGeoDatabase::CDataStamp): numbers that change with
    // every change of the stored data.
    virtual void Stamp(qint64* version, qint64* schema, qint64* ownChanges) = 0;
    // From true (inside a write transaction) to false (once it ended) what this connection
    // writes is left out of the stamp (CGeoDatabase::KeepStampAcrossWrite). Engines whose
    // stamp counts only changes of GEO need nothing.
    virtual void LeaveOutOfStamp(bool) {}

    // How the engine orders Staat and PLZ, when rows read in the order the table keeps them
    // can be put in the standard order in memory (CGeoDatabase::StandardOrderCollations).
    virtual bool StandardOrderCollations(const CGeoTableDesc&, GeoStandardOrder::Collations*) {
        return false;
    }
    // Whether the engine finds the first rows of the standard order (FirstOrderedRows) in an
    // index, without reading every row first.
    virtual bool FirstRowsFromIndex(const CGeoTableDesc&) { return false; }
    // Whether the engine finds the rows within a small distance (GeoFilter::Radius) through
    // an index of the positions, without reading every row.
    virtual bool PositionsFromIndex(const CGeoTableDesc&) { return false; }

    // One of the queries a filtered read of the whole table is cut into, and the share of the
    // table's keys (per mille) read once it and those before it are done.
    struct ScanPiece {
        CGeoQuery query;
        int perMille = 0;
    };
    // For a filter whose rows the engine finds only by reading every row, and whose reading
    // it does not follow (SetScanHook): the same rows as pieces, each the rows of a range of
    // keys in any order, the ranges ascending and together every key; the reader tells how
    // far it got after each piece, and puts the rows in the standard order in memory in the
    // collations given, equal keys by key. False where one query reads them.
    virtual bool ScanPieces(const CGeoTableDesc&, const CGeoFilter&, std::vector<ScanPiece>*,
                            GeoStandardOrder::Collations*) {
        return false;
    }
};
