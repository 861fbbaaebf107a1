#include "db/GeoDatabase.h"

#include "db/DbErrorText.h"
#include "db/DbLocation.h"
#include "db/FileIdentity.h"
#include "db/FoldLike.h"
#include "db/GeoDistance.h"
#include "db/GeoPlaceRows.h"
#include "db/GeoRecordset.h"
#include "db/GeoSql.h"
#include "db/GeoSqlDialect.h"
#include "db/GeoStandardOrder.h"
#include "db/JetLike.h"
#include "db/LeftoverFiles.h"
#include "db/PgBackend.h"
#include "db/SqliteBackend.h"
#include "db/SqliteFunctions.h"
#include "db/TextNumbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

#include <sqlite3.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

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

// Only a regular file can be a database: opening a pipe or a device would wait forever or
// read endlessly. Missing files (and names that lead nowhere) pass: they are created.
bool isRegularOrMissing(const QString& path, QString* reason) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return true;
    if (S_ISREG(st.st_mode))
        return true;
    const char* what = S_ISDIR(st.st_mode)    ? "einen Ordner"
                       : S_ISFIFO(st.st_mode) ? "eine benannte Pipe (FIFO)"
                       : S_ISSOCK(st.st_mode) ? "einen Socket"
                                              : "ein Gerät";
    *reason = QStringLiteral("Der Name bezeichnet keine gewöhnliche Datei, sondern %1.")
                  .arg(QString::fromUtf8(what));
    return false;
}

// A free name for a new database beside `path`, created empty (so no other process takes
// it) with the permissions a new file gets.
QString createTemporaryBeside(const QString& path, QString* error) {
    const QFileInfo info(path);
    LeftoverFiles::RemoveStaleNew(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            info.absoluteDir().filePath(QStringLiteral(".%1.neu-%2-%3")
                                            .arg(info.fileName())
                                            .arg(::getpid())
                                            .arg(QRandomGenerator::global()->bounded(1000000)));
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            LeftoverFiles::Watch(candidate);
            LeftoverFiles::Watch(candidate + QStringLiteral("-journal"));
            return candidate;
        }
        if (errno != EEXIST) {
            *error = QString::fromLocal8Bit(strerror(errno));
            return QString();
        }
    }
    *error = QString::fromLocal8Bit(strerror(EEXIST));
    return QString();
}

// Renames `from` to `to` unless `to` exists; errno tells why it did not.
bool renameNoReplace(const QString& from, const QString& to) {
    const QByteArray src = QFile::encodeName(from), dst = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without that rename: a hard link cannot replace a file either.
    if (::link(src.constData(), dst.constData()) == 0) {
        ::unlink(src.constData());
        return true;
    }
    return false;
}

// Makes a rename in the folder survive a crash.
void syncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void removeWithJournal(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    LeftoverFiles::Unwatch(path);
    LeftoverFiles::Unwatch(path + QStringLiteral("-journal"));
}

} // namespace

CGeoDatabase::CGeoDatabase() {
    m_Table.BuildGeo();
}

CGeoDatabase::~CGeoDatabase() {
    if (IsNew())
        DiscardNew();
    Close();
}

const CGeoSqlDialect& CGeoDatabase::Sql() const {
    return m_pBackend ? m_pBackend->Sql() : GeoSql::Dialect();
}

void CGeoDatabase::Close() {
    EndWait();
    m_checkedStamp.clear();
    m_pBackend.reset();
    m_strServer.clear();
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
    m_fileIdentity = FileIdentity::Of(path);
    if (!m_pHandle || !RegisterGeoFunctions(m_pHandle) ||
        !GeoDistance::RegisterSqlFunction(m_pHandle) || !FoldLike::RegisterSqlFunction(m_pHandle)) {
        m_strLastError = QStringLiteral("Die Suchfunktionen lassen sich nicht einrichten.");
        m_pHandle = nullptr;
        return false;
    }
    m_nOpen = nextOpening();
    // Waiting for another program that holds the file: up to the busy timeout, told to the
    // wait hook.
    sqlite3_busy_handler(m_pHandle, &CGeoDatabase::BusyHandler, this);
    m_pBackend = std::make_unique<CSqliteBackend>(m_pHandle);
    return true;
}

