#include "db/PgBackend.h"

#include "db/GeoSqlPostgres.h"
#include "db/GeoTableDesc.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <vector>

namespace {

constexpr int kConnectTimeoutMs = 10000;
constexpr int kPollMs = 100;
// Rows sent in a batch before the program waits for the server to confirm them.
constexpr int kBatchRows = 1000;
// Bytes of COPY rows sent at once.
constexpr int kCopyBlock = 256 * 1024;

// Type numbers of the server's catalogue that are no text.
enum : Oid {
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kNumeric = 1700,
};

QString newConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("kelvo-pg-%1").arg(++counter);
}

QString serverText(const char* text) {
    return QString::fromUtf8(text ? text : "").trimmed();
}

} // namespace

// One statement on the server. Rows come one at a time (single-row mode); a statement run
// more than once is prepared on the server the second time. When another statement of the
// connection starts while this one still has rows to give, they are read ahead and kept.
class CPgStatement final : public CGeoStatement {
public:
    CPgStatement(CPgBackend& backend, const QString& sql)
        : m_backend(backend), m_sql(sql.toUtf8()) {}

    ~CPgStatement() override { Finish(); }

    bool Bind(const QVariantList& values) override {
        Finish();
        m_error.clear();
        m_bBusy = false;
        m_params.clear();
        m_nulls.clear();
        for (const QVariant& v : values) {
            m_nulls.push_back(v.isNull());
            switch (v.typeId()) {
            case QMetaType::Double:
                m_params.push_back(QByteArray::number(v.toDouble(), 'g', 17));
                break;
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::ULongLong:
                m_params.push_back(QByteArray::number(v.toLongLong()));
                break;
            default:
                m_params.push_back(v.toString().toUtf8());
                break;
            }
        }
        m_state = State::Idle;
        return true;
    }

    bool Step() override {
        if (m_state == State::Idle && !Start(true))
            return false;
        Clear(m_row);
        m_row = Next();
        return m_row != nullptr;
    }

    bool Run() override {
        Finish();
        m_error.clear();
        m_bBusy = false;
        if (!Start(false))
            return false;
        while (PGresult* r = m_backend.NextResult()) {
            Note(r);
            PQclear(r);
        }
        End();
        return m_error.isEmpty();
    }

    bool RunInBatch() override {
        if (m_params.empty() || !m_backend.InTransaction())
            return Run();
        Finish();
        m_error.clear();
        QString error;
        // An insert of one row goes as a row of a COPY, which takes many at once.
        if (!m_bCopyKnown) {
            m_copy = GeoSqlPostgres::CopyForm(QString::fromUtf8(m_sql)).toUtf8();
            m_bCopyKnown = true;
        }
        if (!m_copy.isEmpty()) {
            if (!m_backend.Ready(m_copy, nullptr, &error, true))
                return Fail(error);
            return m_backend.SendCopyRow(m_copy, m_params, m_nulls, &m_error);
        }
        // A statement not yet prepared on the connection is prepared outside the batch.
        const bool prepared = !m_name.isEmpty() && m_nPreparedOn == m_backend.Generation();
        PGconn* conn = m_backend.Ready(m_sql, nullptr, &error, prepared);
        if (!conn || !Prepared(conn))
            return Fail(error);
        std::vector<const char*> values;
        for (size_t i = 0; i < m_params.size(); ++i)
            values.push_back(m_nulls[i] ? nullptr : m_params[i].constData());
        return m_backend.SendInBatch(m_name, values, &m_error);
    }

    bool RunUtf8(const QByteArrayView* values, int count) override {
        Finish();
        m_error.clear();
        m_bBusy = false;
        m_params.resize(size_t(count));
        m_nulls.resize(size_t(count));
        for (int i = 0; i < count; ++i) {
            m_nulls[size_t(i)] = values[i].isEmpty();
            m_params[size_t(i)] = values[i].toByteArray();
        }
        m_state = State::Idle;
        return RunInBatch();
    }

    int FieldCount() const override {
        const PGresult* r = Described();
        return r ? PQnfields(r) : 0;
    }

