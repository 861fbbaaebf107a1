#pragma once

#include "db/GeoTableDesc.h"

#include <QString>
#include <QStringList>

#include <memory>

struct sqlite3;
class CGeoBackend;
class CGeoSqlDialect;

// The one object through which the program reaches its database: the SQLite file
// "Kelvo.mde" with table GEO, or GEO on a PostgreSQL server. Opens the file, or creates it
// with an empty GEO table when there is none; counts rows; writes a row back. Views read
// rows with CGeoRecordset. Which engine holds the data is seen only inside src/db.
//
// A file that exists but is no usable Kelvo database (no SQLite file, damaged, unreadable,
// without table GEO) is never modified: the object stays closed and OpenError() says why.
class CGeoDatabase {
public:
    CGeoDatabase();  // builds the GEO description; opens nothing yet
    ~CGeoDatabase(); // closes the database

    CGeoDatabase(const CGeoDatabase&) = delete;
    CGeoDatabase& operator=(const CGeoDatabase&) = delete;

    // Opens the database file, by default the description's file name in the current
    // directory, creating it with table GEO when it does not exist; or, for a text
    // "postgresql://user@host:port/dbname", the database on that server, where table GEO is
    // created when it is missing. Returns false and keeps the object closed when that fails;
    // OpenError() then holds a German message.
    bool Open(const QString& path = QString());
    void Close();
    bool IsOpen() const { return m_pBackend != nullptr; }
    const QString& OpenError() const { return m_strOpenError; }
    const QString& FilePath() const { return m_strFilePath; }
    // Whether the data is on a server, and which ("kelvo@host:5432/geo"); empty for a file.
    bool IsServer() const { return !m_strServer.isEmpty(); }
    const QString& Server() const { return m_strServer; }

    // The SQLite connection's native handle (null while closed and on a server).
    sqlite3* Handle() const { return m_pHandle; }
    // The engine, for the recordsets (null while closed), and its SQL texts.
    CGeoBackend* Backend() const { return m_pBackend.get(); }
    const CGeoSqlDialect& Sql() const;

    // Number of rows of a table; 0 for an empty table or one that cannot be read.
    int GetRecordCount(const QString& tableName);

    // Writes a row back over the stored row with the same key (values[0], read like atoi).
    // Text, memo and date fields are written, the key never. Returns false for a key that
    // is not stored (nothing written) and on an engine error (LastError() not empty).
    bool UpdateRecord(const CGeoTableDesc& desc, const QStringList& values);
    // The same for the given field indexes only.
    bool UpdateFields(const CGeoTableDesc& desc, const QStringList& values,
                      const QList<int>& fields);

    // Runs a statement without result rows (transactions, schema). False on an engine error.
    bool Execute(const QString& sql);

    // The engine's message of the last failed operation; empty when it did not fail.
    const QString& LastError() const { return m_strLastError; }

    QString m_strSQL;      // the last SQL text an operation of this object formatted
    CGeoTableDesc m_Table; // the description of table GEO

private:
    bool OpenConnection(const QString& path);
    bool OpenServer(const QString& address);
    bool CheckSchema(QString* reason);
    bool CreateDatabase(const CGeoTableDesc& desc, QString* reason);
    void SetOpenError(const QString& path, const QString& reason);

    QString m_strConnection;
    QString m_strFilePath;
    QString m_strOpenError;
    QString m_strLastError;
    QString m_strServer;
    sqlite3* m_pHandle = nullptr;
    std::unique_ptr<CGeoBackend> m_pBackend;
};
