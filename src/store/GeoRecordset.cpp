#include "store/GeoRecordset.h"

#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/GeoSqlDialect.h"

CGeoRecordset::CGeoRecordset(CGeoDatabase& database) : m_database(database) {}

CGeoRecordset::~CGeoRecordset() {
    Close();
}

void CGeoRecordset::Close() {
    m_pStmt.reset();
}

bool CGeoRecordset::Fail() {
    if (m_pStmt) {
        m_strEngineMessage = m_pStmt->EngineMessage();
        m_strError = m_pStmt->Error();
        m_bBusy = m_pStmt->IsBusy();
        m_bDeadlock = m_pStmt->IsDeadlock();
    } else {
        m_strEngineMessage = m_strError = QStringLiteral("Die Datenbank ist nicht geöffnet.");
        m_bBusy = false;
    }
    return false;
}

bool CGeoRecordset::Open(const QString& sql, const QVariantList& values) {
    Close();
    m_strError.clear();
    m_bBusy = false;
    CGeoBackend* backend = m_database.Backend();
    if (!backend)
        return Fail();
    m_pStmt = backend->Prepare(sql);
    m_database.EndWait();
    if (!m_pStmt->Error().isEmpty() || !m_pStmt->Bind(values)) {
        Fail();
        Close();
        return false;
    }
    return true;
}

bool CGeoRecordset::Open(const CGeoQuery& query) {
    return Open(query.sql, query.values);
}

bool CGeoRecordset::Rebind(const QVariantList& values) {
    if (!m_pStmt)
        return false;
    m_strError.clear();
    m_bBusy = false;
    return m_pStmt->Bind(values) || Fail();
}

bool CGeoRecordset::ExecuteUtf8(const QByteArrayView* values, int count) {
    if (!m_pStmt)
        return false;
    m_strError.clear();
    m_bBusy = false;
    const bool done = m_pStmt->RunUtf8(values, count);
    m_database.EndWait();
    return done || Fail();
}

bool CGeoRecordset::MoveNext() {
    if (!m_pStmt)
        return false;
    const bool row = m_pStmt->Step();
    m_database.EndWait();
    if (row)
        return true;
    if (!m_pStmt->Error().isEmpty())
        Fail();
    return false;
}

bool CGeoRecordset::Execute() {
    if (!m_pStmt)
        return false;
    const bool done = m_pStmt->Run();
    m_database.EndWait();
    return done || Fail();
}

bool CGeoRecordset::ExecuteInBatch() {
    if (!m_pStmt)
        return false;
    const bool sent = m_pStmt->RunInBatch();
    m_database.EndWait();
    return sent || Fail();
}

int CGeoRecordset::FieldCount() const {
    return m_pStmt ? m_pStmt->FieldCount() : 0;
}

int CGeoRecordset::FieldIndex(const QString& name) const {
    for (int i = 0; i < FieldCount(); ++i) {
        if (name.compare(m_pStmt->FieldName(i), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool CGeoRecordset::IsNull(int field) const {
    return m_pStmt->FieldType(field) == CGeoStatement::Type::Null;
}

bool CGeoRecordset::IsText(int field) const {
    return m_pStmt->FieldType(field) == CGeoStatement::Type::Text;
}

GeoStandardOrder::Value::Kind CGeoRecordset::FieldKind(int field) const {
    switch (m_pStmt->FieldType(field)) {
    case CGeoStatement::Type::Null:
        return GeoStandardOrder::Value::Null;
    case CGeoStatement::Type::Blob:
        return GeoStandardOrder::Value::Blob;
    default:
        return GeoStandardOrder::Value::Text;
    }
}

void CGeoStatement::FieldValues(const int* fields, int count, GeoStandardOrder::Value* values,
                                quint32 exactKinds) const {
    for (int i = 0; i < count; ++i) {
        // The kind must be taken before the bytes: reading converts the value.
        const bool blob = (exactKinds >> i) & 1 && FieldType(fields[i]) == Type::Blob;
        const QByteArrayView bytes = FieldUtf8(fields[i]);
        values[i] = {!bytes.data() ? GeoStandardOrder::Value::Null
                     : blob        ? GeoStandardOrder::Value::Blob
                                   : GeoStandardOrder::Value::Text,
                     bytes};
    }
}

void CGeoRecordset::FieldValues(const int* fields, int count, GeoStandardOrder::Value* values,
                                quint32 exactKinds) const {
    m_pStmt->FieldValues(fields, count, values, exactKinds);
}

QByteArrayView CGeoRecordset::FieldUtf8(int field) const {
    return m_pStmt->FieldUtf8(field);
}

QString CGeoRecordset::FieldText(int field) const {
    const QByteArrayView bytes = FieldUtf8(field);
    return QString::fromUtf8(bytes.data(), bytes.size());
}

qint64 CGeoRecordset::FieldInt(int field) const {
    return m_pStmt->FieldInt(field);
}

int CGeoRecordset::ChangedRows() const {
    return m_pStmt ? m_pStmt->ChangedRows() : 0;
}
