#include "store/sqlite/SqliteBackend.h"

#include "base/FoldLike.h"
#include "base/GeoDistance.h"
#include "base/GeoTableDesc.h"
#include "base/JetLike.h"
#include "store/GeoSqlDialect.h"
#include "store/GeoStandardOrder.h"
#include "store/sqlite/DbErrorText.h"
#include "store/sqlite/GeoSqlSqlite.h"
#include "store/sqlite/SqliteFile.h"
#include "store/sqlite/SqliteFunctions.h"
#include "store/sqlite/TerritorySqlSqlite.h"

#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <thread>

namespace {

class CSqliteStatement final : public CGeoStatement {
public:
    CSqliteStatement(sqlite3* db, const QString& sql) : m_pDb(db) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_pStmt, nullptr) !=
            SQLITE_OK) {
            Fail();
            sqlite3_finalize(m_pStmt);
            m_pStmt = nullptr;
        }
    }

    ~CSqliteStatement() override { sqlite3_finalize(m_pStmt); }

    bool Bind(const QVariantList& values) override {
        if (!m_pStmt)
            return false;
        m_strError.clear();
        m_nErrorCode = 0;
        sqlite3_reset(m_pStmt);
        for (int i = 0; i < values.size(); ++i) {
            const QVariant& v = values.at(i);
            int rc = SQLITE_OK;
            if (v.isNull()) {
                rc = sqlite3_bind_null(m_pStmt, i + 1);
            } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
                rc = sqlite3_bind_int64(m_pStmt, i + 1, v.toLongLong());
            } else if (v.typeId() == QMetaType::Double) {
                rc = sqlite3_bind_double(m_pStmt, i + 1, v.toDouble());
            } else {
                const QByteArray bytes = v.toString().toUtf8();
                rc = sqlite3_bind_text(m_pStmt, i + 1, bytes.constData(), int(bytes.size()),
                                       SQLITE_TRANSIENT);
            }
            if (rc != SQLITE_OK)
                return Fail();
        }
        return true;
    }

    bool Step() override {
        if (!m_pStmt)
            return false;
        const int rc = sqlite3_step(m_pStmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            Fail();
        return false;
    }

    bool Run() override {
        if (!m_pStmt)
            return false;
        int rc;
        while ((rc = sqlite3_step(m_pStmt)) == SQLITE_ROW) {
        }
        return rc == SQLITE_DONE || Fail();
    }

    bool RunUtf8(const QByteArrayView* values, int count) override {
        if (!m_pStmt)
            return false;
        m_strError.clear();
        m_nErrorCode = 0;
        sqlite3_reset(m_pStmt);
        for (int i = 0; i < count; ++i) {
            const QByteArrayView v = values[i];
            Q_ASSERT(v.isEmpty() || v.data()[v.size()] == '\0');
            // A length of -1 tells the engine that the text ends with a NUL: it need not copy
            // it to add one, as checks and comparisons would otherwise make it do.
            const int rc = v.isEmpty()
                               ? sqlite3_bind_null(m_pStmt, i + 1)
                               : sqlite3_bind_text(m_pStmt, i + 1, v.data(), -1, SQLITE_STATIC);
            if (rc != SQLITE_OK)
                return Fail();
        }
        const int rc = sqlite3_step(m_pStmt);
        const bool ok = rc == SQLITE_DONE || rc == SQLITE_ROW || Fail();
        sqlite3_reset(m_pStmt);
        return ok;
    }

    int FieldCount() const override { return m_pStmt ? sqlite3_column_count(m_pStmt) : 0; }

    QString FieldName(int field) const override {
        return QString::fromUtf8(sqlite3_column_name(m_pStmt, field));
    }

    Type FieldType(int field) const override {
        switch (sqlite3_column_type(m_pStmt, field)) {
        case SQLITE_NULL:
            return Type::Null;
        case SQLITE_INTEGER:
            return Type::Integer;
        case SQLITE_FLOAT:
            return Type::Float;
        case SQLITE_BLOB:
            return Type::Blob;
        default:
            return Type::Text;
        }
    }

    QByteArrayView FieldUtf8(int field) const override {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, field));
        return QByteArrayView(text, text ? sqlite3_column_bytes(m_pStmt, field) : 0);
    }

    void FieldValues(const int* fields, int count, GeoStandardOrder::Value* values,
                     quint32 exactKinds) const override {
        for (int i = 0; i < count; ++i) {
            // The type before the text: reading converts the value.
            const bool blob =
                (exactKinds >> i) & 1 && sqlite3_column_type(m_pStmt, fields[i]) == SQLITE_BLOB;
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, fields[i]));
            values[i] = {!text  ? GeoStandardOrder::Value::Null
                         : blob ? GeoStandardOrder::Value::Blob
                                : GeoStandardOrder::Value::Text,
                         QByteArrayView(text, text ? sqlite3_column_bytes(m_pStmt, fields[i]) : 0)};
        }
    }
    qint64 FieldInt(int field) const override { return sqlite3_column_int64(m_pStmt, field); }
    int ChangedRows() const override { return sqlite3_changes(m_pDb); }
    const QString& Error() const override { return m_strError; }
    const QString& EngineMessage() const override { return m_strEngineMessage; }
    bool IsBusy() const override { return DbErrorText::IsBusy(m_nErrorCode); }

