#pragma once

#include <QString>

#include <memory>

class CDbLocation;
class CGeoBackend;
class CGeoSqlDialect;

// The engines as the engine-neutral database object reaches them. Each answers from its own
// folder (store/sqlite/SqliteFileEngine.cpp, store/postgres/PgEngine.cpp), so that nothing
// outside the folders sees an engine.
namespace GeoEngines {

// The engine that keeps GEO in a file of its own ("Kelvo.mde"), and what the program does to
// such a file beside the connection: the checks before it is opened, and a new file that
// appears under its name only once complete.
class CFileEngine {
public:
    virtual ~CFileEngine() = default;

    // Only a regular file can be a database: opening a pipe or a device would wait forever or
    // read endlessly. Missing files (and names that lead nowhere) pass: they are created.
    // False with the German reason.
    virtual bool IsRegularOrMissing(const QString& path, QString* reason) const = 0;
    // Whether the existing file is one of the engine's; false with the German reason.
    virtual bool IsDatabaseFile(const QString& path, QString* reason) const = 0;
    // Opens the file; `create` makes it when it is missing (only a new file is so opened).
    // Null and the engine's message when that fails.
    virtual std::unique_ptr<CGeoBackend> Open(const QString& path, bool create,
                                              QString* error) const = 0;

    // Removes the new files beside `path` (made by CreateBeside) of processes that ended
    // without publishing or removing them, with the files the engine kept beside them;
    // returns how many files were removed.
    virtual int RemoveStaleNew(const QString& path) const = 0;
    // A free name for a new database beside `path`, created empty (so no other process takes
    // it) and, with the files the engine keeps beside it, registered as a leftover until it
    // is published or removed; empty with *error on failure.
    virtual QString CreateBeside(const QString& path, QString* error) const = 0;
    // Brings the closed new file `from` to its name `to`, never over a file that is there,
    // and makes that survive a crash. False with the system's German reason; `from` and the
    // files beside it are then removed.
    virtual bool Publish(const QString& from, const QString& to, QString* error) const = 0;
    // Removes a closed new file with the files the engine keeps beside it.
    virtual void Remove(const QString& path) const = 0;

    // The SQL texts of the engine, also while no database is open.
    virtual const CGeoSqlDialect& Sql() const = 0;
};
const CFileEngine& File();

// Connects to the database server at `location`. Null and a German message (with the
// server's own text) when that fails.
std::unique_ptr<CGeoBackend> Connect(const CDbLocation& location, QString* error);

} // namespace GeoEngines
