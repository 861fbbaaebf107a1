#pragma once

#include "base/GeoTableDesc.h"
#include "store/GeoBackend.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <utility>

class CGeoSqlDialect;
namespace GeoStandardOrder {
struct Collations;
}

// The one object through which the program reaches its database: the SQLite file
// "Kelvo.mde" with table GEO, or GEO on a PostgreSQL server. Opens the file, or creates it
// with an empty GEO table when there is none; counts rows; writes a row back. Views read rows
// with CGeoRecordset, through the engine's interface (GeoBackend.h); which engine holds the
// data is seen only inside src/store.
//
// A file that exists but is no usable Kelvo database (no regular file, no SQLite file,
// damaged, unreadable, without table GEO) is never modified: the object stays closed and
// OpenError() says why. A file that another program holds locked is "in use", not damaged:
// the object stays closed for now, and EnsureOpen() tries again.
//
// One object serves one thread at a time; a thread that works beside the others opens one of
// its own.
class CGeoDatabase {
public:
    // How long a statement waits for another program that holds the file.
    static constexpr int kBusyTimeoutMs = 5000;

    CGeoDatabase();  // builds the GEO description; opens nothing yet
    ~CGeoDatabase(); // closes the database; a new file not yet in place is removed

    CGeoDatabase(const CGeoDatabase&) = delete;
    CGeoDatabase& operator=(const CGeoDatabase&) = delete;

    // Opens the database file, by default the description's file name in the current
    // directory, creating it with table GEO when it does not exist (OpenNew, PublishNew);
    // or, for "postgresql://user@host:port/dbname", that database on a PostgreSQL server,
    // where GEO is created when it is missing. Returns false and keeps the object closed
    // when that fails; OpenError() then holds a German message, and IsBusy() tells whether
    // another program held the file. A database that holds other things but no GEO of
    // Kelvo's is not changed: NeedsSetUp() is then true.
    bool Open(const QString& path = QString());
    // The same, but GEO (and on a server the program's schema) is made also in a database
    // that holds other things, as the user asked; nothing there is replaced.
    bool SetUp(const QString& path);
    // The last Open() found a database (a file or a server) that is not empty and has no GEO
    // of Kelvo's; SetUp() would make it one.
    bool NeedsSetUp() const { return m_bNeedsSetUp; }
    void Close();
    bool IsOpen() const { return m_pBackend != nullptr; }
    const QString& OpenError() const { return m_strOpenError; }
    const QString& FilePath() const { return m_strFilePath; }
    // Whether the data is on a server, and which ("kelvo@host:5432/geo"); empty for a file.
    bool IsServer() const { return !m_strServer.isEmpty(); }
    const QString& Server() const { return m_strServer; }

    // The last Open() or EnsureOpen() found the file locked by another program.
    bool IsBusy() const { return m_bBusy; }
    // Makes sure the database can be read now, for a command that needs it: an open
    // database is tried (waiting up to the busy timeout); one that was in use by another
    // program, or a server that could not be reached, is opened again. False when the database is
    // closed; when it is (still) in use it is closed until the next call, IsBusy() is true and
    // OpenError() says so.
    bool EnsureOpen();
    // What EnsureOpen() noticed and did on its own, for the user: the file was deleted or
    // replaced by another (a restored backup) and is now opened anew. Empty when nothing
    // happened; taking it clears it.
    QString TakeNotice() { return std::exchange(m_strNotice, QString()); }

    // Creating a database so that it appears under its name only when complete: OpenNew()
    // creates it with table GEO under a temporary name in the same folder and opens it
    // there; PublishNew() renames it into place (never over a file that appeared meanwhile)
    // and opens it under its name; DiscardNew() closes and removes it. False on failure,
    // with OpenError() saying why; a failed OpenNew() or PublishNew() leaves no file behind.
    bool OpenNew(const QString& path);
    bool PublishNew();
    void DiscardNew();
    bool IsNew() const { return !m_strNewPath.isEmpty(); }

