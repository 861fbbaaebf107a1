#pragma once

#include <QByteArray>
#include <QString>

// Which file a name stands for: its device and inode. A file deleted and written anew, or
// replaced by another (a restored backup, a copy from a colleague), has another identity
// under the same name, while a connection opened before still reads the old one.
namespace FileIdentity {

// "device:inode" of the file the path names (symbolic links followed); empty when there is
// none.
QByteArray Of(const QString& path);

// For the user: the database file was deleted or replaced and is read anew now (`error`:
// why it could not be opened, empty when it is open).
QString ReplacedText(const QString& fileName, bool deleted, const QString& error);
// A write refused because the file is no longer the one that was opened.
QString NotWrittenText(const QString& fileName);

} // namespace FileIdentity
