#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class CProgress;

// Results going out: rows of table GEO written as a file for other programs.
//   CSV      UTF-8 with byte-order mark, ";" between fields, a header line, fields quoted as
//            RFC 4180 says (lines end with CR LF), as German spreadsheet programs open it:
//            the numbers of Langengrad, Breitengrad and a distance column with a decimal
//            comma ("11,4333"), and, unless turned off, a ' before every other cell that a
//            spreadsheet would take as a formula (starting with =, +, - or @, also after
//            blanks or line breaks, or with a tab or carriage return) — numbers like "-0.5"
//            stay numbers;
//   CSV international   UTF-8 without byte-order mark, "," between fields, RFC 4180 quoting,
//            decimal points, every cell as it is stored;
//   GeoJSON  a FeatureCollection of points, the fields as each feature's properties;
//   KML      one placemark a row: name = Ort, description = Memo, the fields as data;
//   Places   a place file the program reads back to the same places (Staat;PLZ;...;Ort).
namespace Export {

enum class Format { Csv, CsvInternational, GeoJson, Kml, Places };

// "csv", "csv-intl", "geojson", "kml" or "places" (any case); false for any other name.
bool FormatFromName(const QString& name, Format* format);
// The file suffix without dot ("csv", "geojson", "kml", "txt").
QString Suffix(Format format);
// A file-dialog filter for the format, "CSV-Dateien (*.csv)".
QString DialogFilter(Format format);

// The rows to write. Columns 0 to 12 are the GEO fields in table order (column 0 the key);
// further columns (the distance of a radius search) go where the format has room for them:
// CSV columns, GeoJSON properties, KML data. A row's empty cell is a field without a value.
//
// Rows read while they are written (so that no more than a few of them are ever in memory)
// come through `next`: it is called for row 0, 1, 2, ... in turn before its cells are asked
// for, and after that only that row's cells are. It returns false after the last row, and
// also when reading failed, with the German message in *error. nRows then only says how many
// rows to expect (for the progress). Without `next`, rows 0 to nRows - 1 are all there.
//
// `utf8`, when given, is the cell's text as UTF-8 (what cell(row, column).toUtf8() gives),
// valid until the next call; writers that write UTF-8 take it instead of `cell`.
struct CRows {
    QStringList aColumns; // titles: the field names, then any further columns
    int nRows = 0;
    std::function<QString(int row, int column)> cell;
    std::function<bool(int row, QString* error)> next;
    std::function<QByteArrayView(int row, int column)> utf8;
};

struct COptions {
    bool bGuardFormulas = true; // the ' before formula-like cells of the German CSV
};

struct CResult {
    int nWritten = 0; // rows written
    int nSkipped = 0; // rows the format cannot hold (a place file needs Staat and PLZ)
    QString strError; // German message when nothing was written; empty on success
};

// Writes the rows to the file as they come: the file is replaced only when everything was
// written, so a failure (also one of reading the rows) leaves an earlier file as it was. Progress
// under " Exportieren:".
CResult WriteFile(const QString& path, Format format, const CRows& rows,
                  CProgress* progress = nullptr, const COptions& options = {});

} // namespace Export
