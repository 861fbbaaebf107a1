#pragma once

#include <QByteArray>
#include <QString>

// A text table (CSV, TSV) as GDAL reads it for a list: through a read-only file system of
// Kelvo's own in which every NUL byte reads as kNulStandIn. GDAL's CSV reader takes a line
// as a C string, so a NUL would cut off the rest of the line there (or, inside quotes, join
// the lines after it to the cell); the stand-in keeps every cell of every row.
namespace TableListTextFile {

// DEL: a control character, read as a blank like the others, and one byte like NUL, so
// that offsets in the file stay as they are. Only files that hold a NUL are read so
// (HasNul); in them a DEL of the file's own counts as a NUL too.
inline constexpr char kNulStandIn = '\x7f';

// Whether the file holds a NUL byte (false also when it cannot be read).
bool HasNul(const QString& path);
// Whether the file starts with the byte-order mark of UTF-16.
bool IsUtf16(const QString& path);
// The name to hand GDAL for the file at `path`, read with the stand-in.
QByteArray GdalName(const QString& path);

} // namespace TableListTextFile
