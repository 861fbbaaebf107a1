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
    // A failed or cancelled import leaves the database byte for byte as it was.
    m_database.SetExactRollback(true);
    m_bExact = true;
    // The database's checked write: a file in use or damaged gets nothing.
    if (!m_database.BeginWrite()) {
        *error = m_database.LastError();
        End();
        return false;
    }
    m_bOpen = true;
    return true;
}

bool CWriteTransaction::Commit(QString* error) {
    m_bOpen = false;
    const bool committed = m_database.CommitWrite();
    if (!committed)
        *error = QStringLiteral("Speichern fehlgeschlagen: %1").arg(m_database.LastError());
    End();
    return committed;
}

void CWriteTransaction::Rollback() {
    if (m_bOpen)
        m_database.RollbackWrite();
    m_bOpen = false;
    End();
}

void CWriteTransaction::End() {
    if (m_bExact)
        m_database.SetExactRollback(false);
    m_bExact = false;
}
