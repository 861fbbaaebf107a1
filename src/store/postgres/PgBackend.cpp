#include "store/postgres/PgBackend.h"

#include "store/GeoFilter.h"
#include "store/GeoSqlDialect.h"
#include "store/postgres/GeoSqlPostgres.h"
#include "store/postgres/PgPermissionText.h"
#include "store/postgres/PgStatement.h"
#include "store/postgres/TerritorySqlPostgres.h"

#include <QElapsedTimer>

#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace {

constexpr int kConnectTimeoutMs = 10000;
constexpr int kPollMs = 100;
// Rows sent in a batch before the program waits for the server to confirm them.
constexpr int kBatchRows = 1000;
// Bytes of COPY rows sent at once.
constexpr int kCopyBlock = 256 * 1024;

QString serverText(const char* text) {
    return QString::fromUtf8(text ? text : "").trimmed();
}

} // namespace

CPgBackend::~CPgBackend() {
    PQfinish(m_pConn);
}

std::unique_ptr<CPgBackend> CPgBackend::Connect(const CDbLocation& location, QString* error) {
    std::unique_ptr<CPgBackend> backend(new CPgBackend);
    backend->m_location = location;
    const QString where = location.Display();
    // Connecting gives up after 10 seconds; keep-alive probes end a connection whose network
    // has gone in about as long, also in the middle of reading rows. The password comes from
    // ~/.pgpass or PGPASSWORD, as libpq finds it.
    const QByteArray host = location.strHost.toUtf8(), port = QByteArray::number(location.nPort),
                     database = location.strDatabase.toUtf8(), user = location.strUser.toUtf8(),
                     timeout = QByteArray::number(kConnectTimeoutMs / 1000),
                     userTimeout = QByteArray::number(kConnectTimeoutMs);
    std::vector<const char*> keys{"host",
                                  "port",
                                  "dbname",
                                  "connect_timeout",
                                  "keepalives",
                                  "keepalives_idle",
                                  "keepalives_interval",
                                  "keepalives_count",
                                  "tcp_user_timeout",
                                  "application_name",
                                  "client_encoding"};
    std::vector<const char*> values{host.constData(),
                                    port.constData(),
                                    database.constData(),
                                    timeout.constData(),
                                    "1",
                                    "5",
                                    "2",
                                    "3",
                                    userTimeout.constData(),
                                    "Kelvo",
                                    "UTF8"};
    if (!user.isEmpty()) {
        keys.push_back("user");
        values.push_back(user.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    backend->m_pConn = PQconnectdbParams(keys.data(), values.data(), 0);
    if (!backend->m_pConn || PQstatus(backend->m_pConn) != CONNECTION_OK) {
        *error = QStringLiteral("Keine Verbindung zum Datenbankserver %1.\n\n%2\n\nDer Server "
                                "ist nicht erreichbar, lehnt die Anmeldung ab (das Kennwort "
                                "steht in ~/.pgpass oder PGPASSWORD) oder kennt die Datenbank "
                                "nicht.")
                     .arg(where, backend->m_pConn ? serverText(PQerrorMessage(backend->m_pConn))
                                                  : QStringLiteral("kein Speicher"));
        return nullptr;
    }
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

bool CPgBackend::FirstRowsFromIndex(const CGeoTableDesc& desc) {
    // With sorting the planner's last resort, a plan still sorts unless an index gives the
    // order. Small tables get the same answer as large ones.
    const CGeoQuery first = Sql().FirstOrderedRows(desc, CGeoFilter(), 1);
    return PlannedWithout(GeoSqlPostgres::PlanOf(first.sql), "Sort", GeoSqlPostgres::SortAsUsual());
}

bool CPgBackend::PositionsFromIndex(const CGeoTableDesc& desc) {
    return PlannedWithout(GeoSqlPostgres::PositionsPlan(desc), "Seq Scan",
                          GeoSqlPostgres::ScanAsUsual());
}

bool CPgBackend::PlannedWithout(const QString& plan, const char* step, const QString& reset) {
    std::unique_ptr<CGeoStatement> lines = Prepare(plan);
    bool steps = false, found = false;
    while (lines->Step()) {
        steps = true;
        found = found || lines->FieldUtf8(0).contains(step);
    }
    const bool planned = steps && lines->Error().isEmpty();
    lines.reset();
    if (!planned)
        Prepare(reset)->Run();
    return planned && !found;
}

const CGeoSqlDialect& CPgBackend::Sql() const {
    return GeoSqlPostgres::Dialect();
}

const CTerritorySql& CPgBackend::TerritorySql() const {
    return TerritorySqlPostgres::Dialect();
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
    static const QByteArray rollbackText = GeoSqlPostgres::Dialect().Rollback().toLatin1();
    const bool rollback = sql.trimmed().compare(rollbackText, Qt::CaseInsensitive) == 0;
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

QString CPgBackend::Explain(const pg_result* result, const QByteArray& sql) const {
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
    // read_only_sql_transaction: the server lets this user or database only read.
    if (state == QLatin1String("25006"))
        return QStringLiteral("Die Datenbank auf dem Server ist schreibgeschützt (nur Lesen ist "
                              "erlaubt); Kelvo kann nichts in ihr speichern. (Meldung des "
                              "Servers: %1)")
            .arg(text);
    if (state == QLatin1String(PgPermissionText::kState))
        return PgPermissionText::Describe(sql, serverText(PQuser(m_pConn)), text);
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

bool CPgBackend::SendInBatch(const QByteArray& name, const QByteArray& sql,
                             const std::vector<const char*>& values, QString* error) {
    m_batchSql = sql;
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
            m_strBatchError = Explain(r, m_batchSql);
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
            *error = Explain(r, copySql);
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
    const QByteArray sql = std::exchange(m_copySql, {});
    if ((!SendCopyRows() || PQputCopyEnd(m_pConn, nullptr) != 1) && m_strBatchError.isEmpty())
        m_strBatchError = Explain(nullptr);
    // The rows are checked as they arrive; a row the server refuses fails the whole COPY.
    while (PGresult* r = NextResult()) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK && m_strBatchError.isEmpty())
            m_strBatchError = Explain(r, sql);
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