    QString FieldName(int field) const override {
        const PGresult* r = Described();
        return r ? QString::fromUtf8(PQfname(r, field)) : QString();
    }

    Type FieldType(int field) const override {
        if (!m_row || PQgetisnull(m_row, 0, field))
            return Type::Null;
        switch (PQftype(m_row, field)) {
        case kInt2:
        case kInt4:
        case kInt8:
        case kOid:
            return Type::Integer;
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return Type::Float;
        case kBytea:
            return Type::Blob;
        default:
            return Type::Text;
        }
    }

    QByteArrayView FieldUtf8(int field) const override {
        if (!m_row || field < 0 || field >= PQnfields(m_row))
            return {};
        return QByteArrayView(PQgetvalue(m_row, 0, field), PQgetlength(m_row, 0, field));
    }

    qint64 FieldInt(int field) const override {
        if (!m_row || field < 0 || field >= PQnfields(m_row))
            return 0;
        return std::strtoll(PQgetvalue(m_row, 0, field), nullptr, 10);
    }

    int ChangedRows() const override { return m_nChanged; }
    const QString& Error() const override { return m_error; }
    const QString& EngineMessage() const override { return m_engineMessage; }
    bool IsBusy() const override { return m_bBusy; }
    bool IsDeadlock() const override { return m_bDeadlock; }

    // Reads the rows still to come into memory, so that the connection is free.
    void SetAside() {
        while (PGresult* r = Receive())
            m_ahead.push_back(r);
        End();
    }

private:
    enum class State { Idle, Streaming, Done };

    static void Clear(PGresult*& r) {
        if (r)
            PQclear(r);
        r = nullptr;
    }

    bool Fail(const QString& error) {
        if (m_error.isEmpty())
            m_error = m_engineMessage = error;
        return false;
    }

    // A failure the server reported (result), or the connection's (null).
    bool Fail(const PGresult* result) {
        if (m_error.isEmpty()) {
            m_error = m_backend.Explain(result);
            m_engineMessage = m_backend.ServerMessage(result);
            m_bBusy = m_backend.IsLockWait(result);
            m_bDeadlock = result && qstrcmp(PQresultErrorField(result, PG_DIAG_SQLSTATE),
                                            "40P01") == 0;
        }
        return false;
    }

    // Sends the statement with its values.
    bool Start(bool rowByRow) {
        QString error;
        PGconn* conn = m_backend.Ready(m_sql, this, &error);
        if (!conn) {
            m_state = State::Done;
            return Fail(error);
        }
        std::vector<const char*> values;
        for (size_t i = 0; i < m_params.size(); ++i)
            values.push_back(m_nulls[i] ? nullptr : m_params[i].constData());
        const int n = int(values.size());
        int sent = 0;
        if (n == 0) {
            // Without values several statements may stand in one text (the schema).
            sent = PQsendQuery(conn, m_sql.constData());
        } else if (++m_nStarts > 1 && Prepared(conn)) {
            sent = PQsendQueryPrepared(conn, m_name.constData(), n, values.data(), nullptr, nullptr,
                                       0);
        } else if (m_error.isEmpty()) {
            sent = PQsendQueryParams(conn, m_sql.constData(), n, nullptr, values.data(), nullptr,
                                     nullptr, 0);
        }
        if (!sent) {
            m_state = State::Done;
            m_backend.Finished(this);
            return m_error.isEmpty() ? Fail(static_cast<const PGresult*>(nullptr)) : false;
        }
        if (rowByRow)
            PQsetSingleRowMode(conn);
        m_state = State::Streaming;
        m_nChanged = 0;
        return true;
    }

    // Prepares the statement on the server once per connection.
    bool Prepared(PGconn* conn) {
        if (!m_name.isEmpty() && m_nPreparedOn == m_backend.Generation())
            return true;
        m_name = m_backend.NextStatementName();
        if (!PQsendPrepare(conn, m_name.constData(), m_sql.constData(), int(m_params.size()),
                           nullptr))
            return Fail(static_cast<const PGresult*>(nullptr));
        bool ok = true;
        while (PGresult* r = m_backend.NextResult()) {
            if (PQresultStatus(r) != PGRES_COMMAND_OK)
                ok = Fail(r);
            PQclear(r);
        }
        m_nPreparedOn = m_backend.Generation();
        if (!ok)
            m_name.clear();
        return ok;
    }

