#include "db/SqliteBackend.h"

#include "db/DbErrorText.h"
#include "db/GeoSql.h"

#include <sqlite3.h>

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

    qint64 FieldInt(int field) const override { return sqlite3_column_int64(m_pStmt, field); }
    int ChangedRows() const override { return sqlite3_changes(m_pDb); }
    const QString& Error() const override { return m_strError; }
    const QString& EngineMessage() const override { return m_strEngineMessage; }
    bool IsBusy() const override { return DbErrorText::IsBusy(m_nErrorCode); }

private:
    bool Fail() {
        m_nErrorCode = sqlite3_extended_errcode(m_pDb);
        m_strEngineMessage = QString::fromUtf8(sqlite3_errmsg(m_pDb));
        m_strError = DbErrorText::Describe(m_nErrorCode, m_strEngineMessage);
        return false;
    }

    sqlite3* m_pDb;
    sqlite3_stmt* m_pStmt = nullptr;
    QString m_strError;
    QString m_strEngineMessage;
    int m_nErrorCode = 0;
};

} // namespace

std::unique_ptr<CGeoStatement> CSqliteBackend::Prepare(const QString& sql) {
    return std::make_unique<CSqliteStatement>(m_pHandle, sql);
}

const CGeoSqlDialect& CSqliteBackend::Sql() const {
    return GeoSql::Dialect();
}

bool CSqliteBackend::InTransaction() const {
    return !sqlite3_get_autocommit(m_pHandle);
}
