#include "db/GeoDatabase.h"

#include "db/GeoPlaceRows.h"
#include "db/GeoRecordset.h"
#include "db/GeoSql.h"
#include "db/GeoStandardOrder.h"
#include "db/JetLike.h"
#include "db/TextNumbers.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <atomic>
#include <stdexcept>

namespace {

// How long a statement waits for another Kelvo process that holds the file.
constexpr int kBusyTimeoutMs = 5000;

QString newConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("kelvo-%1").arg(++counter);
}

quint64 nextOpening() {
    static std::atomic<quint64> counter{0};
    return ++counter;
}

// The affinity rules of the engine: a declared type gives text affinity when it names
// CHAR, CLOB or TEXT and not INT.
bool hasTextAffinity(const char* declaredType) {
    const QByteArray type = QByteArray(declaredType).toUpper();
    return !type.contains("INT") &&
           (type.contains("CHAR") || type.contains("CLOB") || type.contains("TEXT"));
}

bool looksLikeSqlite(const QString& path, QString* reason) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason =
            QStringLiteral("Die Datei kann nicht gelesen werden (%1).").arg(file.errorString());
        return false;
    }
    const QByteArray header = file.read(16);
    if (header.isEmpty()) {
        *reason = QStringLiteral("Die Datei ist leer.");
        return false;
    }
    if (header != QByteArray("SQLite format 3", 16)) {
        *reason = QStringLiteral("Die Datei ist keine SQLite-Datenbank (etwa eine Datenbank "
                                 "eines anderen Programms oder eine Textdatei).");
        return false;
    }
    return true;
}

} // namespace

CGeoDatabase::CGeoDatabase() {
    m_Table.BuildGeo();
}

CGeoDatabase::~CGeoDatabase() {
    Close();
}

void CGeoDatabase::Close() {
    m_pHandle = nullptr;
    m_pPlaceRows.reset();
    StopReadingPlaceTexts();
    if (!m_strConnection.isEmpty()) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_strConnection, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(m_strConnection);
        m_strConnection.clear();
    }
}

void CGeoDatabase::SetOpenError(const QString& path, const QString& reason) {
    m_strOpenError = QStringLiteral("Die Datenbank \"%1\" kann nicht geöffnet werden.\n\n%2\n\n"
                                    "Die Datei wird nicht verändert. Kelvo zeigt keine Daten an.")
                         .arg(QFileInfo(path).fileName(), reason);
}

bool CGeoDatabase::OpenConnection(const QString& path) {
    m_strConnection = newConnectionName();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_strConnection);
    db.setDatabaseName(path);
    // SQLite files have no password, so there is no connect string to build here.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open()) {
        m_strLastError = db.lastError().text();
        return false;
    }
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        m_strLastError = QStringLiteral("Der SQLite-Treiber liefert keine Verbindung.");
        return false;
    }
    m_pHandle = *static_cast<sqlite3* const*>(handle.constData());
    if (!m_pHandle || !RegisterGeoFunctions(m_pHandle)) {
        m_strLastError = QStringLiteral("Die Suchfunktionen lassen sich nicht einrichten.");
        m_pHandle = nullptr;
        return false;
    }
    m_nOpen = nextOpening();
    return true;
}

bool CGeoDatabase::Open(const QString& path) {
    Close();
    m_strOpenError.clear();
    m_strLastError.clear();
    m_strFilePath = path.isEmpty() ? m_Table.m_strFileName : path;

    QString reason;
    if (QFileInfo::exists(m_strFilePath) || QFileInfo(m_strFilePath).isSymLink()) {
        if (!looksLikeSqlite(m_strFilePath, &reason) || !OpenConnection(m_strFilePath) ||
            !CheckSchema(&reason)) {
            if (reason.isEmpty())
                reason = m_strLastError;
            Close();
            SetOpenError(m_strFilePath, reason);
            return false;
        }
        return true;
    }

    if (!CreateDatabase(m_Table, &reason)) {
        Close();
        QFile::remove(m_strFilePath); // only ever the file this call has just created
        SetOpenError(m_strFilePath, reason);
        return false;
    }
    return true;
}

