#include "cli/CliCommon.h"

#include "db/GeoDatabase.h"
#include "mapdoc/PlaceFile.h"
#include "mapview/PlacesWithoutRow.h"

#include <QFile>

namespace {

QString rgbText(COLORREF c) {
    return QStringLiteral("%1,%2,%3").arg(GetRValue(c)).arg(GetGValue(c)).arg(GetBValue(c));
}

const char* const kPlacesUsage = "Aufruf: kelvo-cli places [--db DATEI] ORTSDATEI\n";

} // namespace

// kelvo-cli places [--db FILE] PLACEFILE
// Reads a place file as a map window does: each date message (line feeds written as \n),
// each entry taken (its nine fields, marker and text colour as R,G,B, tab-separated), and
// the counts. With --db, each entry whose place GEO does not have is named on standard
// error with its line number, and counted.
int RunPlaces(QStringList args) {
    QString error;
    const QString dbPath = Cli::TakeOption(args, QStringLiteral("--db"), QString(), &error);
    if (error.isEmpty() && args.size() != 1)
        error = QStringLiteral("Genau eine Ortsdatei erwartet.");
    if (!error.isEmpty()) {
        Cli::Err(error + QLatin1Char('\n') + QString::fromUtf8(kPlacesUsage));
        return 2;
    }
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly)) {
        Cli::Err(QStringLiteral("Die Ortsdatei \"%1\" kann nicht geöffnet werden: %2\n")
                     .arg(args.first(), file.errorString()));
        return 1;
    }
    QString out;
    CPlaceFileReader reader([&out](const QString& message, int line) {
        QString oneLine = message;
        oneLine.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        out += QStringLiteral("Zeile %1: %2\n").arg(line).arg(oneLine);
    });
    CPlaceList places;
    if (!reader.Read(file, places)) {
        Cli::Err(QStringLiteral("Die Ortsdatei \"%1\" kann nicht gelesen werden: %2\n")
                     .arg(args.first(), reader.Error()));
        return 1;
    }
    for (const CPlaceEntry& e : places) {
        const QStringList fields{e.m_strStaat,          e.m_strPLZ,         e.m_strDate,
                                 e.m_strMarkerSize,     e.m_strBlink,       e.m_strMarkerColor,
                                 e.m_strTextColor,      e.m_strFontHeight,  e.m_strLabel,
                                 rgbText(e.m_crMarker), rgbText(e.m_crText)};
        out += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    out += QStringLiteral("Zeilen gelesen: %1, Orte übernommen: %2")
               .arg(reader.LinesRead())
               .arg(places.size());

    if (!dbPath.isEmpty()) {
        CGeoDatabase db;
        if (!Cli::OpenDatabase(db, dbPath, false))
            return 1;
        QList<int> withoutRow;
        if (!PlacesWithoutRow::Find(db, places, &withoutRow, &error)) {
            Cli::Err(QStringLiteral("Die Tabelle \"%1\" kann nicht gelesen werden: %2\n")
                         .arg(db.m_Table.m_strTableName, error));
            return 1;
        }
        for (int i : withoutRow)
            Cli::Err(PlacesWithoutRow::EntryText(places.at(i), db.m_Table.m_strTableName) +
                     QLatin1Char('\n'));
        out += QStringLiteral(", %1").arg(
            PlacesWithoutRow::CountText(int(withoutRow.size()), db.m_Table.m_strTableName));
    }
    Cli::Out(out + QLatin1Char('\n'));
    return 0;
}
