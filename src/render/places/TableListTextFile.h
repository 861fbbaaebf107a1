#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

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
// The name GDAL's file functions read the file at `path` by, with the stand-in or without.
QByteArray FileName(const QString& path, bool nulStandIn);

// The separator of a text table: of ";", "," and TAB the one by which the most of the first
// records have two cells or more, then the one giving the most of them the same number of
// cells, then the one giving more cells. GDAL's CSV driver looks at the first line alone and
// takes "," when it holds two kinds (a title "Kunden, Stand 11/2026" above a ";" table).
char Separator(const QByteArray& fileName);

// Reads the records of a text table through GDAL's CSV line reader (quoted fields with
// separators and line breaks in them, a UTF-8 byte-order mark skipped) and hands the cells
// of each to `take` (a null-terminated list), every cell of the line, however many cells
// other lines have; blank lines are skipped. `take` returns false to stop. False when the
// file cannot be opened; GDAL reports a line too long for it as a failure of its own.
bool ReadRecords(const QByteArray& fileName, char separator,
                 const std::function<bool(const char* const* cells)>& take);

} // namespace TableListTextFile