private:
    bool Fail() {
        m_nErrorCode = sqlite3_extended_errcode(m_pDb);
        m_strEngineMessage = QString::fromUtf8(sqlite3_errmsg(m_pDb));
        const char* file = sqlite3_db_filename(m_pDb, "main");
        m_strError = DbErrorText::Describe(m_nErrorCode, m_strEngineMessage,
                                           file ? QFile::decodeName(file) : QString());
        return false;
    }

    sqlite3* m_pDb;
    sqlite3_stmt* m_pStmt = nullptr;
    QString m_strError;
    QString m_strEngineMessage;
    int m_nErrorCode = 0;
};

// The affinity rules of the engine: a declared type gives text affinity when it names
// CHAR, CLOB or TEXT and not INT.
bool hasTextAffinity(const char* declaredType) {
    const QByteArray type = QByteArray(declaredType).toUpper();
    return !type.contains("INT") &&
           (type.contains("CHAR") || type.contains("CLOB") || type.contains("TEXT"));
}

} // namespace

CSqliteBackend::~CSqliteBackend() {
    sqlite3_close_v2(m_pHandle);
}

std::unique_ptr<CSqliteBackend> CSqliteBackend::Open(const QString& path, bool create,
                                                     QString* error, const char* vfs) {
    std::unique_ptr<CSqliteBackend> backend(new CSqliteBackend);
    backend->m_strPath = path;
    // A connection serves one thread at a time (a thread that reads on its own opens its own
    // CGeoDatabase, which is no more shareable than the connection): without the engine's
    // lock around every call a read of all rows costs a fifth less.
    const int flags =
        SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &backend->m_pHandle, flags, vfs) !=
        SQLITE_OK) {
        *error =
            backend->m_pHandle
                ? DbErrorText::Describe(sqlite3_extended_errcode(backend->m_pHandle),
                                        QString::fromUtf8(sqlite3_errmsg(backend->m_pHandle)), path)
                : QStringLiteral("kein Speicher");
        return nullptr;
    }
    sqlite3_extended_result_codes(backend->m_pHandle, 1);
    sqlite3* db = backend->m_pHandle;
    if (!RegisterGeoFunctions(db) || !GeoDistance::RegisterSqlFunction(db) ||
        !FoldLike::RegisterSqlFunction(db)) {
        *error = QStringLiteral("Die Suchfunktionen lassen sich nicht einrichten.");
        return nullptr;
    }
    sqlite3_busy_handler(db, &CSqliteBackend::BusyHandler, backend.get());
    return backend;
}

void CSqliteBackend::SetBusyWait(int timeoutMs, std::function<void()> waiting) {
    m_nBusyTimeoutMs = timeoutMs;
    m_waiting = std::move(waiting);
}

void CSqliteBackend::SetScanHook(std::function<bool(qint64)> hook) {
    m_scanHook = std::move(hook);
    // Every few thousand steps of the engine's program: some hundred rows of a scan, a
    // look at a counter each time.
    sqlite3_progress_handler(m_pHandle, m_scanHook ? 4096 : 0,
                             m_scanHook ? ProgressHandler : nullptr, this);
}

int CSqliteBackend::ProgressHandler(void* self) {
    auto* backend = static_cast<CSqliteBackend*>(self);
    qint64 rows = 0;
    for (sqlite3_stmt* stmt = sqlite3_next_stmt(backend->m_pHandle, nullptr); stmt;
         stmt = sqlite3_next_stmt(backend->m_pHandle, stmt)) {
        if (sqlite3_stmt_busy(stmt))
            rows += sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_FULLSCAN_STEP, 0);
    }
    return backend->m_scanHook(rows) ? 1 : 0;
}

void CSqliteBackend::Interrupt() {
    // The engine's one call that is safe from another thread on a connection in use.
    sqlite3_interrupt(m_pHandle);
}

