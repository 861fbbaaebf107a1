#include "store/GeoDatabase.h"

#include "base/TextNumbers.h"
#include "store/DbLocation.h"
#include "store/FileIdentity.h"
#include "store/GeoBackend.h"
#include "store/GeoEngines.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"
#include "store/GeoStandardOrder.h"

#include <QFileInfo>
#include <QLocale>

#include <atomic>
#include <stdexcept>

namespace {

quint64 nextOpening() {
    static std::atomic<quint64> counter{0};
    return ++counter;
}

// Why a memo with a NUL in it is not stored on a server, naming its row.
QString nulInMemo(CGeoDatabase& db, const CGeoTableDesc& desc, int key) {
    QString place;
    CGeoRecordset row(db);
    if (row.Open(db.Sql().RowByKey(desc, QString::number(key))) && row.MoveNext())
        place = QStringLiteral(" (%1 %2)").arg(row.FieldText(GEO_PLZ), row.FieldText(GEO_ORT));
    return QStringLiteral("Das Memo des Datensatzes mit %1 = %2%3 enthält das Zeichen U+0000 "
                          "(NUL), das der Datenbankserver nicht speichern kann; gespeichert "
                          "wurde nichts. Bitte entfernen Sie das Zeichen aus dem Memo.")
        .arg(desc.FieldName(desc.m_nKeyField))
        .arg(key)
        .arg(place);
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
    return m_pBackend ? m_pBackend->Sql() : GeoEngines::File().Sql();
}

void CGeoDatabase::Close() {
    EndWait();
    if (m_pCompanion)
        m_pCompanion->DatabaseClosed();
    m_pBackend.reset();
    m_strServer.clear();
}

void CGeoDatabase::SetOpenError(const QString& path, const QString& reason) {
    m_strOpenError = QStringLiteral("Die Datenbank \"%1\" kann nicht geöffnet werden.\n\n%2\n\n"
                                    "Die Datei wird nicht verändert. Kelvo zeigt keine Daten an.")
                         .arg(QFileInfo(path).fileName(), reason);
}

void CGeoDatabase::SetBusyTimeout(int ms) {
    m_nBusyTimeoutMs = ms;
    if (m_pBackend)
        m_pBackend->SetBusyWait(ms, [this] { StartWait(); });
}

bool CGeoDatabase::OpenConnection(const QString& path, bool create, bool setUp, QString* reason) {
    QString error;
    std::unique_ptr<CGeoBackend> file = GeoEngines::File().Open(path, create, &error);
    if (!file) {
        m_strLastError = error;
        return false;
    }
    // Waiting for another program that holds the file: up to the busy timeout, told to the
    // wait hook.
    file->SetBusyWait(m_nBusyTimeoutMs, [this] { StartWait(); });
    CGeoBackend::SchemaProblem problem;
    const bool ready = file->PrepareSchema(m_Table, setUp, &problem);
    EndWait();
    if (!ready) {
        m_strLastError = problem.engineMessage;
        if (problem.kind == CGeoBackend::SchemaProblem::Busy)
            m_bBusy = true;
        m_bNeedsSetUp = problem.kind == CGeoBackend::SchemaProblem::Foreign;
        *reason = problem.reason;
        return false;
    }
    m_nOpen = nextOpening();
    m_fileIdentity = FileIdentity::Of(path);
    m_pBackend = std::move(file);
    return true;
}

bool CGeoDatabase::OpenServer(const QString& address, bool setUp) {
    CDbLocation location;
    QString error;
    if (!CDbLocation::Parse(address, &location, &error)) {
        m_strOpenError = error;
        return false;
    }
    // Connecting waits at most ten seconds, with the wait cursor.
    StartWait();
    std::unique_ptr<CGeoBackend> server = GeoEngines::Connect(location, &error);
    if (server) {
        server->SetWaitHandler([this](int elapsedMs) {
            if (elapsedMs < 0) {
                EndWait();
                return true;
            }
            StartWait();
            return !m_giveUpHook || !m_giveUpHook(elapsedMs);
        });
        CGeoBackend::SchemaProblem problem;
        if (!server->PrepareSchema(m_Table, setUp, &problem)) {
            m_bNeedsSetUp = problem.kind == CGeoBackend::SchemaProblem::Foreign;
            error = QStringLiteral("Die Datenbank %1 kann nicht benutzt werden.\n\n%2\n\nKelvo "
                                   "zeigt keine Daten an.")
                        .arg(location.Display(), problem.reason);
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

void CGeoDatabase::StartWait() {
    if (m_bWaiting)
        return;
    m_bWaiting = true;
    if (m_waitHook)
        m_waitHook(true);
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
    m_bNeedsSetUp = false;
    m_strOpenError.clear();
    m_strLastError.clear();
}

bool CGeoDatabase::Open(const QString& path) {
    return OpenFile(path, false);
}

bool CGeoDatabase::SetUp(const QString& path) {
    return OpenFile(path, true);
}

bool CGeoDatabase::OpenFile(const QString& path, bool setUp) {
    CloseForOpen();
    if (CDbLocation::IsServerText(path)) {
        m_strFilePath = path;
        return OpenServer(path, setUp);
    }
    // Resolved now: a later attempt (EnsureOpen) must find the same file.
    m_strFilePath = QFileInfo(path.isEmpty() ? m_Table.m_strFileName : path).absoluteFilePath();

    QString reason;
    if (!GeoEngines::File().IsRegularOrMissing(m_strFilePath, &reason)) {
        SetOpenError(m_strFilePath, reason);
        return false;
    }
    GeoEngines::File().RemoveStaleNew(m_strFilePath);
    if (QFileInfo::exists(m_strFilePath) || QFileInfo(m_strFilePath).isSymLink()) {
        if (!GeoEngines::File().IsDatabaseFile(m_strFilePath, &reason) ||
            !OpenConnection(m_strFilePath, false, setUp, &reason)) {
            if (m_bBusy) {
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
        QString message;
        const bool readable = m_pBackend->Readable(&message);
        EndWait();
        if (readable)
            return true;
        SetBusy(message);
        return false;
    }
    return m_bBusy && Open(m_strFilePath);
}

bool CGeoDatabase::OpenNew(const QString& path) {
    CloseForOpen();
    m_strFilePath = QFileInfo(path).absoluteFilePath();
    QString reason;
    if (!GeoEngines::File().IsRegularOrMissing(path, &reason) || QFileInfo::exists(path)) {
        SetOpenError(path, reason.isEmpty() ? QStringLiteral("Die Datei gibt es schon.") : reason);
        return false;
    }
    QString error;
    m_strNewPath = GeoEngines::File().CreateBeside(path, &error);
    if (m_strNewPath.isEmpty()) {
        SetOpenError(path, QStringLiteral("Die Datei kann nicht angelegt werden: %1").arg(error));
        return false;
    }
    if (!OpenConnection(m_strNewPath, true, true, &reason)) {
        if (reason.isEmpty())
            reason = QStringLiteral("Die Datei kann nicht angelegt werden: %1").arg(m_strLastError);
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
    QString error;
    if (!GeoEngines::File().Publish(std::exchange(m_strNewPath, QString()), m_strFilePath,
                                    &error)) {
        SetOpenError(m_strFilePath,
                     QStringLiteral("Die neue Datei kann nicht an ihren Platz gebracht werden: %1")
                         .arg(error));
        return false;
    }
    QString reason;
    if (!OpenConnection(m_strFilePath, false, false, &reason)) {
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
    GeoEngines::File().Remove(std::exchange(m_strNewPath, QString()));
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
    m_pBackend->Stamp(&stamp.nVersion, &stamp.nSchema, &stamp.nOwnChanges);
    EndWait();
    return stamp;
}

bool CGeoDatabase::StandardOrderCollations(GeoStandardOrder::Collations* collations) {
    return m_pBackend && m_pBackend->StandardOrderCollations(m_Table, collations);
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

bool CGeoDatabase::FileReplaced() const {
    return m_pBackend && !IsNew() && !IsServer() &&
           FileIdentity::Of(m_strFilePath) != m_fileIdentity;
}

void CGeoDatabase::ReopenReplacedFile() {
    const QString name = QFileInfo(m_strFilePath).fileName();
    const bool deleted = !QFileInfo::exists(m_strFilePath);
    Open(m_strFilePath);
    m_strNotice = FileIdentity::ReplacedText(name, deleted, IsOpen() ? QString() : m_strOpenError);
}

bool CGeoDatabase::BeginWrite() {
    m_strLastError.clear();
    m_bLastBusy = false;
    // Nothing goes into a file that is no longer the database's (deleted or replaced).
    if (FileReplaced()) {
        m_strLastError = FileIdentity::NotWrittenText(QFileInfo(m_strFilePath).fileName());
        return false;
    }
    if (!m_pBackend) {
        m_strLastError = QStringLiteral("Die Datenbank ist nicht geöffnet.");
        return false;
    }
    const bool begun = m_pBackend->BeginWrite(&m_strLastError, &m_bLastBusy);
    EndWait();
    return begun;
}

void CGeoDatabase::KeepStampAcrossWrite() {
    if (m_pBackend && m_pBackend->InTransaction())
        m_pBackend->LeaveOutOfStamp(true);
}

bool CGeoDatabase::CommitWrite() {
    if (Execute(Sql().Commit())) {
        m_pBackend->Committed();
        m_pBackend->LeaveOutOfStamp(false);
        return true;
    }
    RollbackWrite();
    return false;
}

bool CGeoDatabase::Responds() {
    return IsOpen() && Execute(Sql().Probe());
}

bool CGeoDatabase::BeginRead() {
    return Execute(Sql().BeginRead());
}

void CGeoDatabase::EndRead() {
    if (m_pBackend && m_pBackend->InTransaction())
        Execute(Sql().Rollback());
}

void CGeoDatabase::SetExactRollback(bool on) {
    if (m_pBackend)
        m_pBackend->SetExactRollback(on);
}

void CGeoDatabase::RollbackWrite() {
    // The error that led here stays the one to report.
    const QString error = m_strLastError;
    if (m_pBackend && m_pBackend->InTransaction())
        Execute(Sql().Rollback());
    if (m_pBackend)
        m_pBackend->LeaveOutOfStamp(false);
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
        if (written < 0 && (!deadlock || attempt > 0)) {
            if (IsServer() && memo.contains(QChar(u'\0')))
                m_strLastError = nulInMemo(*this, desc, key);
            return MemoWrite::Failed;
        }
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