bool CGeoDatabase::CheckSchema(QString* reason) {
    // Reading the schema is the first real read of the file: a damaged or foreign file
    // fails here, before anything could be written.
    CGeoRecordset rs(*this);
    m_strSQL = QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(m_Table.m_strTableName);
    if (!rs.Open(m_strSQL)) {
        const QString error = rs.Error();
        if (error.startsWith(QStringLiteral("no such table")))
            *reason = QStringLiteral("Die Datei enthält keine Tabelle \"%1\".")
                          .arg(m_Table.m_strTableName);
        else
            *reason = QStringLiteral("Die Datei ist beschädigt oder nicht lesbar (%1).").arg(error);
        return false;
    }
    bool matches = rs.FieldCount() == m_Table.m_nFields;
    for (int i = 0; matches && i < m_Table.m_nFields; ++i)
        matches = rs.FieldIndex(m_Table.FieldName(i)) == i;
    if (!matches) {
        *reason = QStringLiteral("Die Tabelle \"%1\" hat nicht die %2 Felder in der erwarteten "
                                 "Reihenfolge.")
                      .arg(m_Table.m_strTableName)
                      .arg(m_Table.m_nFields);
        return false;
    }
    return true;
}

bool CGeoDatabase::CreateDatabase(const CGeoTableDesc& desc, QString* reason) {
    if (!OpenConnection(m_strFilePath)) {
        *reason = QStringLiteral("Die Datei kann nicht angelegt werden (%1).").arg(m_strLastError);
        return false;
    }
    const bool created =
        Execute(QStringLiteral("BEGIN IMMEDIATE")) && Execute(GeoSql::CreateTable(desc)) &&
        Execute(GeoSql::CreatePrimaryKey(desc)) && Execute(QStringLiteral("COMMIT"));
    if (!created) {
        *reason = QStringLiteral("Die Tabelle \"%1\" kann nicht angelegt werden (%2).")
                      .arg(desc.m_strTableName, m_strLastError);
        return false;
    }
    return true;
}

bool CGeoDatabase::Execute(const QString& sql) {
    m_strSQL = sql;
    CGeoRecordset rs(*this);
    if (!rs.Open(sql) || !rs.Execute()) {
        m_strLastError = rs.Error();
        return false;
    }
    m_strLastError.clear();
    return true;
}

CGeoDatabase::CDataStamp CGeoDatabase::DataStamp() {
    CDataStamp stamp;
    if (!m_pHandle)
        return stamp;
    stamp.nOpen = m_nOpen;
    CGeoRecordset rs(*this);
    if (rs.Open(GeoSql::DataVersion()) && rs.MoveNext()) {
        stamp.nVersion = rs.FieldInt(0);
        stamp.nSchema = rs.FieldInt(1);
    }
    stamp.nOwnChanges = sqlite3_total_changes64(m_pHandle);
    return stamp;
}

bool CGeoDatabase::StandardOrderCollations(GeoStandardOrder::Collations* collations) {
    if (!m_pHandle)
        return false;
    const QByteArray table = m_Table.m_strTableName.toUtf8();
    struct Column {
        const char* type = nullptr;
        const char* collation = nullptr;
        int notNull = 0, primaryKey = 0, autoIncrement = 0;
    };
    auto metadata = [&](int field, Column* c) {
        const QByteArray name = m_Table.FieldName(field).toUtf8();
        return sqlite3_table_column_metadata(m_pHandle, nullptr, table.constData(),
                                             name.constData(), &c->type, &c->collation, &c->notNull,
                                             &c->primaryKey, &c->autoIncrement) == SQLITE_OK;
    };
    auto collationOf = [&](int field, GeoStandardOrder::Collation* collation) {
        Column c;
        if (!metadata(field, &c) || !hasTextAffinity(c.type))
            return false;
        if (qstricmp(c.collation, "NOCASE") == 0)
            *collation = GeoStandardOrder::Collation::NoCase;
        else if (qstricmp(c.collation, "BINARY") == 0)
            *collation = GeoStandardOrder::Collation::Binary;
        else
            return false;
        return true;
    };
    Column key;
    return metadata(m_Table.m_nKeyField, &key) && key.primaryKey &&
           qstricmp(key.type, "INTEGER") == 0 &&
           collationOf(m_Table.m_nSortField1, &collations->staat) &&
           collationOf(m_Table.m_nSortField2, &collations->plz);
}

