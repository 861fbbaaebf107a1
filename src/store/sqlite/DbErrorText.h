#pragma once

#include <QString>

// The engine's result codes in words a user understands.
namespace DbErrorText {

// Another connection holds the file (SQLITE_BUSY, SQLITE_LOCKED).
bool IsBusy(int code);
// The file is damaged or is no database (SQLITE_CORRUPT, SQLITE_NOTADB).
bool IsDamaged(int code);

// The engine's message, preceded by a German sentence for the common conditions: another
// program is writing, the file is read-only, the disk is full, the file is damaged or cannot
// be read or written. Other messages (a value the schema refuses, a malformed pattern) are
// given as they stand. With the database file's path, a file that may not be written or a
// folder in which no file may be created is named as the cause.
QString Describe(int code, const QString& engineMessage, const QString& path = QString());

// The message for a file that is damaged, with what the check found.
QString Damaged(const QString& details);

} // namespace DbErrorText