int CSqliteBackend::BusyHandler(void* self, int count) {
    auto* backend = static_cast<CSqliteBackend*>(self);
    if (count == 0) {
        backend->m_waitClock.start();
        if (backend->m_waiting)
            backend->m_waiting();
    }
    const qint64 left = backend->m_nBusyTimeoutMs - backend->m_waitClock.elapsed();
    if (left <= 0)
        return 0;
    // Short sleeps first: most locks are held for a moment only.
    static constexpr int kSteps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50};
    const int step = count < int(std::size(kSteps)) ? kSteps[count] : 100;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(step, left)));
    return 1;
}

std::unique_ptr<CGeoStatement> CSqliteBackend::Prepare(const QString& sql) {
    return std::make_unique<CSqliteStatement>(m_pHandle, sql);
}

const CGeoSqlDialect& CSqliteBackend::Sql() const {
    return GeoSqlSqlite::Dialect();
}

const CTerritorySql& CSqliteBackend::TerritorySql() const {
    return TerritorySqlSqlite::Dialect();
}

bool CSqliteBackend::InTransaction() const {
    return !sqlite3_get_autocommit(m_pHandle);
}

bool CSqliteBackend::Run(const QString& sql, QString* error, bool* busy) {
    const std::unique_ptr<CGeoStatement> statement = Prepare(sql);
    if (statement->Error().isEmpty() && statement->Run())
        return true;
    if (error)
        *error = statement->Error();
    if (busy)
        *busy = statement->IsBusy();
    return false;
}

bool CSqliteBackend::CreateTable(const CGeoTableDesc& desc, QString* error) {
    return Run(Sql().BeginWrite(), error) && Run(GeoSqlSqlite::CreateTable(desc), error) &&
           Run(GeoSqlSqlite::CreatePrimaryKey(desc), error) && Run(Sql().Commit(), error);
}

bool CSqliteBackend::PrepareSchema(const CGeoTableDesc& desc, bool setUp, SchemaProblem* problem) {
    // Reading the schema is the first real read of the file: a damaged or foreign file
    // fails here, before anything could be written.
    const QString probeSql = GeoSqlSqlite::ProbeTable(desc);
    std::unique_ptr<CGeoStatement> probe = Prepare(probeSql);
    const bool missing = probe->EngineMessage().startsWith(QStringLiteral("no such table"));
    if (missing && setUp) {
        QString error;
        if (!CreateTable(desc, &error)) {
            Run(Sql().Rollback());
            *problem = {SchemaProblem::Other,
                        QStringLiteral("Die Tabelle \"%1\" kann nicht angelegt werden (%2).")
                            .arg(desc.m_strTableName, error),
                        error};
            return false;
        }
        probe = Prepare(probeSql);
    }
    if (!probe->Error().isEmpty()) {
        problem->engineMessage = probe->EngineMessage();
        if (probe->IsBusy()) {
            problem->kind = SchemaProblem::Busy;
        } else if (probe->EngineMessage().startsWith(QStringLiteral("no such table"))) {
            problem->kind = SchemaProblem::Foreign;
            problem->reason =
                QStringLiteral("Die Datei enthält keine Tabelle \"%1\".").arg(desc.m_strTableName);
        } else {
            problem->kind = SchemaProblem::Other;
            problem->reason = QStringLiteral("Die Datei ist beschädigt oder nicht lesbar (%1).")
                                  .arg(probe->Error());
        }
        return false;
    }
    QStringList names;
    for (int i = 0; i < probe->FieldCount(); ++i)
        names << probe->FieldName(i);
    problem->reason = desc.FieldsMismatch(names);
    problem->kind = problem->reason.isEmpty() ? SchemaProblem::None : SchemaProblem::Other;
    return problem->kind == SchemaProblem::None;
}

bool CSqliteBackend::Readable(QString* engineMessage) {
    const std::unique_ptr<CGeoStatement> probe = Prepare(GeoSqlSqlite::SchemaVersion());
    if (probe->Error().isEmpty() && probe->Step())
        return true;
    if (!probe->IsBusy())
        return true; // other errors show where the data is read
    *engineMessage = probe->EngineMessage();
    return false;
}

