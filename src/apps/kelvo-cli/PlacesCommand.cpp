#include "apps/kelvo-cli/CliCommon.h"
#include "apps/kelvo-cli/CliTableList.h"

#include "base/SystemErrorText.h"
#include "render/map/PlacesWithoutRow.h"
#include "render/places/PlaceFile.h"
#include "store/GeoDatabase.h"

#include <QFile>

#include <utility>

namespace {

const char* const kPlacesUsage =
    "Aufruf: kelvo-cli places [--db DATEI] ORTSDATEI\n"
    "        kelvo-cli places --table LISTE [--sheet BLATT] [--map Staat=SPALTE,PLZ=SPALTE,...]\n"
    "                         [--country XX] [--stichtag DATUM] [--db DATEI]\n";

// The entries of a list as they stand on the day, as for a place file; the rows without
// place and the remarks on standard error.
int runTable(const QString& path, const QString& dbPath, const Cli::TableListArgs& tableArgs) {
    QDate day;
    if (!Cli::AsOfDay(tableArgs, &day))
        return 2;
    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath.isEmpty() ? QStringLiteral("Kelvo.mde") : dbPath, false))
        return 1;
    CTableList list;
    if (!Cli::ReadTableList(db, path, tableArgs, &list))
        return 1;
    // Written in pieces: a list of a million entries needs no copy of its text.
    QString out;
    qsizetype taken = 0;
    for (const CPlaceEntry& e : list.aEntries) {
        if (!TableList::ShownOn(e, day))
            continue;
        ++taken;
        out += Cli::PlaceEntryLine(e) + QLatin1Char('\n');
        if (out.size() > 64 * 1024)
            Cli::Out(std::exchange(out, QString()));
    }
    out += QStringLiteral("Zeilen gelesen: %1, Orte übernommen: %2, ohne Ort in %4: %3, "
                          "Postleitzahlen ergänzt: %5\n")
               .arg(list.nRows)
               .arg(taken)
               .arg(list.nWithoutPlace)
               .arg(db.m_Table.m_strTableName)
               .arg(list.nRepaired);
    Cli::Out(out);
    return 0;
}

} // namespace

// kelvo-cli places [--db FILE] PLACEFILE
// kelvo-cli places --table LIST [--sheet NAME] [--map ROLE=COL,...] [--country XX]
//                  [--stichtag DATE] [--db FILE]
// Reads a place file as a map window does: each date message (line feeds written as \n),
// each entry taken (its nine fields, marker and text colour as R,G,B, tab-separated), and
// the counts. With --db, each entry whose place GEO does not have is named on standard
// error with its line number, and counted.
int RunPlaces(QStringList args) {
    QString error;
    const QString dbPath = Cli::TakeOption(args, QStringLiteral("--db"), QString(), &error);
    const QString tablePath = Cli::TakeOption(args, QStringLiteral("--table"), QString(), &error);
    const Cli::TableListArgs tableArgs = Cli::TakeTableListArgs(args, &error);
    if (error.isEmpty() && !tablePath.isEmpty() && !args.isEmpty())
        error = QStringLiteral("Mit --table keine Ortsdatei.");
    if (error.isEmpty() && !tablePath.isEmpty())
        return runTable(tablePath, dbPath, tableArgs);
    if (error.isEmpty() && args.size() != 1)
        error = QStringLiteral("Genau eine Ortsdatei erwartet.");
    if (!error.isEmpty()) {
        Cli::Err(error + QLatin1Char('\n') + QString::fromUtf8(kPlacesUsage));
        return 2;
    }
    QFile file(args.first());
    if (!file.open(QIODevice::ReadOnly)) {
        Cli::Err(QStringLiteral("Die Ortsdatei \"%1\" kann nicht geöffnet werden: %2\n")
                     .arg(args.first(),
                          SystemErrorText::OfFile(args.first(), SystemErrorText::Access::Read,
                                                  file.errorString())));
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
    for (const CPlaceEntry& e : places)
        out += Cli::PlaceEntryLine(e) + QLatin1Char('\n');
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
