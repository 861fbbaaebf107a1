#pragma once

#include <QString>

#include <functional>

class CGeoDatabase;

// Copies table GEO from one database to another - a file to a server and back - with every
// field, the memos and the keys as they are (and, when asked, the territories), in one write
// transaction of the target: either every row arrives or none. Only into an empty GEO, so
// that nothing there is overwritten.
// The transaction is an import's (CWriteTransaction): a copy waits while an import or another
// copy runs on the target, and none starts while it runs.
namespace GeoCopy {

struct Result {
    bool ok = false;
    bool cancelled = false; // given up while waiting for another import
    qint64 rows = 0;        // rows copied
    qint64 territories = 0; // territories copied with their rules and exceptions
    QString error;          // why nothing was copied, in German
};

// Called every kProgressEvery rows with the number copied so far.
inline constexpr int kProgressEvery = 10000;

struct Options {
    std::function<void(qint64)> progress;
    // While another import runs on the target: called about five times a second with the
    // milliseconds waited, up to maxWaitMs; returning false gives up.
    std::function<bool(int)> waiting;
    int maxWaitMs = 30000;
    // The territories with their rules and exceptions, copied inside the same transaction
    // after GEO (TerritoryCopy::Copy); false with a German message rolls everything back.
    std::function<bool(CGeoDatabase& from, CGeoDatabase& to, qint64* copied, QString* error)>
        copyTerritories;
};

Result Copy(CGeoDatabase& from, CGeoDatabase& to, const Options& options = {});

} // namespace GeoCopy