    // The next row from the server; null at the end of the rows and on an error.
    PGresult* Receive() {
        if (m_state != State::Streaming)
            return nullptr;
        while (PGresult* r = m_backend.NextResult()) {
            if (PQresultStatus(r) == PGRES_SINGLE_TUPLE)
                return r;
            Note(r);
            // The end of the rows: kept for the field names of a result without rows.
            if (PQresultStatus(r) == PGRES_TUPLES_OK && !m_end)
                m_end = r;
            else
                PQclear(r);
        }
        End();
        return nullptr;
    }

    // The next row, read ahead or from the server.
    PGresult* Next() {
        if (!m_ahead.empty()) {
            PGresult* r = m_ahead.front();
            m_ahead.pop_front();
            return r;
        }
        return Receive();
    }

    void Note(PGresult* r) {
        switch (PQresultStatus(r)) {
        case PGRES_COMMAND_OK:
            m_nChanged = std::atoi(PQcmdTuples(r));
            break;
        case PGRES_TUPLES_OK:
        case PGRES_SINGLE_TUPLE:
        case PGRES_EMPTY_QUERY:
            break;
        default:
            Fail(r);
            break;
        }
    }

    void End() {
        if (m_state == State::Streaming)
            m_backend.Finished(this);
        m_state = State::Done;
    }

    // A result that describes the fields: the current row, or the first one read ahead.
    const PGresult* Described() const {
        if (m_row)
            return m_row;
        auto* self = const_cast<CPgStatement*>(this);
        if (m_ahead.empty() && !m_end) {
            if (m_state == State::Idle && !self->Start(true))
                return nullptr;
            if (PGresult* r = self->Receive())
                self->m_ahead.push_back(r);
        }
        return m_ahead.empty() ? m_end : m_ahead.front();
    }

    // Reads what is left of a result, so that the connection is free for the next one.
    void Finish() {
        if (m_state == State::Streaming) {
            while (PGresult* r = m_backend.NextResult())
                PQclear(r);
            End();
        }
        Clear(m_row);
        Clear(m_end);
        for (PGresult* r : m_ahead)
            PQclear(r);
        m_ahead.clear();
    }

    CPgBackend& m_backend;
    QByteArray m_sql;
    std::vector<QByteArray> m_params;
    std::vector<bool> m_nulls;
    State m_state = State::Idle;
    PGresult* m_row = nullptr;
    std::deque<PGresult*> m_ahead;
    PGresult* m_end = nullptr;
    int m_nChanged = 0;
    int m_nStarts = 0;
    QByteArray m_name;
    int m_nPreparedOn = -1;
    QByteArray m_copy; // the COPY that takes this insert's rows; empty for another statement
    bool m_bCopyKnown = false;
    QString m_error;
    QString m_engineMessage;
    bool m_bBusy = false;
    bool m_bDeadlock = false;
};

