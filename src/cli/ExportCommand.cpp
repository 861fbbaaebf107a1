#include "cli/CliCommon.h"

#include "db/GeoDatabase.h"
#include "db/GeoSql.h"
#include "export/Export.h"
#include "table/TableExport.h"

// kelvo-cli export [--db FILE] --format csv|csv-intl|geojson|kml|places [--keep-formulas]
//                  [--search TEXT [--fold]] OUT
// Writes the rows a table window lists (all rows in Staat, PLZ order, or a search's rows).
// The German CSV guards formula-like cells with a ' unless --keep-formulas is given.
int RunExport(QStringList args) {
    QString error;
    const QString dbPath =
        Cli::TakeOption(args, QStringLiteral("--db"), QStringLiteral("Kelvo.mde"), &error);
    const QString formatName = Cli::TakeOption(args, QStringLiteral("--format"), {}, &error);
    const QStringList search = Cli::TakeOptions(args, QStringLiteral("--search"), &error);
    const bool fold = Cli::TakeSwitch(args, QStringLiteral("--fold"));
    Export::COptions options;
    options.bGuardFormulas = !Cli::TakeSwitch(args, QStringLiteral("--keep-formulas"));
    Export::Format format = Export::Format::Csv;
    if (error.isEmpty() && !Export::FormatFromName(formatName, &format))
        error = formatName.isEmpty() ? QStringLiteral("--format fehlt.")
                                     : QStringLiteral("Unbekanntes Format \"%1\".").arg(formatName);
    if (error.isEmpty() && (args.size() != 1 || args.first().startsWith(QStringLiteral("--"))))
        error = QStringLiteral("Genau eine Ausgabedatei erwartet.");
    if (!error.isEmpty()) {
        Cli::Err(error + QStringLiteral("\nAufruf: kelvo-cli export [--db DATEI] --format "
                                        "csv|csv-intl|geojson|kml|places [--keep-formulas] "
                                        "[--search TEXT [--fold]] AUSGABE\n"));
        return 2;
    }

    CGeoDatabase db;
    if (!Cli::OpenDatabase(db, dbPath, false))
        return 1;
    const QString filter = search.isEmpty() ? QString() : GeoSql::SearchFilter(search.last(), fold);
    // The rows go to the file as they are read: memory stays the same for any number of rows.
    const Export::CResult result = Export::WriteFile(
        args.first(), format, TableExportStream(db, db.m_Table, filter), nullptr, options);
    if (!result.strError.isEmpty()) {
        Cli::Err(result.strError + QLatin1Char('\n'));
        return 1;
    }
    if (result.nSkipped > 0)
        Cli::Err(QStringLiteral("%1 Zeilen ohne zweistelligen Staat oder ohne PLZ übergangen.\n")
                     .arg(result.nSkipped));
    Cli::Out(QStringLiteral("%1 Zeilen nach \"%2\" geschrieben\n")
                 .arg(result.nWritten)
                 .arg(args.first()));
    return 0;
}
