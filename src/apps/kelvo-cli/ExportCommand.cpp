#include "apps/kelvo-cli/CliCommon.h"
#include "apps/kelvo-cli/CliTableList.h"

#include "base/GermanNumbers.h"
#include "render/export/Export.h"
#include "render/export/ExportPlaceList.h"
#include "render/places/TableList.h"
#include "render/table/TableExport.h"
#include "store/GeoDatabase.h"
#include "store/GeoFilter.h"

// kelvo-cli export [--db FILE] --format csv|csv-intl|geojson|kml|places [--keep-formulas]
//                  [--search TEXT [--fold]] OUT
// Writes the rows a table window lists (all rows in Staat, PLZ order, or a search's rows).
// The German CSV guards formula-like cells with a ' unless --keep-formulas is given.
// kelvo-cli export [--db FILE] --format places --table LIST [--sheet NAME] [--map ...] OUT
// Writes a list of the user's as a place file: every row that found its place.
namespace {

int exportTable(const QString& dbPath, const QString& tablePath,
                const Cli::TableListArgs& tableArgs, const QString& out) {
    if (TableList::IsListItself(tablePath, out)) {
        Cli::Err(QStringLiteral("Die Liste selbst wird nicht überschrieben. Bitte eine andere "
                                "Ausgabedatei angeben.\n"));
        return 1;
    }
    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    CTableList list;
    if (!Cli::ReadTableList(db, tablePath, tableArgs, &list))
        return 1;
    const Export::CResult result = Export::WritePlaceList(out, list.aEntries);
    if (!result.strError.isEmpty()) {
        Cli::Err(result.strError + QLatin1Char('\n'));
        return 1;
    }
    if (list.nWithoutPlace > 0 || result.nSkipped > 0)
        Cli::Err(QStringLiteral("%1 ohne Ort in %2 nicht geschrieben.\n")
                     .arg(GermanNumbers::Count(list.nWithoutPlace + result.nSkipped,
                                               QStringLiteral("Zeile"), QStringLiteral("Zeilen")))
                     .arg(db.m_Table.m_strTableName));
    Cli::Out(QStringLiteral("%1 nach \"%2\" geschrieben\n")
                 .arg(GermanNumbers::Count(result.nWritten, QStringLiteral("Ort"),
                                           QStringLiteral("Orte")))
                 .arg(out));
    return 0;
}

} // namespace

int RunExport(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const QString formatName = Cli::TakeOption(args, QStringLiteral("--format"), {}, &error);
    const QStringList search = Cli::TakeOptions(args, QStringLiteral("--search"), &error);
    const bool fold = Cli::TakeSwitch(args, QStringLiteral("--fold"));
    Export::COptions options;
    options.bGuardFormulas = !Cli::TakeSwitch(args, QStringLiteral("--keep-formulas"));
    const QString tablePath = Cli::TakeOption(args, QStringLiteral("--table"), {}, &error);
    const Cli::TableListArgs tableArgs = Cli::TakeTableListArgs(args, &error);
    Export::Format format = Export::Format::Csv;
    if (error.isEmpty() && !Export::FormatFromName(formatName, &format))
        error = formatName.isEmpty() ? QStringLiteral("--format fehlt.")
                                     : QStringLiteral("Unbekanntes Format \"%1\".").arg(formatName);
    if (error.isEmpty() && (args.size() != 1 || args.first().startsWith(QStringLiteral("--"))))
        error = QStringLiteral("Genau eine Ausgabedatei erwartet.");
    if (error.isEmpty() && !tablePath.isEmpty() &&
        (format != Export::Format::Places || !search.isEmpty()))
        error = QStringLiteral("Eine Liste (--table) wird nur als Ortsdatei geschrieben "
                               "(--format places, ohne --search).");
    if (!error.isEmpty()) {
        Cli::Err(error +
                 QStringLiteral("\nAufruf: kelvo-cli export [--db DATEI] --format "
                                "csv|csv-intl|geojson|kml|places [--keep-formulas] "
                                "[--search TEXT [--fold]] AUSGABE\n"
                                "       kelvo-cli export [--db DATEI] --format places --table "
                                "LISTE [--sheet BLATT] [--map ...] [--country XX] AUSGABE\n"));
        return 2;
    }
    if (!tablePath.isEmpty())
        return exportTable(dbPath, tablePath, tableArgs, args.first());

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    const CGeoFilter filter =
        search.isEmpty() ? CGeoFilter() : GeoFilter::Search(search.last(), fold);
    // The rows go to the file as they are read: memory stays the same for any number of rows.
    const Export::CResult result = Export::WriteFile(
        args.first(), format, TableExportStream(db, db.m_Table, filter), nullptr, options);
    if (!result.strError.isEmpty()) {
        Cli::Err(result.strError + QLatin1Char('\n'));
        return 1;
    }
    if (result.nSkipped > 0)
        Cli::Err(QStringLiteral("%1 ohne zweistelligen Staat oder ohne PLZ übergangen.\n")
                     .arg(GermanNumbers::Count(result.nSkipped, QStringLiteral("Zeile"),
                                               QStringLiteral("Zeilen"))));
    Cli::Out(QStringLiteral("%1 nach \"%2\" geschrieben\n")
                 .arg(GermanNumbers::Count(result.nWritten, QStringLiteral("Zeile"),
                                           QStringLiteral("Zeilen")))
                 .arg(args.first()));
    return 0;
}
