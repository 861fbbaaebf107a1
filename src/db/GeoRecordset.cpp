#include "db/GeoRecordset.h"

#include "db/DbErrorText.h"
#include "db/GeoDatabase.h"

#include <sqlite3.h>

CGeoRecordset::CGeoRecordset(CGeoDatabase& database) : m_database(database) {}

CGeoRecordset::~CGeoRecordset() {
    Close();
}

void CGeoRecordset::Close() {
    if (m_pStmt) {
        sqlite3_finalize(m_pStmt);
        m_pStmt = nullptr;
    }
}

bool CGeoRecordset::Fail() {
    sqlite3* db = m_database.Handle();
    m_nErrorCode = db ? sqlite3_extended_errcode(db) : 0;
    m_strEngineMessage = db ? QString::fromUtf8(sqlite3_errmsg(db))
                            : QStringLiteral("Die Datenbank ist nicht geöffnet.");
    m_strError = DbErrorText::Describe(m_nErrorCode, m_strEngineMessage);
    return false;
}

bool CGeoRecordset::IsBusy() const {
    return DbErrorText::IsBusy(m_nErrorCode);
}

bool CGeoRecordset::Open(const QString& sql, const QVariantList& values) {
    Close();
    m_strError.clear();
    m_nErrorCode = 0;
    sqlite3* db = m_database.Handle();
    if (!db)
        return Fail();
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_pStmt, nullptr);
    m_database.EndWait();
    if (rc != SQLITE_OK) {
        Fail();
        Close();
        return false;
    }
    if (!Bind(values)) {
        Close();
        return false;
    }
    return true;
}

bool CGeoRecordset::Rebind(const QVariantList& values) {
    if (!m_pStmt)
        return false;
    m_strError.clear();
    m_nErrorCode = 0;
    sqlite3_reset(m_pStmt);
    return Bind(values);
}

bool CGeoRecordset::Bind(const QVariantList& values) {
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

bool CGeoRecordset::ExecuteUtf8(const QByteArrayView* values, int count) {
    if (!m_pStmt)
        return false;
    sqlite3_reset(m_pStmt);
    for (int i = 0; i < count; ++i) {
        const QByteArrayView v = values[i];
        Q_ASSERT(v.isEmpty() || v.data()[v.size()] == '\0');
        // A length of -1 tells the engine that the text ends with a NUL: it need not copy it
        // to add one, as checks and comparisons would otherwise make it do.
        const int rc = v.isEmpty() ? sqlite3_bind_null(m_pStmt, i + 1)
                                   : sqlite3_bind_text(m_pStmt, i + 1, v.data(), -1, SQLITE_STATIC);
        if (rc != SQLITE_OK)
            return Fail();
    }
    const int rc = sqlite3_step(m_pStmt);
    const bool ok = rc == SQLITE_DONE || rc == SQLITE_ROW;
    if (!ok)
        Fail();
    sqlite3_reset(m_pStmt);
    return ok;
}

bool CGeoRecordset::MoveNext() {
    if (!m_pStmt)
        return false;
    const int rc = sqlite3_step(m_pStmt);
    m_database.EndWait();
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        Fail();
    return false;
}

bool CGeoRecordset::Execute() {
    if (!m_pStmt)
        return false;
    int rc;
    while ((rc = sqlite3_step(m_pStmt)) == SQLITE_ROW) {
    }
    m_database.EndWait();
    if (rc != SQLITE_DONE)
        return Fail();
    return true;
}

int CGeoRecordset::FieldCount() const {
    return m_pStmt ? sqlite3_column_count(m_pStmt) : 0;
}

int CGeoRecordset::FieldIndex(const QString& name) const {
    for (int i = 0; i < FieldCount(); ++i) {
        if (name.compare(QString::fromUtf8(sqlite3_column_name(m_pStmt, i)), Qt::CaseInsensitive) ==
            0)
            return i;
    }
    return -1;
}

bool CGeoRecordset::IsNull(int field) const {
    return sqlite3_column_type(m_pStmt, field) == SQLITE_NULL;
}

bool CGeoRecordset::IsText(int field) const {
    return sqlite3_column_type(m_pStmt, field) == SQLITE_TEXT;
}

GeoStandardOrder::Value::Kind CGeoRecordset::FieldKind(int field) const {
    switch (sqlite3_column_type(m_pStmt, field)) {
    case SQLITE_NULL:
        return GeoStandardOrder::Value::Null;
    case SQLITE_BLOB:
        return GeoStandardOrder::Value::Blob;
    default:
        return GeoStandardOrder::Value::Text;
    }
}

void CGeoRecordset::FieldValues(const int* fields, int count, GeoStandardOrder::Value* values,
                                quint32 exactKinds) const {
    for (int i = 0; i < count; ++i) {
        const int field = fields[i];
        // The kind must be taken before the bytes: reading converts the value.
        GeoStandardOrder::Value::Kind kind =
            (exactKinds >> i) & 1 ? FieldKind(field) : GeoStandardOrder::Value::Text;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, field));
        if (!text)
            kind = GeoStandardOrder::Value::Null;
        values[i] = {kind, QByteArrayView(text, text ? sqlite3_column_bytes(m_pStmt, field) : 0)};
    }
}

QByteArrayView CGeoRecordset::FieldUtf8(int field) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, field));
    return QByteArrayView(text, text ? sqlite3_column_bytes(m_pStmt, field) : 0);
}

QString CGeoRecordset::FieldText(int field) const {
    const QByteArrayView bytes = FieldUtf8(field);
    return QString::fromUtf8(bytes.data(), bytes.size());
}

qint64 CGeoRecordset::FieldInt(int field) const {
    return sqlite3_column_int64(m_pStmt, field);
}

int CGeoRecordset::ChangedRows() const {
    sqlite3* db = m_database.Handle();
    return db ? sqlite3_changes(db) : 0;
}
