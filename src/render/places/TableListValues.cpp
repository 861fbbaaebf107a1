#include "render/places/TableListValues.h"

#include "base/TextNumbers.h"
#include "render/places/TableListFile.h"

#include <QRegularExpression>

#include <algorithm>

namespace TableListValues {

bool Parse(const QString& cell, double* value) {
    QString text = cell;
    text.remove(QLatin1Char(' ')).remove(QChar(0xa0)).remove(QChar(0x202f));
    if (text.isEmpty())
        return false;
    // With a comma the text is German: points group the thousands. Without one, two points
    // or more group thousands too; a single point is a decimal point.
    static const QRegularExpression grouped(QStringLiteral("^[-+]?\\d{1,3}(\\.\\d{3})+(,\\d*)?$"));
    static const QRegularExpression german(QStringLiteral("^[-+]?(\\d+(,\\d*)?|,\\d+)$"));
    static const QRegularExpression plain(
        QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?$"));
    if (grouped.match(text).hasMatch() && (text.contains(u',') || text.count(u'.') > 1))
        text.remove(QLatin1Char('.')).replace(QLatin1Char(','), QLatin1Char('.'));
    else if (german.match(text).hasMatch())
        text.replace(QLatin1Char(','), QLatin1Char('.'));
    else if (!plain.match(text).hasMatch())
        return false;
    return TextNumbers::ParseNumber(text.toLatin1(), value);
}

QList<int> NumericColumns(const CTableList& list) {
    QList<int> columns;
    int width = int(list.header.size());
    for (const QStringList& row : list.preview)
        width = std::max(width, int(row.size()));
    for (int c = 0; c < width; ++c) {
        // Postal codes, sizes and the like are numbers too, but no figures to sum.
        if (std::find(list.mapping.aColumn.begin(), list.mapping.aColumn.end(), c) !=
            list.mapping.aColumn.end())
            continue;
        bool any = false, other = false;
        for (qsizetype r = 0; r < list.preview.size(); ++r) {
            if (list.previewLines.value(r) <= list.mapping.nHeaderLine)
                continue;
            const QString cell = list.preview[r].value(c).trimmed();
            double value = 0;
            if (cell.isEmpty())
                continue;
            if (Parse(cell, &value))
                any = true;
            else
                other = true;
        }
        if (any && !other)
            columns << c;
    }
    return columns;
}

bool Read(const QString& path, const CTableList& list, int column, QHash<int, double>* values,
          QString* error) {
    values->clear();
    CTableListFile file;
    if (!file.Open(path)) {
        *error = file.Error();
        return false;
    }
    const int header = list.mapping.nHeaderLine;
    const bool ok = file.ReadRows(list.strSheet, [&](const CTableListFile::Row& row) {
        double value = 0;
        if (row.nLine > header && Parse(row.cells.value(column), &value))
            values->insert(row.nLine, value);
        return true;
    });
    if (!ok) {
        *error = file.Error();
        values->clear();
    }
    return ok;
}

} // namespace TableListValues
