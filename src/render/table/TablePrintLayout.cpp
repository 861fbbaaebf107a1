#include "render/table/TablePrintLayout.h"

#include <algorithm>

namespace TablePrintLayout {

namespace {

// The first `count` characters and "..."; a count below one keeps no character.
QString cut(const QString& text, int count) {
    return text.left(std::max(count, 0)) + QStringLiteral("...");
}

} // namespace

int RowsPerPage(int printerVertRes, int lineHeight) {
    if (lineHeight <= 0)
        return 1;
    return std::max(1, printerVertRes / (7 * lineHeight));
}

int RowsThatFit(int pageHeight, int lineHeight) {
    if (lineHeight <= 0)
        return 1;
    const int body = pageHeight - 2 * lineHeight - (lineHeight + int(1.5 * lineHeight));
    return std::max(1, body / lineHeight);
}

int PageCount(int rows, int rowsPerPage) {
    if (rows <= 0 || rowsPerPage <= 0)
        return 1;
    return (rows + rowsPerPage - 1) / rowsPerPage;
}

QString FitToColumn(const QString& text, int columnWidth, int charWidth) {
    if (charWidth <= 0)
        return text;
    const int chars = columnWidth / charWidth;
    if (text.size() > chars - 2)
        return cut(text, chars - 5);
    return text;
}

QString FitToPage(const QString& text, int room, int charWidth) {
    if (charWidth <= 0)
        return text;
    if (qint64(text.size()) * charWidth > room)
        return cut(text, room / charWidth - 5);
    return text;
}

QList<int> ColumnWidths(const QList<int>& widths, int pageWidth) {
    qint64 total = 0;
    for (int w : widths)
        total += w;
    if (total <= pageWidth || total <= 0)
        return widths;
    QList<int> shrunk;
    for (int w : widths)
        shrunk << int(qint64(w) * std::max(pageWidth, 0) / total);
    return shrunk;
}

QString Elide(const QString& text, int room, const std::function<int(const QString&)>& width) {
    if (width(text) <= room)
        return text;
    // The longest start that fits with "...", found by halving.
    const QString dots = QStringLiteral("...");
    int fits = 0, tooLong = int(text.size());
    while (tooLong - fits > 1) {
        const int middle = (fits + tooLong) / 2;
        if (width(text.left(middle) + dots) <= room)
            fits = middle;
        else
            tooLong = middle;
    }
    const QString cut = text.left(fits) + dots;
    return width(cut) <= room ? cut : QString();
}

QString Footer(int page, int pages, const QString& tableName) {
    return QStringLiteral("Seite = %1 / %2       Tabelle = %3").arg(page).arg(pages).arg(tableName);
}

} // namespace TablePrintLayout
