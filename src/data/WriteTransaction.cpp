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
    if (!m_database.Execute(QStringLiteral("BEGIN IMMEDIATE"))) {
        *error = QStringLiteral("Die Datenbank ist gesperrt: %1").arg(m_database.LastError());
        return false;
    }
    m_bOpen = true;
    return true;
}

bool CWriteTransaction::Commit(QString* error) {
    if (!m_database.Execute(QStringLiteral("COMMIT"))) {
        *error = QStringLiteral("Speichern fehlgeschlagen: %1").arg(m_database.LastError());
        return false;
    }
    m_bOpen = false;
    return true;
}

void CWriteTransaction::Rollback() {
    if (m_bOpen)
        m_database.Execute(QStringLiteral("ROLLBACK"));
    m_bOpen = false;
}
