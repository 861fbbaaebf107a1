#pragma once

#include <QList>
#include <QString>

#include <functional>

// The numbers of a printed table page that need no device: rows per page, page count, the
// cuts that make a cell text fit its column and the page, the footer.
namespace TablePrintLayout {

// Rows per page: the printer's printable height in device pixels divided by seven line
// heights (the line height in logical units, i.e. screen pixels). At least one.
int RowsPerPage(int printerVertRes, int lineHeight);

// Rows that fit on a page `pageHeight` logical units high between the header line and the
// footer: the first row's line starts 2.5 line heights below the top (the half truncated),
// the last one must end above the frame's bottom, two line heights above the page's bottom.
// At least one. Printing takes the smaller of this and RowsPerPage, so that on a printer of
// high resolution no row lands below the frame, off the paper.
int RowsThatFit(int pageHeight, int lineHeight);

// Pages the rows need; at least one, so an empty table prints its frame and footer.
int PageCount(int rows, int rowsPerPage);

// A cell text cut for its column of `columnWidth` units with characters `charWidth` wide:
// more than width / C - 2 characters become the first width / C - 5 and "...".
QString FitToColumn(const QString& text, int columnWidth, int charWidth);

// A cell text cut for the `room` left up to the page's right edge: when its characters need
// more than the room, it becomes the first room / C - 5 characters and "..." (only "..."
// when that count is not positive).
QString FitToPage(const QString& text, int room, int charWidth);

// Column widths for a page `pageWidth` units wide: as they are when together they fit, else
// each shrunk in proportion (rounded down) so that together they do.
QList<int> ColumnWidths(const QList<int>& widths, int pageWidth);

// A text that fits `room` units as `width` measures it: the text itself, or its longest start
// that fits with "..." after it ("..." alone, and then nothing, when even less room is left).
QString Elide(const QString& text, int room, const std::function<int(const QString&)>& width);

// "Seite = %d / %d       Tabelle = %s".
QString Footer(int page, int pages, const QString& tableName);

} // namespace TablePrintLayout
