#include "data/ImportReport.h"

#include "base/GermanNumbers.h"

#include <QFileInfo>

namespace ImportReport {

QString CountryLine(const CountryRefreshResult& c) {
    const QString memo = QStringLiteral("Memo"), memos = QStringLiteral("Memos");
    return QStringLiteral("%1: vorher %2 Zeilen, jetzt %3; %4 übernommen, %5 auf Zeilen behalten, "
                          "die nicht mehr in den Daten sind")
        .arg(c.country)
        .arg(c.rowsBefore)
        .arg(c.rowsAfter)
        .arg(GermanNumbers::Count(c.memosCarried, memo, memos),
             GermanNumbers::Count(c.memosKept, memo, memos));
}

QString FileLine(const CGeoImporter::FileResult& file) {
    QString line = QStringLiteral("%1: %2 Zeilen importiert, %3 übersprungen")
                       .arg(QFileInfo(file.file).fileName())
                       .arg(file.imported)
                       .arg(file.skipped);
    if (file.alreadyTaken > 0) {
        QStringList from;
        for (auto it = file.takenFrom.begin(); it != file.takenFrom.end(); ++it)
            from << QStringLiteral("%1 kam schon aus %2")
                        .arg(it.key(), QFileInfo(it.value()).fileName());
        line += QStringLiteral(", %1 Zeilen ausgelassen (%2)")
                    .arg(file.alreadyTaken)
                    .arg(from.join(QStringLiteral(", ")));
    }
    return line;
}

QStringList InvalidLines(const CGeoImporter::Result& result) {
    QStringList lines;
    for (const QString& line : result.invalidLines)
        lines << QStringLiteral("Ungültige Zeile %1").arg(line);
    if (result.invalidCount > result.invalidLines.size())
        lines << QStringLiteral("… und %1 weitere ungültige Zeilen")
                     .arg(result.invalidCount - result.invalidLines.size());
    return lines;
}

QString Summary(const CGeoImporter::Result& result, const QString& tableName) {
    QStringList parts;
    if (!result.ok) {
        parts << QStringLiteral("Der Import ist fehlgeschlagen: %1\n\nDie Datenbank ist "
                                "unverändert.")
                     .arg(result.fatal);
        if (result.cancelled)
            parts.first() = QStringLiteral("Der Import wurde abgebrochen.\n\nDie Datenbank ist "
                                           "unverändert.");
    } else {
        QStringList files;
        for (const CGeoImporter::FileResult& file : result.files)
            files << FileLine(file);
        parts << QStringLiteral("Postleitzahlen importiert.\n\n") + files.join(QLatin1Char('\n'));
        QStringList countries;
        for (const CountryRefreshResult& country : result.countries)
            countries << CountryLine(country);
        if (!countries.isEmpty())
            parts << countries.join(QLatin1Char('\n'));
        parts << QStringLiteral("Zeilen in %1: %2").arg(tableName).arg(result.totalRows);
    }
    const QStringList invalid = InvalidLines(result);
    if (!invalid.isEmpty())
        parts << invalid.join(QLatin1Char('\n'));
    return parts.join(QStringLiteral("\n\n"));
}

} // namespace ImportReport
