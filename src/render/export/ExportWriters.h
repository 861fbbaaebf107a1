#pragma once

// The writers of the four export formats, behind Export::WriteFile.
#include "render/export/Export.h"

#include <string>

class QIODevice;
class QSaveFile;

namespace Export {

// Each writes all rows to the device and reports every row to `step` (for progress).
// False when the device refuses the data.
using RowStep = std::function<void(int row)>;
// The CSV for German spreadsheets (";", decimal commas, formulas guarded when asked) or the
// international one (",", decimal points, every text as it is).
bool WriteCsv(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result,
              bool international, bool guardFormulas);
bool WriteGeoJson(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result);
bool WriteKml(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result);
bool WritePlaces(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result);

// Whether the German CSV puts a ' before the cell (its UTF-8), so that a spreadsheet shows it
// as text instead of running it as a formula: not a number, starting with =, +, - or @.
bool GuardsAsFormula(QByteArrayView cell);

// Whether row `row` is there to write (rows are asked for in turn, from 0). At the end of
// the rows false; when reading them failed also false, with the message in result->strError.
bool HasRow(const CRows& rows, int row, CResult* result);

// The coordinates of a row as numbers; false when either cell holds no number.
bool RowPosition(const CRows& rows, int row, double* lon, double* lat);

// Writes the bytes to the device; false when it takes fewer.
bool WriteBytes(QIODevice& out, const std::string& bytes);

// Why the file refused its data: a full disk in plain words (Qt then knows no reason), else
// what the file says. Asked before the file is given up, while its data still takes the room.
QString WriteFailure(const QSaveFile& file);

// Opens the file at `path` for writing: false with the German reason in result->strError.
bool OpenForWriting(QSaveFile& file, const QString& path, CResult* result);
// The German message for the file at `path` that refused its data (WriteFailure).
QString NotWrittenText(const QString& path, const QSaveFile& file);

} // namespace Export
