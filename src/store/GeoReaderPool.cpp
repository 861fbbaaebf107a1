#include "store/GeoReaderPool.h"

#include "store/DbLocation.h"
#include "store/GeoDatabase.h"

#include <mutex>
#include <thread>

namespace {

struct Pool {
    std::mutex mutex;
    std::unique_ptr<CGeoDatabase> kept;
    QString location;       // the kept connection's
    bool preparing = false; // a connection is being made for it
};

// Shared with the threads that prepare connections, which may end after the program's
// statics (they then keep what they made to themselves and close it).
std::shared_ptr<Pool> pool() {
    static const std::shared_ptr<Pool> p = std::make_shared<Pool>();
    return p;
}

std::unique_ptr<CGeoDatabase> openNew(const QString& location) {
    auto db = std::make_unique<CGeoDatabase>();
    db->Open(location);
    return db;
}

// Keeps `db` unless another connection is kept already; what is not kept is closed by the
// caller when the pointer goes (outside the lock).
void keep(Pool& p, std::unique_ptr<CGeoDatabase>& db) {
    std::lock_guard lock(p.mutex);
    if (!p.kept || p.location != db->FilePath()) {
        std::swap(p.kept, db);
        p.location = p.kept->FilePath();
    }
}

} // namespace

namespace GeoReaderPool {

std::unique_ptr<CGeoDatabase> Take(const QString& location) {
    std::unique_ptr<CGeoDatabase> db;
    {
        const std::shared_ptr<Pool> p = pool();
        std::lock_guard lock(p->mutex);
        if (p->kept && p->location == location)
            db = std::move(p->kept);
    }
    // A connection the server dropped while it was kept fails its first statement.
    if (db && db->Responds())
        return db;
    db.reset();
    return openNew(location);
}

void Give(std::unique_ptr<CGeoDatabase> db) {
    if (!db || !db->IsOpen() || !db->IsServer())
        return;
    keep(*pool(), db);
}

void Prepare(const QString& location) {
    if (!CDbLocation::IsServerText(location))
        return;
    const std::shared_ptr<Pool> p = pool();
    {
        std::lock_guard lock(p->mutex);
        if (p->preparing || (p->kept && p->location == location))
            return;
        p->preparing = true;
    }
    std::thread([p, location] {
        std::unique_ptr<CGeoDatabase> db = openNew(location);
        if (db->IsOpen())
            keep(*p, db);
        std::lock_guard lock(p->mutex);
        p->preparing = false;
    }).detach();
}

void Clear() {
    std::unique_ptr<CGeoDatabase> db;
    const std::shared_ptr<Pool> p = pool();
    std::lock_guard lock(p->mutex);
    db = std::move(p->kept);
    p->location.clear();
}

} // namespace GeoReaderPool
