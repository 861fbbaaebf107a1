#pragma once

#include "store/GeoBackend.h"
#include "store/postgres/GeoSqlPostgres.h"
#include "store/postgres/PgBackend.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <deque>
#include <vector>

namespace PgTypes {
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
} // namespace PgTypes

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
        m_bNulInText = false;
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
                // The server's texts end at a NUL: what follows it would be lost unseen.
                if (m_params.back().contains('\0'))
                    m_bNulInText = true;
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
        if (m_bNulInText)
            return Fail(NulRefused());
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
        return m_backend.SendInBatch(m_name, m_sql, values, &m_error);
    }

    bool RunUtf8(const QByteArrayView* values, int count) override {
        Finish();
        m_error.clear();
        m_bBusy = false;
        m_bNulInText = false;
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
        case PgTypes::kInt2:
        case PgTypes::kInt4:
        case PgTypes::kInt8:
        case PgTypes::kOid:
            return Type::Integer;
        case PgTypes::kFloat4:
        case PgTypes::kFloat8:
        case PgTypes::kNumeric:
            return Type::Float;
        case PgTypes::kBytea:
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

    static QString NulRefused() {
        return QStringLiteral("Der Datenbankserver kann keinen Text mit dem Zeichen U+0000 "
                              "(NUL) speichern; nichts davon wurde geschrieben.");
    }

    // A failure the server reported (result), or the connection's (null).
    bool Fail(const PGresult* result) {
        if (m_error.isEmpty()) {
            m_error = m_backend.Explain(result, m_sql);
            m_engineMessage = m_backend.ServerMessage(result);
            m_bBusy = m_backend.IsLockWait(result);
            m_bDeadlock =
                result && qstrcmp(PQresultErrorField(result, PG_DIAG_SQLSTATE), "40P01") == 0;
        }
        return false;
    }

    // Sends the statement with its values.
    bool Start(bool rowByRow) {
        if (m_bNulInText) {
            m_state = State::Done;
            return Fail(NulRefused());
        }
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
    bool m_bNulInText = false; // a value bound holds a NUL
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