bool CGeoDatabase::OpenServer(const QString& address) {
    CDbLocation location;
    QString error;
    if (!CDbLocation::Parse(address, &location, &error)) {
        m_strOpenError = error;
        return false;
    }
    // Connecting waits at most ten seconds, with the wait cursor.
    if (m_waitHook && !m_bWaiting) {
        m_bWaiting = true;
        m_waitHook(true);
    }
    std::unique_ptr<CPgBackend> server = CPgBackend::Connect(location, &error);
    if (server) {
        server->SetWaitHandler([this](int elapsedMs) {
            if (elapsedMs < 0) {
                EndWait();
                return true;
            }
            if (!m_bWaiting) {
                m_bWaiting = true;
                if (m_waitHook)
                    m_waitHook(true);
            }
            return !m_giveUpHook || !m_giveUpHook(elapsedMs);
        });
        if (!server->PrepareSchema(m_Table, &error)) {
            error = QStringLiteral("Die Datenbank %1 kann nicht benutzt werden.\n\n%2\n\nKelvo "
                                   "zeigt keine Daten an.")
                        .arg(location.Display(), error);
            server.reset();
        }
    }
    EndWait();
    if (!server) {
        m_strOpenError = error;
        return false;
    }
    m_strServer = location.Display();
    m_nOpen = nextOpening();
    m_pBackend = std::move(server);
    return true;
}

int CGeoDatabase::BusyHandler(void* self, int count) {
    auto* db = static_cast<CGeoDatabase*>(self);
    if (count == 0) {
        db->m_waitClock.start();
        if (!db->m_bWaiting) {
            db->m_bWaiting = true;
            if (db->m_waitHook)
                db->m_waitHook(true);
        }
    }
    const qint64 left = db->m_nBusyTimeoutMs - db->m_waitClock.elapsed();
    if (left <= 0)
        return 0;
    // Short sleeps first: most locks are held for a moment only.
    static constexpr int kSteps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50};
    const int step = count < int(std::size(kSteps)) ? kSteps[count] : 100;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(step, left)));
    return 1;
}

void CGeoDatabase::EndWait() {
    if (!m_bWaiting)
        return;
    m_bWaiting = false;
    if (m_waitHook)
        m_waitHook(false);
}

void CGeoDatabase::SetBusy(const QString& engineMessage) {
    Close();
    m_bBusy = true;
    m_strOpenError =
        QStringLiteral("Die Datenbank \"%1\" wird gerade von einem anderen Programm benutzt, das "
                       "in sie schreibt; Kelvo hat %2 Sekunden gewartet.\n\n(Meldung der "
                       "Datenbank: %3)")
            .arg(QFileInfo(m_strFilePath).fileName())
            .arg(QLocale(QLocale::German).toString(m_nBusyTimeoutMs / 1000.0))
            .arg(engineMessage);
}

// Whatever was open before, a new file included, is closed and its errors are forgotten.
void CGeoDatabase::CloseForOpen() {
    if (IsNew())
        DiscardNew();
    Close();
    m_bBusy = false;
    m_strOpenError.clear();
    m_strLastError.clear();
}

bool CGeoDatabase::Open(const QString& path) {
    CloseForOpen();
    if (CDbLocation::IsServerText(path)) {
        m_strFilePath = path;
        return OpenServer(path);
    }
    // Resolved now: a later attempt (EnsureOpen) must find the same file.
    m_strFilePath = QFileInfo(path.isEmpty() ? m_Table.m_strFileName : path).absoluteFilePath();

    QString reason;
    if (!isRegularOrMissing(m_strFilePath, &reason)) {
        SetOpenError(m_strFilePath, reason);
        return false;
    }
    LeftoverFiles::RemoveStaleNew(m_strFilePath);
    if (QFileInfo::exists(m_strFilePath) || QFileInfo(m_strFilePath).isSymLink()) {
        bool busy = false;
        if (!looksLikeSqlite(m_strFilePath, &reason) || !OpenConnection(m_strFilePath) ||
            !CheckSchema(&reason, &busy)) {
            if (busy) {
                SetBusy(m_strLastError);
                return false;
            }
            if (reason.isEmpty())
                reason = m_strLastError;
            Close();
            SetOpenError(m_strFilePath, reason);
            return false;
        }
        return true;
    }
    if (!OpenNew(m_strFilePath))
        return false;
    if (PublishNew())
        return true;
    // Another program created the file meanwhile: that one is the database.
    return QFileInfo::exists(m_strFilePath) && Open(m_strFilePath);
}

bool CGeoDatabase::EnsureOpen() {
    // A server connection that broke is made anew by the next statement; one that could
    // not be made at all is tried again.
    if (CDbLocation::IsServerText(m_strFilePath))
        return IsOpen() || Open(m_strFilePath);
    if (IsOpen() && FileReplaced())
        ReopenReplacedFile();
    if (IsOpen()) {
        CGeoRecordset probe(*this);
        if (probe.Open(QStringLiteral("PRAGMA schema_version")) && probe.MoveNext())
            return true;
        if (!probe.IsBusy())
            return true; // other errors show where the data is read
        SetBusy(probe.EngineMessage());
        return false;
    }
    return m_bBusy && Open(m_strFilePath);
}

