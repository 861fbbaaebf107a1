#include "render/territory/TerritoryShare.h"

#include "store/GeoDatabase.h"

#include <QHash>
#include <QMutex>

namespace {

// The database by its object and the state of its data: another program's commit to a file
// moves the stamp, and the territories are read again.
struct Kept {
    const CGeoDatabase* database = nullptr;
    CGeoDatabase::CDataStamp stamp;
    qint64 changes = -1;
    CTerritoryData data;
};

QMutex s_mutex;
Kept s_kept;

bool matches(CGeoDatabase& database, qint64 changes) {
    return changes >= 0 && s_kept.database == &database && s_kept.changes == changes &&
           s_kept.stamp == database.DataStamp();
}

// The bytes a field has once stored as text and read back.
QByteArray stored(const QByteArray& text) {
    return QString::fromUtf8(text).toUtf8();
}

} // namespace

namespace TerritoryShare {

void Put(CGeoDatabase& database, qint64 changes, const CTerritoryData& data) {
    if (changes < 0)
        return;
    const CGeoDatabase::CDataStamp stamp = database.DataStamp();
    const QMutexLocker lock(&s_mutex);
    s_kept = Kept{&database, stamp, changes, data};
}

bool Get(CGeoDatabase& database, qint64 changes, CTerritoryData* data) {
    const QMutexLocker lock(&s_mutex);
    if (!matches(database, changes))
        return false;
    *data = s_kept.data;
    return true;
}

void Assigned(CGeoDatabase& database, qint64 before, const QList<CTerritoryException>& places) {
    const QMutexLocker lock(&s_mutex);
    if (!matches(database, before)) {
        s_kept = Kept();
        return;
    }
    // As the store puts them: one exception per place (the whole key alike), the later
    // of two for one place counting.
    QList<CTerritoryException>& exceptions = s_kept.data.exceptions;
    QHash<QByteArray, qsizetype> index;
    index.reserve(exceptions.size() + places.size());
    auto key = [](const CTerritoryException& e) {
        return e.staat + '\0' + e.plz + '\0' + e.ort + '\0' + e.ortsteil;
    };
    for (qsizetype i = 0; i < exceptions.size(); ++i)
        index.insert(key(exceptions[i]), i);
    for (const CTerritoryException& place : places) {
        const CTerritoryException e{stored(place.staat), stored(place.plz), stored(place.ort),
                                    stored(place.ortsteil), std::max<qint64>(place.territory, 0)};
        const auto it = index.constFind(key(e));
        if (it != index.cend()) {
            exceptions[*it].territory = e.territory;
            continue;
        }
        index.insert(key(e), exceptions.size());
        exceptions << e;
    }
    s_kept.data.tablesExist = true;
    s_kept.changes = before + 1;
}

} // namespace TerritoryShare