CPgBackend::~CPgBackend() {
    m_pConn = nullptr;
    {
        QSqlDatabase db = QSqlDatabase::database(m_strConnection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_strConnection);
}

std::unique_ptr<CPgBackend> CPgBackend::Connect(const CDbLocation& location, QString* error) {
    std::unique_ptr<CPgBackend> backend(new CPgBackend);
    backend->m_location = location;
    backend->m_strConnection = newConnectionName();
    const QString where = location.Display();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), backend->m_strConnection);
    if (!db.isValid()) {
        *error = QStringLiteral("Der PostgreSQL-Treiber von Qt (QPSQL) fehlt; ohne ihn erreicht "
                                "Kelvo keinen Datenbankserver (Debian-Paket libqt6sql6-psql).");
        return nullptr;
    }
    db.setHostName(location.strHost);
    db.setPort(location.nPort);
    db.setDatabaseName(location.strDatabase);
    if (!location.strUser.isEmpty())
        db.setUserName(location.strUser);
    // Connecting gives up after 10 seconds; keep-alive probes end a connection whose network
    // has gone in about as long, also in the middle of reading rows.
    db.setConnectOptions(QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=5;"
                                        "keepalives_interval=2;keepalives_count=3;"
                                        "tcp_user_timeout=%2;application_name=Kelvo")
                             .arg(kConnectTimeoutMs / 1000)
                             .arg(kConnectTimeoutMs));
    if (!db.open()) {
        *error = QStringLiteral("Keine Verbindung zum Datenbankserver %1.\n\n%2\n\nDer Server "
                                "ist nicht erreichbar, lehnt die Anmeldung ab (das Kennwort "
                                "steht in ~/.pgpass oder PGPASSWORD) oder kennt die Datenbank "
                                "nicht.")
                     .arg(where, serverText(db.lastError().databaseText().toUtf8()));
        return nullptr;
    }
    const QVariant handle = db.driver()->handle();
    // The driver names the handle by libpq's structure, pg_conn.
    if (!handle.isValid() || qstrcmp(handle.typeName(), "pg_conn*") != 0 ||
        !*static_cast<PGconn* const*>(handle.constData())) {
        *error = QStringLiteral("Der PostgreSQL-Treiber liefert keine Verbindung.");
        return nullptr;
    }
    backend->m_pConn = *static_cast<PGconn* const*>(handle.constData());
    // The server's notices (a ROLLBACK with nothing to roll back) are no concern of the user;
    // failures come as errors.
    PQsetNoticeProcessor(
        backend->m_pConn, [](void*, const char*) {}, nullptr);
    QString reason;
    if (!backend->SetUpSession(&reason)) {
        *error = QStringLiteral("Der Datenbankserver %1 lässt die Sitzung nicht einrichten: %2")
                     .arg(where, reason);
        return nullptr;
    }
    return backend;
}

std::unique_ptr<CGeoStatement> CPgBackend::Prepare(const QString& sql) {
    return std::make_unique<CPgStatement>(*this, sql);
}

const CGeoSqlDialect& CPgBackend::Sql() const {
    return GeoSqlPostgres::Dialect();
}

bool CPgBackend::Run(const QString& sql, QString* error) {
    CPgStatement statement(*this, sql);
    if (statement.Run())
        return true;
    *error = statement.Error();
    return false;
}

bool CPgBackend::SetUpSession(QString* error) {
    return Run(GeoSqlPostgres::SessionSettings().join(QStringLiteral("; ")), error);
}

