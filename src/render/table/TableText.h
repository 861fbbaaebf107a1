#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

class CGeoTableDesc;

// Texts of table windows that do not depend on widgets: row cells as read from the
// database, the copy format and the window titles.
namespace TableText {

// A cell's text from the UTF-8 the database holds (a byte-order mark at its start is kept,
// bytes that are no UTF-8 become replacement characters).
QString FromUtf8(QByteArrayView utf8);

// The UTF-8 of FromUtf8(utf8), appended to `out`: valid UTF-8 as it is, other bytes with their
// replacement characters.
void AppendUtf8(QByteArray& out, QByteArrayView utf8);

// One row as the copy command writes it: the cells of columns 1 to the last joined by
// ", ", then a line feed. The key is left out; nothing is quoted or escaped.
QString CopyLine(const QStringList& cells);

// "GEO (Staat+PLZ -> AZ)": title of a table window over all rows.
QString AllRowsTitle(const CGeoTableDesc& desc);

// "%d \"%s\" in %s": title of a search result window.
QString SearchTitle(int found, const QString& text, const QString& tableName);

// "GEO Tabelle (Ort -> AZ)", or "-> ZA" when descending: title of a re-sorted window.
QString SortTitle(const QString& tableName, const QString& columnName, bool descending);

// " \"GEO\" Tabelle wird nach \"Ort\" sortiert:": the progress caption of a sort.
QString SortCaption(const QString& tableName, const QString& columnName);

} // namespace TableText
