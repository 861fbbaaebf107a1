#include "data/WriteTransaction.h"

#include "db/GeoDatabase.h"

CWriteTransaction::~CWriteTransaction() {
    Rollback();
}

bool CWriteTransaction::Begin(QString* error) {
    if (!m_database.IsOpen()) {
        *error = m_database.OpenError().isEmpty()
                     ? QStringLiteral("Die Datenbank ist nicht geöffnet.")
                     : m_database.OpenError();
        return false;
    }
    // The database's checked write: a file in use or damaged gets nothing.
    if (!m_database.BeginWrite()) {
        *error = m_database.LastError();
        return false;
    }
    m_bOpen = true;
    return true;
}

bool CWriteTransaction::Commit(QString* error) {
    m_bOpen = false;
    if (!m_database.CommitWrite()) {
        *error = QStringLiteral("Speichern fehlgeschlagen: %1").arg(m_database.LastError());
        return false;
    }
    return true;
}

void CWriteTransaction::Rollback() {
    if (m_bOpen)
        m_database.RollbackWrite();
    m_bOpen = false;
}
