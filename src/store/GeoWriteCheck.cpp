// The check of the file before the first write, made ahead on a connection of its own.
#include "store/GeoDatabase.h"

#include "store/DbLocation.h"

#include <QFileInfo>

bool CGeoDatabase::WriteCheckDue() {
    return m_pBackend && !IsServer() && !FileReplaced() && m_pBackend->WriteCheckDue();
}

CGeoBackend::WriteCheck CGeoDatabase::CheckAhead(const QString& location, int busyTimeoutMs,
                                                 const std::function<void(int)>& progress) {
    if (CDbLocation::IsServerText(location) || !QFileInfo::exists(location))
        return {};
    CGeoDatabase db;
    db.SetBusyTimeout(busyTimeoutMs);
    if (!db.Open(location) || db.IsServer())
        return {};
    return db.m_pBackend->CheckAhead(progress);
}

void CGeoDatabase::TakeWriteCheck(const CGeoBackend::WriteCheck& check) {
    if (m_pBackend && !IsServer())
        m_pBackend->TakeWriteCheck(check);
}
