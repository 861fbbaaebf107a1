#include "data/WriteTransaction.h"

#include "store/GeoDatabase.h"
#include "store/GeoSqlDialect.h"

#include <QElapsedTimer>
#include <QLocale>

#include <chrono>
#include <thread>

namespace {

// How often a waiting import looks whether the other one has ended.
constexpr int kRetryMs = 200;

} // namespace

CWriteTransaction::~CWriteTransaction() {
    Rollback();
}

bool CWriteTransaction::Begin(QString* error, int maxWaitMs,
                              const std::function<bool(int)>& waiting, bool* cancelled) {
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
    QElapsedTimer clock;
    clock.start();
    while (true) {
        const CGeoDatabase::ImportLock lock = m_database.TryBeginImport();
        if (lock == CGeoDatabase::ImportLock::Taken)
            break;
        const int waited = int(clock.elapsed());
        if (lock == CGeoDatabase::ImportLock::Failed) {
            *error = m_database.LastError();
        } else if (waited >= maxWaitMs) {
            *error = QStringLiteral("Ein anderer Import läuft gerade; Kelvo hat %1 Sekunden "
                                    "gewartet. Bitte später noch einmal versuchen.")
                         .arg(QLocale(QLocale::German).toString(maxWaitMs / 1000.0));
        } else if (waiting && !waiting(waited)) {
            *cancelled = true;
            *error = QStringLiteral("Der Import wurde abgebrochen.");
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
            continue;
        }
        End();
        return false;
    }
    m_bOpen = true;
    return true;
}

bool CWriteTransaction::Commit(QString* error) {
    m_bOpen = false;
    // The index of the first screen, with the rows it orders (the file reads well without it,
    // so a failure costs nothing more).
    if (const QString index = m_database.Sql().CreateOrderIndex(m_database.m_Table);
        !index.isEmpty())
        m_database.Execute(index);
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