    // Called with true when a statement starts to wait for another program and with false
    // when the wait is over (the program shows the wait cursor).
    // On a server, also while the program waits for the server's answer or connects.
    void SetWaitHook(std::function<void(bool waiting)> hook) { m_waitHook = std::move(hook); }
    void SetBusyTimeout(int ms);
    int BusyTimeout() const { return m_nBusyTimeoutMs; }
    // While the program waits for a server, called about ten times a second with the
    // milliseconds waited: true gives up (the operation fails with a message, the next one
    // connects anew).
    void SetGiveUpHook(std::function<bool(int elapsedMs)> hook) { m_giveUpHook = std::move(hook); }
    // While a statement reads a table from end to end, told now and then how many of its
    // rows it has looked at (where the engine can tell); true stops the statement.
    void SetScanHook(std::function<bool(qint64 rowsLookedAt)> hook) {
        if (m_pBackend)
            m_pBackend->SetScanHook(std::move(hook));
    }
    // From another thread than the one using the connection: the statement running on it
    // stops soon with an error (a stopped read; on a server SetGiveUpHook ends the wait).
    void Interrupt() {
        if (m_pBackend)
            m_pBackend->Interrupt();
    }

    // The engine, for the recordsets (null while closed), and its SQL texts.
    CGeoBackend* Backend() const { return m_pBackend.get(); }
    const CGeoSqlDialect& Sql() const;

    // The engine's cache of the data goes back to the system (after a long read).
    void ReleaseCache() {
        if (m_pBackend)
            m_pBackend->ReleaseCache();
    }
    // Number of rows of a table; 0 for an empty table or one that cannot be read.
    int GetRecordCount(const QString& tableName);
    // True when table GEO has at least one row (cheaper than counting them).
    bool HasRows();

    // Writes a row back over the stored row with the same key (values[0], read like atoi).
    // Text, memo and date fields are written, the key never. Returns false for a key that
    // is not stored (nothing written) and on an engine error (LastError() not empty).
    bool UpdateRecord(const CGeoTableDesc& desc, const QStringList& values);
    // The same for the given field indexes only.
    bool UpdateFields(const CGeoTableDesc& desc, const QStringList& values,
                      const QList<int>& fields);

    // Starts a write transaction on a checked database (CGeoBackend::BeginWrite: the engine
    // keeps other writers out, waiting for them up to the busy timeout, and checks the
    // database unless it is as this connection left it after the last check; a server
    // checks its own files).
    // False when the file is in use, damaged or cannot be read: nothing was written, no
    // transaction is left open, and LastError() says why in German. Every write of the
    // program starts here.
    bool BeginWrite();
    // BeginWrite's check of the file made ahead, so that the window stays usable while it
    // reads the whole file: whether the next BeginWrite would check; the check itself, on a
    // connection of its own to the database at `location` (any thread; nothing is written,
    // a missing file is not made; `progress` is told on that thread each whole percent it has
    // got through); and taking what it found into this connection. On a server there is no
    // such check.
    bool WriteCheckDue();
    static CGeoBackend::WriteCheck CheckAhead(const QString& location, int busyTimeoutMs,
                                              const std::function<void(int)>& progress = {});
    void TakeWriteCheck(const CGeoBackend::WriteCheck& check);
    // The write transaction of an import (BeginWrite), begun only while no other import runs
    // on the database: Busy at once, with nothing begun, while one does; Failed with
    // LastError() as BeginWrite. Once Taken, nobody else writes rows until the transaction
    // ends (memo writes of others wait, then fail with a message), so the memos the import
    // reads are those at its commit.
    enum class ImportLock { Taken, Busy, Failed };
    ImportLock TryBeginImport();
    bool CommitWrite();   // false on an engine error (the transaction is then rolled back)
    void RollbackWrite(); // ends the transaction without a change; LastError() stays
    // A read transaction: the statements until EndRead see the data as it was at the first
    // of them. False, with LastError(), when it could not begin.
    bool BeginRead();
    void EndRead();
    // Whether the connection is open and answers a statement (a server may have dropped it
    // while it was kept unused).
    bool Responds();
    // While on, a write transaction that is rolled back leaves the database exactly as it
    // was, byte for byte (CGeoBackend::SetExactRollback). Switched outside a transaction;
    // large writes (imports) ask for it.
    void SetExactRollback(bool on);

    // The memo of the row with the key: true when the row exists (a memo without a value is
    // a null QVariant); false when it does not or on an engine error (LastError() not empty).
    bool ReadMemo(const CGeoTableDesc& desc, int key, QVariant* memo);