bool CGeoDatabase::CheckSchema(QString* reason, bool* busy) {
    // Reading the schema is the first real read of the file: a damaged or foreign file
    // fails here, before anything could be written.
    CGeoRecordset rs(*this);
    m_strSQL = QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(m_Table.m_strTableName);
    if (!rs.Open(m_strSQL)) {
        const QString error = rs.Error();
        *busy = rs.IsBusy();
        m_strLastError = rs.EngineMessage();
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

bool CGeoDatabase::OpenNew(const QString& path) {
    CloseForOpen();
    m_strFilePath = QFileInfo(path).absoluteFilePath();
    QString reason;
    if (!isRegularOrMissing(path, &reason) || QFileInfo::exists(path)) {
        SetOpenError(path, reason.isEmpty() ? QStringLiteral("Die Datei gibt es schon.") : reason);
        return false;
    }
    QString error;
    m_strNewPath = createTemporaryBeside(path, &error);
    if (m_strNewPath.isEmpty()) {
        SetOpenError(path, QStringLiteral("Die Datei kann nicht angelegt werden (%1).").arg(error));
        return false;
    }
    if (!CreateSchema(m_Table, &reason)) {
        DiscardNew();
        SetOpenError(path, reason);
        return false;
    }
    return true;
}

bool CGeoDatabase::PublishNew() {
    if (!IsNew())
        return false;
    // The connection goes first: a journal is named after the file's name.
    Close();
    const QString temporary = std::exchange(m_strNewPath, QString());
    if (!renameNoReplace(temporary, m_strFilePath)) {
        const QString error = QString::fromLocal8Bit(strerror(errno));
        removeWithJournal(temporary);
        SetOpenError(
            m_strFilePath,
            QStringLiteral("Die neue Datei kann nicht an ihren Platz gebracht werden (%1).")
                .arg(error));
        return false;
    }
    LeftoverFiles::Unwatch(temporary);
    LeftoverFiles::Unwatch(temporary + QStringLiteral("-journal"));
    syncFolder(m_strFilePath);
    QString reason;
    bool busy = false;
    if (!OpenConnection(m_strFilePath) || !CheckSchema(&reason, &busy)) {
        Close();
        SetOpenError(m_strFilePath, reason.isEmpty() ? m_strLastError : reason);
        return false;
    }
    return true;
}

void CGeoDatabase::DiscardNew() {
    if (!IsNew())
        return;
    Close();
    removeWithJournal(std::exchange(m_strNewPath, QString()));
}

bool CGeoDatabase::CreateSchema(const CGeoTableDesc& desc, QString* reason) {
    if (!OpenConnection(m_strNewPath)) {
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
        m_bLastBusy = rs.IsBusy();
        return false;
    }
    m_strLastError.clear();
    return true;
}

CGeoDatabase::CDataStamp CGeoDatabase::DataStamp() {
    CDataStamp stamp;
    if (!IsOpen())
        return stamp;
    stamp.nOpen = m_nOpen;
    if (auto* server = dynamic_cast<CPgBackend*>(m_pBackend.get())) {
        // The server's count of committed changes by anyone. In a transaction of this
        // connection, or when the count cannot be read, a stamp that matches no other: what is
        // read then is read again next time.
        QString error;
        if (server->InTransaction() || !server->ChangeCount(m_Table, &stamp.nVersion, &error))
            stamp.nOwnChanges = qint64(++m_nUnmatched);
        return stamp;
    }
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
    m_strSQL = Sql().CountRows(tableName);
    CGeoRecordset rs(*this);
    if (!rs.Open(m_strSQL) || !rs.MoveNext())
        return 0;
    return int(rs.FieldInt(0));
}

bool CGeoDatabase::HasRows() {
    CGeoRecordset rs(*this);
    return rs.Open(Sql().AnyRow(m_Table)) && rs.MoveNext();
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

    if (!BeginWrite())
        return false;
    const int changed = ExecuteWrite(Sql().UpdateFields(desc, written), bound);
    if (changed == 0)
        RollbackWrite();
    return changed > 0 && CommitWrite();
}

int CGeoDatabase::ExecuteWrite(const QString& sql, const QVariantList& values, bool* deadlock) {
    m_strSQL = sql;
    CGeoRecordset rs(*this);
    if (rs.Open(sql, values) && rs.Execute())
        return rs.ChangedRows();
    m_strLastError = rs.Error();
    if (deadlock)
        *deadlock = rs.IsDeadlock();
    rs.Close();
    RollbackWrite();
    return -1;
}

QByteArray CGeoDatabase::FileStamp() const {
    struct stat st;
    const QString path = IsNew() ? m_strNewPath : m_strFilePath;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(st.st_ino)) + ':' +
           QByteArray::number(qlonglong(st.st_size)) + ':' +
           QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qlonglong(st.st_mtim.tv_nsec));
}