bool CSqliteBackend::BeginWrite(QString* error, bool* busy) {
    *busy = false;
    if (!Run(Sql().BeginWrite(), error, busy))
        return false;
    // A damaged file is not written to: a write could spread the damage. The check reads
    // the whole file, so it is skipped while nobody but this connection has written to the
    // file since it last passed (the transaction keeps other writers out meanwhile).
    const QByteArray stamp = SqliteFile::Stamp(m_strPath);
    if (!stamp.isEmpty() && stamp == m_checkedStamp)
        return true;
    m_checkedStamp.clear();
    // Found damaged ahead by another connection, and not written to since.
    if (!stamp.isEmpty() && stamp == m_damaged.state) {
        *error = m_damaged.error;
        Run(Sql().Rollback());
        return false;
    }
    m_damaged = WriteCheck();
    if (Check(error)) {
        m_checkedStamp = stamp;
        return true;
    }
    Run(Sql().Rollback());
    return false;
}

void CSqliteBackend::ReleaseCache() {
    sqlite3_db_release_memory(m_pHandle);
}

void CSqliteBackend::Committed() {
    // The file as this connection left it is the checked one.
    if (!m_checkedStamp.isEmpty())
        m_checkedStamp = SqliteFile::Stamp(m_strPath);
}

void CSqliteBackend::SetExactRollback(bool on) {
    // A rollback puts back every page the transaction wrote, but not the free pages of the
    // file it took for new rows: the engine keeps no copy of what they held. While the file
    // has free pages nothing is written to it before the commit, so that a failed or
    // cancelled write leaves it byte for byte as it was. The engine takes the setting only
    // outside a transaction.
    if (on) {
        const std::unique_ptr<CGeoStatement> free = Prepare(GeoSqlSqlite::FreePages());
        m_bSpillOff = free->Error().isEmpty() && free->Step() && free->FieldInt(0) > 0;
        if (m_bSpillOff)
            Run(GeoSqlSqlite::CacheSpill(false));
    } else if (m_bSpillOff) {
        Run(GeoSqlSqlite::CacheSpill(true));
        m_bSpillOff = false;
    }
}

void CSqliteBackend::Stamp(qint64* version, qint64* schema, qint64* ownChanges) {
    const std::unique_ptr<CGeoStatement> rs = Prepare(GeoSqlSqlite::DataVersion());
    if (rs->Error().isEmpty() && rs->Step()) {
        *version = rs->FieldInt(0);
        *schema = rs->FieldInt(1) - m_aside.schema;
    }
    *ownChanges = sqlite3_total_changes64(m_pHandle) - m_aside.changes;
}

CSqliteBackend::Aside CSqliteBackend::Counts() {
    Aside counts;
    counts.changes = sqlite3_total_changes64(m_pHandle);
    const std::unique_ptr<CGeoStatement> rs = Prepare(GeoSqlSqlite::DataVersion());
    if (rs->Error().isEmpty() && rs->Step())
        counts.schema = rs->FieldInt(1);
    return counts;
}

void CSqliteBackend::LeaveOutOfStamp(bool begin) {
    // Inside the write transaction nobody else changes the schema: what it moved by is this
    // transaction's (nothing after a rollback). The engine counts rows rolled back too.
    if (begin) {
        m_asideFrom = Counts();
        m_bAside = true;
        return;
    }
    if (!m_bAside)
        return;
    m_bAside = false;
    const Aside now = Counts();
    m_aside.changes += now.changes - m_asideFrom.changes;
    m_aside.schema += now.schema - m_asideFrom.schema;
}

bool CSqliteBackend::StandardOrderCollations(const CGeoTableDesc& desc,
                                             GeoStandardOrder::Collations* collations) {
    const QByteArray table = desc.m_strTableName.toUtf8();
    struct Column {
        const char* type = nullptr;
        const char* collation = nullptr;
        int notNull = 0, primaryKey = 0, autoIncrement = 0;
    };
    auto metadata = [&](int field, Column* c) {
        const QByteArray name = desc.FieldName(field).toUtf8();
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
    return metadata(desc.m_nKeyField, &key) && key.primaryKey &&
           qstricmp(key.type, "INTEGER") == 0 &&
           collationOf(desc.m_nSortField1, &collations->staat) &&
           collationOf(desc.m_nSortField2, &collations->plz);
}

bool CSqliteBackend::FirstRowsFromIndex(const CGeoTableDesc& desc) {
    // The plan sorts in a temporary tree unless an index has the rows in that order (with
    // the collations the query compares by).
    const CGeoQuery first = Sql().FirstOrderedRows(desc, CGeoFilter(), 1);
    const std::unique_ptr<CGeoStatement> plan =
        Prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + first.sql);
    bool steps = false;
    while (plan->Error().isEmpty() && plan->Step()) {
        steps = true;
        if (plan->FieldUtf8(plan->FieldCount() - 1).contains("TEMP B-TREE"))
            return false;
    }
    return steps && plan->Error().isEmpty();
}
