// The write transaction of an import: one import at a time on a database, and no other
// writer while it runs.
#include "store/GeoDatabase.h"

#include "store/GeoBackend.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <utility>

CGeoDatabase::ImportLock CGeoDatabase::TryBeginImport() {
    if (!IsServer()) {
        // The file's write transaction keeps every other writer out: another import holds
        // the file when it cannot be begun at once. That is no wait for another program (no
        // wait hook), and the busy timeout is back for the rest of the import.
        const int timeout = m_nBusyTimeoutMs;
        SetBusyTimeout(0);
        std::function<void(bool)> hook = std::exchange(m_waitHook, nullptr);
        const bool begun = BeginWrite();
        SetBusyTimeout(timeout);
        m_waitHook = std::move(hook);
        if (begun)
            return ImportLock::Taken;
        return m_bLastBusy ? ImportLock::Busy : ImportLock::Failed;
    }
    if (!BeginWrite())
        return ImportLock::Failed;
    // The import lock first, then GEO's: memo writes take GEO's lock, then a row's, then the
    // change number's - the same order, so nobody waits in a circle.
    CGeoRecordset lock(*this);
    if (!lock.Open(Sql().TryLockImport()) || !lock.MoveNext()) {
        m_strLastError = lock.Error();
        RollbackWrite();
        return ImportLock::Failed;
    }
    if (lock.FieldInt(0) == 0) {
        lock.Close();
        RollbackWrite();
        return ImportLock::Busy;
    }
    lock.Close();
    // Memo writes under way end first (they take a moment); a deadlock victim has written
    // nothing and is tried again like a busy database.
    CGeoRecordset rows(*this);
    if (!rows.Open(Sql().LockRowsForImport(m_Table)) || !rows.Execute()) {
        m_strLastError = rows.Error();
        const bool again = rows.IsBusy() || rows.IsDeadlock();
        rows.Close();
        RollbackWrite();
        return again ? ImportLock::Busy : ImportLock::Failed;
    }
    return ImportLock::Taken;
}
