#pragma once

#include <QSet>
#include <QString>

// The sheets of a workbook that its program keeps hidden: GDAL reads them as any other and
// does not say which they are. An XLSX workbook names them in its list of sheets
// (xl/workbook.xml, state "hidden" or "veryHidden"), an ODS file in the table styles of its
// content (display "false"); both are read with libarchive and Qt's XML reader, and nothing
// else of the file. Empty for a text table, a damaged workbook or one without hidden sheets.
namespace HiddenSheets {

QSet<QString> Of(const QString& path);

// "Tabelle2 (ausgeblendet)" for a hidden sheet, the name itself for the others.
QString Label(const QString& sheet, const QSet<QString>& hidden);

} // namespace HiddenSheets
