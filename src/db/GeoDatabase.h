#pragma once

#include "db/GeoTableDesc.h"

#include <QString>
#include <QStringList>

struct sqlite3;

// The one object through which the program reaches its database: the SQLite file
// "Kelvo.mde" with table GEO. Opens the file, or creates it with an empty GEO table when
// there is none; counts rows; writes a row back. Views read rows with CGeoRecordset.
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
    // directory, creating it with table GEO when it does not exist. Returns false and
    // keeps the object closed when that fails; OpenError() then holds a German message.
    bool Open(const QString& path = QString());
    void Close();
    bool IsOpen() const { return m_pHandle != nullptr; }
    const QString& OpenError() const { return m_strOpenError; }
    const QString& FilePath() const { return m_strFilePath; }

    // The connection's native handle (null while closed).
    sqlite3* Handle() const { return m_pHandle; }

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

    // Runs a statement without result rows (transactions, schema). False on an engine error.
    bool Execute(const QString& sql);

    // The engine's message of the last failed operation; empty when it did not fail.
    const QString& LastError() const { return m_strLastError; }

    QString m_strSQL;      // the last SQL text an operation of this object formatted
    CGeoTableDesc m_Table; // the description of table GEO

private:
    bool OpenConnection(const QString& path);
    bool CheckSchema(QString* reason);
    bool CreateDatabase(const CGeoTableDesc& desc, QString* reason);
    void SetOpenError(const QString& path, const QString& reason);

    QString m_strConnection;
    QString m_strFilePath;
    QString m_strOpenError;
    QString m_strLastError;
    sqlite3* m_pHandle = nullptr;
};
