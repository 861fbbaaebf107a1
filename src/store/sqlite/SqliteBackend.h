#pragma once

#include "store/GeoBackend.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <functional>

struct sqlite3;

// Table GEO in an SQLite file, opened with the engine's own interface: the program's SQL
// functions (LIKE, GeoNumber, GeoDistance, FoldLike), the wait for another program that
// holds the file, the check before every write, the data stamp and the collations of the
// standard order.
class CSqliteBackend : public CGeoBackend {
public:
    ~CSqliteBackend() override;

    // Opens the file; `create` makes it when it is missing (only a new file is so opened).
    // Null and the engine's message when that fails. `vfs` names the engine's file layer to
    // read it through (null: the engine's default).
    static std::unique_ptr<CSqliteBackend> Open(const QString& path, bool create, QString* error,
                                                const char* vfs = nullptr);

    // Another program holding the file is waited for up to timeoutMs; `waiting` is told when
    // a wait starts.
    void SetBusyWait(int timeoutMs, std::function<void()> waiting) override;
    void SetScanHook(std::function<bool(qint64)> hook) override;
    void Interrupt() override;

    std::unique_ptr<CGeoStatement> Prepare(const QString& sql) override;
    const CGeoSqlDialect& Sql() const override;
    const CTerritorySql& TerritorySql() const override;
    bool InTransaction() const override;
    bool PrepareSchema(const CGeoTableDesc& desc, bool setUp, SchemaProblem* problem) override;
    bool Readable(QString* engineMessage) override;
    bool BeginWrite(QString* error, bool* busy) override;
    void Committed() override;
    void ReleaseCache() override;
    bool WriteCheckDue() override;
    WriteCheck CheckAhead(const std::function<void(int)>& progress) override;
    void TakeWriteCheck(const WriteCheck& check) override;
    void SetExactRollback(bool on) override;
    void Stamp(qint64* version, qint64* schema, qint64* ownChanges) override;
    void LeaveOutOfStamp(bool begin) override;
    bool StandardOrderCollations(const CGeoTableDesc& desc,
                                 GeoStandardOrder::Collations* collations) override;
    bool FirstRowsFromIndex(const CGeoTableDesc& desc) override;

    // The connection, for tests that watch the statements.
    sqlite3* Handle() const { return m_pHandle; }

private:
    CSqliteBackend() = default;
    static int BusyHandler(void* self, int count);
    static int ProgressHandler(void* self);
    // Runs a statement without rows; false with the German error.
    bool Run(const QString& sql, QString* error = nullptr, bool* busy = nullptr);
    bool CreateTable(const CGeoTableDesc& desc, QString* error);
    // PRAGMA quick_check inside a transaction; false with the German reason when the file
    // is damaged or could not be read (`*busy` when another program held it).
    bool Check(QString* error, bool* busy = nullptr);
    // The bytes of the file's pages that hold data (not those free), 0 when unknown.
    long long BytesInUse();

    sqlite3* m_pHandle = nullptr;
    QString m_strPath;
    int m_nBusyTimeoutMs = 5000;
    std::function<void()> m_waiting;
    std::function<bool(qint64)> m_scanHook;
    QElapsedTimer m_waitClock;
    QByteArray m_checkedStamp; // the file as it was when the last check passed
    WriteCheck m_damaged;      // the file as another connection found it damaged
    bool m_bSpillOff = false;  // changed pages are kept until the commit
    // Rows written and schema changes made in transactions left out of the stamp, and where
    // the one now open began.
    struct Aside {
        qint64 changes = 0, schema = 0;
    } m_aside, m_asideFrom;
    bool m_bAside = false;
    // The engine's counts: rows this connection wrote, and the schema version.
    Aside Counts();
};