std::shared_ptr<const CGeoPlaceRows>
CGeoDatabase::PlaceRows(bool texts, const std::function<void(int)>& progress, QString* error) {
    std::shared_ptr<const CGeoPlaceRows> rows = m_pPlaceRows.lock();
    if (rows && rows->Stamp() == DataStamp() && (rows->HasTexts() || !texts))
        return rows;
    // Maps still showing older rows keep them until they are drawn again.
    m_pPlaceRows.reset();
    StopReadingPlaceTexts();
    rows.reset();
    auto reader = std::make_unique<CGeoPlaceRowsReader>(*this, texts);
    reader->Read(-1, progress);
    if (reader->Error().isEmpty() && reader->NeedsTexts()) {
        reader = std::make_unique<CGeoPlaceRowsReader>(*this, true);
        reader->Read(-1, progress);
    }
    rows = reader->Finish(progress);
    if (reader->Error().isEmpty())
        m_pPlaceRows = rows;
    else if (error)
        *error = reader->Error();
    return rows;
}

void CGeoDatabase::StopReadingPlaceTexts() {
    if (m_futureTexts.valid())
        m_futureTexts.wait();
    m_futureTexts = {};
    m_pTextReader.reset();
}

bool CGeoDatabase::ReadPlaceTexts(std::shared_ptr<const CGeoPlaceRows>& rows, int milliseconds) {
    if (!m_pHandle || !rows || rows->HasTexts() || !(rows->Stamp() == DataStamp())) {
        StopReadingPlaceTexts();
        return true;
    }
    if (!m_pTextReader)
        m_pTextReader = std::make_unique<CGeoPlaceRowsReader>(*this, true);
    if (!m_futureTexts.valid()) {
        if (!m_pTextReader->Read(milliseconds))
            return false;
        if (!m_pTextReader->Error().isEmpty()) {
            StopReadingPlaceTexts();
            return true;
        }
        // Putting a few million rows in order takes longer than a slice; it needs no
        // database and runs beside the program's own work.
        m_futureTexts = std::async(std::launch::async,
                                   [reader = m_pTextReader.get()] { return reader->Finish(); });
        return false;
    }
    if (m_futureTexts.wait_for(std::chrono::milliseconds(milliseconds)) !=
        std::future_status::ready)
        return false;
    std::shared_ptr<const CGeoPlaceRows> complete = m_futureTexts.get();
    StopReadingPlaceTexts();
    if (complete->Stamp() == DataStamp()) {
        rows = complete;
        m_pPlaceRows = complete;
    }
    return true;
}

int CGeoDatabase::GetRecordCount(const QString& tableName) {
    m_strSQL = GeoSql::CountRows(tableName);
    CGeoRecordset rs(*this);
    if (!rs.Open(m_strSQL) || !rs.MoveNext())
        return 0;
    return int(rs.FieldInt(0));
}

bool CGeoDatabase::UpdateRecord(const CGeoTableDesc& desc, const QStringList& values) {
    QList<int> fields;
    for (int i = 0; i < values.size() && i < desc.m_nFields; ++i) {
        if (i != desc.m_nKeyField && desc.IsWritable(i))
            fields << i;
    }
    return UpdateFields(desc, values, fields);
}

bool CGeoDatabase::UpdateFields(const CGeoTableDesc& desc, const QStringList& values,
                                const QList<int>& fields) {
    m_strLastError.clear();
    if (values.isEmpty())
        throw std::out_of_range("UpdateRecord: no values");
    desc.FieldName(desc.m_nKeyField); // a key index outside the description throws
    const int key = TextNumbers::Atoi(values.at(desc.m_nKeyField));

    QVariantList bound;
    QList<int> written;
    for (int i : fields) {
        if (i < 0 || i >= values.size() || i == desc.m_nKeyField || !desc.IsWritable(i))
            continue;
        written << i;
        bound << values.at(i);
    }
    if (written.isEmpty())
        return false;
    bound << key;

    m_strSQL = GeoSql::UpdateFields(desc, written);
    CGeoRecordset rs(*this);
    if (!rs.Open(m_strSQL, bound) || !rs.Execute()) {
        m_strLastError = rs.Error();
        return false;
    }
    return rs.ChangedRows() > 0;
}
