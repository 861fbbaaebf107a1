// The check of the file before its first write, and the same check made ahead by a
// connection of its own.
#include "store/sqlite/SqliteBackend.h"

#include "store/GeoSqlDialect.h"
#include "store/sqlite/DbErrorText.h"
#include "store/sqlite/GeoSqlSqlite.h"
#include "store/sqlite/SqliteFile.h"
#include "store/sqlite/SqliteReadCount.h"

#include <QStringList>

#include <sqlite3.h>

bool CSqliteBackend::WriteCheckDue() {
    const QByteArray stamp = SqliteFile::Stamp(m_strPath);
    return stamp.isEmpty() || (stamp != m_checkedStamp && stamp != m_damaged.state);
}

CGeoBackend::WriteCheck CSqliteBackend::CheckAhead(const std::function<void(int)>& progress) {
    if (progress) {
        // Through a connection that counts what it reads of the file: the check reads every
        // page in use once, so the bytes read are how far it has got.
        CSqliteReadCount count(progress);
        QString error;
        const auto counted =
            count.VfsName() ? Open(m_strPath, false, &error, count.VfsName()) : nullptr;
        if (counted) {
            counted->SetBusyWait(m_nBusyTimeoutMs, m_waiting);
            count.SetTotal(counted->BytesInUse());
            const WriteCheck result = counted->CheckAhead({});
            progress(100);
            return result;
        }
    }
    WriteCheck result;
    // The read transaction keeps writers out from its first read to its end: the file the
    // check reads is the one with the stamps, when they are the same before and after.
    if (!Run(Sql().BeginRead()))
        return result;
    if (Prepare(GeoSqlSqlite::SchemaVersion())->Step()) {
        const QByteArray before = SqliteFile::Stamp(m_strPath);
        bool busy = false;
        const bool sound = Check(&result.error, &busy);
        if (!busy && !before.isEmpty() && SqliteFile::Stamp(m_strPath) == before) {
            result.state = before;
            if (sound)
                result.error.clear();
        }
    }
    Run(Sql().Rollback());
    if (result.state.isEmpty())
        result.error.clear();
    return result;
}

void CSqliteBackend::TakeWriteCheck(const WriteCheck& check) {
    if (check.state.isEmpty())
        return;
    if (check.error.isEmpty())
        m_checkedStamp = check.state;
    else
        m_damaged = check;
}

bool CSqliteBackend::Check(QString* error, bool* busy) {
    // The check reads the file, not pages this connection still holds in its cache.
    sqlite3_db_release_memory(m_pHandle);
    // The check reads every page and record; the columns' CHECK constraints are left out of
    // it: testing them costs five times the rest, and the engine tests them on every write.
    Run(GeoSqlSqlite::IgnoreCheckConstraints(true));
    const std::unique_ptr<CGeoStatement> check = Prepare(GeoSqlSqlite::QuickCheck());
    QStringList problems;
    while (check->Step())
        problems << QString::fromUtf8(check->FieldUtf8(0).toByteArray());
    Run(GeoSqlSqlite::IgnoreCheckConstraints(false));
    QString details;
    if (!check->Error().isEmpty())
        details = check->EngineMessage();
    else if (problems != QStringList{QStringLiteral("ok")})
        details = problems.mid(0, 3).join(QStringLiteral("; "));
    if (details.isEmpty())
        return true;
    *error = check->IsBusy() ? check->Error() : DbErrorText::Damaged(details);
    if (busy)
        *busy = check->IsBusy();
    return false;
}

long long CSqliteBackend::BytesInUse() {
    // The pages of the free list are not read but for their trunks.
    const std::unique_ptr<CGeoStatement> pages = Prepare(GeoSqlSqlite::PagesInUse());
    if (!pages->Error().isEmpty() || !pages->Step())
        return 0;
    return pages->FieldInt(0) * pages->FieldInt(1);
}
