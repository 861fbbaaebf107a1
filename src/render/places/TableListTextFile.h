#pragma once

#include <QByteArray>
#include <QString>

// A text table (CSV, TSV) as GDAL reads it for a list: a file with NUL bytes is read
// through a file system of Kelvo's own in which every NUL byte reads as kNulStandIn, since
// GDAL's CSV reader takes a line as a C string and a NUL would cut off the rest of it
// (CGdalFormats::OpenTable).
namespace TableListTextFile {

// DEL: a control character, read as a blank like the others, and one byte like NUL, so
// that offsets in the file stay as they are. Only files that hold a NUL are read so
// (HasNul); in them a DEL of the file's own counts as a NUL too.
inline constexpr char kNulStandIn = '\x7f';

// Whether the file holds a NUL byte (false also when it cannot be read).
bool HasNul(const QString& path);
// Whether the file starts with the byte-order mark of UTF-16.
bool IsUtf16(const QString& path);

} // namespace TableListTextFile