bool CGeoDatabase::FileReplaced() const {
    return m_pHandle && !IsNew() && !IsServer() &&
           FileIdentity::Of(m_strFilePath) != m_fileIdentity;
}

void CGeoDatabase::ReopenReplacedFile() {
    const QString name = QFileInfo(m_strFilePath).fileName();
    const bool deleted = !QFileInfo::exists(m_strFilePath);
    Open(m_strFilePath);
    m_strNotice = FileIdentity::ReplacedText(name, deleted, IsOpen() ? QString() : m_strOpenError);
}

bool CGeoDatabase::BeginWrite() {
    // Nothing goes into a file that is no longer the database's (deleted or replaced).
    if (FileReplaced()) {
        m_strLastError = FileIdentity::NotWrittenText(QFileInfo(m_strFilePath).fileName());
        return false;
    }
    if (!Execute(Sql().BeginWrite()))
        return false;
    if (IsServer())
        return true;
    // A damaged file is not written to: a write could spread the damage. The check reads
    // the whole file, so it is skipped while nobody but this connection has written to the
    // file since it last passed (the transaction keeps other writers out meanwhile).
    const QByteArray stamp = FileStamp();
    if (!stamp.isEmpty() && stamp == m_checkedStamp)
        return true;
    m_checkedStamp.clear();
    // The check reads the file, not pages this connection still holds in its cache.
    sqlite3_db_release_memory(m_pHandle);
    // The check reads every page and record; the columns' CHECK constraints are left out of
    // it: testing them costs five times the rest, and the engine tests them on every write.
    Execute(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
    CGeoRecordset check(*this);
    QStringList problems;
    if (check.Open(QStringLiteral("PRAGMA quick_check"))) {
        while (check.MoveNext())
            problems << check.FieldText(0);
    }
    Execute(QStringLiteral("PRAGMA ignore_check_constraints = OFF"));
    QString details;
    if (check.HasError())
        details = check.EngineMessage();
    else if (problems != QStringList{QStringLiteral("ok")})
        details = problems.mid(0, 3).join(QStringLiteral("; "));
    check.Close();
    if (details.isEmpty()) {
        m_checkedStamp = stamp;
        return true;
    }
    m_strLastError = check.IsBusy() ? check.Error() : DbErrorText::Damaged(details);
    RollbackWrite();
    return false;
}

bool CGeoDatabase::CommitWrite() {
    const bool checked = !m_checkedStamp.isEmpty();
    if (Execute(QStringLiteral("COMMIT"))) {
        // The file as this connection left it is the checked one.
        if (checked)
            m_checkedStamp = FileStamp();
        return true;
    }
    RollbackWrite();
    return false;
}

void CGeoDatabase::RollbackWrite() {
    // The error that led here stays the one to report.
    const QString error = m_strLastError;
    if (m_pBackend && m_pBackend->InTransaction())
        Execute(QStringLiteral("ROLLBACK"));
    m_strLastError = error;
}

bool CGeoDatabase::ReadMemo(const CGeoTableDesc& desc, int key, QVariant* memo) {
    m_strLastError.clear();
    m_strSQL = Sql().MemoByKey(desc);
    CGeoRecordset rs(*this);
    if (!rs.Open(m_strSQL, {key}) || !rs.MoveNext()) {
        m_strLastError = rs.Error();
        return false;
    }
    *memo = rs.IsNull(0) ? QVariant() : QVariant(rs.FieldText(0));
    return true;
}

CGeoDatabase::MemoWrite CGeoDatabase::UpdateMemo(const CGeoTableDesc& desc, int key,
                                                 const QVariant& expected, const QString& memo,
                                                 QVariant* stored) {
    int written = -1;
    // A deadlock victim has written nothing: it is tried once more.
    for (int attempt = 0; written < 0; ++attempt) {
        if (!BeginWrite())
            return MemoWrite::Failed;
        bool deadlock = false;
        written = ExecuteWrite(Sql().UpdateMemoIfUnchanged(desc), {memo, key, expected}, &deadlock);
        if (written < 0 && (!deadlock || attempt > 0))
            return MemoWrite::Failed;
    }
    if (written > 0)
        return CommitWrite() ? MemoWrite::Saved : MemoWrite::Failed;
    // Nothing written: the row has gone, or another memo is stored now.
    const bool exists = ReadMemo(desc, key, stored);
    RollbackWrite();
    if (!m_strLastError.isEmpty())
        return MemoWrite::Failed;
    return exists ? MemoWrite::Conflict : MemoWrite::Missing;
}
