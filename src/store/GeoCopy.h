#pragma once

#include <QString>

#include <functional>

class CGeoDatabase;

// Copies table GEO from one database to another - a file to a server and back - with every
// field, the memos and the keys as they are, and the territories with their rules and
// exceptions, in one write transaction of the target: either
// every row arrives or none. Only into an empty GEO, so that nothing there is overwritten.
namespace GeoCopy {

struct Result {
    bool ok = false;
    qint64 rows = 0;        // rows copied
    qint64 territories = 0; // territories copied with their rules and exceptions
    QString error;          // why nothing was copied, in German
};

// Called every kProgressEvery rows with the number copied so far.
inline constexpr int kProgressEvery = 10000;

Result Copy(CGeoDatabase& from, CGeoDatabase& to, const std::function<void(qint64)>& progress = {});

} // namespace GeoCopy
