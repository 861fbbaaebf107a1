#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the program does to a database file itself, beside the engine: checks before it is
// opened, and making a new file appear only once complete.
namespace SqliteFile {

// The endings of the files SQLite keeps beside a database "NAME" while it works on it:
// "NAME-journal", and "NAME-wal" and "NAME-shm" in write-ahead mode.
QStringList SideFileEndings();
// Whether the file starts as an SQLite database does; false with the German reason.
bool LooksLikeSqlite(const QString& path, QString* reason);
// Only a regular file can be a database: opening a pipe or a device would wait forever or
// read endlessly. Missing files (and names that lead nowhere) pass: they are created.
bool IsRegularOrMissing(const QString& path, QString* reason);
// A free name for a new database beside `path`, created empty (so no other process takes
// it) with the permissions a new file gets; empty with *error on failure.
QString CreateTemporaryBeside(const QString& path, QString* error);
// Renames `from` to `to` unless `to` exists; errno tells why it did not.
bool RenameNoReplace(const QString& from, const QString& to);
// Makes a rename in the folder survive a crash.
void SyncFolder(const QString& path);
void RemoveWithJournal(const QString& path);
// The file's inode, size and modification time, to tell whether it changed; empty when it
// cannot be read.
QByteArray Stamp(const QString& path);

} // namespace SqliteFile