bool CPgBackend::Reconnect(QString* error) {
    const QString where = m_location.Display();
    if (!PQresetStart(m_pConn)) {
        *error = QStringLiteral("Keine Verbindung zum Datenbankserver %1: %2")
                     .arg(where, serverText(PQerrorMessage(m_pConn)));
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    bool told = false;
    PostgresPollingStatusType status = PGRES_POLLING_WRITING;
    while (status != PGRES_POLLING_OK && status != PGRES_POLLING_FAILED) {
        pollfd p{PQsocket(m_pConn), short(status == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const int rc = ::poll(&p, 1, kPollMs);
        if (rc != 0) {
            status = PQresetPoll(m_pConn);
            continue;
        }
        told = true;
        if (timer.elapsed() >= kConnectTimeoutMs || !GoOn(int(timer.elapsed()))) {
            ::shutdown(PQsocket(m_pConn), SHUT_RDWR);
            status = PGRES_POLLING_FAILED;
        }
    }
    if (told && m_waitHandler)
        m_waitHandler(-1);
    if (status == PGRES_POLLING_FAILED || PQstatus(m_pConn) != CONNECTION_OK) {
        const QString text = serverText(PQerrorMessage(m_pConn));
        *error = QStringLiteral("Keine Verbindung zum Datenbankserver %1%2")
                     .arg(where, text.isEmpty() ? QStringLiteral(" (keine Antwort).")
                                                : QStringLiteral(": ") + text);
        return false;
    }
    ++m_nGeneration;
    return SetUpSession(error);
}

pg_conn* CPgBackend::Ready(const QByteArray& sql, CPgStatement* statement, QString* error,
                           bool inBatch) {
    // A window that repaints while a wait lets events through must not start a statement
    // in the middle of another one's answer.
    if (m_bWaiting) {
        *error = QStringLiteral("Der Datenbankserver beantwortet noch eine andere Anfrage.");
        return nullptr;
    }
    m_bGaveUp = false;
    if (m_pStreaming && m_pStreaming != statement)
        m_pStreaming->SetAside();
    const bool rollback = sql.trimmed().compare("ROLLBACK", Qt::CaseInsensitive) == 0;
    if (!inBatch)
        EndBatch();
    if (!m_strBatchError.isEmpty()) {
        // A row of the batch failed: the transaction can only be rolled back.
        if (!rollback) {
            *error = m_strBatchError;
            return nullptr;
        }
        m_strBatchError.clear();
    }
    if (m_bLostTransaction) {
        if (!rollback) {
            *error = QStringLiteral("Die Verbindung zum Datenbankserver ist mitten in einem "
                                    "Vorgang abgebrochen; der Server hat ihn verworfen, nichts "
                                    "davon ist gespeichert.");
            return nullptr;
        }
        m_bLostTransaction = false;
    }
    if (PQstatus(m_pConn) != CONNECTION_OK && !Reconnect(error))
        return nullptr;
    m_pStreaming = statement;
    return m_pConn;
}

pg_result* CPgBackend::NextResult() {
    QElapsedTimer timer;
    timer.start();
    bool told = false;
    while (PQisBusy(m_pConn)) {
        pollfd p{PQsocket(m_pConn), POLLIN, 0};
        if (p.fd < 0)
            break;
        const int rc = ::poll(&p, 1, kPollMs);
        if (rc > 0) {
            if (!PQconsumeInput(m_pConn))
                break;
            continue;
        }
        if (rc < 0 && errno == EINTR)
            continue;
        told = true;
        if (rc < 0 || !GoOn(int(timer.elapsed()))) {
            // Giving up: the connection goes, and the server drops the statement with it.
            m_bGaveUp = true;
            ::shutdown(PQsocket(m_pConn), SHUT_RDWR);
            PQconsumeInput(m_pConn);
            break;
        }
    }
    if (told && m_waitHandler)
        m_waitHandler(-1);
    return PQgetResult(m_pConn);
}

void CPgBackend::Finished(CPgStatement* statement) {
    if (m_pStreaming == statement)
        m_pStreaming = nullptr;
    if (PQstatus(m_pConn) != CONNECTION_OK) {
        m_bLostTransaction = m_bLostTransaction || m_bInTransaction;
        m_bInTransaction = false;
        return;
    }
    const PGTransactionStatusType status = PQtransactionStatus(m_pConn);
    m_bInTransaction = status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

QString CPgBackend::ServerMessage(const pg_result* result) const {
    QString text = result ? serverText(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)) : "";
    if (text.isEmpty() && result)
        text = serverText(PQresultErrorMessage(result));
    return text.isEmpty() ? serverText(PQerrorMessage(m_pConn)) : text;
}

bool CPgBackend::IsLockWait(const pg_result* result) const {
    // lock_not_available: the lock timeout ran out while another user held the rows.
    return result && qstrcmp(PQresultErrorField(result, PG_DIAG_SQLSTATE), "55P03") == 0;
}

QString CPgBackend::Explain(const pg_result* result) const {
    if (m_bGaveUp)
        return QStringLiteral("Das Warten auf den Datenbankserver wurde abgebrochen.");
    const QString state = result ? serverText(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : "";
    const QString text = ServerMessage(result);
    if (PQstatus(m_pConn) != CONNECTION_OK || state.startsWith(QLatin1String("08")))
        return QStringLiteral("Die Verbindung zum Datenbankserver ist unterbrochen (%1).")
            .arg(text);
    if (IsLockWait(result))
        return QStringLiteral("Ein anderer Benutzer hält die Daten gerade gesperrt; bitte "
                              "gleich noch einmal versuchen (%1).")
            .arg(text);
    if (state == QLatin1String("40P01"))
        return QStringLiteral("Der Datenbankserver hat den Vorgang abgebrochen, weil er mit dem "
                              "eines anderen Benutzers gegenseitig auf Daten wartete; gespeichert "
                              "wurde nichts (%1).")
            .arg(text);
    if (state.startsWith(QLatin1String("57")))
        return QStringLiteral("Der Datenbankserver hat den Vorgang abgebrochen (%1).").arg(text);
    return text;
}

bool CPgBackend::GoOn(int elapsedMs) {
    if (!m_waitHandler)
        return true;
    m_bWaiting = true;
    const bool goOn = m_waitHandler(elapsedMs);
    m_bWaiting = false;
    return goOn;
}

bool CPgBackend::InTransaction() const {
    return m_bInTransaction || m_bLostTransaction || !m_strBatchError.isEmpty() || m_bBatch ||
           !m_copySql.isEmpty();
}

bool CPgBackend::SendInBatch(const QByteArray& name, const std::vector<const char*>& values,
                             QString* error) {
    if (!m_bBatch) {
        if (!PQenterPipelineMode(m_pConn)) {
            *error = Explain(nullptr);
            return false;
        }
        m_bBatch = true;
    }
    if (!PQsendQueryPrepared(m_pConn, name.constData(), int(values.size()), values.data(), nullptr,
                             nullptr, 0)) {
        *error = Explain(nullptr);
        return false;
    }
    if (++m_nBatched >= kBatchRows && !Synchronise())
        *error = m_strBatchError;
    return error->isEmpty();
}

bool CPgBackend::Synchronise() {
    if (!m_bBatch || m_nBatched == 0)
        return m_strBatchError.isEmpty();
    m_nBatched = 0;
    if (!PQpipelineSync(m_pConn)) {
        m_strBatchError = Explain(nullptr);
        return false;
    }
    // Each statement's results end with a null; the synchronisation point ends them all.
    while (PQstatus(m_pConn) == CONNECTION_OK) {
        PGresult* r = NextResult();
        if (!r)
            continue;
        const ExecStatusType status = PQresultStatus(r);
        if (status != PGRES_COMMAND_OK && status != PGRES_PIPELINE_SYNC &&
            status != PGRES_PIPELINE_ABORTED && m_strBatchError.isEmpty())
            m_strBatchError = Explain(r);
        PQclear(r);
        if (status == PGRES_PIPELINE_SYNC)
            break;
    }
    if (PQstatus(m_pConn) != CONNECTION_OK && m_strBatchError.isEmpty())
        m_strBatchError = Explain(nullptr);
    return m_strBatchError.isEmpty();
}

bool CPgBackend::SendCopyRow(const QByteArray& copySql, const std::vector<QByteArray>& values,
                             const std::vector<bool>& nulls, QString* error) {
    if (m_copySql != copySql) {
        EndBatch();
        if (!m_strBatchError.isEmpty()) {
            *error = m_strBatchError;
            return false;
        }
        PGresult* r = PQsendQuery(m_pConn, copySql.constData()) ? NextResult() : nullptr;
        const bool copying = r && PQresultStatus(r) == PGRES_COPY_IN;
        if (!copying) {
            *error = Explain(r);
            PQclear(r);
            while ((r = NextResult()))
                PQclear(r);
            Finished(nullptr);
            return false;
        }
        PQclear(r);
        m_copySql = copySql;
    }
    // COPY's text format: fields between tabs, \N for NULL, backslash escapes.
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            m_copyRows += '\t';
        if (nulls[i]) {
            m_copyRows += "\\N";
            continue;
        }
        for (char c : values[i]) {
            switch (c) {
            case '\\':
                m_copyRows += "\\\\";
                break;
            case '\t':
                m_copyRows += "\\t";
                break;
            case '\n':
                m_copyRows += "\\n";
                break;
            case '\r':
                m_copyRows += "\\r";
                break;
            default:
                m_copyRows += c;
            }
        }
    }
    m_copyRows += '\n';
    if (m_copyRows.size() >= kCopyBlock && !SendCopyRows()) {
        m_strBatchError = *error = Explain(nullptr);
        return false;
    }
    return true;
}

bool CPgBackend::SendCopyRows() {
    const bool sent = m_copyRows.isEmpty() ||
                      PQputCopyData(m_pConn, m_copyRows.constData(), int(m_copyRows.size())) == 1;
    m_copyRows.clear();
    return sent;
}

void CPgBackend::EndCopy() {
    if (m_copySql.isEmpty())
        return;
    m_copySql.clear();
    if ((!SendCopyRows() || PQputCopyEnd(m_pConn, nullptr) != 1) && m_strBatchError.isEmpty())
        m_strBatchError = Explain(nullptr);
    // The rows are checked as they arrive; a row the server refuses fails the whole COPY.
    while (PGresult* r = NextResult()) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK && m_strBatchError.isEmpty())
            m_strBatchError = Explain(r);
        PQclear(r);
    }
    Finished(nullptr);
}

void CPgBackend::EndBatch() {
    EndCopy();
    if (!m_bBatch)
        return;
    Synchronise();
    PQexitPipelineMode(m_pConn);
    m_bBatch = false;
    Finished(nullptr);
}

QByteArray CPgBackend::NextStatementName() {
    return "kelvo_" + QByteArray::number(++m_nStatements);
}

bool CPgBackend::PrepareSchema(const CGeoTableDesc& desc, QString* reason) {
    auto state = [&](bool* geo, bool* stamp, int* version) {
        CPgStatement query(*this, GeoSqlPostgres::SchemaState(desc));
        if (!query.Step()) {
            *reason = query.Error();
            return false;
        }
        *geo = query.FieldUtf8(0) == "t";
        *stamp = query.FieldUtf8(1) == "t";
        *version = 0;
        if (*stamp) {
            CPgStatement read(*this, GeoSqlPostgres::SchemaVersion(desc));
            if (!read.Step()) {
                *reason = read.Error();
                return false;
            }
            *version = int(read.FieldInt(0));
        }
        return true;
    };
    bool geo = false, stamp = false;
    int version = 0;
    if (!state(&geo, &stamp, &version))
        return false;
    if (!geo || !stamp || version < GeoSqlPostgres::kSchemaVersion) {
        // Made or brought up to date in one transaction, by one program at a time.
        QStringList statements;
        bool ok = Run(Sql().BeginWrite(), reason) && Run(GeoSqlPostgres::LockSchema(), reason) &&
                  state(&geo, &stamp, &version);
        if (ok && !geo)
            statements << GeoSqlPostgres::CreateTable(desc);
        if (ok && !stamp)
            statements << GeoSqlPostgres::CreateStampTable(desc);
        if (ok && version < GeoSqlPostgres::kSchemaVersion)
            statements << GeoSqlPostgres::CreateFunctions(desc);
        for (const QString& sql : statements) {
            if (!ok)
                break;
            ok = Run(sql, reason);
        }
        if (ok)
            ok = Run(QStringLiteral("COMMIT"), reason);
        if (!ok) {
            QString ignored;
            Run(QStringLiteral("ROLLBACK"), &ignored);
            *reason = QStringLiteral("Die Tabelle \"%1\" kann auf dem Server nicht angelegt "
                                     "werden (%2).")
                          .arg(desc.m_strTableName, *reason);
            return false;
        }
    }

    CPgStatement probe(*this, GeoSqlPostgres::ProbeTable(desc));
    bool matches = probe.FieldCount() == desc.m_nFields;
    for (int i = 0; matches && i < desc.m_nFields; ++i)
        matches = probe.FieldName(i).compare(desc.FieldName(i), Qt::CaseInsensitive) == 0;
    if (!probe.Error().isEmpty()) {
        *reason = probe.Error();
        return false;
    }
    if (!matches) {
        *reason = QStringLiteral("Die Tabelle \"%1\" hat nicht die %2 Felder in der erwarteten "
                                 "Reihenfolge.")
                      .arg(desc.m_strTableName)
                      .arg(desc.m_nFields);
        return false;
    }
    return true;
}

bool CPgBackend::ChangeCount(const CGeoTableDesc& desc, qint64* count, QString* error) {
    CPgStatement query(*this, GeoSqlPostgres::ChangeCount(desc));
    if (!query.Step()) {
        *error = query.Error();
        return false;
    }
    *count = query.FieldInt(0);
    return true;
}