    enum class MemoWrite { Saved, Conflict, Missing, Failed };
    // Stores a new memo for the row with the key, in a checked write transaction, but only
    // while the stored memo is still `expected` (null: none). Conflict: another memo is
    // stored, and `stored` receives it; Missing: there is no such row; Failed: the engine
    // refused, or the file is in use or damaged (LastError()). Only Saved writes anything.
    MemoWrite UpdateMemo(const CGeoTableDesc& desc, int key, const QVariant& expected,
                         const QString& memo, QVariant* stored);

    // Runs a statement without result rows (transactions, schema). False on an engine error.
    bool Execute(const QString& sql);

    // What a reader that keeps rows compares to know whether they are still what is stored.
    // It changes with every change of the stored data since it was last taken: this
    // connection's own writes and schema changes, and whatever other connections or
    // processes commit.
    struct CDataStamp {
        quint64 nOpen = 0;       // which opening of a database file
        qint64 nVersion = -1;    // the engine's count of other connections' commits
        qint64 nSchema = -1;     // the engine's count of schema changes
        qint64 nOwnChanges = -1; // rows this connection has written
        bool operator==(const CDataStamp&) const = default;
    };
    CDataStamp DataStamp();
    // Leaves the write transaction just begun (BeginWrite) out of the stamp: it writes only
    // tables beside GEO that readers of GEO need not know of (the territories). Ends with
    // the transaction. Other programs' commits to a file still move the stamp.
    void KeepStampAcrossWrite();

    // How the engine compares Staat and PLZ for the standard order. True when rows read in
    // the order the table keeps them can be put in the standard order in memory
    // (GeoStandardOrder): both fields hold texts (text affinity) compared with NOCASE or
    // BINARY, and the key ID_Geo is the row id, by which the table keeps its rows. False when
    // only the engine's ORDER BY gives the order.
    bool StandardOrderCollations(GeoStandardOrder::Collations* collations);

    // What a layer above keeps beside this database for as long as it lives (the rows the
    // maps share): told when the database closes, destroyed with it. Null until set.
    class CCompanion {
    public:
        virtual ~CCompanion() = default;
        virtual void DatabaseClosed() = 0;
    };
    CCompanion* Companion() const { return m_pCompanion.get(); }
    void SetCompanion(std::unique_ptr<CCompanion> companion) {
        m_pCompanion = std::move(companion);
    }

    // The engine's message of the last failed operation; empty when it did not fail.
    const QString& LastError() const { return m_strLastError; }

    QString m_strSQL;      // the last SQL text an operation of this object formatted
    CGeoTableDesc m_Table; // the description of table GEO

private:
    void CloseForOpen();
    friend class CGeoRecordset;
    // Ends a wait for another program (the hook hears of it); CGeoRecordset calls it after
    // each engine call.
    void EndWait();
    void StartWait();

    // One statement inside the write transaction: the rows it changed, or -1 after an
    // engine error (LastError(); the transaction is then rolled back).
    // `deadlock` tells whether the server chose the statement as the victim of a deadlock.
    int ExecuteWrite(const QString& sql, const QVariantList& values, bool* deadlock = nullptr);
    // The file under the database's name is no longer the one this connection reads (it was
    // deleted or replaced: another device or inode).
    bool FileReplaced() const;
    void ReopenReplacedFile();
    bool OpenFile(const QString& path, bool setUp);
    bool OpenServer(const QString& address, bool setUp);
    // Opens the engine on the file, new or not, and checks (or makes) its table.
    bool OpenConnection(const QString& path, bool create, bool setUp, QString* reason);
    void SetOpenError(const QString& path, const QString& reason);
    void SetBusy(const QString& engineMessage);

    QString m_strFilePath;
    QString m_strNewPath; // a new database not yet renamed into place
    QString m_strOpenError;
    QString m_strLastError;
    QString m_strServer;
    std::unique_ptr<CGeoBackend> m_pBackend;
    bool m_bBusy = false;
    bool m_bNeedsSetUp = false;
    bool m_bLastBusy = false; // the last Execute() waited too long for another program
    int m_nBusyTimeoutMs = kBusyTimeoutMs;
    std::function<void(bool)> m_waitHook;
    std::function<bool(int)> m_giveUpHook;
    bool m_bWaiting = false;
    QByteArray m_fileIdentity; // device and inode of the file the connection opened
    QString m_strNotice;
    quint64 m_nOpen = 0;
    std::unique_ptr<CCompanion> m_pCompanion;
};
