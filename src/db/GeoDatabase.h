#pragma once

#include "db/GeoTableDesc.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <future>
#include <memory>

class CGeoPlaceRows;
class CGeoPlaceRowsReader;
struct sqlite3;
namespace GeoStandardOrder {
struct Collations;
}

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

    // Writes a row back over the stored row with the same key (values[0], read like atoi).
    // Text, memo and date fields are written, the key never. Returns false for a key that
    // is not stored (nothing written) and on an engine error (LastError() not empty).
    bool UpdateRecord(const CGeoTableDesc& desc, const QStringList& values);
    // The same for the given field indexes only.
    bool UpdateFields(const CGeoTableDesc& desc, const QStringList& values,
                      const QList<int>& fields);

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

    // How the engine compares Staat and PLZ for the standard order. True when rows read in
    // the order the table keeps them can be put in the standard order in memory
    // (GeoStandardOrder): both fields hold texts (text affinity) compared with NOCASE or
    // BINARY, and the key ID_Geo is the row id, by which the table keeps its rows. False when
    // only the engine's ORDER BY gives the order.
    bool StandardOrderCollations(GeoStandardOrder::Collations* collations);

    // What the maps draw of every row, shared by all maps: read again only when the data
    // stamp has changed since the rows in use were read, or when `texts` asks for texts
    // (names, memos, a place list) that they lack. While rows are read, `progress` is told
    // the position (0-100) after each; when the engine stops the read, `error` gets its
    // message and the rows read so far come back (they are not kept for the next caller).
    // The rows live while a caller keeps them.
    std::shared_ptr<const CGeoPlaceRows>
    PlaceRows(bool texts, const std::function<void(int)>& progress, QString* error);
    // Reads, for about `milliseconds`, the texts that the place rows `rows` lack, so that a
    // later repaint that shows them reads nothing; call again while it returns false. When
    // all are read, `rows` becomes the rows with texts (shared from then on). True at once
    // when `rows` has its texts or no longer shows the stored data.
    bool ReadPlaceTexts(std::shared_ptr<const CGeoPlaceRows>& rows, int milliseconds);

    // The engine's message of the last failed operation; empty when it did not fail.
    const QString& LastError() const { return m_strLastError; }

    QString m_strSQL;      // the last SQL text an operation of this object formatted
    CGeoTableDesc m_Table; // the description of table GEO

private:
    bool OpenConnection(const QString& path);
    bool CheckSchema(QString* reason);
    void StopReadingPlaceTexts();
    bool CreateDatabase(const CGeoTableDesc& desc, QString* reason);
    void SetOpenError(const QString& path, const QString& reason);

    QString m_strConnection;
    QString m_strFilePath;
    QString m_strOpenError;
    QString m_strLastError;
    sqlite3* m_pHandle = nullptr;
    quint64 m_nOpen = 0;
    std::weak_ptr<const CGeoPlaceRows> m_pPlaceRows;
    // ReadPlaceTexts between its calls: the reader, and its rows being put in order beside
    // the program's own work (declared last, so that it ends before the reader goes).
    std::unique_ptr<CGeoPlaceRowsReader> m_pTextReader;
    std::future<std::shared_ptr<CGeoPlaceRows>> m_futureTexts;
};
